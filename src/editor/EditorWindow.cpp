#include "editor/EditorWindow.h"

#include "canvas/UVCanvas.h"
#include "dialogs/Settings.h"
#include "platform/ModuleState.h"
#include "resource.h"

#include <commctrl.h>

#include <iterator>
#include <new>

namespace {

// One toolbar button: its command, image, style and tooltip string.
struct ToolbarButton {
    int command;
    int image;
    BYTE style;
    int tooltip;
};

constexpr BYTE kGroup = BTNS_CHECKGROUP;
constexpr BYTE kCheck = BTNS_CHECK;
constexpr BYTE kButton = BTNS_BUTTON;
constexpr BYTE kSeparator = BTNS_SEP;

constexpr ToolbarButton kToolbarButtons[] = {
    {ID_TOOL_UNDO, 0, kButton, IDS_UNDO},
    {ID_TOOL_REDO, 1, kButton, IDS_REDO},
    {0, 0, kSeparator, 0},
    {ID_TOOL_SELECT_UV_COORDS, 2, kGroup, IDS_SELECT_UV_COORDS},
    {ID_TOOL_SELECT_UV_TRIANGLES, 3, kGroup, IDS_SELECT_UV_TRIANGLES},
    {ID_TOOL_PAN, 4, kGroup, IDS_PAN},
    {ID_TOOL_ZOOM, 5, kGroup, IDS_ZOOM},
    {ID_TOOL_ZOOM_REGION, 6, kGroup, IDS_ZOOM_REGION},
    {0, 0, kSeparator, 0},
    {ID_VIEW_ZOOM_SELECTION_EXTENTS, 7, kButton, IDS_ZOOM_SELECTION_EXTENTS},
    {ID_VIEW_ZOOM_EXTENTS, 8, kButton, IDS_ZOOM_EXTENTS},
    {0, 0, kSeparator, 0},
    {ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D, 9, kCheck, IDS_SHOW_ONLY_FACES_SELECTED_IN_3D},
    {ID_VIEW_SYNCHRONIZE_SELECTIONS, 10, kCheck, IDS_SYNCHRONIZE_SELECTIONS},
    {ID_TOOL_LOCK_SELECTED_COORDS, 11, kCheck, IDS_LOCK_SELECTED_COORDS},
    {ID_SELECT_EXPAND_SELECTION, 12, kButton, IDS_EXPAND_SELECTION},
    {ID_SELECT_CONTRACT_SELECTION, 13, kButton, IDS_SHRINK_SELECTION},
    {0, 0, kSeparator, 0},
    {ID_VIEW_SHOW_GRID, 14, kCheck, IDS_SHOW_GRID},
    {ID_VIEW_SNAP_TO_GRID, 15, kCheck, IDS_SNAP_TO_GRID},
    {ID_VIEW_SNAP_ANGLES, 16, kCheck, IDS_SNAP_ANGLES},
};

int tooltipFor(UINT_PTR command) {
    if (command == 0) return 0;
    for (const ToolbarButton& button : kToolbarButtons)
        if (button.style != kSeparator && static_cast<UINT_PTR>(button.command) == command) return button.tooltip;
    return 0;
}

}  // namespace

EditorWindow::EditorWindow() : controls_(model_, canvas_), canvas_(UVCanvas::make()) {}

EditorWindow::~EditorWindow() = default;

EditorWindow* EditorWindow::create() {
    EditorWindow* editor = new (std::nothrow) EditorWindow();
    if (editor && !editor->canvas_) {
        editor->Release();
        return nullptr;
    }
    return editor;
}

void EditorWindow::setDocument(HostDocument* document) {
    document_ = document;  // counted: adds the new reference before releasing the old
}

HWND EditorWindow::createWindow(HWND owner) {
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    return createBoundDialog(IDD_EDITOR, owner);
}

LRESULT EditorWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return onInitDialog();
        case WM_DESTROY:
            onDestroy();
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(window_);
            return TRUE;
        case WM_SIZE:
            onSize(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return TRUE;
        case WM_TIMER:
            onTimer(wParam);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                // Escape hides the window; the next invocation of the function closes it.
                EndDialog(window_, IDCANCEL);
            } else {
                onCommand(LOWORD(wParam));
                SetWindowLongPtrA(window_, DWLP_MSGRESULT, 0);
            }
            return TRUE;
        case WM_NOTIFY:
            if (reinterpret_cast<NMHDR*>(lParam)->code != TTN_GETDISPINFOA) return FALSE;
            onNotify(reinterpret_cast<NMHDR*>(lParam));
            return TRUE;
        default:
            return FALSE;
    }
}

void EditorWindow::onUnbound() {
    toolbar_ = nullptr;
    Release();
}

BOOL EditorWindow::onInitDialog() {
    RECT client = {};
    GetClientRect(window_, &client);
    model_.owner = this;
    model_.document = document_;

    createToolbar(client);

    RECT controlsRect = {client.left, client.bottom - kControlsHeight, client.right, client.bottom};
    if (HWND bar = controls_.create(window_, controlsRect)) ShowWindow(bar, SW_SHOW);

    canvas_->setOwner(this);
    HostRef<HostDocument> canvasDocument;
    if (document_)
        document_->QueryInterface(IID_HostDocument, reinterpret_cast<void**>(canvasDocument.GetAddressOf()));
    canvas_->setDocument(canvasDocument.Get());
    RECT canvasRect = {client.left, client.top, client.right, client.bottom - kControlsHeight};
    if (HWND canvasWindow = canvas_->create(window_, canvasRect)) ShowWindow(canvasWindow, SW_SHOWNA);

    if (toolbar_) {
        SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        TBADDBITMAP bitmap = {moduleInstance(), static_cast<UINT_PTR>(IDB_TOOLBAR)};
        SendMessageA(toolbar_, TB_ADDBITMAP, TOOLBAR_IMAGE_COUNT, reinterpret_cast<LPARAM>(&bitmap));
        TBBUTTON buttons[std::size(kToolbarButtons)] = {};
        for (size_t i = 0; i < std::size(kToolbarButtons); ++i) {
            buttons[i].iBitmap = kToolbarButtons[i].image;
            buttons[i].idCommand = kToolbarButtons[i].command;
            buttons[i].fsState = TBSTATE_ENABLED;
            buttons[i].fsStyle = kToolbarButtons[i].style;
        }
        SendMessageA(toolbar_, TB_ADDBUTTONSA, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    }

    placeEditorWindow(window_, loadEditorSettings(canvas_->view));

    // The loaded view state goes through the same operations as the menu commands;
    // show-all comes before synchronisation, which it may switch off.
    const CanvasView& view = canvas_->view;
    setToolMode(view.tool);
    setViewFlag(ID_VIEW_SHOW_GRID, view.showGrid);
    setShowAll(view.showAll);
    setSyncSelection(view.syncSelection);
    setViewFlag(ID_VIEW_SNAP_TO_GRID, view.snapToGrid);
    setViewFlag(ID_VIEW_SNAP_ANGLES, view.snapAngles);
    setViewFlag(ID_VIEW_SHOW_TEXTURE_BACKGROUND, view.showTexture);
    setViewFlag(ID_VIEW_SHOW_TILED_TEXTURE, view.tileTexture);
    setViewFlag(ID_TOOLS_SHOW_FLIPPED_AND_OVERLAPPING, view.showFaults);
    setViewFlag(ID_TOOLS_SHOW_STRETCH, view.showStretch);

    if (document_)
        document_->Subscribe(2, this, EVENT_COMMAND, 1, 1, L"./Schema/MainToolbar", L"class:Toolbar/Update",
                             &subscription_);

    refreshActiveMesh();
    refreshSelection();
    zoomToVisibleCorners();
    scheduleCommandRefresh();
    return TRUE;
}

void EditorWindow::createToolbar(const RECT& client) {
    toolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT |
                                   TBSTYLE_TOOLTIPS,
                               client.left, client.top, client.right - client.left, kToolbarCreateHeight,
                               window_, nullptr, moduleInstance(), nullptr);
}

void EditorWindow::zoomToVisibleCorners() {
    float rect[4];
    if (model_.bounds(CORNERS_VISIBLE, rect)) canvas_->zoomToUVRect(rect[0], rect[1], rect[2], rect[3]);
}

void EditorWindow::refreshActiveMesh() {
    HostRef<HostMesh> mesh;
    if (document_) document_->GetActiveMesh(mesh.GetAddressOf());
    model_.mesh = mesh;
    canvas_->setMesh(mesh.Get());

    HostRef<IUnknown> documentNode;
    HostRef<HostNode> node, textures;
    if (document_) document_->GetDocumentNode(documentNode.GetAddressOf());
    if (documentNode) documentNode.As(&node);
    if (node) node->GetNode(L"./Model/Textures", textures.GetAddressOf());
    controls_.fillTextures(textures.Get());
}

void EditorWindow::onDestroy() {
    saveEditorSettings(canvas_->view, window_);
    if (document_ && subscription_) document_->Unsubscribe(subscription_);
    subscription_ = 0;
    closeGroupingDialog();
}

void EditorWindow::onSize(int width, int height) {
    MoveWindow(toolbar_, 0, 0, width, kToolbarHeight, TRUE);
    RECT toolbarClient = {};
    if (toolbar_) GetClientRect(toolbar_, &toolbarClient);
    int toolbarHeight = toolbarClient.bottom - toolbarClient.top;
    // Not clamped: a window too low for both bars gives the canvas no height.
    MoveWindow(canvas_->window(), 0, toolbarHeight, width, height - toolbarHeight - kControlsHeight, TRUE);
    MoveWindow(controls_.window(), 0, height - kControlsHeight, width, kControlsHeight, TRUE);
}

void EditorWindow::onTimer(UINT_PTR id) {
    if (id != kCommandTimer) return;
    KillTimer(window_, kCommandTimer);
    refreshCommandStates();
}

void EditorWindow::onNotify(NMHDR* header) {
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    int text = tooltipFor(header->idFrom);
    if (!text) return;
    info->hinst = moduleInstance();
    info->lpszText = MAKEINTRESOURCEA(text);
    info->uFlags |= TTF_DI_SETITEM;
}

HRESULT EditorWindow::onCommandEvent(HostEvent& event) {
    // A closed editor may still hear from a host whose Unsubscribe failed.
    if (window_ && hostTextEquals(event.name, L"Update")) refreshCommandStates();
    return S_OK;
}
