#include "tray/TrayIcon.h"

#include <cstring>

#include "pelm_version.h"

const char* const kProductName = "Pelmora";
const char* const kVersion = PELM_VERSION_TEXT; // from CMakeLists.txt

namespace {
// Longest pause between two tries to add a refused icon: 15 ticks skipped,
// one try in 16 ticks of 300 ms, about every 5 s.
constexpr uint32_t kMaxTrayRetryPause = 15;
} // namespace

std::string TTrayIcon::StartTipText()
{
    return std::string(kProductName) + " " + kVersion;
}

std::string TTrayIcon::VolumeTipText(int32_t level)
{
    return StartTipText() + " - " + std::to_string(level) + "%";
}

bool TTrayIcon::NotifyTray(uint32_t operation)
{
    TNotifyIconData data;
    data.Wnd = m_owner.Handle();
    data.Id = ID_TRAYICON;
    data.Flags = kNifMessage | kNifIcon | kNifTip;
    data.CallbackMessage = WM_TRAYNOTIFY;
    if (operation == kNimModify) {
        data.Icon = GetVolumeIcon();
        // At most 127 bytes of text and the terminator.
        std::strncpy(data.Tip, m_strTipText.c_str(), sizeof(data.Tip) - 1);
        data.Tip[sizeof(data.Tip) - 1] = '\0';
    }
    const bool done = m_shell.NotifyIcon(operation, data);
    // A refused add leaves the icon to the poll's retry (a restarted shell
    // may not take it at once); a modify the shell accepts proves the icon is
    // there all the same (an add of an icon it already holds is refused).
    if ((operation == kNimAdd || operation == kNimModify) && done) {
        m_bTrayIconAdded = true;
        m_nTrayRetryWait = 0;
        m_nTrayRetryPause = 0;
    } else if (operation == kNimAdd || operation == kNimDelete) {
        m_bTrayIconAdded = false;
    }
    return done;
}

THandle TTrayIcon::GetVolumeIcon()
{
    TImage* picture = Levels[0];
    if (m_bMuted)
        picture = Mute;
    else if (m_nLevel >= 0 && m_nLevel <= 100)
        picture = Levels[m_nLevel >= 90 ? 9 : m_nLevel / 10];
    return picture ? picture->IconOfSize(m_nTrayIconSize) : 0;
}

void TTrayIcon::Start(int32_t level, bool muted)
{
    m_nLevel = level;
    m_bMuted = muted;
    UpdateSize();
    NotifyTray(kNimAdd);
    m_strTipText = StartTipText();
    NotifyTray(kNimModify);
}

void TTrayIcon::Show(int32_t level, bool muted)
{
    m_nLevel = level;
    m_bMuted = muted;
    NotifyTray(kNimModify);
}

void TTrayIcon::ShowLevel(int32_t level, bool muted)
{
    m_strTipText = VolumeTipText(level);
    Show(level, muted);
}

void TTrayIcon::Add()
{
    // With the tray option off the icon is not wanted, whatever the shell
    // may have forgotten.
    if (!Wanted)
        return;
    // A new shell may draw at another size than the one before it.
    UpdateSize();
    NotifyTray(kNimAdd);
    NotifyTray(kNimModify);
}

void TTrayIcon::Hide()
{
    NotifyTray(kNimDelete);
}

void TTrayIcon::Tick()
{
    // No shell was there to take the icon yet: try again until one is, but
    // less and less often while it keeps refusing, so that a shell that never
    // comes is not asked twice every tick forever.
    if (m_bTrayIconAdded || !Wanted)
        return;
    if (m_nTrayRetryWait > 0) {
        --m_nTrayRetryWait;
        return;
    }
    Add();
    if (!m_bTrayIconAdded) {
        m_nTrayRetryPause = m_nTrayRetryPause == 0 ? 1 : m_nTrayRetryPause * 2;
        if (m_nTrayRetryPause > kMaxTrayRetryPause)
            m_nTrayRetryPause = kMaxTrayRetryPause;
        m_nTrayRetryWait = m_nTrayRetryPause;
    }
}

bool TTrayIcon::UpdateSize()
{
    // An answer no shell could mean (a failed query) keeps the size known.
    const int size = m_system.TrayIconSize();
    if (size < 8 || size > 256 || size == m_nTrayIconSize)
        return false;
    m_nTrayIconSize = size;
    return true;
}

void TTrayIcon::SizeMayHaveChanged()
{
    // Settings change for many reasons; the shell hears of it only when the
    // picture it holds is no longer of its size.
    if (UpdateSize() && m_bTrayIconAdded)
        NotifyTray(kNimModify);
}
