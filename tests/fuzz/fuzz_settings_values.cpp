// libFuzzer target: arbitrary INI values and program paths through the
// settings file's parsers. Each check is a promise the settings file makes;
// a broken one aborts, which libFuzzer reports as a crash.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/SettingsFile.h"

namespace {

void Check(bool promise, const char* what)
{
    if (!promise) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

bool IsAscii(const std::string& s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

void CheckBool(const std::string& value)
{
    // The default only matters when the text does not parse, so a value that
    // reads true with default false must read true with default true too.
    const bool asTrue = ReadBoolText(value, true), asFalse = ReadBoolText(value, false);
    Check(!asFalse || asTrue, "a parsed value depends on the default");

    // Every hexadecimal prefix reads the digits after it alike, whatever
    // follows ("0x" + "-5" fails like "$-5").
    for (const char* prefix : {"0x", "0X", "x", "X"})
        Check(ReadBoolText(prefix + value, false) == ReadBoolText("$" + value, false) &&
                  ReadBoolText(prefix + value, true) == ReadBoolText("$" + value, true),
              "hexadecimal prefixes read differently");
    // Leading blanks are skipped; a sign before a number that has none is
    // taken.
    Check(ReadBoolText(" \t" + value, true) == asTrue && ReadBoolText(" \t" + value, false) == asFalse,
          "leading blanks change the reading");
    if (value.empty() || std::strchr(" \t+-", value[0]) == nullptr)
        Check(ReadBoolText("+" + value, true) == asTrue && ReadBoolText("+" + value, false) == asFalse,
              "a plus sign changes the reading");

    // The first four bytes as a 32-bit number, in every form the file may
    // hold it: true exactly when it is not 0.
    if (value.size() >= 4) {
        uint32_t bits = 0;
        std::memcpy(&bits, value.data(), 4);
        const int32_t n = static_cast<int32_t>(bits);
        char text[32];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(n));
        Check(ReadBoolText(text, n == 0) == (n != 0), "a decimal number is misread");
        std::snprintf(text, sizeof text, "$%X", static_cast<unsigned>(bits));
        Check(ReadBoolText(text, n == 0) == (n != 0), "a $ number is misread");
        std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(bits));
        Check(ReadBoolText(text, n == 0) == (n != 0), "a 0x number is misread");
    }
}

void CheckStoredProgram(const std::string& value)
{
    TStringList list;
    ParseStoredProgram(value, list);
    const std::string text = StoredProgramText(list);
    // Without CR or LF in the value, ":" is the only break, so the list must
    // come back unchanged from the text it is saved as.
    if (value.find_first_of("\r\n") == std::string::npos) {
        TStringList again;
        ParseStoredProgram(text, again);
        Check(again.Items() == list.Items(), "the stored list does not read back");
    }
}

void CheckProfilePath(const std::string& exe)
{
    // The whole path is kept, however long, and only the file name's
    // extension is replaced.
    const std::string ini = FormProfilePath(exe, ".ini");
    Check(ini.size() >= 4 && ini.compare(ini.size() - 4, 4, ".ini") == 0, "no .ini at the end");
    const std::string stem = ini.substr(0, ini.size() - 4);
    Check(exe.compare(0, stem.size(), stem) == 0, "more than the extension was cut");
    const std::string cut = exe.substr(stem.size());
    Check(cut.empty() || cut[0] == '.', "what was cut is no extension");
    Check(FormProfilePath(exe, ".hlp") == stem + ".hlp", "the help file lies elsewhere");

    // In plain ASCII the extension is what follows the file name's last dot.
    if (IsAscii(exe)) {
        const size_t dot = exe.rfind('.');
        const size_t slash = exe.find_last_of("\\/");
        const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
        Check(stem == (hasExtension ? exe.substr(0, dot) : exe), "the wrong extension was replaced");
    }

    // A folder in front changes nothing but the folder, however long the
    // whole: the file still lies beside the program.
    const std::string folder = "C:\\" + std::string(300, 'd') + "\\";
    Check(FormProfilePath(folder + exe, ".ini") == folder + ini, "a long folder changes the file's name");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string value(reinterpret_cast<const char*>(data), size);
    CheckBool(value);
    CheckStoredProgram(value);
    CheckProfilePath(value);
    return 0;
}
