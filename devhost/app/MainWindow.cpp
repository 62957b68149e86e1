// The main window: menus, the 3D view filling the client area, and the document's
// change events that repaint it.
//
// Sections:
//   Menus                     submenus filled as they open
//   Texture dialogs           Rename Texture, Paint Texture
//   View refresh              timers, ViewRefresh (the document's events repaint the 3D view)
//   Files                     open, save, unsaved edits, drops, history items
//   Commands and messages     onCommand, the steps resumed in modal loops, mainWindowProc
//   The application's window  creation, title, problems, the message pump, shutdown
#include "EditorWindows.h"
#include "LoomHost.h"
#include "LoomHostResources.h"

#include "lib/Journal.h"

#include <algorithm>
#include <commctrl.h>
#include <commdlg.h>

namespace loomhost {

namespace {

constexpr const wchar_t* kClassName = L"LoomHostMain";

HACCEL accelerators = nullptr;

// ---- Menus ----

// A submenu's items, one per text, numbered from `first`; a submenu without entries
// keeps `first` on its grey placeholder, so that it can still be told by its first item.
void fillMenu(HMENU menu, UINT first, UINT last, const std::vector<std::wstring>& texts, const wchar_t* none) {
    while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
    for (size_t i = 0; i < texts.size() && first + i <= last; ++i)
        AppendMenuW(menu, MF_STRING, first + i, texts[i].c_str());
    if (texts.empty()) AppendMenuW(menu, MF_STRING | MF_GRAYED, first, none);
}

// The submenu of `menu`, at any depth, whose first item is numbered from `first`.
HMENU findSubmenu(HMENU menu, UINT first) {
    for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (!sub) continue;
        UINT id = GetMenuItemID(sub, 0);
        if (id >= first && id < first + 1000) return sub;
        if (HMENU deeper = findSubmenu(sub, first)) return deeper;
    }
    return nullptr;
}

std::vector<std::wstring> textureNames(const App& app) {
    std::vector<std::wstring> names;
    for (const devhost::TextureInfo& texture : app.document->textures()) names.push_back(texture.name);
    return names;
}

// The submenus filled as they open.
void fillSubmenu(App& app, HMENU menu) {
    UINT first = GetMenuItemID(menu, 0);
    if (first >= ID_RECENT_FIRST && first <= ID_RECENT_LAST) {
        std::vector<std::wstring> paths;
        for (const std::filesystem::path& file : recentFiles()) paths.push_back(file.wstring());
        fillMenu(menu, ID_RECENT_FIRST, ID_RECENT_LAST, paths, L"(none)");
    } else if (first >= ID_DELETE_TEXTURE_FIRST && first <= ID_DELETE_TEXTURE_LAST) {
        fillMenu(menu, ID_DELETE_TEXTURE_FIRST, ID_DELETE_TEXTURE_LAST, textureNames(app), L"(none)");
    } else if (first >= ID_RENAME_TEXTURE_FIRST && first <= ID_RENAME_TEXTURE_LAST) {
        fillMenu(menu, ID_RENAME_TEXTURE_FIRST, ID_RENAME_TEXTURE_LAST, textureNames(app), L"(none)");
    }
}

// ---- Texture dialogs ----

std::wstring dialogText(HWND dialog, int control) {
    std::wstring text(size_t(GetWindowTextLengthW(GetDlgItem(dialog, control))) + 1, L'\0');
    text.resize(size_t(GetDlgItemTextW(dialog, control, text.data(), int(text.size()))));
    return text;
}

// Rename Texture: the texture's name to edit; OK renames it, or says why it cannot and
// stays open.
struct RenameRequest {
    App* app;
    LONG id;
    std::wstring name;
};

INT_PTR CALLBACK renameTextureProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* request = reinterpret_cast<RenameRequest*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetDlgItemTextW(dialog, IDC_TEXTURE_NAME, reinterpret_cast<RenameRequest*>(lParam)->name.c_str());
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
        if (LOWORD(wParam) != IDOK || !request) return TRUE;
        try {
            std::wstring name = dialogText(dialog, IDC_TEXTURE_NAME);
            if (name.empty()) throw std::runtime_error("a texture needs a name");
            request->app->document->renameTexture(request->id, name);
            EndDialog(dialog, IDOK);
        } catch (const std::exception& error) {
            reportProblem(*request->app, error.what());
        }
        return TRUE;
    default: return FALSE;
    }
}

// Paint Texture: a texture, a rectangle of its pixels and a colour; OK paints it as the
// --texture-paint step does, or says why it cannot and stays open.
INT_PTR CALLBACK paintTextureProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    App* app = reinterpret_cast<App*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        app = reinterpret_cast<App*>(lParam);
        HWND list = GetDlgItem(dialog, IDC_PAINT_TEXTURE);
        for (const std::wstring& name : textureNames(*app))
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        SendMessageW(list, CB_SETCURSEL, 0, 0);
        for (auto [control, text] : {std::pair{IDC_PAINT_X, L"0"}, {IDC_PAINT_Y, L"0"}, {IDC_PAINT_WIDTH, L"16"},
                                      {IDC_PAINT_HEIGHT, L"16"}, {IDC_PAINT_COLOUR, L"FF0000"}})
            SetDlgItemTextW(dialog, control, text);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
        case IDC_PAINT_PICK: {
            static COLORREF custom[16] = {};
            CHOOSECOLORW choice{};
            choice.lStructSize = sizeof choice;
            choice.hwndOwner = dialog;
            choice.lpCustColors = custom;
            choice.rgbResult = RGB(255, 0, 0);
            choice.Flags = CC_FULLOPEN | CC_RGBINIT;
            if (!ChooseColorW(&choice)) break;
            wchar_t hex[8];
            wsprintfW(hex, L"%02X%02X%02X", GetRValue(choice.rgbResult), GetGValue(choice.rgbResult),
                      GetBValue(choice.rgbResult));
            SetDlgItemTextW(dialog, IDC_PAINT_COLOUR, hex);
            break;
        }
        case IDOK:
            try {
                paintTexture(*app, dialogText(dialog, IDC_PAINT_TEXTURE) + L":" + dialogText(dialog, IDC_PAINT_X) +
                                       L"," + dialogText(dialog, IDC_PAINT_Y) + L"," +
                                       dialogText(dialog, IDC_PAINT_WIDTH) + L"," +
                                       dialogText(dialog, IDC_PAINT_HEIGHT) + L"," +
                                       dialogText(dialog, IDC_PAINT_COLOUR));
                EndDialog(dialog, IDOK);
            } catch (const std::exception& error) {
                reportProblem(*app, error.what());
            }
            break;
        }
        return TRUE;
    default: return FALSE;
    }
}

// ---- View refresh ----

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

// ---- Files ----

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
    std::wstring path = fileDialog(app.mainWindow, true,
                                   L"OBJ mesh (*.obj)\0*.obj\0glTF (*.gltf)\0*.gltf\0glTF binary (*.glb)\0*.glb\0"
                                   L"State (*.json)\0*.json\0",
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
constexpr const wchar_t* kMeshExtensions[] = {L".obj", L".gltf", L".glb", L".json"};

void openFile(App& app, const std::filesystem::path& path) {
    std::wstring extension = path.extension().wstring();
    const bool mesh = std::any_of(std::begin(kMeshExtensions), std::end(kMeshExtensions),
                                  [&](const wchar_t* known) { return lstrcmpiW(extension.c_str(), known) == 0; });
    if (!mesh)
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

// ---- Commands and messages ----

void onCommand(App& app, UINT command) {
    devhost::Document& document = *app.document.Get();
    try {
        switch (command) {
        case ID_FILE_OPEN: {
            if (!confirmDiscard(app)) break;
            std::wstring path = fileDialog(app.mainWindow, false,
                                           L"Meshes (*.obj;*.gltf;*.glb;*.json)\0*.obj;*.gltf;*.glb;*.json\0All files\0*.*\0", L"");
            if (!path.empty()) openMesh(app, path);
            break;
        }
        case ID_FILE_SAVE:
            if (app.meshPath.empty()) saveAs(app);
            else saveMesh(app, app.meshPath);
            break;
        case ID_FILE_SAVE_AS: saveAs(app); break;
        case ID_TEXTURE_ADD: {
            std::wstring path = fileDialog(app.mainWindow, false,
                                           L"Images (*.png;*.jpg;*.jpeg;*.bmp)\0*.png;*.jpg;*.jpeg;*.bmp\0", L"");
            if (!path.empty()) addTextureFile(app, path);
            break;
        }
        case ID_TEXTURE_RELOAD_ALL:
            for (const devhost::TextureInfo& texture : document.textures())
                if (app.textureFiles.count(texture.id)) reloadTexture(app, texture.id);
            break;
        case ID_TEXTURE_PAINT:
            if (document.textures().empty()) throw std::runtime_error("there is no texture to paint");
            DialogBoxParamW(app.instance, MAKEINTRESOURCEW(IDD_PAINT_TEXTURE), app.mainWindow, paintTextureProc,
                            reinterpret_cast<LPARAM>(&app));
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
            if (command >= ID_RENAME_TEXTURE_FIRST && command <= ID_RENAME_TEXTURE_LAST) {
                std::vector<devhost::TextureInfo> textures = document.textures();
                if (command - ID_RENAME_TEXTURE_FIRST < textures.size()) {
                    const devhost::TextureInfo& texture = textures[command - ID_RENAME_TEXTURE_FIRST];
                    RenameRequest request{&app, texture.id, texture.name};
                    DialogBoxParamW(app.instance, MAKEINTRESOURCEW(IDD_RENAME_TEXTURE), app.mainWindow,
                                    renameTextureProc, reinterpret_cast<LPARAM>(&request));
                }
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
    const bool disabled = (editor && !IsWindowEnabled(editor)) || !IsWindowEnabled(app.mainWindow);
    return disabled && !(editor && findEditorDialog(app)) && !findHostDialog(app);
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
        fillSubmenu(*app, HMENU(wParam));
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

// ---- The application's window ----

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
    accelerators = LoadAcceleratorsW(app.instance, MAKEINTRESOURCEW(IDR_MAIN_ACCELERATORS));
    CreateWindowExW(0, kClassName, L"loomhost", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 900, 680, nullptr,
                    LoadMenuW(app.instance, MAKEINTRESOURCEW(IDR_MAIN_MENU)), app.instance, &app);
    updateTitle(app);
    return app.mainWindow;
}

void rebuildPluginMenu(App& app) {
    std::vector<std::wstring> names;
    for (const LoadedPlugin& plugin : app.plugins.plugins()) names.push_back(devhost::wide(plugin.displayName));
    if (HMENU plugins = findSubmenu(GetMenu(app.mainWindow), ID_PLUGIN_FIRST))
        fillMenu(plugins, ID_PLUGIN_FIRST, ID_PLUGIN_LAST, names, L"(no plug-ins found)");
    DrawMenuBar(app.mainWindow);
}

void updateTitle(App& app) {
    if (!app.mainWindow) return;
    // Called on every change event: only a new file or a new modified state makes a new title.
    const int nowModified = modified(app) ? 1 : 0;
    if (nowModified == app.titleModified && app.meshPath.native() == app.titleMesh) return;
    app.titleModified = nowModified;
    app.titleMesh = app.meshPath.native();
    std::wstring title = L"loomhost";
    if (!app.meshPath.empty()) title = app.meshPath.filename().wstring() + (nowModified ? L"* - " : L" - ") + title;
    SetWindowTextW(app.mainWindow, title.c_str());
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
