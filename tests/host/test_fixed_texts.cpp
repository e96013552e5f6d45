// The program's fixed texts are compiled to code page 932 and, where the
// system's ANSI code page differs, converted to UTF-16 from 932 at run time:
// every one of them must survive 932 -> UTF-16 -> 932. Texts built from a
// system text and a fixed one keep the two apart, so that each part can be
// converted from its own code page.
#include <gtest/gtest.h>

#include <iconv.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "framework/Application.h"
#include "framework/Error.h"
#include "framework/FormDescription.h"
#include "framework/StringList.h"
#include "settings/SettingsFile.h"

namespace {

// Converts with iconv; false when a character does not convert.
bool Convert(const char* from, const char* to, const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string src = in;
    out.assign(in.size() * 4 + 16, '\0');
    char* ip = &src[0];
    char* op = &out[0];
    size_t il = src.size(), ol = out.size();
    const bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && il == 0;
    iconv_close(cd);
    out.resize(out.size() - ol);
    return ok;
}

std::string ReadFile(const std::string& relative)
{
    std::ifstream f(std::string(PELM_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// Every text of a description the user sees, in code page 932 as the build makes it.
void CollectDescriptionTexts(const TObjectDesc& d, std::vector<std::string>& texts)
{
    for (const auto& p : d.Properties)
        if (p.first == "Caption" || p.first == "Hint" || p.first == "Font.Name")
            texts.push_back(p.second);
    for (const TObjectDesc& c : d.Children)
        CollectDescriptionTexts(c, texts);
}

bool HasNonAscii(const std::string& s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return true;
    return false;
}

// Round trip of one text already in code page 932.
void ExpectRoundTrip(const std::string& sjis, const std::string& where)
{
    std::string wide, back;
    ASSERT_TRUE(Convert("CP932", "UTF-16LE", sjis, wide)) << where;
    ASSERT_TRUE(Convert("UTF-16LE", "CP932", wide, back)) << where;
    EXPECT_EQ(sjis, back) << where;
}

TEST(FixedTexts, EveryDescriptionTextSurvivesTheWayToUtf16AndBack)
{
    for (const char* form : {"app/PelmFormMain.form", "dialogs/WindowStoreDlg.form"}) {
        std::string sjis;
        ASSERT_TRUE(Convert("UTF-8", "CP932", ReadFile(form), sjis)) << form << " does not convert to CP932";
        std::vector<std::string> texts;
        CollectDescriptionTexts(ParseFormDescription(sjis), texts);
        EXPECT_GE(texts.size(), 9u) << form;
        for (const std::string& t : texts)
            ExpectRoundTrip(t, form);
    }
}

TEST(FixedTexts, EveryJapaneseLiteralOfTheCodeSurvivesTheWayToUtf16AndBack)
{
    // The literals the user can see; a new one in these files is checked too.
    const std::regex literal("\"([^\"\\\\\\n]|\\\\.)*\"");
    int seen = 0;
    for (const char* file : {"app/PelmFormMain.cpp", "app/PelmFormMain.h", "tray/Tray.cpp", "settings/SettingsFile.cpp",
                             "framework/Form.cpp", "dialogs/WindowStoreDlg.cpp"}) {
        const std::string text = ReadFile(file);
        ASSERT_FALSE(text.empty()) << file;
        for (std::sregex_iterator it(text.begin(), text.end(), literal), end; it != end; ++it) {
            if (!HasNonAscii(it->str()))
                continue;
            std::string sjis;
            ASSERT_TRUE(Convert("UTF-8", "CP932", it->str(), sjis)) << file << ": " << it->str();
            ExpectRoundTrip(sjis, std::string(file) + ": " + it->str());
            ++seen;
        }
    }
    // The mixer box's text and caption, the About caption, the write error,
    // the modal refusal at the least.
    EXPECT_GE(seen, 5);
}

TEST(FixedTexts, TheRoundTripCheckCatchesATextThatDoesNotComeBack)
{
    // NEC's and IBM's copies of the same sign: 0x8790 reads as U+2252,
    // which goes back as 0x81E0.
    ExpectRoundTrip("\x81\xE0", "the JIS sign");
    std::string wide, back;
    ASSERT_TRUE(Convert("CP932", "UTF-16LE", "\x87\x90", wide));
    ASSERT_TRUE(Convert("UTF-16LE", "CP932", wide, back));
    EXPECT_NE("\x87\x90", back);
    EXPECT_FALSE(Convert("UTF-8", "CP932", "caf\xC3\xA9", back)) << "an e with an accent is not in CP932";
}

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
    // The ANSI call gets the very bytes it always got.
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

} // namespace
