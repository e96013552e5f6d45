// Telling the program at a point: the file name taken from the image path
// (double-byte names included), the walk up to the top-level window, and
// reading a path of any length.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/TextServices.h"
#include "framework/FullString.h"
#include "wheel/ProgramName.h"

namespace {

TEST(ExtractProgramName, TakesTheFileNameAfterTheLastBackslashLowerCased)
{
    EXPECT_EQ("notepad.exe", ExtractProgramName("C:\\WINDOWS\\NOTEPAD.EXE"));
    EXPECT_EQ("notepad.exe", ExtractProgramName("NOTEPAD.EXE"));
    EXPECT_EQ("", ExtractProgramName("C:\\WINDOWS\\"));
    EXPECT_EQ("", ExtractProgramName(""));
    EXPECT_EQ("b.exe", ExtractProgramName("\\\\server\\share\\B.EXE"));
}

TEST(ExtractProgramName, KeepsADoubleByteCharacterWhoseTrailByteIsABackslash)
{
    // 表 is 0x95 0x5C and 示 0x8E 0xA6 in Shift-JIS.
    EXPECT_EQ("\x95\x5C\x8E\xA6.exe", ExtractProgramName("C:\\dir\\\x95\x5C\x8E\xA6.exe"));
    // ソ (0x83 0x5C) last, and in the folder name as well.
    EXPECT_EQ("\x83\x5C", ExtractProgramName("C:\\\x83\x5C\\\x83\x5C"));
    // The rest of the name is still lower-cased after such a character, while
    // a trail byte in the range of capitals (ス = 0x83 0x58) is left alone.
    EXPECT_EQ("\x95\x5C" "abc\x83\x58.exe", ExtractProgramName("C:\\\x95\x5C" "ABC\x83\x58.EXE"));
    // A lead byte with nothing after it does not swallow what is not there.
    EXPECT_EQ("a\x95", ExtractProgramName("C:\\A\x95"));
}

class TSingleByteText : public ITextServices {
public:
    bool EqualIgnoreCase(const std::string& a, const std::string& b) override { return a == b; }
    void LowerCase(std::string& s) override
    {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
    }
    bool IsLeadByte(unsigned char) override { return false; }
};

TEST(ExtractProgramName, FollowsTheInstalledCodePage)
{
    // In a single-byte code page 0x95 is a letter of its own and the 0x5C
    // after it a real backslash.
    TSingleByteText western;
    SetTextServices(&western);
    const std::string name = ExtractProgramName("C:\\dir\\\x95\x5C\x8E\xA6.EXE");
    SetTextServices(nullptr);
    EXPECT_EQ("\x8E\xA6.exe", name);
}

TEST(ExtractProgramName, ReadsTheWholeOfALongPath)
{
    std::string path = "C:";
    while (path.size() < 280)
        path += "\\Folder0123456789";
    path += "\\LongProgramName.EXE";
    ASSERT_GE(path.size(), 300u);
    EXPECT_EQ("longprogramname.exe", ExtractProgramName(path));
}

// Windows as a map: parent and owning process's image per handle.
class TFakeWindows : public IWindowSystem {
public:
    TWnd AtPoint = 0;
    std::map<TWnd, TWnd> Parents;
    std::map<TWnd, std::string> Images;
    std::vector<TWnd> AskedForImage;
    int ParentCalls = 0;

    TWnd WindowFromPoint(TPoint) override { return AtPoint; }
    TWnd GetParent(TWnd w) override
    {
        ++ParentCalls;
        auto it = Parents.find(w);
        return it == Parents.end() ? 0 : it->second;
    }
    bool GetProcessImageName(TWnd w, std::string& path) override
    {
        AskedForImage.push_back(w);
        auto it = Images.find(w);
        if (it == Images.end())
            return false;
        path = it->second;
        return true;
    }
};

TEST(GetProgramNameAtPoint, NamesTheProcessOfTheTopLevelWindow)
{
    // An edit control inside a dialog pane inside the main window; each is
    // given a different image so only the top-level one can give the answer.
    TFakeWindows ws;
    ws.AtPoint = 30;
    ws.Parents = {{30, 20}, {20, 10}};
    ws.Images = {{10, "C:\\WINDOWS\\NOTEPAD.EXE"}, {20, "C:\\wrong\\PANE.EXE"}, {30, "C:\\wrong\\EDIT.EXE"}};
    std::string name;
    ASSERT_TRUE(GetProgramNameAtPoint(ws, {5, 5}, name));
    EXPECT_EQ("notepad.exe", name);
    EXPECT_EQ(std::vector<TWnd>{10}, ws.AskedForImage);
}

TEST(GetProgramNameAtPoint, WalksADeepButFiniteChain)
{
    TFakeWindows ws;
    ws.AtPoint = 1;
    for (TWnd w = 1; w < 500; ++w)
        ws.Parents[w] = w + 1;
    ws.Images[500] = "C:\\APP\\DEEP.EXE";
    std::string name;
    ASSERT_TRUE(GetProgramNameAtPoint(ws, {0, 0}, name));
    EXPECT_EQ("deep.exe", name);
}

TEST(GetProgramNameAtPoint, NotFound)
{
    std::string name = "before";
    {
        TFakeWindows ws; // no window at the point
        ws.Images[0] = "C:\\NONE.EXE";
        EXPECT_FALSE(GetProgramNameAtPoint(ws, {0, 0}, name));
        EXPECT_TRUE(ws.AskedForImage.empty());
    }
    {
        TFakeWindows ws; // the process cannot be told
        ws.AtPoint = 7;
        EXPECT_FALSE(GetProgramNameAtPoint(ws, {0, 0}, name));
    }
    {
        TFakeWindows ws; // a parent chain that loops
        ws.AtPoint = 1;
        ws.Parents = {{1, 2}, {2, 3}, {3, 1}};
        ws.Images = {{1, "C:\\A.EXE"}, {2, "C:\\B.EXE"}, {3, "C:\\C.EXE"}};
        EXPECT_FALSE(GetProgramNameAtPoint(ws, {0, 0}, name));
        EXPECT_LT(ws.ParentCalls, 2000);
    }
    EXPECT_EQ("before", name);
}

// A source of a path that behaves like GetModuleFileNameExA: it copies what
// fits and reports truncation either way the system versions do.
struct TPathSource {
    std::string Path;
    bool TerminatesWhenCut = true; // later systems: capacity - 1, terminated
    std::vector<uint32_t> Capacities;

    uint32_t operator()(char* buffer, uint32_t capacity)
    {
        Capacities.push_back(capacity);
        if (Path.size() < capacity) {
            Path.copy(buffer, Path.size());
            buffer[Path.size()] = '\0';
            return static_cast<uint32_t>(Path.size());
        }
        if (TerminatesWhenCut) {
            Path.copy(buffer, capacity - 1);
            buffer[capacity - 1] = '\0';
            return capacity - 1;
        }
        Path.copy(buffer, capacity); // earlier systems: full, unterminated
        return capacity;
    }
};

// A path of exactly the given length (at least 14).
std::string PathOfLength(size_t length)
{
    const std::string tail = "\\PROGRAM.EXE";
    std::string path = "C:";
    while (path.size() + 4 + tail.size() <= length)
        path += "\\dir";
    path.append(length - path.size() - tail.size(), 'x');
    return path + tail;
}

TEST(ReadFullString, GrowsUntilThePathFits)
{
    for (bool terminates : {true, false}) {
        for (size_t length : {14u, 258u, 259u, 260u, 261u, 1000u, 32767u}) {
            TPathSource source;
            source.Path = PathOfLength(length);
            source.TerminatesWhenCut = terminates;
            std::string out;
            ASSERT_TRUE(ReadFullString(std::ref(source), out)) << length;
            EXPECT_EQ(source.Path, out) << length << (terminates ? " terminated" : " unterminated");
            EXPECT_EQ(260u, source.Capacities.front());
            EXPECT_LE(source.Capacities.back(), 32768u);
        }
    }
}

TEST(ReadFullString, StopsAtTheLongestPathAndOnFailure)
{
    TPathSource endless;
    endless.Path = std::string(40000, 'a');
    std::string out;
    ASSERT_TRUE(ReadFullString(std::ref(endless), out));
    EXPECT_EQ(32768u, endless.Capacities.back());
    EXPECT_EQ(32767u, out.size());

    int calls = 0;
    EXPECT_FALSE(ReadFullString([&](char*, uint32_t) -> uint32_t { ++calls; return 0; }, out));
    EXPECT_EQ(1, calls);
}

} // namespace
