#include "framework/FullString.h"

#include <vector>

namespace {

template <class Char>
bool ReadGrowing(const std::function<uint32_t(Char*, uint32_t)>& read, std::basic_string<Char>& out)
{
    const uint32_t kFirst = 260;  // MAX_PATH
    const uint32_t kLast = 32768; // a path has at most 32767 characters
    std::vector<Char> buffer;
    for (uint32_t capacity = kFirst;; capacity = capacity * 2 < kLast ? capacity * 2 : kLast) {
        buffer.assign(capacity, Char());
        const uint32_t length = read(buffer.data(), capacity);
        if (length == 0)
            return false;
        if (length + 1 < capacity || capacity == kLast) {
            // At the last size a full buffer is the whole path.
            out.assign(buffer.data(), length < capacity ? length : capacity);
            return true;
        }
    }
}

} // namespace

bool ReadFullString(const std::function<uint32_t(char*, uint32_t)>& read, std::string& out)
{
    return ReadGrowing(read, out);
}

bool ReadFullString(const std::function<uint32_t(wchar_t*, uint32_t)>& read, std::wstring& out)
{
    return ReadGrowing(read, out);
}
