// The framework's own rules: the error report's full stop, the description
// format, the string list's line splitting and the modal refusal.
#include <gtest/gtest.h>

#include "framework/Dpi.h"
#include "framework/Error.h"
#include "framework/FormDescription.h"
#include "tests/host/Fakes.h"

TEST(ErrorReport, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt)
{
    const auto report = [](const char* text) { return FormatErrorReport(TScreenText(text)).Bytes(); };
    EXPECT_EQ("abc.", report("abc"));
    EXPECT_EQ("abc.", report("abc."));
    EXPECT_EQ("abc!", report("abc!"));
    EXPECT_EQ("", report(""));
    EXPECT_EQ("C:\\a.ini に書き込めません.", report("C:\\a.ini に書き込めません"));
    EXPECT_EQ("x/.", report("x/"));
}

TEST(ErrorReport, GuardTurnsARaisedErrorIntoOneBox)
{
    TEventLog log;
    TFakeApplication app(log);
    app.Title = "Pelmora";
    app.Guard([] { throw EPelmError("boom"); });
    app.Guard([] {});
    ASSERT_EQ(1u, app.Boxes.size());
    EXPECT_EQ("boom.", app.Boxes[0].Text);
    EXPECT_EQ("Pelmora", app.Boxes[0].Caption);
    EXPECT_EQ(0x10u, app.Boxes[0].Flags);
}

TEST(FormDescription, ParsesNestingQuotesAndOrder)
{
    TObjectDesc d = ParseFormDescription(
        "# comment\n"
        "object F: TF\r\n"
        "  Caption = 'it''s ' + 'joined'\n"
        "  Width = -12\n"
        "  object A: TLabel\n"
        "    object B: TMenuItem\n"
        "      Visible = False\n"
        "    end\n"
        "  end\n"
        "end\n");
    EXPECT_EQ("F", d.Name);
    EXPECT_EQ("it's joined", d.Get("Caption"));
    EXPECT_EQ(-12, d.GetInt("Width"));
    ASSERT_EQ(1u, d.Children.size());
    ASSERT_NE(nullptr, d.Find("B"));
    EXPECT_FALSE(d.Find("B")->GetBool("Visible", true));
    EXPECT_EQ(7, d.GetInt("Missing", 7));
}

TEST(FormDescription, RejectsMalformedText)
{
    EXPECT_THROW(ParseFormDescription("object F: TF\n"), EPelmError);
    EXPECT_THROW(ParseFormDescription("end\n"), EPelmError);
    EXPECT_THROW(ParseFormDescription("object F: TF\n  Caption = 'open\nend\n"), EPelmError);
    EXPECT_THROW(ParseFormDescription(""), EPelmError);
    EXPECT_THROW(ParseFormDescription("object F: TF\nend\nobject G: TG\nend\n"), EPelmError);
}

TEST(StringList, SplitsLinesAtEveryKindOfBreak)
{
    TStringList l;
    l.SetText("a\r\nb\rc\nd");
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), l.Items());
    l.SetText("\r\n\r\nx\r\n");
    EXPECT_EQ((std::vector<std::string>{"", "", "x"}), l.Items());
    l.SetText("");
    EXPECT_EQ(0, l.Count());
    l.SetText("a\n\rb"); // LF then a lone CR: two breaks, one empty line
    EXPECT_EQ((std::vector<std::string>{"a", "", "b"}), l.Items());
}

TEST(StringList, FindsTheFirstEntryIgnoringCase)
{
    TStringList l;
    l.Add("Editor.EXE");
    l.Add("editor.exe");
    l.Add("");
    EXPECT_EQ(0, l.IndexOf("editor.exe"));
    EXPECT_EQ(2, l.IndexOf(""));
    EXPECT_EQ(-1, l.IndexOf("edit"));
    EXPECT_EQ("Editor.EXE\r\neditor.exe\r\n\r\n", l.Text());
    l.Delete(0);
    l.Delete(5); // out of range: nothing
    EXPECT_EQ(2, l.Count());
}


TEST(Dpi, ScalesTheDesignToTheNearestPixelHalvesAwayFromZero)
{
    EXPECT_EQ(33, ScaleForDpi(33, 96));
    EXPECT_EQ(50, ScaleForDpi(33, 144));   // 49.5
    EXPECT_EQ(-18, ScaleForDpi(-12, 144)); // a font's character height
    EXPECT_EQ(-14, ScaleForDpi(-11, 120)); // -13.75
    EXPECT_EQ(-17, ScaleForDpi(-11, 144)); // -16.5: as far from zero as 16.5 is
    EXPECT_EQ(21, ScaleForDpi(17, 120));   // 21.25
    EXPECT_EQ(654, ScaleForDpi(327, 192));
}
