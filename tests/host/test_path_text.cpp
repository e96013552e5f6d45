// Folders of ANSI paths under the code page's lead-byte rule, and where the
// hook library is looked for beside an executable in such a folder or with a
// path longer than MAX_PATH.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/FullString.h"
#include "framework/TextServices.h"
#include "framework/PathText.h"

namespace {

// Shift-JIS: 表 = 0x95 0x5C, ソ = 0x83 0x5C, 能 = 0x94 0x5C, 示 = 0x8E 0xA6.
TEST(PathText, FolderEndsAtTheLastRealBackslash)
{
    EXPECT_EQ("C:\\\x95\x5C\\", PathFolder("C:\\\x95\x5C\\pelmora.exe"));
    EXPECT_EQ("C:\\\x95\x5C\x8E\xA6\\", PathFolder("C:\\\x95\x5C\x8E\xA6\\pelmora.exe"));
    EXPECT_EQ("C:\\a\\", PathFolder("C:\\a\\\x83\x5C.exe"));  // the file name ends in ソ
    EXPECT_EQ("D:/x/", PathFolder("D:/x/p.exe"));
    EXPECT_EQ("", PathFolder("pelmora.exe"));
    EXPECT_EQ("", PathFolder(""));
    EXPECT_EQ("C:\\a\\", PathFolder("C:\\a\\\x95")); // a lead byte alone at the end
}

TEST(PathText, SeparatorAtTheEndIsACharacterOfItsOwn)
{
    EXPECT_TRUE(EndsWithPathSeparator("C:\\tools\\"));
    EXPECT_TRUE(EndsWithPathSeparator("C:\\\x94\x5C\\"));
    EXPECT_TRUE(EndsWithPathSeparator("/"));
    EXPECT_FALSE(EndsWithPathSeparator("C:\\\x94\x5C"));
    EXPECT_FALSE(EndsWithPathSeparator("C:\\\x83\x5C"));
    EXPECT_FALSE(EndsWithPathSeparator("C:\\tools"));
    EXPECT_FALSE(EndsWithPathSeparator(""));
}

TEST(HookLibraryPath, BesideTheExecutableInADoubleByteFolder)
{
    EXPECT_EQ("C:\\\x95\x5C\\hookdll.dll", HookLibraryPath("C:\\\x95\x5C\\pelmora.exe"));
    EXPECT_EQ("C:\\Tools\\hookdll.dll", HookLibraryPath("C:\\Tools\\pelmora.exe"));
    // No folder at all: nothing to load rather than a search along PATH.
    EXPECT_EQ("", HookLibraryPath("pelmora.exe"));
}

class TSingleByteText : public ITextServices {
public:
    bool EqualIgnoreCase(const std::string& a, const std::string& b) override { return a == b; }
    void LowerCase(std::string&) override {}
    bool IsLeadByte(unsigned char) override { return false; }
};

TEST(HookLibraryPath, FollowsTheInstalledCodePage)
{
    // In a single-byte code page the 0x5C after 0x95 is a real backslash.
    TSingleByteText western;
    SetTextServices(&western);
    const std::string path = HookLibraryPath("C:\\\x95\x5C" "a.exe");
    const bool ends = EndsWithPathSeparator("C:\\\x95\x5C");
    SetTextServices(nullptr);
    EXPECT_EQ("C:\\\x95\x5Chookdll.dll", path);
    EXPECT_TRUE(ends);
}

TEST(HookLibraryPath, ExecutablePathLongerThanMaxPath)
{
    // Read the way GetModuleFileNameA gives it: cut to the buffer, whose
    // size is the result, without a terminator (as Windows XP does).
    std::string exe = "C:";
    while (exe.size() < 300)
        exe += "\\\x95\x5C\x8E\xA6" "Folder";
    exe += "\\pelmora.exe";
    auto moduleFileName = [&](char* buffer, uint32_t capacity) -> uint32_t {
        const uint32_t n = exe.size() < capacity ? static_cast<uint32_t>(exe.size()) : capacity;
        std::memcpy(buffer, exe.data(), n);
        if (n < capacity)
            buffer[n] = '\0';
        return n;
    };
    std::string read;
    ASSERT_TRUE(ReadFullString(moduleFileName, read));
    EXPECT_EQ(exe, read);
    const std::string dll = HookLibraryPath(read);
    EXPECT_EQ(exe.substr(0, exe.size() - std::strlen("pelmora.exe")) + "hookdll.dll", dll);
}

} // namespace
