#pragma once
// The settings file: an INI file beside the executable holding the registered
// program list and the two mute options. The file itself is reached only
// through IProfile, so that the host tests can put a fake in its place.
#include <string>

#include "framework/StringList.h"
#include "framework/TextServices.h"

class IProfile {  // the profile file and the program's own path
public:
    virtual ~IProfile() = default;
    // How the paths below are spelled: in the ANSI code page, or in UTF-8
    // where the wide calls take every character a folder's name may hold.
    // Section, key and value are ANSI texts either way.
    virtual TTextCode PathCode() { return TTextCode::Ansi; }
    // The executable's full path.
    virtual std::string ModuleFileName() = 0;
    // The key's whole value, however long; def when the key is absent.
    virtual std::string ReadString(const std::string& section, const std::string& key,
                                   const std::string& def, const std::string& path) = 0;
    // False when the value could not be written.
    virtual bool WriteString(const std::string& section, const std::string& key,
                             const std::string& value, const std::string& path) = 0;

    // A save goes to a copy of the file beside it, put in place in one step,
    // so that a failure half-way (a full disk, power lost) leaves the old file
    // whole. BeginReplace makes the copy and returns its path ("" when it
    // could not be made); CommitReplace puts it in place of path; DropReplace
    // removes a copy that is not to be used. Without an override the writes
    // go straight to the file.
    virtual std::string BeginReplace(const std::string& path) { return path; }
    virtual bool CommitReplace(const std::string& /*copy*/, const std::string& /*path*/) { return true; }
    virtual void DropReplace(const std::string& /*copy*/) {}
};

// The executable's path with its extension replaced by newExt (".ini", ".hlp").
std::string FormProfilePath(const std::string& exePath, const std::string& newExt,
                            TTextCode code = TTextCode::Ansi);

// A boolean key's text: a 32-bit integer (decimal, or hexadecimal after "$",
// "x" or "0x") is true when not 0; any other text gives def.
bool ReadBoolText(const std::string& text, bool def);

// The list as the StoredProgram value keeps it: every entry followed by ":".
std::string StoredProgramText(const TStringList& list);
// Replaces the list by the value's entries; "-" (the value of a missing key)
// leaves the list untouched.
void ParseStoredProgram(const std::string& value, TStringList& list);

// The two options, with the defaults a file without them gives.
struct TSettings {
    // Lower the volume and mute when the session ends, unmute at the next start.
    bool m_bMuteOnWinReboot = false;
    // Ctrl or the middle button with the wheel mutes and unmutes.
    bool m_bCtrlKeyMute = true;
};

struct TLoadedSettings {
    std::string iniPath, helpPath;
};

// Fills list and flags (current flag values are the defaults) and returns the paths.
TLoadedSettings LoadSettingsFile(IProfile& profile, TStringList& list, bool& muteOnWinReboot,
                                 bool& ctrlKeyMute);
// Writes nothing when the file already reads as the settings; otherwise
// writes the three keys in order to a copy of the file and puts it in place.
// Throws EPelmError("<path> に書き込めません") when the copy cannot be made, a
// write fails (the keys after it are not written) or the copy cannot be put
// in place; the file is then as it was. The path in the message keeps the
// profile's path code.
void SaveSettingsFile(IProfile& profile, const TStringList& list, bool muteOnWinReboot,
                      bool ctrlKeyMute);
