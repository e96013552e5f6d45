#pragma once
// Folder and file parts of ANSI paths, walked a character at a time by the
// code page's lead-byte rule (TextServices): in Shift-JIS the trail byte of
// a character such as 表 (0x95 0x5C) equals a backslash and must not be taken
// for one.
#include <string>

// The folder part of a path with its closing separator ("C:\a\" for
// "C:\a\b.exe"); empty when the path holds no separator.
std::string PathFolder(const std::string& path);

// True when the last character of the text is a backslash or a slash of its
// own, not the trail byte of a double-byte character.
bool EndsWithPathSeparator(const std::string& path);

// The hook library beside the executable at exePath; empty when exePath has
// no folder, so that the library is never looked for along the search path.
std::string HookLibraryPath(const std::string& exePath);
