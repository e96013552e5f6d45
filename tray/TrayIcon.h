#pragma once
// The program's one icon in the notification area: whether the shell holds
// it, the retry while it refuses, the picture for a level at the shell's
// size, and the tooltip. It is told what to show; it never reads the mixer.
#include <cstdint>
#include <string>

#include "framework/Form.h"
#include "framework/System.h"
#include "tray/ShellTray.h"

extern const char* const kProductName; // "Pelmora"
extern const char* const kVersion;     // the version from CMakeLists.txt

class TTrayIcon {
public:
    TTrayIcon(IShellTray& shell, ISystem& system, TForm& owner) : m_shell(shell), m_system(system), m_owner(owner) {}

    // The form's picture components: ten levels (0-9 % first), and muted.
    TImage* Levels[10] = {};
    TImage* Mute = nullptr;
    // The user wants the icon (the settings window's tray option).
    bool Wanted = true;

    std::string m_strTipText;
    // Whether the shell holds the icon; a start before the shell is up, or
    // a restarted shell, has to add it again.
    bool m_bTrayIconAdded = false;
    // While the shell refuses the icon the poll retries it with a pause that
    // doubles, in poll ticks: ticks still to wait, and the last pause.
    uint32_t m_nTrayRetryWait = 0;
    uint32_t m_nTrayRetryPause = 0;
    // The size the notification area draws the icon at; the pictures are
    // given at that size, so that the shell does not scale them.
    int m_nTrayIconSize = 16;

    // The shell's message for an icon to add: the product and version
    // alone, before a level is known.
    static std::string StartTipText();
    static std::string VolumeTipText(int32_t level);

    bool NotifyTray(uint32_t operation);
    THandle GetVolumeIcon();

    // Added with the start tooltip, showing level and muted.
    void Start(int32_t level, bool muted);
    // The picture for level and muted, the tooltip as it was.
    void Show(int32_t level, bool muted);
    // The tooltip with the level's percentage, and the picture.
    void ShowLevel(int32_t level, bool muted);
    // Added again as it was last shown (the option turned on, a new shell);
    // nothing while it is not wanted.
    void Add();
    void Hide();
    // The poll: a refused icon is tried again, less and less often.
    void Tick();
    // The DPI or the settings changed: the shell may draw another size.
    void SizeMayHaveChanged();

private:
    // Asks the shell's icon size again; true when it changed.
    bool UpdateSize();

    IShellTray& m_shell;
    ISystem& m_system;
    TForm& m_owner;
    int32_t m_nLevel = 0;
    bool m_bMuted = false;
};
