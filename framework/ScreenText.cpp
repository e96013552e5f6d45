#include "framework/ScreenText.h"

namespace {
const uint32_t kFixedCodePage = 932;
}

TScreenText TScreenText::FromSystem(const std::string& text, TTextCode code)
{
    TScreenText t;
    t.Append(text, false, code);
    return t;
}

TScreenText& TScreenText::operator+=(const TScreenText& more)
{
    for (const TPart& p : more.m_parts)
        Append(p.Bytes, p.Fixed, p.Code);
    return *this;
}

std::string TScreenText::Bytes() const
{
    std::string all;
    for (const TPart& p : m_parts)
        all += p.Bytes;
    return all;
}

bool TScreenText::HasUtf8() const
{
    for (const TPart& p : m_parts)
        if (!p.Fixed && p.Code == TTextCode::Utf8)
            return true;
    return false;
}

void TScreenText::Append(const std::string& bytes, bool fixed, TTextCode code)
{
    if (bytes.empty())
        return;
    if (fixed)
        code = TTextCode::Ansi; // unused for fixed texts; kept alike so that neighbours merge
    if (!m_parts.empty() && m_parts.back().Fixed == fixed && m_parts.back().Code == code)
        m_parts.back().Bytes += bytes;
    else
        m_parts.push_back({bytes, fixed, code});
}

bool FixedTextsGoWide(const TTextSystem& system)
{
    return system.WideCalls && system.Has932 && system.AnsiCodePage != kFixedCodePage;
}

bool TextGoesWide(const TScreenText& text, const TTextSystem& system)
{
    return FixedTextsGoWide(system) || (system.WideCalls && system.Has932 && text.HasUtf8());
}
