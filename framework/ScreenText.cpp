#include "framework/ScreenText.h"

TScreenText TScreenText::FromSystem(const std::string& text)
{
    TScreenText t;
    t.Append(text, false);
    return t;
}

TScreenText& TScreenText::operator+=(const TScreenText& more)
{
    for (const TPart& p : more.m_parts)
        Append(p.Bytes, p.Fixed);
    return *this;
}

std::string TScreenText::Bytes() const
{
    std::string all;
    for (const TPart& p : m_parts)
        all += p.Bytes;
    return all;
}

void TScreenText::Append(const std::string& bytes, bool fixed)
{
    if (bytes.empty())
        return;
    if (!m_parts.empty() && m_parts.back().Fixed == fixed)
        m_parts.back().Bytes += bytes;
    else
        m_parts.push_back({bytes, fixed});
}
