// libFuzzer target: arbitrary INI values through the settings file's parsers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string value(reinterpret_cast<const char*>(data), size);

    // The default only matters when the text does not parse, so a value that
    // reads true with default false must read true with default true too.
    if (ReadBoolText(value, false) && !ReadBoolText(value, true))
        std::abort();

    TStringList list;
    ParseStoredProgram(value, list);
    const std::string text = StoredProgramText(list);
    // Without CR or LF in the value, ":" is the only break, so the list must
    // come back unchanged from the text it is saved as.
    if (value.find_first_of("\r\n") == std::string::npos) {
        TStringList again;
        ParseStoredProgram(text, again);
        if (again.Items() != list.Items())
            std::abort();
    }

    const std::string ini = FormProfilePath(value, ".ini");
    // Drive, directory and base name at most 2 + 255 + 255 characters.
    if (ini.size() < 4 || ini.compare(ini.size() - 4, 4, ".ini") != 0 || ini.size() > 2 + 255 + 255 + 4)
        std::abort();
    return 0;
}
