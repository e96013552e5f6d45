// A text for the user's eyes keeps the parts that come from the system (a
// path, in the ANSI code page or in UTF-8) apart from the program's own fixed
// texts, so that each can be converted from its own code; which calls take
// it follows from the system's code pages. (That every fixed text reads back
// from code page 932 as written is checked by the build:
// cmake/fixed-texts.cmake.)
#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Error.h"
#include "framework/StringList.h"
#include "settings/SettingsFile.h"

namespace {

TEST(ScreenText, KeepsSystemAndFixedPartsApartInOrder)
{
    const TScreenText t = TScreenText::FromSystem("C:\\caf\xE9") + " \x82\xC9" + "x" + TScreenText::FromSystem("");
    ASSERT_EQ(2u, t.Parts().size());
    EXPECT_FALSE(t.Parts()[0].Fixed);
    EXPECT_EQ("C:\\caf\xE9", t.Parts()[0].Bytes);
    EXPECT_TRUE(t.Parts()[1].Fixed);
    EXPECT_EQ(" \x82\xC9x", t.Parts()[1].Bytes);
    EXPECT_EQ("C:\\caf\xE9 \x82\xC9x", t.Bytes());
    EXPECT_TRUE(TScreenText("").Empty());
    EXPECT_TRUE(TScreenText("abc").Parts()[0].Fixed);
}

TEST(ScreenText, TheErrorReportAddsAFixedFullStopByTheSameRule)
{
    const TScreenText path = TScreenText::FromSystem("C:\\a.ini");
    const TScreenText report = FormatErrorReport(path + " \x82\xC9");
    EXPECT_EQ("C:\\a.ini \x82\xC9.", report.Bytes());
    EXPECT_FALSE(report.Parts()[0].Fixed);
    EXPECT_EQ("C:\\a.ini", report.Parts()[0].Bytes);
    // A system text at the end: the full stop is a part of its own.
    const TScreenText ends = FormatErrorReport(TScreenText::FromSystem("x"));
    ASSERT_EQ(2u, ends.Parts().size());
    EXPECT_TRUE(ends.Parts()[1].Fixed);
    EXPECT_EQ("x.", FormatErrorReport(TScreenText::FromSystem("x.")).Bytes());
}

class TFailingProfile : public IProfile {
public:
    std::string ModuleFileName() override { return "C:\\caf\xE9\\pelmora.exe"; }
    std::string ReadString(const std::string&, const std::string&, const std::string& def,
                           const std::string&) override
    {
        return def;
    }
    bool WriteString(const std::string&, const std::string&, const std::string&, const std::string&) override
    {
        return false;
    }
};

class TBoxApplication : public TApplication {
public:
    std::vector<TScreenText> Texts;
    std::string LastText;
    int ShowMessageBox(const std::string& text, const std::string&, uint32_t) override
    {
        LastText = text;
        return 1;
    }
    int ShowMessageBoxText(const TScreenText& text, const TScreenText& caption, uint32_t flags) override
    {
        Texts.push_back(text);
        return TApplication::ShowMessageBoxText(text, caption, flags);
    }
};

TEST(ScreenText, TheWriteErrorReachesTheBoxWithThePathAsASystemText)
{
    TFailingProfile profile;
    TStringList list;
    TBoxApplication app;
    app.Title = "Pelmora";
    app.Guard([&] { SaveSettingsFile(profile, list, false, true); });
    ASSERT_EQ(1u, app.Texts.size());
    const auto& parts = app.Texts[0].Parts();
    ASSERT_EQ(2u, parts.size());
    EXPECT_FALSE(parts[0].Fixed);
    EXPECT_EQ("C:\\caf\xE9\\pelmora.ini", parts[0].Bytes);
    EXPECT_TRUE(parts[1].Fixed);
    // The ANSI call gets the path's bytes and the fixed text's as they stand.
    EXPECT_EQ("C:\\caf\xE9\\pelmora.ini に書き込めません.", app.LastText);
}

TEST(ScreenText, OtherErrorsAreReportedAsFixedTexts)
{
    TBoxApplication app;
    app.Guard([] { throw EPelmError("\x95\x5C"); });
    app.Guard([] { throw std::runtime_error("bad"); });
    ASSERT_EQ(2u, app.Texts.size());
    EXPECT_TRUE(app.Texts[0].Parts()[0].Fixed);
    EXPECT_EQ("\x95\x5C.", app.Texts[0].Bytes());
    EXPECT_EQ("bad.", app.LastText);
}

TEST(ScreenText, AUtf8PartKeepsItsCodeAndMergesOnlyWithItsKind)
{
    const TScreenText t = TScreenText::FromSystem("C:\\\xCE\xA9", TTextCode::Utf8) +
                          TScreenText::FromSystem("\\a", TTextCode::Utf8) + TScreenText::FromSystem("\x95\x5C") +
                          " \x82\xC9";
    ASSERT_EQ(3u, t.Parts().size());
    EXPECT_EQ(TTextCode::Utf8, t.Parts()[0].Code);
    EXPECT_EQ("C:\\\xCE\xA9\\a", t.Parts()[0].Bytes);
    EXPECT_EQ(TTextCode::Ansi, t.Parts()[1].Code);
    EXPECT_FALSE(t.Parts()[1].Fixed);
    EXPECT_TRUE(t.Parts()[2].Fixed);
    EXPECT_TRUE(t.HasUtf8());
    EXPECT_FALSE((TScreenText::FromSystem("a") + "b").HasUtf8());
}

TEST(ScreenText, WhichCallsTheTextsTake)
{
    const bool nt = true, nine = false, has932 = true, no932 = false;
    const struct {
        TTextSystem system;
        bool fixedWide;
    } cases[] = {
        {{nt, 1252, has932}, true},    // a Western NT system
        {{nt, 936, has932}, true},     // a Chinese one
        {{nt, 932, has932}, false},    // a Japanese one: the bytes as they stand
        {{nine, 1252, has932}, false}, // the 9x family has few wide calls
        {{nt, 1252, no932}, false},    // without 932 the conversion gives nothing
    };
    const TScreenText fixed = "\x89\xB9\x97\xCA";
    const TScreenText withPath = TScreenText::FromSystem("C:\\\xCE\xA9\\p.ini", TTextCode::Utf8) + fixed;
    for (const auto& c : cases) {
        const TTextSystem& s = c.system;
        EXPECT_EQ(c.fixedWide, FixedTextsGoWide(s)) << s.AnsiCodePage << " " << s.WideCalls << s.Has932;
        EXPECT_EQ(c.fixedWide, TextGoesWide(fixed, s)) << s.AnsiCodePage;
        // A path from the wide calls goes wide wherever fixed texts can too,
        // also on a 932 system, whose code page may lack its characters.
        EXPECT_EQ(s.WideCalls && s.Has932, TextGoesWide(withPath, s)) << s.AnsiCodePage;
    }
}

class TUtf8FailingProfile : public IProfile {
public:
    TTextCode PathCode() override { return TTextCode::Utf8; }
    std::string ModuleFileName() override { return "C:\\\xCE\xA9mega folder\\pelmora.exe"; }
    std::string ReadString(const std::string&, const std::string&, const std::string& def,
                           const std::string&) override
    {
        return def;
    }
    bool WriteString(const std::string&, const std::string&, const std::string&, const std::string&) override
    {
        return false;
    }
};

TEST(ScreenText, TheWriteErrorKeepsAPathFromTheWideCallsInUtf8)
{
    TUtf8FailingProfile profile;
    TStringList list;
    TBoxApplication app;
    app.Guard([&] { SaveSettingsFile(profile, list, false, true); });
    ASSERT_EQ(1u, app.Texts.size());
    const auto& parts = app.Texts[0].Parts();
    ASSERT_EQ(2u, parts.size());
    EXPECT_EQ("C:\\\xCE\xA9mega folder\\pelmora.ini", parts[0].Bytes);
    EXPECT_EQ(TTextCode::Utf8, parts[0].Code);
    EXPECT_FALSE(parts[0].Fixed);
    EXPECT_TRUE(parts[1].Fixed);
}

} // namespace
