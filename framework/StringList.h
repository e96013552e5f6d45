#pragma once
// An ordered, unsorted list of ANSI strings, as the registered program list
// keeps them. Lookups compare under the user's locale, ignoring case, and take
// the first equal entry.
#include <string>
#include <vector>

class TStringList {
public:
    int Count() const { return static_cast<int>(m_items.size()); }
    const std::string& operator[](int i) const { return m_items[static_cast<size_t>(i)]; }
    const std::vector<std::string>& Items() const { return m_items; }

    void Add(const std::string& s) { m_items.push_back(s); }
    void Delete(int index);
    void Clear() { m_items.clear(); }
    // Index of the first entry equal to s ignoring case, or -1.
    int IndexOf(const std::string& s) const;
    // Every entry followed by CR LF.
    std::string Text() const;
    // Replaces the content by the lines of text (CR LF, lone CR or lone LF);
    // a line break at the very end adds no empty entry.
    void SetText(const std::string& text);

private:
    std::vector<std::string> m_items;
};
