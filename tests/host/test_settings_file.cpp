#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <vector>

#include "framework/Error.h"
#include "settings/SettingsFile.h"

namespace {

const char kIni[] = "C:\\Tools\\volume.ini";
using Entries = std::vector<std::string>;

// An INI file in memory, keyed by path too, so that touching the wrong file
// shows up as a missing key.
class TFakeProfile : public IProfile {
public:
    std::map<std::string, std::string> values;
    Entries writtenKeys;
    std::string failingKey;

    std::string& Value(const std::string& key) { return values[std::string(kIni) + "|Pelmora|" + key]; }

    std::string ModuleFileName() override { return "C:\\Tools\\volume.exe"; }
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def, const std::string& path) override
    {
        auto it = values.find(path + "|" + section + "|" + key);
        return it == values.end() ? def : it->second;
    }
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& path) override
    {
        if (key == failingKey)
            return false;
        writtenKeys.push_back(key);
        values[path + "|" + section + "|" + key] = value;
        return true;
    }
};

TStringList ListOf(const Entries& entries)
{
    TStringList list;
    for (const std::string& e : entries)
        list.Add(e);
    return list;
}

} // namespace

TEST(SettingsFilePath, ReplacesTheExtensionOfTheFileNameOnly)
{
    const struct { const char* exe; const char* ini; } cases[] = {
        {"C:\\Tools\\volume.exe", "C:\\Tools\\volume.ini"},
        {"C:\\Tools\\volume.old.exe", "C:\\Tools\\volume.old.ini"},
        {"C:\\my.dir\\volume", "C:\\my.dir\\volume.ini"},
        {"C:/my.dir/volume.exe", "C:/my.dir/volume.ini"},
        {"\\\\server\\share\\volume.exe", "\\\\server\\share\\volume.ini"},
        // "表" ends in 0x5C: it is part of the extension, not a directory break.
        {"C:\\Tools\\volume.\x95\x5C", "C:\\Tools\\volume.ini"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormProfilePath(c.exe, ".ini"), c.ini) << c.exe;
    // Past MAX_PATH the file still lies beside the program, under its name.
    EXPECT_EQ(FormProfilePath("C:\\" + std::string(256, 'd') + "\\a.exe", ".ini"),
              "C:\\" + std::string(256, 'd') + "\\a.ini");
    EXPECT_EQ(FormProfilePath("C:\\" + std::string(300, 'b') + ".exe", ".ini"),
              "C:\\" + std::string(300, 'b') + ".ini");
}

TEST(SettingsFileBool, NonZeroIntegersAreTrueAnythingElseGivesTheDefault)
{
    enum { F, T, Def };
    const struct { const char* text; int expected; } cases[] = {
        {"0", F}, {"2", T}, {"-0", F}, {"+5", T}, {" 1", T}, {"\t1", T}, {"1 ", Def},
        {"", Def}, {"yes", Def}, {"0x10", T}, {"0x0", F}, {"0x", Def}, {" 0x10", T},
        {"-0x10", T}, {"$", Def}, {"$1f", T}, {"x10", T}, {"$g", Def},
        {"2147483647", T}, {"2147483648", Def}, {"-2147483648", T}, {"-2147483649", Def},
        {"$FFFFFFFF", T}, {"$100000000", Def}, {"000000000000000000001", T},
        // Every hexadecimal prefix in either case; after a bare "0" an "X"
        // is no digit, so a "0X" read as decimal would give the default.
        {"0X10", T}, {"0X0", F}, {"-0X1F", T}, {" 0XfF", T}, {"0X", Def}, {"X10", T}, {"X0", F},
        {"0XFFFFFFFF", T}, {"0X100000000", Def}, {"0x0X1", Def},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadBoolText(c.text, false), c.expected == T) << '"' << c.text << '"';
        EXPECT_EQ(ReadBoolText(c.text, true), c.expected != F) << '"' << c.text << '"';
    }
}

TEST(SettingsFileStoredProgram, ColonSeparatedEntriesKeepEmptyOnes)
{
    const struct { const char* value; Entries entries; } cases[] = {
        {"a:b", {"a", "b"}}, {"a::b:", {"a", "", "b"}}, {":a:", {"", "a"}},
        {"a:a:", {"a", "a"}}, {"-:", {"-"}}, {"", {}},
    };
    for (const auto& c : cases) {
        TStringList list = ListOf({"old"});
        ParseStoredProgram(c.value, list);
        EXPECT_EQ(list.Items(), c.entries) << c.value;
    }
    TStringList list = ListOf({"kept"});
    ParseStoredProgram("-", list);
    EXPECT_EQ(list.Items(), Entries{"kept"});

    EXPECT_EQ(StoredProgramText(ListOf({"a", "", "b"})), "a::b:");
    EXPECT_EQ(StoredProgramText(TStringList()), "");
}

TEST(SettingsFileLoad, ReadsTheIniBesideTheProgramDefaultingToCurrentValues)
{
    TFakeProfile profile;
    TStringList list;
    bool mute = true, ctrl = false;
    TLoadedSettings paths = LoadSettingsFile(profile, list, mute, ctrl);
    EXPECT_EQ(paths.iniPath, kIni);
    EXPECT_EQ(paths.helpPath, "C:\\Tools\\volume.hlp");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(mute);
    EXPECT_FALSE(ctrl);

    profile.Value("StoredProgram") = "a::b";
    profile.Value("m_bMuteOnWinReboot") = "0";
    profile.Value("m_bCtrlKeyMute") = "yes";
    LoadSettingsFile(profile, list, mute, ctrl);
    EXPECT_EQ(list.Items(), (Entries{"a", "", "b"}));
    EXPECT_FALSE(mute);
    EXPECT_FALSE(ctrl);
}

TEST(SettingsFileSave, WritesTheThreeKeysInOrder)
{
    TFakeProfile profile;
    SaveSettingsFile(profile, ListOf({"a", "", "b"}), true, false);
    EXPECT_EQ(profile.writtenKeys, (Entries{"StoredProgram", "m_bMuteOnWinReboot", "m_bCtrlKeyMute"}));
    EXPECT_EQ(profile.Value("StoredProgram"), "a::b:");
    EXPECT_EQ(profile.Value("m_bMuteOnWinReboot"), "1");
    EXPECT_EQ(profile.Value("m_bCtrlKeyMute"), "0");
}

TEST(SettingsFileSave, AFailedWriteStopsAtThatKey)
{
    const Entries keys = {"StoredProgram", "m_bMuteOnWinReboot", "m_bCtrlKeyMute"};
    for (size_t failing = 0; failing < keys.size(); ++failing) {
        TFakeProfile profile;
        profile.failingKey = keys[failing];
        try {
            SaveSettingsFile(profile, ListOf({"a"}), false, true);
            ADD_FAILURE() << "no error for " << keys[failing];
        } catch (const EPelmError& e) {
            EXPECT_STREQ(e.what(), "C:\\Tools\\volume.ini に書き込めません");
        }
        EXPECT_EQ(profile.writtenKeys, Entries(keys.begin(), keys.begin() + failing));
    }
}

TEST(SettingsFileRoundTrip, AThousandNamesSurviveSaveAndLoad)
{
    Entries names;
    for (int i = 0; i < 1000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "prog%04d.exe", i % 999);  // one duplicate
        names.push_back(name);
    }
    names[500] = "";
    TFakeProfile profile;
    SaveSettingsFile(profile, ListOf(names), false, true);
    ASSERT_GT(profile.Value("StoredProgram").size(), 12000u);
    TStringList loaded;
    bool mute = true, ctrl = false;
    LoadSettingsFile(profile, loaded, mute, ctrl);
    EXPECT_EQ(loaded.Items(), names);
    EXPECT_FALSE(mute);
    EXPECT_TRUE(ctrl);
}
