#include "framework/StringList.h"

#include "framework/TextServices.h"

void TStringList::Delete(int index)
{
    if (index >= 0 && index < Count())
        m_items.erase(m_items.begin() + index);
}

int TStringList::IndexOf(const std::string& s) const
{
    for (int i = 0; i < Count(); ++i)
        if (TextServices().EqualIgnoreCase(m_items[static_cast<size_t>(i)], s))
            return i;
    return -1;
}

std::string TStringList::Text() const
{
    std::string text;
    for (const std::string& item : m_items) {
        text += item;
        text += "\r\n";
    }
    return text;
}

void TStringList::SetText(const std::string& text)
{
    m_items.clear();
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            m_items.push_back(text.substr(start, i - start));
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        m_items.push_back(text.substr(start));
}
