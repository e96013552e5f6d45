// The wheel handler's own cost on the host, for callgrind: N notifications
// over the taskbar (each steps and writes the mixer and refreshes the tray
// icon through the recording fakes) after a warm-up. Run it with two counts
// and divide the difference of the instruction totals by the difference of
// the counts: start-up and warm-up cancel out.
#include <cstdio>
#include <cstdlib>

#include "tests/host/Fakes.h"

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 10000;
    TControllerRig rig;
    rig.System.Taskbar = {0, 767, 1024, 768};
    rig.System.Cursor = {500, 767};
    rig.Create();
    rig.Form->Volume().m_nVolume = 50;
    for (long i = 0; i < count; ++i) {
        // Down and up in turn, so the level stays in the middle of the range.
        const uint16_t delta = i % 2 ? 120 : static_cast<uint16_t>(-120);
        rig.Send(WM_HOOKWHEEL, static_cast<uint32_t>(delta) << 16, 0);
        rig.Log.Events.clear();
    }
    std::printf("%ld notifications, volume %d\n", count, static_cast<int>(rig.Form->Volume().m_nVolume));
    return 0;
}
