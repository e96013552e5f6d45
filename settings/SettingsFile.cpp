#include "settings/SettingsFile.h"

#include <cstdint>
#include <utility>

#include "framework/Error.h"
#include "framework/TextServices.h"

namespace {

const char kSection[] = "Pelmora";
const char kStoredProgram[] = "StoredProgram";
const char kMuteOnWinReboot[] = "m_bMuteOnWinReboot";
const char kCtrlKeyMute[] = "m_bCtrlKeyMute";

// What a missing StoredProgram reads as; it keeps the list as it is.
const char kNoStoredProgram[] = "-";

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Leading blanks, an optional sign, then decimal digits or hexadecimal ones
// after "$", "x", "X", "0x" or "0X"; nothing may follow. Decimal must fit the
// signed 32-bit range; hexadecimal may use all 32 bits, so $FFFFFFFF is -1.
bool ParseInt32(const std::string& s, int32_t& value)
{
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size())
        return false;

    const uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
    uint64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        int digit = DigitValue(s[i]);
        if (digit < 0 || digit >= base)
            return false;
        magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (magnitude > limit)
            return false;
    }
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    value = static_cast<int32_t>(bits);
    return true;
}

bool ReadBoolKey(IProfile& profile, const char* key, bool def, const std::string& path)
{
    return ReadBoolText(profile.ReadString(kSection, key, "", path), def);
}

// What a missing key reads as in the comparison before a save: a profile
// value never holds a line break.
const char kAbsent[] = "\n";

EPelmError WriteError(IProfile& profile, const std::string& iniPath)
{
    return EPelmError(TScreenText::FromSystem(iniPath, profile.PathCode()) + " に書き込めません");
}

} // namespace

std::string FormProfilePath(const std::string& exePath, const std::string& newExt, TTextCode code)
{
    // The extension of the file name is replaced and the whole path kept,
    // however long: a path cut to a fixed length would name a file in
    // another folder, or another file.
    size_t dot = std::string::npos;
    ForEachSingleByteCharacter(exePath, code, [&dot](size_t i, unsigned char c) {
        if (c == '\\' || c == '/')
            dot = std::string::npos;
        else if (c == '.')
            dot = i;
    });
    return exePath.substr(0, dot) + newExt;
}

bool ReadBoolText(const std::string& text, bool def)
{
    // The parser takes "0x" itself, so a leading "0x" needs no rewriting to
    // "$"; a bare "0x" has no digits and fails either way.
    int32_t value = 0;
    if (!ParseInt32(text, value))
        return def;
    return value != 0;
}

std::string StoredProgramText(const TStringList& list)
{
    const std::string text = list.Text();
    std::string value;
    value.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            value += ':';
            ++i;
        } else {
            value += text[i];
        }
    }
    return value;
}

void ParseStoredProgram(const std::string& value, TStringList& list)
{
    if (value == kNoStoredProgram)
        return;
    std::string text;
    text.reserve(value.size() + value.size() / 4);
    for (char c : value) {
        if (c == ':')
            text += "\r\n";
        else
            text += c;
    }
    list.SetText(text);
}

TLoadedSettings LoadSettingsFile(IProfile& profile, TStringList& list, bool& muteOnWinReboot,
                                 bool& ctrlKeyMute)
{
    const std::string exePath = profile.ModuleFileName();
    const TTextCode code = profile.PathCode();
    TLoadedSettings paths;
    paths.iniPath = FormProfilePath(exePath, ".ini", code);
    paths.helpPath = FormProfilePath(exePath, ".hlp", code);

    ParseStoredProgram(profile.ReadString(kSection, kStoredProgram, kNoStoredProgram, paths.iniPath),
                       list);
    muteOnWinReboot = ReadBoolKey(profile, kMuteOnWinReboot, muteOnWinReboot, paths.iniPath);
    ctrlKeyMute = ReadBoolKey(profile, kCtrlKeyMute, ctrlKeyMute, paths.iniPath);
    return paths;
}

void SaveSettingsFile(IProfile& profile, const TStringList& list, bool muteOnWinReboot,
                      bool ctrlKeyMute)
{
    const std::string iniPath = FormProfilePath(profile.ModuleFileName(), ".ini", profile.PathCode());
    const std::pair<const char*, std::string> keys[] = {
        {kStoredProgram, StoredProgramText(list)},
        {kMuteOnWinReboot, muteOnWinReboot ? "1" : "0"},
        {kCtrlKeyMute, ctrlKeyMute ? "1" : "0"},
    };
    // A file that already reads as the settings is left alone: every save
    // that writes is a chance to lose it.
    bool same = true;
    for (const auto& key : keys)
        same = same && profile.ReadString(kSection, key.first, kAbsent, iniPath) == key.second;
    if (same)
        return;

    const std::string copy = profile.BeginReplace(iniPath);
    if (copy.empty())
        throw WriteError(profile, iniPath);
    for (const auto& key : keys) {
        if (!profile.WriteString(kSection, key.first, key.second, copy)) {
            profile.DropReplace(copy);
            throw WriteError(profile, iniPath);
        }
    }
    if (!profile.CommitReplace(copy, iniPath)) {
        profile.DropReplace(copy);
        throw WriteError(profile, iniPath);
    }
}
