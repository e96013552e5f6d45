#include "tray/ShellTray.h"

TNotifyIconRecord NotifyIconRecordFor(uint32_t shellMajor, uint32_t /*shellMinor*/)
{
    if (shellMajor < 5)
        return {88, 64};
    return {488, 128};
}
