#include "editor/EditorWindow.h"

#include "canvas/UVCanvas.h"
#include "dialogs/Settings.h"
#include "editor/EditorCommands.h"
#include "platform/ModuleState.h"
#include "resource.h"

#include <commctrl.h>

#include <new>

namespace {

// The tooltip string of a toolbar command, or 0.
int tooltipFor(UINT_PTR command) {
    const EditorCommand* row = command <= 0xFFFF ? findEditorCommand(static_cast<int>(command)) : nullptr;
    return row ? row->button.tooltip : 0;
}

BYTE buttonStyle(ButtonKind kind) {
    switch (kind) {
        case ButtonKind::Check: return BTNS_CHECK;
        case ButtonKind::CheckGroup: return BTNS_CHECKGROUP;
        case ButtonKind::Push:
        case ButtonKind::None: break;
    }
    return BTNS_BUTTON;
}

// The toolbar's buttons: the rows' buttons in the order of their images, each
// separator where a row asks for one. Returns the count.
size_t toolbarButtons(TBBUTTON (&buttons)[2 * TOOLBAR_IMAGE_COUNT]) {
    size_t count = 0;
    for (int image = 0; image < TOOLBAR_IMAGE_COUNT; ++image) {
        for (const EditorCommand& row : editorCommands()) {
            if (row.button.image != image || row.button.kind == ButtonKind::None) continue;
            if (row.button.separatorBefore) buttons[count++] = {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0};
            buttons[count++] = {image, row.id, TBSTATE_ENABLED, buttonStyle(row.button.kind), {}, 0, 0};
            break;
        }
    }
    return count;
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
        TBBUTTON buttons[2 * TOOLBAR_IMAGE_COUNT] = {};
        const size_t count = toolbarButtons(buttons);
        SendMessageA(toolbar_, TB_ADDBUTTONSA, count, reinterpret_cast<LPARAM>(buttons));
    }

    placeEditorWindow(window_, loadEditorSettings(canvas_->view));

    // The loaded view state goes through the same operations as the menu commands, the
    // toggles in the table's order.
    setToolMode(canvas_->view.tool);
    for (const EditorCommand& row : editorCommands())
        if (row.toggle.field) applyToggle(*this, row, canvas_->view.*row.toggle.field);

    if (document_)
        document_->Subscribe(2, this, HOST_EVENT_COMMAND, 1, 1, L"./Schema/MainToolbar", L"class:Toolbar/Update",
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
