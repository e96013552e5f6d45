#pragma once
// Reading a string of unknown length, such as a path, through a call that
// fills a buffer of a given size.
#include <cstdint>
#include <functional>
#include <string>

// read(buffer, capacity) fills the buffer the way GetModuleFileName and
// GetModuleFileNameEx do: it returns the length written and 0 on failure,
// and a result of capacity - 1 or capacity means the string may have been
// cut short. The buffer starts at MAX_PATH and doubles up to 32K characters,
// the longest path there is. out is left as it was on failure.
bool ReadFullString(const std::function<uint32_t(char* buffer, uint32_t capacity)>& read, std::string& out);
// The same for the wide calls.
bool ReadFullString(const std::function<uint32_t(wchar_t* buffer, uint32_t capacity)>& read, std::wstring& out);
