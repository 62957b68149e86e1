// The modeless "UV Grouping" dialog in a real editor on a development host document:
// its buttons clicked as a user clicks them, the records, history and registry read back.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/Settings.h"
#include "editor/EditorWindow.h"
#include "lib/DevHost.h"
#include "ops/MeshFixture.h"
#include "plugin/ModuleState.h"
#include "resource.h"
#include "support/UiTestSupport.h"

using devhost::DevFace;
using devhost::DevVertex;

namespace {

// A triangle with UVs (0.1, 0.1), (0.6, 0.1), (0.6, 0.6) and the given group sets.
DevFace face(uint16_t a, uint16_t b, uint16_t c, uint16_t flags = 0, uint16_t g0 = 0, uint16_t g1 = 0,
             uint16_t g2 = 0) {
    DevFace f = meshtest::face(flags, a, b, c, 0.1f, 0.1f, 0.6f, 0.1f, 0.6f, 0.6f);
    f.groups[0] = g0;
    f.groups[1] = g1;
    f.groups[2] = g2;
    return f;
}

// Corner selection bits of a face (UV_SELECTED << corner).
constexpr uint16_t kSel0 = 0x0040, kSel1 = 0x0080, kSel2 = 0x0100;
constexpr uint16_t kSelAll = 0x01C0;

HWND findGroupingDialog() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            char caption[32] = {};
            GetWindowTextA(window, caption, sizeof caption);
            if (std::string(caption) != "UV Grouping") return TRUE;
            *reinterpret_cast<HWND*>(param) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void holdKeys(bool shift, bool control) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(keys);
}

class GroupingTest : public testing::Test {
protected:
    void SetUp() override {
        setModuleInstance(GetModuleHandleA(nullptr));
        RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str());
        host_ = uitest::createHostWindow();
        document_ = devhost::Document::create();
        document_->setMainWindow(host_);
        editor_ = EditorWindow::create();
        ASSERT_NE(editor_, nullptr);
        editor_->setDocument(document_.Get());
    }

    void TearDown() override {
        holdKeys(false, false);
        if (editor_->window()) DestroyWindow(editor_->window());
        editor_->Release();
        uitest::pump();
        DestroyWindow(host_);
        RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str());
    }

    // Opens the editor on the mesh (synchronisation off unless asked) and the dialog.
    void open(std::vector<DevFace> faces, bool sync = false) {
        storeDword("SyncSel", sync ? 1 : 0);
        document_->setMesh(std::move(faces), meshtest::vertices(4));
        openEditor();
        grouping();
        ASSERT_NE(dialog_, nullptr);
    }
    void openEditor() {
        ASSERT_NE(editor_->createWindow(host_), nullptr);
        uitest::pump(150);
    }
    // "Grouping..." from the Select menu.
    void grouping() {
        SendMessageA(editor_->window(), WM_COMMAND, MAKEWPARAM(ID_SELECT_GROUPING, 0), 0);
        uitest::pump();
        dialog_ = findGroupingDialog();
    }

    void storeDword(const char* name, DWORD value) { EXPECT_TRUE(SettingsKey().writeDword(name, value)); }
    DWORD storedDword(const char* name, DWORD missing) {
        SettingsKey().readDword(name, missing);
        return missing;
    }

    void click(int id) {
        HWND button = GetDlgItem(dialog_, id);
        ASSERT_NE(button, nullptr) << "button " << id;
        SendMessageA(button, BM_CLICK, 0, 0);
        uitest::pump();
    }
    void clickGroup(int group) { click(IDC_GROUP_1 + group - 1); }
    bool pushed(int id) { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

    void setFlags(int faceIndex, uint16_t flags) {
        document_->changeMesh(
            [&](std::vector<DevFace>& f, std::vector<DevVertex>&) { f[faceIndex].flags = flags | meshtest::FOREIGN_BITS; });
    }
    std::vector<DevFace>& faces() { return document_->faces(); }
    uint16_t selection(int faceIndex) { return faces()[faceIndex].flags & kSelAll; }

    HWND host_ = nullptr;
    HostRef<devhost::Document> document_;
    EditorWindow* editor_ = nullptr;
    HWND dialog_ = nullptr;
};

TEST_F(GroupingTest, AssignedGroupsAddUpAndSelectFindsTheirCorners) {
    open({face(0, 1, 2, kSel0 | kSel1), face(0, 2, 3)});
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_EQ(GetWindow(dialog_, GW_OWNER), editor_->window());
    EXPECT_TRUE(pushed(IDC_GROUP_ASSIGN)) << "no stored mode: Assign";
    EXPECT_FALSE(pushed(IDC_GROUP_UNASSIGN) || pushed(IDC_GROUP_SELECT));

    clickGroup(3);
    clickGroup(5);
    EXPECT_EQ(faces()[0].groups[0], 0x0014);
    EXPECT_EQ(faces()[0].groups[1], 0x0014);
    EXPECT_EQ(faces()[0].groups[2], 0) << "not selected";
    EXPECT_EQ(faces()[1].groups[0], 0);
    EXPECT_EQ(document_->undoDescriptions().back(), L"Assign UV Group");

    setFlags(0, 0);
    click(IDC_GROUP_SELECT);
    EXPECT_TRUE(pushed(IDC_GROUP_SELECT));
    EXPECT_FALSE(pushed(IDC_GROUP_ASSIGN));
    clickGroup(3);
    EXPECT_EQ(selection(0), kSel0 | kSel1);
    EXPECT_EQ(selection(1), 0);
    EXPECT_EQ(document_->undoDescriptions().back(), L"Select UV Group");
    clickGroup(4);
    EXPECT_EQ(selection(0), 0) << "nobody is in group 4: the selection is replaced by nothing";

    // Unassign takes the selected corners out of one group; None in Assign out of all.
    setFlags(0, kSel0 | kSel1);
    click(IDC_GROUP_UNASSIGN);
    clickGroup(3);
    EXPECT_EQ(faces()[0].groups[0], 0x0010);
    EXPECT_EQ(faces()[0].groups[1], 0x0010);
    click(IDC_GROUP_ASSIGN);
    clickGroup(16);
    EXPECT_EQ(faces()[0].groups[0], 0x8010);
    click(IDC_GROUP_NONE);
    EXPECT_EQ(faces()[0].groups[0], 0);
    EXPECT_EQ(faces()[0].groups[1], 0);
}

TEST_F(GroupingTest, ShiftAddsGroupToSelectionAndControlToggles) {
    // Group 2 (bit 0x0002): face 0 corners 0 and 1, face 1 corner 2.
    open({face(0, 1, 2, kSel0, 2, 2, 0), face(0, 2, 3, kSel0, 0, 0, 2)});
    click(IDC_GROUP_SELECT);

    holdKeys(true, false);
    clickGroup(2);
    EXPECT_EQ(selection(0), kSel0 | kSel1);
    EXPECT_EQ(selection(1), kSel0 | kSel2) << "face 1 corner 0 stays selected";

    setFlags(0, kSel0);
    setFlags(1, kSel0);
    holdKeys(false, true);
    clickGroup(2);
    EXPECT_EQ(selection(0), kSel1) << "corner 0 was selected and is toggled off";
    EXPECT_EQ(selection(1), kSel0 | kSel2);

    holdKeys(true, true);  // Shift wins: adds, never removes
    clickGroup(2);
    EXPECT_EQ(selection(0), kSel0 | kSel1);
    EXPECT_EQ(selection(1), kSel0 | kSel2);

    holdKeys(false, false);
    clickGroup(2);
    EXPECT_EQ(selection(1), kSel2) << "no modifier replaces the selection";

    click(IDC_GROUP_NONE);
    EXPECT_EQ(selection(0), 0);
    EXPECT_EQ(selection(1), 0);
    EXPECT_EQ(document_->undoDescriptions().back(), L"Deselect All");
}

TEST_F(GroupingTest, HiddenCornersAreNeitherAssignedNorSelected) {
    // Corner 2 is selected but hidden in the editor; it is already in group 1.
    open({face(0, 1, 2, kSel0 | kSel2 | 0x0020, 0, 0, 1)});
    clickGroup(1);
    EXPECT_EQ(faces()[0].groups[0], 1);
    EXPECT_EQ(faces()[0].groups[2], 1);
    clickGroup(2);
    EXPECT_EQ(faces()[0].groups[2], 1) << "a hidden corner keeps its groups";

    setFlags(0, 0x0020);
    click(IDC_GROUP_SELECT);
    clickGroup(1);
    EXPECT_EQ(selection(0), kSel0) << "corner 2 is in group 1 but hidden";
}

TEST_F(GroupingTest, NoneInUnassignModeDoesNothingAndRecordsNothing) {
    open({face(0, 1, 2, kSel0 | kSel1, 5, 5, 5)});
    click(IDC_GROUP_UNASSIGN);
    const size_t entries = document_->undoDescriptions().size();
    document_->clearJournal();
    click(IDC_GROUP_NONE);
    EXPECT_TRUE(document_->journal().empty()) << document_->journal().front();
    EXPECT_EQ(document_->undoDescriptions().size(), entries);
    EXPECT_EQ(faces()[0].groups[0], 5);
}

TEST_F(GroupingTest, CloseBoxHidesAndGroupingShowsTheSameDialogInTheSameMode) {
    open({face(0, 1, 2)});
    click(IDC_GROUP_UNASSIGN);
    HWND first = dialog_;

    SendMessageA(dialog_, WM_CLOSE, 0, 0);  // the caption's close box
    uitest::pump();
    EXPECT_TRUE(IsWindow(first));
    EXPECT_FALSE(IsWindowVisible(first));

    grouping();
    EXPECT_EQ(dialog_, first);
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_TRUE(pushed(IDC_GROUP_UNASSIGN));

    grouping();
    EXPECT_EQ(dialog_, first);
    EXPECT_FALSE(IsWindowVisible(dialog_)) << "a second Grouping... hides the visible dialog";
}

TEST_F(GroupingTest, ModeSurvivesClosingAndReopeningTheEditor) {
    open({face(0, 1, 2)});
    click(IDC_GROUP_SELECT);
    HWND dialog = dialog_;

    DestroyWindow(editor_->window());
    uitest::pump();
    EXPECT_FALSE(IsWindow(dialog)) << "the dialog closes with the editor";
    EXPECT_EQ(storedDword("Assign", 99), 2u);

    openEditor();
    EXPECT_EQ(findGroupingDialog(), nullptr) << "the dialog opens only on Grouping...";
    grouping();
    ASSERT_NE(dialog_, nullptr);
    EXPECT_TRUE(pushed(IDC_GROUP_SELECT));
    EXPECT_FALSE(pushed(IDC_GROUP_ASSIGN));

    // Stored values: 1 Unassign, anything but 0 and 1 Select.
    DestroyWindow(editor_->window());
    storeDword("Assign", 1);
    openEditor();
    grouping();
    EXPECT_TRUE(pushed(IDC_GROUP_UNASSIGN));
    DestroyWindow(editor_->window());
    EXPECT_EQ(storedDword("Assign", 99), 1u);
    storeDword("Assign", 7);
    openEditor();
    grouping();
    EXPECT_TRUE(pushed(IDC_GROUP_SELECT));
}

TEST_F(GroupingTest, SelectCarriesTheChangeToThe3DSelectionWhenSynchronised) {
    open({face(0, 1, 2, 0, 8, 8, 8), face(0, 2, 3)}, true);
    click(IDC_GROUP_SELECT);
    clickGroup(4);
    EXPECT_EQ(selection(0), kSelAll);
    EXPECT_TRUE(faces()[0].flags & devhost::DEV_FACE_SELECTED) << "synchronised to the 3D selection";
    EXPECT_FALSE(faces()[1].flags & devhost::DEV_FACE_SELECTED);
}

}  // namespace
