// The registration dialog: drops, the list box mirror, deletes, the modal
// refusal and the top-most re-assertion.
#include <gtest/gtest.h>

#include "framework/Error.h"
#include "tests/host/Fakes.h"

namespace {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig.Windows.AtPoint[{400, 300}] = 0x21; // notepad's edit control
        rig.Windows.Parents[0x21] = 0x20;
        rig.Windows.Images[0x20] = "C:\\windows\\system32\\NOTEPAD.EXE";
        rig.Windows.AtPoint[{0, 0}] = 0x40;
        rig.Windows.Images[0x40] = "C:\\corner.exe";
        rig.Create();
        dlg = new TWindowStoreDlg(rig.Builder, rig.System, &rig.Windows, rig.Form->Programs());
        WindowStoreDlg = dlg;
    }
    void TearDown() override
    {
        if (dlg)
            dlg->Release();
        WindowStoreDlg = nullptr;
    }
    std::vector<std::string> Shown()
    {
        std::vector<std::string> items;
        for (int i = 0; i < dlg->ClassNameListBox->Count(); ++i)
            items.push_back(dlg->ClassNameListBox->Item(i));
        return items;
    }
    // A drag of the cross-hair, through the handlers the description binds.
    void Drop(int x, int y, TComponent* target = nullptr)
    {
        ASSERT_TRUE(dlg->imgCross->OnStartDrag);
        dlg->imgCross->OnStartDrag(dlg->imgCross);
        EXPECT_FALSE(dlg->imgCross->Visible());
        dlg->imgCross->OnEndDrag(dlg->imgCross, target, x, y);
        EXPECT_TRUE(dlg->imgCross->Visible());
    }
    TControllerRig rig;
    TWindowStoreDlg* dlg = nullptr;
};

// The buttons clicked as the user clicks them, through the handlers the
// description binds (their texts and places are read back under Wine).
TEST_F(DialogTest, CreationInstallsTheDragCursorAndTheButtonsDoTheirJobs)
{
    EXPECT_EQ("NEWCURSOR", rig.System.NoDropCursor);
    // The close button, also the one Enter presses, ends the modal dialog.
    EXPECT_TRUE(dlg->Button1->Default);
    EXPECT_NE(0, dlg->Button1->ModalResult);
    EXPECT_FALSE(dlg->btnClear->Default || dlg->btnClearAll->Default);

    g_StoredProgramList->SetText("a\r\nb\r\n");
    dlg->Show();
    dlg->ClassNameListBox->SetItemIndex(0);
    dlg->btnClear->OnClick(dlg->btnClear);
    EXPECT_EQ((std::vector<std::string>{"b"}), Shown());
    dlg->btnClearAll->OnClick(dlg->btnClearAll);
    EXPECT_EQ(0, g_StoredProgramList->Count());
    EXPECT_TRUE(Shown().empty());
}

TEST_F(DialogTest, DropRegistersTheTopLevelProgramOnceAndSelectsItAfter)
{
    g_StoredProgramList->Add("other.exe");
    dlg->Show();
    Drop(400, 300);
    EXPECT_EQ((std::vector<std::string>{"other.exe", "notepad.exe"}), Shown());
    EXPECT_EQ(-1, dlg->ClassNameListBox->ItemIndex());
    Drop(400, 300);
    EXPECT_EQ(2, g_StoredProgramList->Count());
    EXPECT_EQ(1, dlg->ClassNameListBox->ItemIndex());
    EXPECT_FALSE(rig.Log.Contains("profile.Write")); // nothing saved yet
}

TEST_F(DialogTest, AlreadyRegisteredInAnyCaseAddsNothing)
{
    g_StoredProgramList->Add("NotePad.EXE");
    dlg->Show();
    Drop(400, 300);
    EXPECT_EQ(1, g_StoredProgramList->Count());
    EXPECT_EQ(0, dlg->ClassNameListBox->ItemIndex());
}

TEST_F(DialogTest, DropOnOwnWindowOrNowhereRegistersNothing)
{
    dlg->Show();
    Drop(0, 0, dlg);    // on the dialog itself: the corner program is not taken
    Drop(900, 10);      // no window there
    rig.Windows.Images.erase(0x20);
    Drop(400, 300);     // a program that cannot be told
    EXPECT_EQ(0, g_StoredProgramList->Count());
}

TEST_F(DialogTest, ListMirrorsEmptyEntriesAndDeleteTakesTheFirstEqual)
{
    g_StoredProgramList->SetText("a\r\n\r\nB\r\nb\r\n");
    dlg->Show();
    EXPECT_EQ((std::vector<std::string>{"a", "", "B", "b"}), Shown());
    dlg->btnClearClick(nullptr); // no selection: nothing
    EXPECT_EQ(4, g_StoredProgramList->Count());
    dlg->ClassNameListBox->SetItemIndex(3); // "b" selected, "B" is the first equal
    dlg->btnClearClick(nullptr);
    EXPECT_EQ((std::vector<std::string>{"a", "", "b"}), g_StoredProgramList->Items());
    dlg->ClassNameListBox->SetItemIndex(1);
    dlg->btnClearClick(nullptr);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), Shown());
    dlg->btnClearAllClick(nullptr);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(0, g_StoredProgramList->Count());
}

TEST_F(DialogTest, MenuCommandShowsModallyThenSavesAndRefusesASecondOpening)
{
    g_StoredProgramList->Add("x.exe");
    auto& peer = static_cast<TRecordingPeer&>(dlg->Peer());
    peer.OnShowModal = [this](TForm&) {
        EXPECT_EQ((std::vector<std::string>{"x.exe"}), Shown());
        EXPECT_EQ(-1, dlg->ClassNameListBox->ItemIndex());
        // A second command while it is open: the general error report, no save.
        rig.Log.Events.clear();
        rig.App.Guard([this] { rig.Form->PopupMenu1->Items[3]->OnClick(nullptr); });
        return 1;
    };
    // The menu handlers run under the application's guard, as the menu runs them.
    rig.App.Guard([this] { rig.Form->mnSetWindowClick(nullptr); });
    ASSERT_EQ(1u, rig.App.Boxes.size());
    EXPECT_EQ("表示されているウィンドウをモーダルにすることはできません.", rig.App.Boxes[0].Text);
    EXPECT_EQ("Pelmora", rig.App.Boxes[0].Caption);
    // Exactly one save, by the outer command, after the dialog closed.
    int writes = 0;
    for (const auto& e : rig.Log.Events)
        writes += e == "profile.Write StoredProgram";
    EXPECT_EQ(1, writes);
    EXPECT_FALSE(dlg->Visible());
}

TEST_F(DialogTest, ADialogClosedWithoutAChangeAndTheExitWriteNothing)
{
    rig.Profile.Values = {{"StoredProgram", "notepad.exe:"}, {"m_bMuteOnWinReboot", "0"}, {"m_bCtrlKeyMute", "1"}};
    g_StoredProgramList->SetText("notepad.exe\r\n");
    rig.Log.Events.clear();
    rig.App.Guard([this] { rig.Form->mnSetWindowClick(nullptr); });
    EXPECT_FALSE(rig.Log.Contains("profile.Write"));
    dlg->Release();
    dlg = nullptr;
    WindowStoreDlg = nullptr;
    rig.Destroy();
    EXPECT_FALSE(rig.Log.Contains("profile.Write"));
    EXPECT_TRUE(rig.Log.Contains("hook.Free"));
}

TEST_F(DialogTest, DeactivationKeepsOnlyAVisibleDialogOnTop)
{
    dlg->ApplicationEvents1Deactivate(nullptr);
    EXPECT_TRUE(rig.System.TopMost.empty());
    dlg->Show();
    rig.App.DoDeactivate();
    EXPECT_EQ((std::vector<THandle>{dlg->Handle()}), rig.System.TopMost);
}

} // namespace

// At exit the dialog is freed before the controller saves; a failed save's
// box runs a loop in which the program may lose activation and the menu
// command may be chosen. Neither may reach the freed dialog.
TEST(DialogTeardown, AnErrorBoxAtExitReachesNothingOfTheFreedDialog)
{
    TControllerRig rig;
    rig.Create();
    auto* dlg = new TWindowStoreDlg(rig.Builder, rig.System, &rig.Windows, rig.Form->Programs());
    WindowStoreDlg = dlg;
    ASSERT_TRUE(rig.App.OnDeactivate);
    dlg->Show();
    dlg->Release();
    EXPECT_EQ(nullptr, WindowStoreDlg);
    EXPECT_FALSE(rig.App.OnDeactivate);

    rig.Profile.FailKey = "m_bMuteOnWinReboot";
    bool delivered = false;
    rig.App.DuringNextBox = [&] {
        rig.App.DoDeactivate();
        rig.App.Guard([&] { rig.Form->mnSetWindowClick(nullptr); });
        delivered = true;
    };
    rig.Destroy();
    EXPECT_TRUE(delivered);
    ASSERT_EQ(1u, rig.App.Boxes.size());
    EXPECT_EQ("C:\\Tools\\pelmora.ini に書き込めません.", rig.App.Boxes[0].Text);
    EXPECT_TRUE(rig.System.TopMost.empty());
}
