#include "settings/win32/WinFileReplace.h"

#include <windows.h>

#include <vector>

#include "framework/win32/WinBound.h"
#include "framework/win32/WinHandles.h"
#include "framework/win32/WinTextServices.h"

namespace {

// The few file calls this needs, in the family's own spelling of a path.
// A path that does not convert names no file.
class TFiles {
public:
    TFiles() : m_wide(WideCallsExist() ? &Bound() : nullptr), m_nt(WideCallsExist()) {}
    bool Usable() const { return !m_nt || m_wide; }

    HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) const
    {
        if (!m_nt)
            return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        const std::wstring w = Wide(path);
        if (w.empty())
            return INVALID_HANDLE_VALUE;
        return m_wide->CreateFileW(w.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    DWORD Attributes(const std::string& path) const
    {
        if (!m_nt)
            return GetFileAttributesA(path.c_str());
        const std::wstring w = Wide(path);
        if (w.empty()) {
            SetLastError(ERROR_INVALID_NAME);
            return INVALID_FILE_ATTRIBUTES;
        }
        return m_wide->GetFileAttributesW(w.c_str());
    }
    void Remove(const std::string& path) const
    {
        // A read-only copy (the attribute comes with nothing we make, but a
        // user may set it) would stay and block every later save.
        if (!m_nt) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
            return;
        }
        const std::wstring w = Wide(path);
        if (w.empty())
            return;
        m_wide->SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_NORMAL);
        m_wide->DeleteFileW(w.c_str());
    }
    // NT: one step that replaces the target, on the disk before it returns.
    // 9x: MoveFileEx is not there, and MoveFile never replaces, so the old
    // file is first moved aside and moved back if the copy cannot follow.
    bool Replace(const std::string& from, const std::string& to) const
    {
        if (m_nt) {
            const std::wstring wfrom = Wide(from), wto = Wide(to);
            return !wfrom.empty() && !wto.empty() &&
                   m_wide->MoveFileExW(wfrom.c_str(), wto.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        }
        if (GetFileAttributesA(to.c_str()) == INVALID_FILE_ATTRIBUTES)
            return MoveFileA(from.c_str(), to.c_str());
        const std::string aside = to + ".old";
        Remove(aside);
        if (!MoveFileA(to.c_str(), aside.c_str()))
            return false;
        if (!MoveFileA(from.c_str(), to.c_str())) {
            MoveFileA(aside.c_str(), to.c_str());
            return false;
        }
        DeleteFileA(aside.c_str());
        return true;
    }

private:
    static std::wstring Wide(const std::string& path) { return WideFromBytes(CP_UTF8, path); }
    const TWinBound* m_wide;
    bool m_nt;
};

// Copies every byte of from into the new file to.
bool CopyBytes(HANDLE from, HANDLE to)
{
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0, written = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return false;
        if (read == 0)
            return true;
        if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read)
            return false;
    }
}

} // namespace

std::string BeginFileReplace(const std::string& path)
{
    const TFiles files;
    if (!files.Usable() || path.empty())
        return "";
    // One fixed name: a single instance runs, and a copy left by a run that
    // was cut off is removed here.
    const std::string copy = path + ".tmp";
    files.Remove(copy);

    // A folder in the file's place, or a read-only file, refuses the save as
    // a write in place would. Only a file that is not there starts empty: one
    // that cannot be read (held by another program) must not be replaced by
    // an empty copy.
    TScopedHandle source;
    const DWORD attributes = files.Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return "";
    } else {
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
            return "";
        source.Reset(files.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
        if (!source)
            return "";
    }
    bool copied;
    {
        // Closed before the copy is removed on failure.
        const TScopedHandle target(files.Open(copy, GENERIC_WRITE, 0, CREATE_NEW));
        copied = target && (!source || CopyBytes(source.Get(), target.Get()));
    }
    if (!copied) {
        files.Remove(copy);
        return "";
    }
    return copy;
}

bool CommitFileReplace(const std::string& copy, const std::string& path)
{
    const TFiles files;
    if (!files.Usable())
        return false;
    // The copy's bytes reach the disk before its name replaces the old one.
    bool flushed;
    {
        // Closed before the rename, which a handle open on it would refuse.
        const TScopedHandle h(files.Open(copy, GENERIC_WRITE, 0, OPEN_EXISTING));
        if (!h)
            return false;
        flushed = FlushFileBuffers(h.Get()) != FALSE;
    }
    return flushed && files.Replace(copy, path);
}

void DropFileReplace(const std::string& copy)
{
    TFiles().Remove(copy);
}
