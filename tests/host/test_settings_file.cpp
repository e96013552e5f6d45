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
// shows up as a missing key. A save's copy is modelled: it starts as the
// file's keys, and its commit moves them over the file's.
class TFakeProfile : public IProfile {
public:
    std::map<std::string, std::string> values;
    Entries writtenKeys;
    std::string failingKey;
    bool failBegin = false, failCommit = false;
    Entries replaceCalls;

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
    std::string BeginReplace(const std::string& path) override
    {
        replaceCalls.push_back("begin " + path);
        if (failBegin)
            return "";
        MoveKeys(path, path + ".tmp", false);
        return path + ".tmp";
    }
    bool CommitReplace(const std::string& copy, const std::string& path) override
    {
        replaceCalls.push_back("commit " + copy);
        if (failCommit)
            return false;
        MoveKeys(copy, path, true);
        return true;
    }
    void DropReplace(const std::string& copy) override
    {
        replaceCalls.push_back("drop " + copy);
        MoveKeys(copy, "", true);
    }

private:
    // Copies (or moves) every key of file from to file to ("": nowhere).
    void MoveKeys(const std::string& from, const std::string& to, bool move)
    {
        std::map<std::string, std::string> kept;
        for (const auto& v : values) {
            const size_t bar = v.first.find('|');
            if (v.first.compare(0, bar, from) != 0) {
                kept.insert(v);
                continue;
            }
            if (!move)
                kept.insert(v);
            if (!to.empty())
                kept[to + v.first.substr(bar)] = v.second;
        }
        values = kept;
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
    EXPECT_EQ(profile.replaceCalls, (Entries{"begin C:\\Tools\\volume.ini", "commit C:\\Tools\\volume.ini.tmp"}));
    EXPECT_EQ(3u, profile.values.size()) << "the copy was left behind";
}

TEST(SettingsFileSave, AFileThatAlreadyReadsAsTheSettingsIsNotTouched)
{
    TFakeProfile profile;
    profile.Value("Other") = "kept";
    SaveSettingsFile(profile, ListOf({"a"}), false, true);
    ASSERT_EQ(3u, profile.writtenKeys.size());
    EXPECT_EQ("kept", profile.Value("Other"));

    // The same settings again, and after the exit that follows a dialog
    // closed without a change: nothing is written, no copy is made.
    profile.writtenKeys.clear();
    profile.replaceCalls.clear();
    SaveSettingsFile(profile, ListOf({"a"}), false, true);
    EXPECT_TRUE(profile.writtenKeys.empty());
    EXPECT_TRUE(profile.replaceCalls.empty());

    // One key that differs, or one that is missing, writes the whole set.
    for (const char* changed : {"StoredProgram", "m_bMuteOnWinReboot", "m_bCtrlKeyMute"}) {
        for (bool missing : {false, true}) {
            TFakeProfile p = profile;
            if (missing)
                p.values.erase(std::string(kIni) + "|Pelmora|" + changed);
            else
                p.Value(changed) = "2";
            p.writtenKeys.clear();
            SaveSettingsFile(p, ListOf({"a"}), false, true);
            EXPECT_EQ(3u, p.writtenKeys.size()) << changed << (missing ? " missing" : " changed");
            EXPECT_EQ("a:", p.Value("StoredProgram"));
        }
    }
    // An empty list against "-" or a missing key is a change: the file then
    // holds the empty value.
    TFakeProfile fresh;
    fresh.Value("StoredProgram") = "-";
    fresh.Value("m_bMuteOnWinReboot") = "0";
    fresh.Value("m_bCtrlKeyMute") = "1";
    SaveSettingsFile(fresh, TStringList(), false, true);
    EXPECT_EQ("", fresh.Value("StoredProgram"));
}

TEST(SettingsFileSave, AnyFailureLeavesTheFileAsItWasAndNoCopy)
{
    enum Failing { Begin, Key0, Key1, Key2, Commit };
    const char* keys[] = {"StoredProgram", "m_bMuteOnWinReboot", "m_bCtrlKeyMute"};
    for (int failing = Begin; failing <= Commit; ++failing) {
        TFakeProfile profile;
        profile.Value("StoredProgram") = "old.exe:";
        profile.Value("Other") = "kept";
        const auto before = profile.values;
        profile.failBegin = failing == Begin;
        profile.failCommit = failing == Commit;
        if (failing >= Key0 && failing <= Key2)
            profile.failingKey = keys[failing - Key0];
        try {
            SaveSettingsFile(profile, ListOf({"new.exe"}), true, false);
            ADD_FAILURE() << "no error for failure " << failing;
        } catch (const EPelmError& e) {
            EXPECT_STREQ(e.what(), "C:\\Tools\\volume.ini に書き込めません");
        }
        EXPECT_EQ(before, profile.values) << "failure " << failing;
        const bool copyMade = failing != Begin;
        EXPECT_EQ(copyMade ? "drop C:\\Tools\\volume.ini.tmp" : "begin C:\\Tools\\volume.ini",
                  profile.replaceCalls.back()) << "failure " << failing;
        // No key of the copy after a failed write.
        if (failing >= Key0 && failing <= Key2)
            EXPECT_EQ(Entries(keys, keys + (failing - Key0)), profile.writtenKeys);
    }
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
