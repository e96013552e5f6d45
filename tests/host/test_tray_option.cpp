// The tray option (the settings window's check box) decides whether the icon
// is wanted at all: a restarted shell's TaskbarCreated broadcast brings the
// icon back only while it is on, as the poll's retry does.
#include <gtest/gtest.h>

#include "tests/host/Fakes.h"

namespace {

TEST(TrayOption, ARestartedShellGetsTheIconBackOnlyWhileTheOptionIsOn)
{
    TControllerRig rig;
    rig.Create();
    TPelmFormMain& f = *rig.Form;
    f.cbHideEnable->SetChecked(false);
    f.cbHideEnable->OnClick(f.cbHideEnable);
    ASSERT_EQ(kNimDelete, rig.Shell.Calls.back().Op);

    size_t calls = rig.Shell.Calls.size();
    rig.Send(rig.System.TaskbarCreated);
    for (int i = 0; i < 50; ++i)
        f.GetVolTimerTimer(nullptr);
    EXPECT_EQ(calls, rig.Shell.Calls.size()) << "the icon came back with the option off";

    f.cbHideEnable->SetChecked(true);
    f.cbHideEnable->OnClick(f.cbHideEnable);
    calls = rig.Shell.Calls.size();
    rig.Send(rig.System.TaskbarCreated);
    ASSERT_EQ(calls + 2, rig.Shell.Calls.size());
    EXPECT_EQ(kNimAdd, rig.Shell.Calls[calls].Op);
    EXPECT_EQ(kNimModify, rig.Shell.Calls[calls + 1].Op);
}

} // namespace
