// How labels lay out their text, and the tab order the windows' first focus
// rests on, read from the two form descriptions.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "framework/FormDescription.h"
#include "framework/LabelLayout.h"

namespace {

TObjectDesc ReadForm(const char* path)
{
    std::ifstream in(std::string(PELM_SOURCE_DIR) + path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ParseFormDescription(ss.str());
}

TLabelLayout LayoutOf(const char* text) { return LabelLayoutOf(ParseFormDescription(text)); }

// The controls that take Tab, in the order they are described (the order
// their windows lie in, which Tab follows), with their TabOrder.
std::vector<std::pair<std::string, int>> TabStops(const TObjectDesc& form)
{
    std::vector<std::pair<std::string, int>> stops;
    for (const TObjectDesc& c : form.Children)
        if (c.Has("TabOrder"))
            stops.push_back({c.Name, c.GetInt("TabOrder", -1)});
    return stops;
}

} // namespace

TEST(LabelLayout, ALabelWithoutPropertiesIsTopLeftOnOneLine)
{
    TLabelLayout l = LayoutOf("object L: TLabel\nend\n");
    EXPECT_EQ(TLabelLayout::Left, l.Horz);
    EXPECT_EQ(TLabelLayout::Top, l.Vert);
    EXPECT_FALSE(l.WordWrap);
    // Unknown values fall back to the same.
    l = LayoutOf("object L: TLabel\n Alignment = taSideways\n Layout = tlNowhere\n WordWrap = Maybe\nend\n");
    EXPECT_EQ(TLabelLayout::Left, l.Horz);
    EXPECT_EQ(TLabelLayout::Top, l.Vert);
    EXPECT_FALSE(l.WordWrap);
    l = LayoutOf("object L: TLabel\n Alignment = taRightJustify\n Layout = tlCenter\nend\n");
    EXPECT_EQ(TLabelLayout::Right, l.Horz);
    EXPECT_EQ(TLabelLayout::Middle, l.Vert);
}

TEST(LabelLayout, RegistrationDialogLabels)
{
    TObjectDesc dlg = ReadForm("/dialogs/WindowStoreDlg.form");
    ASSERT_TRUE(dlg.Find("Label2") && dlg.Find("Label3"));
    TLabelLayout label2 = LabelLayoutOf(*dlg.Find("Label2"));
    EXPECT_EQ(TLabelLayout::Bottom, label2.Vert);
    EXPECT_TRUE(label2.WordWrap);
    EXPECT_EQ(TLabelLayout::Left, label2.Horz);
    TLabelLayout label3 = LabelLayoutOf(*dlg.Find("Label3"));
    EXPECT_FALSE(label3.WordWrap) << "a label wraps only when told to";
    EXPECT_EQ(TLabelLayout::Top, label3.Vert);
    EXPECT_EQ(TLabelLayout::Left, label3.Horz);
}

TEST(LabelLayout, SettingsWindowLabelsAreCentredOnOneLine)
{
    TObjectDesc main = ReadForm("/app/PelmFormMain.form");
    for (const char* name : {"Label1", "Label2", "Label3"}) {
        ASSERT_TRUE(main.Find(name)) << name;
        TLabelLayout l = LabelLayoutOf(*main.Find(name));
        EXPECT_EQ(TLabelLayout::Center, l.Horz) << name;
        EXPECT_EQ(TLabelLayout::Middle, l.Vert) << name;
        EXPECT_FALSE(l.WordWrap) << name;
    }
}

// The first control to take Tab gets the focus when a window opens, and Tab
// follows the order of the controls' windows: both need the descriptions to
// list their tab stops in TabOrder.
TEST(TabOrder, DescriptionsListTabStopsInTabOrder)
{
    for (const char* path : {"/dialogs/WindowStoreDlg.form", "/app/PelmFormMain.form"}) {
        auto stops = TabStops(ReadForm(path));
        ASSERT_FALSE(stops.empty()) << path;
        for (size_t i = 0; i < stops.size(); ++i)
            EXPECT_EQ(static_cast<int>(i), stops[i].second) << path << " " << stops[i].first;
    }
    auto dialog = TabStops(ReadForm("/dialogs/WindowStoreDlg.form"));
    EXPECT_EQ("ClassNameListBox", dialog.front().first);
    auto main = TabStops(ReadForm("/app/PelmFormMain.form"));
    EXPECT_EQ("btnGoHide", main.front().first);
}
