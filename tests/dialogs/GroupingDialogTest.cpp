// The modeless "UV Grouping" dialog in a real editor on a development host document:
// its buttons clicked as a user clicks them, the records, history and registry read back.
#include "dialogs/ModalDialogTest.h"
#include "resource.h"

namespace {

constexpr uint16_t kSel0 = UV_SELECTED, kSel1 = UV_SELECTED << 1, kSel2 = UV_SELECTED << 2;

// A triangle with the given corner flags and group sets.
devhost::DevFace face(uint16_t flags, uint16_t g0 = 0, uint16_t g1 = 0, uint16_t g2 = 0) {
    devhost::DevFace f = meshtest::face(flags, 0, 1, 2, 0.1f, 0.1f, 0.6f, 0.1f, 0.6f, 0.6f);
    f.groups[0] = g0, f.groups[1] = g1, f.groups[2] = g2;
    return f;
}

class GroupingTest : public modaltest::ModalDialogTest {
protected:
    // Opens the editor on the faces, then the dialog with "Grouping...".
    void open(std::vector<devhost::DevFace> faces) {
        ModalDialogTest::open(std::move(faces), meshtest::vertices(3));
        grouping();
    }
    void grouping() {
        SendMessageA(window_, WM_COMMAND, ID_SELECT_GROUPING, 0);
        dialog_ = uitest::findDialog("UV Grouping");
        ASSERT_NE(dialog_, nullptr);
    }
    void click(int id) { SendMessageA(GetDlgItem(dialog_, id), BM_CLICK, 0, 0); }
    void clickGroup(int group) { click(IDC_GROUP_1 + group - 1); }
    bool pushed(int id) { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
    void setFlags(int i, uint16_t flags) {
        document_->changeMesh([&](auto& faces, auto&) { faces[i].flags = uint16_t(flags | meshtest::FOREIGN_BITS); });
    }
    devhost::DevFace& at(int i) { return faces()[size_t(i)]; }
    std::vector<int> selected() { return allFlags(UV_SELECTED_ALL); }

    HWND dialog_ = nullptr;
};

TEST_F(GroupingTest, AssignedGroupsAddUpAndSelectFindsTheirVisibleCorners) {
    // Face 0: corners 0 and 1 selected, corner 2 selected but hidden (already in group 1).
    open({face(kSel0 | kSel1 | kSel2 | UV_HIDDEN << 2, 0, 0, 1), face(0)});
    EXPECT_TRUE(pushed(IDC_GROUP_ASSIGN)) << "no stored mode";
    clickGroup(3);
    clickGroup(5);
    EXPECT_EQ(std::vector<int>(at(0).groups, at(0).groups + 3), (std::vector<int>{0x0014, 0x0014, 1}))
        << "the hidden corner is not assigned";
    EXPECT_EQ(document_->undoDescriptions().back(), L"Assign UV Group");

    setFlags(0, UV_HIDDEN << 2);
    click(IDC_GROUP_SELECT);
    clickGroup(3);
    EXPECT_EQ(selected(), (std::vector<int>{kSel0 | kSel1, 0}));
    clickGroup(1);
    EXPECT_EQ(selected(), (std::vector<int>{0, 0})) << "group 1's only corner is hidden";
    EXPECT_EQ(document_->undoDescriptions().back(), L"Select UV Group");

    setFlags(0, kSel0);
    click(IDC_GROUP_UNASSIGN);
    clickGroup(5);
    EXPECT_EQ(at(0).groups[0], 0x0004);
    document_->clearJournal();
    click(IDC_GROUP_NONE);
    EXPECT_TRUE(document_->journal().empty()) << "None in Unassign does nothing";
    click(IDC_GROUP_ASSIGN);
    click(IDC_GROUP_NONE);
    EXPECT_EQ(at(0).groups[0], 0) << "None in Assign leaves every group";
}

TEST_F(GroupingTest, SelectWithShiftAddsWithControlTogglesAndNoneDeselects) {
    // Group 2: face 0 corners 0 and 1, face 1 corner 2. Face 1 corner 0 is selected.
    open({face(kSel0, 2, 2, 0), face(kSel0, 0, 0, 2)});
    click(IDC_GROUP_SELECT);
    uitest::holdModifierKeys(false, true);
    clickGroup(2);
    EXPECT_EQ(selected(), (std::vector<int>{kSel1, kSel0 | kSel2})) << "Ctrl toggles";
    uitest::holdModifierKeys(true, true);
    clickGroup(2);
    EXPECT_EQ(selected(), (std::vector<int>{kSel0 | kSel1, kSel0 | kSel2})) << "Shift adds, also with Ctrl";
    uitest::holdModifierKeys(false, false);
    clickGroup(2);
    EXPECT_EQ(selected(), (std::vector<int>{kSel0 | kSel1, kSel2})) << "no modifier replaces";
    click(IDC_GROUP_NONE);
    EXPECT_EQ(selected(), (std::vector<int>{0, 0}));
}

TEST_F(GroupingTest, TheDialogHidesShowsAgainAndKeepsItsModeAcrossEditorSessions) {
    open({face(0)});
    click(IDC_GROUP_UNASSIGN);
    HWND first = dialog_;
    SendMessageA(dialog_, WM_CLOSE, 0, 0);  // the close box
    uitest::pump();
    EXPECT_FALSE(IsWindowVisible(first));
    grouping();
    EXPECT_TRUE(dialog_ == first && IsWindowVisible(dialog_) && pushed(IDC_GROUP_UNASSIGN));
    grouping();
    EXPECT_FALSE(IsWindowVisible(first)) << "Grouping... hides a visible dialog";

    click(IDC_GROUP_SELECT);
    DestroyWindow(window_);
    EXPECT_FALSE(IsWindow(first)) << "closed with the editor";
    DWORD stored = 0;
    EXPECT_TRUE(SettingsKey().readDword("Assign", stored) && stored == 2) << "Select is saved as 2";
    SettingsKey().writeDword("Assign", 1);
    openWindow();
    grouping();
    EXPECT_TRUE(pushed(IDC_GROUP_UNASSIGN));
}

}  // namespace
