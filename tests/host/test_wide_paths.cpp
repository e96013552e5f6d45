// The program's own path where the NT family's wide calls give it: a folder
// named in characters outside the ANSI code page (Ωmega folder under code
// page 1252) travels in UTF-8 to the settings file and in UTF-16 to the hook
// library, walked without the ANSI code page's lead-byte rule.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "framework/FullString.h"
#include "framework/TextServices.h"
#include "settings/SettingsFile.h"
#include "framework/PathText.h"

namespace {

// UTF-8: Ω = CE A9; ぁ = E3 81 81, whose bytes read as Shift-JIS are two
// lead bytes, the second of which would swallow a backslash after it.
const char kOmegaFolder[] = "C:\\\xCE\xA9mega folder\\";
const char kHiraganaDot[] = "C:\\v1.\xE3\x81\x81\\";

std::vector<size_t> SingleBytes(const std::string& text, TTextCode code)
{
    std::vector<size_t> at;
    ForEachSingleByteCharacter(text, code, [&at](size_t i, unsigned char) { at.push_back(i); });
    return at;
}

TEST(TextWalk, StepsOverDoubleByteCharactersOnlyInTheAnsiCodePage)
{
    // Shift-JIS (the default rules): 表 = 95 5C is one character.
    EXPECT_EQ((std::vector<size_t>{0, 3}), SingleBytes("a\x95\x5C" "b", TTextCode::Ansi));
    // A lead byte at the very end stands for itself.
    EXPECT_EQ((std::vector<size_t>{0, 1}), SingleBytes("a\x95", TTextCode::Ansi));
    // UTF-8: every byte is looked at; none of a longer character is ASCII.
    EXPECT_EQ((std::vector<size_t>{0, 1, 2, 3, 4}), SingleBytes("\xE3\x81\x81\\a", TTextCode::Utf8));
    EXPECT_EQ((std::vector<size_t>{}), SingleBytes("", TTextCode::Utf8));
}

TEST(WidePaths, TheSettingsFileLiesBesideTheProgramInAUtf8Path)
{
    const std::string omega = kOmegaFolder, dot = kHiraganaDot;
    EXPECT_EQ(omega + "pelmora.ini", FormProfilePath(omega + "pelmora.exe", ".ini", TTextCode::Utf8));
    // The dot in the folder's name is not the file's: the file has none.
    EXPECT_EQ(dot + "pelmora.ini", FormProfilePath(dot + "pelmora", ".ini", TTextCode::Utf8));
    // Read by Shift-JIS rules the same bytes would lose the folder break.
    EXPECT_NE(dot + "pelmora.ini", FormProfilePath(dot + "pelmora", ".ini", TTextCode::Ansi));
}

// The profile of the NT family: paths in UTF-8, an INI file in memory keyed
// by its path.
class TWideProfile : public IProfile {
public:
    std::string Exe = std::string(kOmegaFolder) + "pelmora.exe";
    std::map<std::string, std::string> Values; // path|key -> value
    TTextCode PathCode() override { return TTextCode::Utf8; }
    std::string ModuleFileName() override { return Exe; }
    std::string ReadString(const std::string&, const std::string& key, const std::string& def,
                           const std::string& path) override
    {
        auto it = Values.find(path + "|" + key);
        return it == Values.end() ? def : it->second;
    }
    bool WriteString(const std::string&, const std::string& key, const std::string& value,
                     const std::string& path) override
    {
        Values[path + "|" + key] = value;
        return true;
    }
};

TEST(WidePaths, SettingsAreSavedAndLoadedBesideAProgramInAFolderOfAnyName)
{
    for (const char* folder : {kOmegaFolder, kHiraganaDot}) {
        TWideProfile profile;
        profile.Exe = std::string(folder) + "pelmora";
        const std::string ini = std::string(folder) + "pelmora.ini";
        TStringList list;
        list.Add("editor.exe");
        list.Add("\x95\x5C.exe"); // a program name stays in the ANSI code page
        SaveSettingsFile(profile, list, true, false);
        EXPECT_EQ("editor.exe:\x95\x5C.exe:", profile.Values[ini + "|StoredProgram"]);
        EXPECT_EQ(3u, profile.Values.size()) << "written elsewhere than " << ini;

        TStringList loaded;
        bool mute = false, ctrl = true;
        const TLoadedSettings paths = LoadSettingsFile(profile, loaded, mute, ctrl);
        EXPECT_EQ(ini, paths.iniPath);
        EXPECT_EQ(std::string(folder) + "pelmora.hlp", paths.helpPath);
        EXPECT_EQ(list.Items(), loaded.Items());
        EXPECT_TRUE(mute);
        EXPECT_FALSE(ctrl);
    }
}

TEST(WidePaths, TheHookLibraryIsLookedForBesideTheProgram)
{
    const std::wstring omega = L"C:\\\u03A9mega folder\\";
    EXPECT_EQ(omega + L"hookdll.dll", HookLibraryPath(omega + L"pelmora.exe"));
    EXPECT_EQ(L"D:/x/hookdll.dll", HookLibraryPath(std::wstring(L"D:/x/pelmora.exe")));
    // No folder at all: nothing to load rather than a search along PATH.
    EXPECT_EQ(L"", HookLibraryPath(std::wstring(L"pelmora.exe")));
    EXPECT_EQ(L"", HookLibraryPath(std::wstring()));
}

TEST(WidePaths, ALongPathTakesThePrefixThatLiftsTheLimit)
{
    const std::wstring shortPath = L"C:\\\u03A9\\hookdll.dll";
    EXPECT_EQ(shortPath, LongPathForm(shortPath));
    // Every slash turned into a backslash, which the prefixed form needs.
    std::wstring slashed = L"C:", backslashed = L"C:";
    while (slashed.size() < 300) {
        slashed += L"/\u03A9mega folder";
        backslashed += L"\\\u03A9mega folder";
    }
    EXPECT_EQ(L"\\\\?\\" + backslashed + L"\\hookdll.dll", LongPathForm(slashed + L"/hookdll.dll"));
    // A share, and a path that already has the prefix.
    const std::wstring share = L"\\\\server\\share" + std::wstring(260, L'd') + L"\\hookdll.dll";
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share" + std::wstring(260, L'd') + L"\\hookdll.dll", LongPathForm(share));
    const std::wstring prefixed = L"\\\\?\\C:\\" + std::wstring(300, L'd');
    EXPECT_EQ(prefixed, LongPathForm(prefixed));
    // The limit counts characters: 259 pass as they are, 260 take the prefix.
    EXPECT_EQ(std::wstring(259, L'a'), LongPathForm(std::wstring(259, L'a')));
    EXPECT_EQ(L"\\\\?\\" + std::wstring(260, L'a'), LongPathForm(std::wstring(260, L'a')));
}

TEST(WidePaths, TheWideReadGrowsUntilThePathFits)
{
    const std::wstring exe = std::wstring(L"C:\\") + std::wstring(700, L'\u03A9') + L"\\pelmora.exe";
    std::vector<uint32_t> capacities;
    auto moduleFileName = [&](wchar_t* buffer, uint32_t capacity) -> uint32_t {
        capacities.push_back(capacity);
        if (exe.size() >= capacity) {
            exe.copy(buffer, capacity - 1);
            buffer[capacity - 1] = L'\0';
            return capacity - 1;
        }
        exe.copy(buffer, exe.size());
        buffer[exe.size()] = L'\0';
        return static_cast<uint32_t>(exe.size());
    };
    std::wstring read = L"untouched";
    ASSERT_TRUE(ReadFullString(moduleFileName, read));
    EXPECT_EQ(exe, read);
    EXPECT_EQ((std::vector<uint32_t>{260, 520, 1040}), capacities);
    EXPECT_FALSE(ReadFullString([](wchar_t*, uint32_t) -> uint32_t { return 0; }, read));
    EXPECT_EQ(exe, read) << "a failed read leaves the string as it was";
}

} // namespace
