// The main window: menus, the 3D view filling the client area, and the document's
// change events that repaint it.
#include "EditorWindows.h"
#include "LoomHost.h"

#include "lib/Journal.h"

#include <commctrl.h>
#include <commdlg.h>

namespace loomhost {

namespace {

enum Command : UINT {
    ID_FILE_OPEN = 100,
    ID_FILE_SAVE,
    ID_FILE_SAVE_AS,
    ID_FILE_ADD_TEXTURE,
    ID_FILE_RELOAD_TEXTURES,
    ID_FILE_EXIT,
    ID_EDIT_UNDO = 200,
    ID_EDIT_REDO,
    ID_VIEW_SHADED = 300,
    ID_VIEW_WIREFRAME,
    ID_VIEW_HIDE_SELECTED,
    ID_VIEW_UNHIDE_ALL,
    ID_VIEW_RESET,
    ID_VIEW_CHECKER,
    ID_SELECT_ALL = 400,
    ID_SELECT_NONE,
    ID_SELECT_INVERT,
    ID_PLUGIN_FIRST = 1000,
    ID_PLUGIN_LAST = 1999,
    ID_DELETE_TEXTURE_FIRST = 2000,  // the document's textures in order
    ID_DELETE_TEXTURE_LAST = 2999,
    ID_RECENT_FIRST = 3000,  // the recent files in order
    ID_RECENT_LAST = 3099,
};

constexpr const wchar_t* kClassName = L"LoomHostMain";
constexpr int kPluginMenuPosition = 4;

HACCEL accelerators = nullptr;
HMENU deleteTextureMenu = nullptr;  // filled with the texture names as it opens
HMENU recentMenu = nullptr;         // filled with the recent files as it opens

// A submenu's items, one per text, numbered from `first`.
void fillMenu(HMENU menu, UINT first, UINT last, const std::vector<std::wstring>& texts) {
    while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
    for (size_t i = 0; i < texts.size() && first + i <= last; ++i)
        AppendMenuW(menu, MF_STRING, first + i, texts[i].c_str());
    if (texts.empty()) AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, L"(none)");
}

constexpr UINT_PTR kResumeStepsTimer = 1;
// A change of the records restarts this timer, and the 3D view repaints when it fires:
// timer messages come after every input and paint, so the editor shows a change first,
// and a burst of changes (a drag) costs one repaint of the view when it pauses.
constexpr UINT_PTR kViewRedrawTimer = 2;
constexpr UINT kViewRedrawDelay = 50;

LONG textureIdentifier(IUnknown* source) {
    HostRef<HostTexture> texture;
    HostRef<HostNode> node;
    LONG id = 0;
    if (source && SUCCEEDED(source->QueryInterface(IID_HostTexture, reinterpret_cast<void**>(texture.GetAddressOf()))) &&
        SUCCEEDED(source->QueryInterface(IID_HostNode, reinterpret_cast<void**>(node.GetAddressOf()))))
        node->GetIdentifier(&id);
    return id;
}

// Keeps the 3D view up to date with the document, whoever changed it: records
// (a replaced mesh is read again, otherwise only what a change can alter) and the
// pixels of textures.
class ViewRefresh : public devhost::ComObject<HostEventSink> {
public:
    explicit ViewRefresh(App& app) : app_(app) {}
    HRESULT STDMETHODCALLTYPE OnEvent(HostEvent* event) override {
        if (!event || !app_.view) return S_OK;
        updateTitle(app_);  // the history may have moved
        View3D& view = *app_.view;
        if (event->kind == HOST_EVENT_CHANGED) {
            HostRef<HostChange> change;
            if (event->source &&
                SUCCEEDED(event->source->QueryInterface(IID_HostChange, reinterpret_cast<void**>(change.GetAddressOf()))) &&
                change->NeedsMeshReload() == S_OK)
                view.meshReplaced();
            SetTimer(app_.mainWindow, kViewRedrawTimer, kViewRedrawDelay, nullptr);
        } else if (event->kind == HOST_EVENT_TEXTURE_DELETED) {
            view.textureChanged(textureIdentifier(event->source), nullptr);
        } else if (event->kind == HOST_EVENT_COMMAND && event->name && lstrcmpiW(event->name, L"RefreshTextureData") == 0 &&
                   event->argumentCount == 5 && event->arguments) {
            const VARIANT* a = event->arguments;
            RECT area = {a[0].lVal, a[1].lVal, a[2].lVal, a[3].lVal};
            view.textureChanged(textureIdentifier(event->source), a[4].iVal ? nullptr : &area);
        }
        return S_OK;
    }

private:
    App& app_;
};

DWORD subscription = 0;

HMENU buildMenu() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, ID_FILE_OPEN, L"&Open...\tCtrl+O");
    AppendMenuW(file, MF_STRING, ID_FILE_SAVE, L"&Save\tCtrl+S");
    AppendMenuW(file, MF_STRING, ID_FILE_SAVE_AS, L"Save &As...");
    AppendMenuW(file, MF_STRING, ID_FILE_ADD_TEXTURE, L"Add &Texture...");
    AppendMenuW(file, MF_STRING, ID_FILE_RELOAD_TEXTURES, L"&Reload Textures");
    deleteTextureMenu = CreatePopupMenu();
    AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(deleteTextureMenu), L"&Delete Texture");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    recentMenu = CreatePopupMenu();
    AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recentMenu), L"Recent &Files");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, ID_FILE_EXIT, L"E&xit");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    HMENU edit = CreatePopupMenu();
    AppendMenuW(edit, MF_STRING, ID_EDIT_UNDO, L"&Undo\tCtrl+Z");
    AppendMenuW(edit, MF_STRING, ID_EDIT_REDO, L"&Redo\tCtrl+Y");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
    HMENU view = CreatePopupMenu();
    AppendMenuW(view, MF_STRING, ID_VIEW_SHADED, L"&Shaded");
    AppendMenuW(view, MF_STRING, ID_VIEW_WIREFRAME, L"&Wireframe");
    AppendMenuW(view, MF_STRING, ID_VIEW_CHECKER, L"&Checker Texture");
    AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(view, MF_STRING, ID_VIEW_HIDE_SELECTED, L"&Hide Selected Faces\tH");
    AppendMenuW(view, MF_STRING, ID_VIEW_UNHIDE_ALL, L"&Unhide All Faces\tShift+H");
    AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(view, MF_STRING, ID_VIEW_RESET, L"&Reset View\tHome");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
    HMENU select = CreatePopupMenu();
    AppendMenuW(select, MF_STRING, ID_SELECT_ALL, L"&All\tCtrl+A");
    AppendMenuW(select, MF_STRING, ID_SELECT_NONE, L"&None\tCtrl+D");
    AppendMenuW(select, MF_STRING, ID_SELECT_INVERT, L"&Invert\tCtrl+I");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(select), L"&Select");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), L"&Plug-ins");
    return bar;
}

HACCEL buildAccelerators() {
    ACCEL keys[] = {
        {FCONTROL | FVIRTKEY, 'O', ID_FILE_OPEN},       {FCONTROL | FVIRTKEY, 'S', ID_FILE_SAVE},
        {FCONTROL | FVIRTKEY, 'Z', ID_EDIT_UNDO},       {FCONTROL | FVIRTKEY, 'Y', ID_EDIT_REDO},
        {FCONTROL | FVIRTKEY, 'A', ID_SELECT_ALL},      {FCONTROL | FVIRTKEY, 'D', ID_SELECT_NONE},
        {FCONTROL | FVIRTKEY, 'I', ID_SELECT_INVERT},   {FVIRTKEY, 'H', ID_VIEW_HIDE_SELECTED},
        {FSHIFT | FVIRTKEY, 'H', ID_VIEW_UNHIDE_ALL},   {FVIRTKEY, VK_HOME, ID_VIEW_RESET},
    };
    return CreateAcceleratorTableW(keys, int(std::size(keys)));
}

std::wstring fileDialog(HWND owner, bool save, const wchar_t* filter, const std::wstring& initial) {
    wchar_t path[MAX_PATH * 2] = {};
    lstrcpynW(path, initial.c_str(), int(std::size(path)));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = DWORD(std::size(path));
    dialog.lpstrDefExt = L"obj";
    dialog.Flags = OFN_EXPLORER | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    return chosen ? path : L"";
}

void saveAs(App& app) {
    std::wstring path = fileDialog(app.mainWindow, true, L"OBJ mesh (*.obj)\0*.obj\0State (*.json)\0*.json\0",
                                   app.meshPath.wstring());
    if (!path.empty()) saveMesh(app, path);
}

void updateHistoryItems(App& app, HMENU menu) {
    std::vector<std::wstring> undo = app.document->undoDescriptions();
    std::vector<std::wstring> redo = app.document->redoDescriptions();
    std::wstring undoText = undo.empty() ? L"&Undo" : L"&Undo " + undo.back();
    std::wstring redoText = redo.empty() ? L"&Redo" : L"&Redo " + redo.back();
    ModifyMenuW(menu, ID_EDIT_UNDO, MF_BYCOMMAND | MF_STRING | (undo.empty() ? MF_GRAYED : 0), ID_EDIT_UNDO,
                (undoText + L"\tCtrl+Z").c_str());
    ModifyMenuW(menu, ID_EDIT_REDO, MF_BYCOMMAND | MF_STRING | (redo.empty() ? MF_GRAYED : 0), ID_EDIT_REDO,
                (redoText + L"\tCtrl+Y").c_str());
}

// Before the document's mesh is dropped: with unsaved edits, asks whether to save them
// first. False: keep the document (Cancel, or the save did not happen).
bool confirmDiscard(App& app) {
    if (app.batch || !modified(app)) return true;
    std::wstring text = L"Save changes to " +
                        (app.meshPath.empty() ? std::wstring(L"the mesh") : app.meshPath.filename().wstring()) + L"?";
    switch (MessageBoxW(app.mainWindow, text.c_str(), L"loomhost", MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDNO: return true;
    case IDYES:
        if (app.meshPath.empty()) saveAs(app);
        else saveMesh(app, app.meshPath);
        return !modified(app);
    default: return false;
    }
}

// A file dropped on the window or chosen from the recent files: meshes open, images
// become textures.
void openFile(App& app, const std::filesystem::path& path) {
    std::wstring extension = path.extension().wstring();
    if (lstrcmpiW(extension.c_str(), L".obj") != 0 && lstrcmpiW(extension.c_str(), L".json") != 0)
        addTextureFile(app, path);
    else if (confirmDiscard(app))
        openMesh(app, path);
}

void onDropFiles(App& app, HDROP drop) {
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::filesystem::path> files;
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), UINT(path.size())));
        files.emplace_back(path);
    }
    DragFinish(drop);
    for (const std::filesystem::path& file : files) {
        try {
            openFile(app, file);
        } catch (const std::exception& error) {
            reportProblem(app, error.what());
        }
    }
}

void onCommand(App& app, UINT command) {
    devhost::Document& document = *app.document.Get();
    try {
        switch (command) {
        case ID_FILE_OPEN: {
            if (!confirmDiscard(app)) break;
            std::wstring path = fileDialog(app.mainWindow, false,
                                           L"Meshes (*.obj;*.json)\0*.obj;*.json\0All files\0*.*\0", L"");
            if (!path.empty()) openMesh(app, path);
            break;
        }
        case ID_FILE_SAVE:
            if (app.meshPath.empty()) saveAs(app);
            else saveMesh(app, app.meshPath);
            break;
        case ID_FILE_SAVE_AS: saveAs(app); break;
        case ID_FILE_ADD_TEXTURE: {
            std::wstring path = fileDialog(app.mainWindow, false,
                                           L"Images (*.png;*.jpg;*.jpeg;*.bmp)\0*.png;*.jpg;*.jpeg;*.bmp\0", L"");
            if (!path.empty()) addTextureFile(app, path);
            break;
        }
        case ID_FILE_RELOAD_TEXTURES:
            for (const devhost::TextureInfo& texture : document.textures())
                if (app.textureFiles.count(texture.id)) reloadTexture(app, texture.id);
            break;
        case ID_FILE_EXIT: SendMessageW(app.mainWindow, WM_CLOSE, 0, 0); break;
        case ID_EDIT_UNDO: document.undo(); break;
        case ID_EDIT_REDO: document.redo(); break;
        case ID_VIEW_SHADED: app.view->setWireframe(false); break;
        case ID_VIEW_WIREFRAME: app.view->setWireframe(true); break;
        case ID_VIEW_HIDE_SELECTED: document.hideSelected3D(); break;
        case ID_VIEW_UNHIDE_ALL: document.unhideAll3D(); break;
        case ID_VIEW_RESET: app.view->resetCamera(); break;
        case ID_VIEW_CHECKER: app.view->setChecker(!app.view->checker()); break;
        case ID_SELECT_ALL: document.selectAll3D(); break;
        case ID_SELECT_NONE: document.selectNone3D(); break;
        case ID_SELECT_INVERT: document.invertSelection3D(); break;
        default:
            if (command >= ID_RECENT_FIRST && command <= ID_RECENT_LAST) {
                std::vector<std::filesystem::path> files = recentFiles();
                if (command - ID_RECENT_FIRST < files.size()) openFile(app, files[command - ID_RECENT_FIRST]);
            }
            if (command >= ID_DELETE_TEXTURE_FIRST && command <= ID_DELETE_TEXTURE_LAST) {
                std::vector<devhost::TextureInfo> textures = document.textures();
                if (command - ID_DELETE_TEXTURE_FIRST < textures.size())
                    document.deleteTexture(textures[command - ID_DELETE_TEXTURE_FIRST].id);
            }
            if (command >= ID_PLUGIN_FIRST && command <= ID_PLUGIN_LAST &&
                command - ID_PLUGIN_FIRST < app.plugins.plugins().size())
                app.plugins.plugins()[command - ID_PLUGIN_FIRST].plugin->Execute(&document);
            break;
        }
    } catch (const std::exception& error) {
        reportProblem(app, error.what());
    }
    InvalidateRect(app.view->window(), nullptr, FALSE);
}

// While the editor is disabled for a modal dialog that is not on screen yet: the
// dialog's loop shows it once its queue is empty, which a timer leaves it.
bool modalDialogPending(const App& app) {
    HWND editor = findEditorWindow(app);
    return editor && !IsWindowEnabled(editor) && !findEditorDialog(app);
}

// A step's command opened a modal dialog, whose loop delivered this: the next step acts
// on that dialog once it shows, and the one after it comes with the next delivery,
// after the dialog has handled what the step caused (or ended). Arriving after the
// step returned, it has nothing to do.
void onResumeSteps(App& app) {
    if (!app.stepRunning) return;
    if (modalDialogPending(app) && app.resumeWaits++ < 100) {
        SetTimer(app.mainWindow, kResumeStepsTimer, 20, nullptr);
        return;
    }
    app.resumeWaits = 0;
    if (app.nextStep < app.steps.size()) {
        runNextStep(app);
        PostMessageW(app.mainWindow, WM_RESUME_STEPS, 0, 0);
    } else if (app.batch) {
        PostQuitMessage(app.status);  // a batch run does not wait for the user; this ends the dialog too
    }
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    App* app = reinterpret_cast<App*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!app) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: {
        app->mainWindow = window;
        app->statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0,
                                         0, window, nullptr, app->instance, nullptr);
        app->view = std::make_unique<View3D>(*app->document.Get());
        app->view->create(window, app->instance);
        app->view->useOpenGL(app->openGL);
        SetWindowTextA(app->statusBar, app->view->rendererText().c_str());
        HostRef<ViewRefresh> sink = devhost::makeObject<ViewRefresh>(*app);
        app->document->Subscribe(1, sink.Get(), 0xFFFFFFFF, 0xFFFFFFFF, 1, nullptr, nullptr, &subscription);
        DragAcceptFiles(window, TRUE);
        return 0;
    }
    case WM_SIZE: {
        SendMessageW(app->statusBar, WM_SIZE, 0, 0);
        RECT status;
        GetWindowRect(app->statusBar, &status);
        int viewHeight = std::max(0, int(HIWORD(lParam)) - int(status.bottom - status.top));
        MoveWindow(app->view->window(), 0, 0, LOWORD(lParam), viewHeight, TRUE);
        return 0;
    }
    case WM_SETFOCUS: SetFocus(app->view->window()); return 0;
    case WM_COMMAND: onCommand(*app, LOWORD(wParam)); return 0;
    case WM_RESUME_STEPS: onResumeSteps(*app); return 0;
    case WM_TIMER:
        if (wParam == kResumeStepsTimer) {
            KillTimer(window, kResumeStepsTimer);
            onResumeSteps(*app);
        } else if (wParam == kViewRedrawTimer) {
            KillTimer(window, kViewRedrawTimer);
            InvalidateRect(app->view->window(), nullptr, FALSE);
        }
        return 0;
    case WM_INITMENUPOPUP:
        updateHistoryItems(*app, GetMenu(window));
        CheckMenuItem(GetMenu(window), ID_VIEW_CHECKER, app->view->checker() ? MF_CHECKED : MF_UNCHECKED);
        if (HMENU(wParam) == deleteTextureMenu) {
            std::vector<std::wstring> names;
            for (const devhost::TextureInfo& texture : app->document->textures()) names.push_back(texture.name);
            fillMenu(deleteTextureMenu, ID_DELETE_TEXTURE_FIRST, ID_DELETE_TEXTURE_LAST, names);
        } else if (HMENU(wParam) == recentMenu) {
            std::vector<std::wstring> paths;
            for (const std::filesystem::path& file : recentFiles()) paths.push_back(file.wstring());
            fillMenu(recentMenu, ID_RECENT_FIRST, ID_RECENT_LAST, paths);
        }
        return 0;
    case WM_CLOSE:
        try {
            if (confirmDiscard(*app)) DestroyWindow(window);
        } catch (const std::exception& error) {
            reportProblem(*app, error.what());  // the save failed: the window stays
        }
        return 0;
    case WM_DROPFILES: onDropFiles(*app, HDROP(wParam)); return 0;
    case WM_DESTROY:
        app->document->Unsubscribe(subscription);
        subscription = 0;
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

HWND createMainWindow(App& app) {
    View3D::registerClass(app.instance);
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = mainWindowProc;
    type.hInstance = app.instance;
    type.hCursor = LoadCursor(nullptr, IDC_ARROW);
    type.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    type.lpszClassName = kClassName;
    RegisterClassExW(&type);
    accelerators = buildAccelerators();
    CreateWindowExW(0, kClassName, L"loomhost", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 900, 680, nullptr,
                    buildMenu(), app.instance, &app);
    updateTitle(app);
    return app.mainWindow;
}

void rebuildPluginMenu(App& app) {
    HMENU plugins = GetSubMenu(GetMenu(app.mainWindow), kPluginMenuPosition);
    while (GetMenuItemCount(plugins) > 0) DeleteMenu(plugins, 0, MF_BYPOSITION);
    const std::vector<LoadedPlugin>& loaded = app.plugins.plugins();
    for (size_t i = 0; i < loaded.size() && ID_PLUGIN_FIRST + i <= ID_PLUGIN_LAST; ++i)
        AppendMenuW(plugins, MF_STRING, ID_PLUGIN_FIRST + i, devhost::wide(loaded[i].displayName).c_str());
    if (loaded.empty()) AppendMenuW(plugins, MF_STRING | MF_GRAYED, 0, L"(no plug-ins found)");
    DrawMenuBar(app.mainWindow);
}

void updateTitle(App& app) {
    if (!app.mainWindow) return;
    std::wstring title = L"loomhost";
    if (!app.meshPath.empty()) title = app.meshPath.filename().wstring() + (modified(app) ? L"* - " : L" - ") + title;
    wchar_t shown[MAX_PATH * 2] = {};
    GetWindowTextW(app.mainWindow, shown, int(std::size(shown)));
    if (title != shown) SetWindowTextW(app.mainWindow, title.c_str());
}

void writeError(const std::string& line) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    std::string text = line + "\n";
    DWORD written = 0;
    if (error && error != INVALID_HANDLE_VALUE) WriteFile(error, text.data(), DWORD(text.size()), &written, nullptr);
}

void reportProblem(App& app, const std::string& text) {
    writeError("loomhost: " + text);
    if (!app.batch) MessageBoxW(app.mainWindow, devhost::wide(text).c_str(), L"loomhost", MB_OK | MB_ICONWARNING);
}

bool dispatchMessage(App& app, MSG& message) {
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && root == app.mainWindow && accelerators && TranslateAcceleratorW(app.mainWindow, accelerators, &message))
        return true;
    // Modeless dialogs (the plug-in's editor) get their keyboard handling.
    if (root && root != app.mainWindow) {
        wchar_t type[16] = {};
        GetClassNameW(root, type, int(std::size(type)));
        if (lstrcmpW(type, L"#32770") == 0 && IsDialogMessageW(root, &message)) return true;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

bool pumpMessages(App& app) {
    // Bounded, so that a window that keeps invalidating itself cannot hang a step.
    DWORD start = GetTickCount();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return false;
        dispatchMessage(app, message);
        if (GetTickCount() - start > 10000) break;
    }
    return true;
}

void shutDown(App& app) {
    if (IsWindow(app.mainWindow)) DestroyWindow(app.mainWindow);
    pumpMessages(app);
    app.plugins.releaseAll();
    app.view.reset();
    app.document->setMainWindow(nullptr);
    app.document.Reset();
}

}  // namespace loomhost
