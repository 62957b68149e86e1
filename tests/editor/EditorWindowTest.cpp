// The editor window and its controls bar, opened in-process on a development host
// document: child layout, toolbar and tooltips, initialisation against the host and its
// events, the object's lifetime and the texture list.
#include "resource.h"
#include "support/EditorFixture.h"

#include <commctrl.h>

namespace {

// "left,top,right,bottom", "left+width" and "top+height" of a rectangle: one line per
// layout check that still prints every side compared.
std::string sides(RECT r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}
std::string across(RECT r) { return std::to_string(r.left) + "+" + std::to_string(r.right - r.left); }
std::string down(RECT r) { return std::to_string(r.top) + "+" + std::to_string(r.bottom - r.top); }

std::string comboItem(HWND list, int item) {
    char text[128] = {};
    SendMessageA(list, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text));
    return text;
}

class EditorFrame : public EditorFixture {
protected:
    void open() {
        openWindow();
        ShowWindow(window_, SW_SHOW);
        uitest::pump();
    }

    // Resizes the editor so that its client area is width x height.
    void setClientSize(int width, int height) {
        RECT outer = {}, client = {};
        GetWindowRect(window_, &outer);
        GetClientRect(window_, &client);
        SetWindowPos(window_, nullptr, 0, 0, width + (outer.right - outer.left) - client.right,
                     height + (outer.bottom - outer.top) - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
        uitest::pump();
        GetClientRect(window_, &client);
        ASSERT_TRUE(client.right == width && client.bottom == height) << client.right << " x " << client.bottom;
    }

    HWND control(UVControls::Control which) { return editor_->controls().control(which); }
};

}  // namespace

TEST_F(EditorFrame, ChildrenStackToolbarCanvasAndControlsBar) {
    open();
    HWND toolbar = editor_->toolbar(), canvas = editor_->canvas()->window(), bar = editor_->controls().window();
    ASSERT_TRUE(toolbar && canvas && bar);

    setClientSize(480, 300);
    RECT toolbarClient = {};
    GetClientRect(toolbar, &toolbarClient);
    const LONG t = toolbarClient.bottom;
    EXPECT_GE(t, 15);
    EXPECT_EQ(across(uitest::rectInParent(toolbar)), "0+480");
    EXPECT_EQ(uitest::rectInParent(toolbar).top, 0);
    // The canvas starts below the toolbar's real height.
    EXPECT_EQ(sides(uitest::rectInParent(canvas)), sides({0, t, 480, 300 - 27}));
    EXPECT_EQ(sides(uitest::rectInParent(bar)), sides({0, 300 - 27, 480, 300}));

    // Below 47 pixels the bar overlaps the toolbar and the canvas has no height.
    setClientSize(480, 40);
    EXPECT_EQ(uitest::rectInParent(toolbar).top, 0);
    EXPECT_EQ(down(uitest::rectInParent(bar)), "13+27");
    EXPECT_EQ(uitest::rectInParent(canvas).bottom, uitest::rectInParent(canvas).top);
}

TEST_F(EditorFrame, ToolbarButtonsInImageOrderAnswerTooltips) {
    open();
    HWND toolbar = editor_->toolbar();
    // Each button as command:image and its kind (p push, c check, g check group); "|" a separator.
    std::string layout;
    const int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button = {};
        SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (button.fsStyle & BTNS_SEP) {
            layout += "| ";
            continue;
        }
        const char kind = (button.fsStyle & BTNS_GROUP) ? 'g' : (button.fsStyle & BTNS_CHECK) ? 'c' : 'p';
        layout += std::to_string(button.idCommand) + ":" + std::to_string(button.iBitmap) + kind + " ";
    }
    EXPECT_EQ(layout, "122:0p 123:1p | 115:2g 116:3g 102:4g 103:5g 111:6g | 104:7p 105:8p | 32836:9c 32871:10c "
                      "107:11c 32790:12p 32791:13p | 32850:14c 112:15c 113:16c ");
    auto tooltip = [&](UINT_PTR command) {
        NMTTDISPINFOA info = {};
        info.hdr = {toolbar, command, UINT(TTN_GETDISPINFOA)};
        info.lpszText = const_cast<char*>("unchanged");
        SendMessageA(editor_->window(), WM_NOTIFY, command, reinterpret_cast<LPARAM>(&info));
        return info;
    };
    NMTTDISPINFOA info = tooltip(ID_TOOL_SELECT_UV_TRIANGLES);
    ASSERT_TRUE(IS_INTRESOURCE(info.lpszText) && (info.uFlags & TTF_DI_SETITEM));
    char text[64] = {};
    LoadStringA(info.hinst, static_cast<UINT>(reinterpret_cast<UINT_PTR>(info.lpszText)), text, sizeof(text));
    EXPECT_STREQ(text, "Select UV Triangles");
    info = tooltip(9999);
    EXPECT_TRUE(std::string(info.lpszText) == "unchanged" && !(info.uFlags & TTF_DI_SETITEM)) << "not a button";
}

TEST_F(EditorFrame, OpensAgainstTheHostSubscribingFirst) {
    document_->clearJournal();
    open();
    const size_t subscribe = indexOf(R"(Subscribe(2,131072,1,1,"./Schema/MainToolbar","class:Toolbar/Update"))");
    EXPECT_LT(subscribe, indexOf("GetActiveMesh()"));
    ASSERT_LT(indexOf("GetActiveMesh()"), journal().size());
    ASSERT_EQ(document_->subscribers().size(), 2u) << "canvas and editor";
    EXPECT_EQ(document_->subscribers()[0].a, 1) << "the canvas subscribes first, at its creation";

    // Opening zooms as "Zoom Extents" does (the command tests); closing removes both
    // subscriptions and writes the settings (the plug-in's tests).
}

TEST_F(EditorFrame, HostEventsReloadTheMeshAndRefreshTheCommandStates) {
    open();
    // A mesh reload reaches the editor's model; a removal clears it and leaves no lock
    // behind.
    document_->setMesh({meshtest::face(0, 0, 1, 2, 0.1f, 0.1f, 0.9f, 0.1f, 0.1f, 0.9f)}, meshtest::vertices(3));
    HostRef<HostMesh> active;
    document_->GetActiveMesh(active.GetAddressOf());
    EXPECT_TRUE(active && editor_->model().mesh.Get() == active.Get());
    document_->removeMesh();
    EXPECT_TRUE(!editor_->model().mesh && document_->lockCount() == 0);

    auto notify = [&](const wchar_t* name) {
        document_->clearJournal();
        HostEvent event = {};
        event.kind = HOST_EVENT_COMMAND;
        event.name = SysAllocString(name);
        HRESULT result = static_cast<HostEventSink*>(editor_)->OnEvent(&event);
        SysFreeString(event.name);
        return result;
    };
    document_->clearJournal();
    document_->sendUpdate();
    EXPECT_TRUE(called("GetApplicationNode()"));
    // Names compare without regard to case; other command events are not the update.
    for (auto [name, update] : {std::pair{L"update", true}, {L"Updates", false}, {L"RefreshTextureData", false}}) {
        EXPECT_EQ(notify(name), S_OK);
        EXPECT_EQ(called("GetApplicationNode()"), update) << devhost::utf8(name);
    }
}

TEST_F(EditorFrame, ObjectOutlivesItsWindowAndHoldsTheModule) {
    editor_->Release();  // the fixture's editor, so that the count starts without one
    const long before = moduleLockCount();
    editor_ = EditorWindow::create();
    editor_->setDocument(document_.Get());
    EXPECT_GT(moduleLockCount(), before);
    open();
    HWND window = editor_->window();
    // The open window keeps its object alive after the creator's reference is gone.
    editor_->Release();
    editor_ = nullptr;
    EXPECT_GT(moduleLockCount(), before);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(moduleLockCount(), before);
}

// Module start-up finds the visual-styles library in the system folder (the test's own
// process starts no module, so it loads and frees the library itself).
TEST(ModuleStart, LoadsTheVisualStylesLibraryFromTheSystemFolder) {
    loadVisualStyles();
    EXPECT_TRUE(visualStyles().library && visualStyles().openThemeData && visualStyles().isAppThemed);
    freeVisualStyles();
    EXPECT_EQ(visualStyles().library, nullptr);
}

TEST_F(EditorFrame, ControlsBarSharesItsWidthAndFont) {
    open();
    HWND bar = editor_->controls().window();
    auto place = [&](UVControls::Control which) { return uitest::rectInParent(control(which)); };

    // The two status panes share what the fixed controls leave, at least 50 pixels each.
    for (auto [width, pane] : {std::pair{400, "349+54"}, {380, "345+50"}, {393, "345+50"}}) {
        MoveWindow(bar, 0, 0, width, 27, TRUE);
        EXPECT_EQ(across(place(UVControls::StatusPane2)), pane) << width;
        EXPECT_EQ(place(UVControls::StatusPane1).right + 5, place(UVControls::StatusPane2).left) << width;
    }
    for (int i = 0; i < UVControls::ControlCount; ++i)
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control(UVControls::Control(i)), WM_GETFONT, 0, 0)),
                  editor_->controls().font())
            << "control " << i;
    // What the panes show is read back by the canvas tools' tests.
}

TEST_F(EditorFrame, TextureListFollowsTheHostAndChoosesTheBackground) {
    LONG brick = document_->addTexture(L"brick", 8, 4, std::vector<std::uint32_t>(32, 0xFF0000FF));
    LONG longName = document_->addTexture(std::wstring(80, L'x'), 2, 2, std::vector<std::uint32_t>(4, 0));
    open();
    HWND list = control(UVControls::TextureList);
    UVControls& controls = editor_->controls();
    auto count = [&] { return SendMessageA(list, CB_GETCOUNT, 0, 0); };
    auto item = [&](int i) {
        return comboItem(list, i) + "=" + std::to_string(SendMessageA(list, CB_GETITEMDATA, i, 0));
    };
    ASSERT_EQ(count(), 3);
    EXPECT_EQ(item(0) + " " + item(1), "< no texture >=0 brick=" + std::to_string(brick));
    EXPECT_EQ(comboItem(list, 2), std::string(63, 'x'));
    EXPECT_EQ(controls.selectedTexture(), 0);

    // Choosing a texture loads it into the canvas; "< no texture >" removes it.
    auto choose = [&](int index) {
        SendMessageA(list, CB_SETCURSEL, index, 0);
        SendMessageA(controls.window(), WM_COMMAND, MAKEWPARAM(UVControls::kTextureList, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    };
    choose(1);
    EXPECT_EQ(controls.selectedTexture(), brick);
    EXPECT_EQ(editor_->canvas()->extent().cy, 4) << "the texture's height";
    choose(0);
    EXPECT_FALSE(editor_->canvas()->hasTextureImage());

    // The host's texture events: a new texture is appended (the list is not sorted); a
    // renamed one stays chosen and shown under its new name; deleting another leaves the
    // background, deleting the shown one clears it.
    LONG grass = document_->addTexture(L"grass", 4, 4, std::vector<std::uint32_t>(16, 0xFF00A000));
    ASSERT_EQ(count(), 4);
    EXPECT_EQ(comboItem(list, 3), "grass");
    choose(1);
    document_->renameTexture(brick, L"stones");
    EXPECT_EQ(controls.selectedTexture(), brick);
    EXPECT_EQ(SendMessageA(list, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("stones")), 3) << "renamed: last";
    document_->deleteTexture(grass);
    EXPECT_TRUE(count() == 3 && editor_->canvas()->hasTextureImage());
    document_->deleteTexture(brick);
    ASSERT_EQ(count(), 2);
    EXPECT_EQ(SendMessageA(list, CB_GETITEMDATA, 1, 0), longName);
    EXPECT_FALSE(editor_->canvas()->hasTextureImage());

    // An unknown identifier selects item 0; a missing folder leaves the single item.
    controls.selectTexture(12345);
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 0);
    controls.fillTextures(nullptr);
    EXPECT_EQ(count(), 1);
}
