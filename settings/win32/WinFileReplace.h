#pragma once
// A file replaced whole: a copy beside it takes the changes and is put in its
// place in one step, so that a full disk or a power cut half-way leaves the
// old file as it was. Paths are in UTF-8 on the NT family (the wide calls)
// and in the ANSI code page on the 9x family.
#include <string>

// Copies path (when it exists) to a file beside it and returns the copy's
// path; "" when path is a folder or read-only, cannot be read, or the copy
// cannot be made.
std::string BeginFileReplace(const std::string& path);
// Puts the copy in place of path, its bytes on the disk first. False leaves
// path as it was.
bool CommitFileReplace(const std::string& copy, const std::string& path);
// Removes a copy that is not to be used.
void DropFileReplace(const std::string& copy);
