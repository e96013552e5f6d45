#pragma once
// Folder and file parts of paths. ANSI paths are walked a character at a
// time by the code page's lead-byte rule (framework/TextServices.h): in
// Shift-JIS the trail byte of a character such as 表 (0x95 0x5C) equals a
// backslash and must not be taken for one. Wide paths (UTF-16 from the NT
// family's wide calls) hold every character whole and need no such rule.
#include <string>

// The folder part of a path with its closing separator ("C:\a\" for
// "C:\a\b.exe"); empty when the path holds no separator.
std::string PathFolder(const std::string& path);
std::wstring PathFolder(const std::wstring& path);

// True when the last character of the text is a backslash or a slash of its
// own, not the trail byte of a double-byte character.
bool EndsWithPathSeparator(const std::string& path);

// The hook library beside the executable at exePath; empty when exePath has
// no folder, so that the library is never looked for along the search path.
std::string HookLibraryPath(const std::string& exePath);
std::wstring HookLibraryPath(const std::wstring& exePath);

// A full path as the wide calls take it however long it is: from MAX_PATH
// (260) characters on with the prefix that lifts the limit ("\\?\C:\..." or
// "\\?\UNC\server\share\..."), every slash turned into a backslash, since the
// prefixed form takes no other separator. A shorter path, or one that
// already has the prefix, is returned as it is.
std::wstring LongPathForm(const std::wstring& path);
