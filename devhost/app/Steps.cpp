// The command-line steps, run in the order given.
//
// Sections:
//   Arguments                 numbers, indices, modifiers, buttons, fields
//   3D selection and waiting  select3D, hide3D, waitFor
//   Captures and dialogs      captureWindow, dialogControl, setDialogText, clickDialogButton
//   Editor and host actions   the plug-in, menu commands, mouse, textures, drops, failing host calls
//   The step table            kSteps: option, argument, action
//   Running                   parseCommandLine, runStep, runSteps, writeDump
#include "EditorWindows.h"
#include "LoomHost.h"

#include "lib/Journal.h"

#include <shlobj.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwctype>
#include <stdexcept>

namespace loomhost {

namespace {

[[noreturn]] void fail(const std::string& why) { throw std::runtime_error(why); }

// ---- Arguments ----

// The whole text as a decimal integer, or false.
bool readInteger(const std::wstring& text, long long& value) {
    size_t used = 0;
    try {
        value = std::stoll(text, &used);
    } catch (const std::exception&) {
        return false;
    }
    return used != 0 && used == text.size();
}

long long parseInteger(const std::wstring& text, const char* what) {
    long long value = 0;
    if (!readInteger(text, value)) fail(std::string(what) + " \"" + devhost::utf8(text) + "\" is not an integer");
    return value;
}

// A number a window coordinate, index or count can hold.
int parseInt(const std::wstring& text, const char* what) {
    long long value = parseInteger(text, what);
    if (value < INT_MIN || value > INT_MAX) fail(std::string(what) + " " + std::to_string(value) + " is out of range");
    return int(value);
}

std::vector<int> parseIndices(const std::wstring& list, const char* what) {
    std::vector<int> indices;
    if (list.empty()) return indices;
    for (const std::wstring& part : splitText(list, L',')) {
        int value = parseInt(part, what);
        if (value < 0) fail(std::string(what) + " " + std::to_string(value) + " is negative");
        indices.push_back(value);
    }
    return indices;
}

int parseModifiers(const std::wstring& text) {
    std::wstring lower = text;
    for (wchar_t& c : lower) c = wchar_t(std::towlower(c));
    if (lower.empty() || lower == L"none") return MOD_NONE;
    if (lower == L"shift") return MOD_SHIFTKEY;
    if (lower == L"ctrl") return MOD_CTRLKEY;
    if (lower == L"shift+ctrl" || lower == L"ctrl+shift") return MOD_SHIFTKEY | MOD_CTRLKEY;
    fail("modifiers \"" + devhost::utf8(text) + "\" are not shift, ctrl or shift+ctrl");
}

int parseButton(const std::wstring& text) {
    if (text == L"left") return 0;
    if (text == L"right") return 1;
    if (text == L"middle") return 2;
    fail("button \"" + devhost::utf8(text) + "\" is not left, right or middle");
}

// "X,Y" then up to `extra` further fields.
std::vector<std::wstring> fields(const std::wstring& text, size_t least, size_t most, const char* form) {
    std::vector<std::wstring> parts = splitText(text, L',');
    if (parts.size() < least || parts.size() > most) fail(std::string("expected ") + form);
    return parts;
}

// The part after "faces:" or "vertices:".
bool startsWith(const std::wstring& text, const wchar_t* prefix, std::wstring& rest) {
    size_t length = wcslen(prefix);
    if (text.compare(0, length, prefix) != 0) return false;
    rest = text.substr(length);
    return true;
}

// ---- 3D selection and waiting ----

void select3D(App& app, const std::wstring& which) {
    devhost::Document& document = *app.document.Get();
    if (!document.hasMesh()) fail("no mesh is open");
    std::wstring list;
    try {
        if (which == L"all") document.selectAll3D();
        else if (which == L"none") document.selectNone3D();
        else if (startsWith(which, L"faces:", list)) document.selectFaces3D(parseIndices(list, "face"));
        else if (startsWith(which, L"vertices:", list)) document.selectVertices3D(parseIndices(list, "vertex"));
        else fail("expected all, none, faces:I,J,... or vertices:I,J,...");
    } catch (const std::invalid_argument& error) {
        fail(error.what());
    }
}

void hide3D(App& app, const std::wstring& which) {
    devhost::Document& document = *app.document.Get();
    if (!document.hasMesh()) fail("no mesh is open");
    std::wstring list;
    try {
        if (which == L"none") document.setHiddenFaces3D({});
        else if (startsWith(which, L"faces:", list)) document.setHiddenFaces3D(parseIndices(list, "face"));
        else fail("expected none or faces:I,J,...");
    } catch (const std::invalid_argument& error) {
        fail(error.what());
    }
}

void waitFor(App& app, long milliseconds) {
    DWORD start = GetTickCount();
    while (true) {
        DWORD elapsed = GetTickCount() - start;
        if (long(elapsed) >= milliseconds) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(milliseconds - long(elapsed)), QS_ALLINPUT);
        if (!pumpMessages(app)) {
            PostQuitMessage(0);
            break;
        }
    }
}

// ---- Captures and dialogs ----

// The window's client area (or the whole window, frame and caption included) as it
// is on screen, after pending paints.
devhost::Pixels32 captureWindow(HWND window, bool whole = false) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT area;
    if (whole) {
        GetWindowRect(window, &area);
        OffsetRect(&area, -area.left, -area.top);
    } else {
        GetClientRect(window, &area);
    }
    devhost::Pixels32 image;
    image.width = area.right;
    image.height = area.bottom;
    if (image.width <= 0 || image.height <= 0) fail("the window has no client area");
    image.pixels.resize(size_t(image.width) * image.height);
    HDC screen = whole ? GetWindowDC(window) : GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // first row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(window, screen);
        fail("the window could not be captured (no bitmap of its size)");
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, image.width, image.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = source[i] | 0xFF000000u;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return image;
}

// The dialog the dialog steps act on: the editor's, else one of loomhost's own.
HWND openDialog(const App& app) {
    if (HWND dialog = findEditorWindow(app) ? findEditorDialog(app) : nullptr) return dialog;
    if (HWND dialog = findHostDialog(app)) return dialog;
    fail("no dialog is open");
}

// A control of the dialog by its number or else by its text (without '&' and a final
// ':', any case).
HWND dialogControl(HWND dialog, const std::wstring& which) {
    long long id = 0;
    if (readInteger(which, id) && id >= 0 && id <= 0xFFFF)
        if (HWND control = GetDlgItem(dialog, int(id))) return control;
    // Otherwise by text: a button may read "90".
    auto plain = [](std::wstring text) {
        text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
        for (wchar_t& c : text) c = wchar_t(std::towlower(c));
        if (!text.empty() && text.back() == L':') text.pop_back();
        return text;
    };
    const std::wstring wanted = plain(which);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[256] = {};
        GetWindowTextW(child, text, 256);
        if (plain(text) == wanted) return child;
    }
    fail("the dialog has no control \"" + devhost::utf8(which) + "\"");
}

void setDialogText(App& app, const std::wstring& argument) {
    size_t equals = argument.find(L'=');
    if (equals == std::wstring::npos) fail("expected CONTROL=TEXT");
    HWND control = dialogControl(openDialog(app), argument.substr(0, equals));
    const std::wstring text = argument.substr(equals + 1);
    // A label names the field that follows it, as a user reads the dialog.
    if (className(control) == L"Static") control = GetWindow(control, GW_HWNDNEXT);
    if (control && className(control) == L"ComboBox") {
        if (SendMessageW(control, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(text.c_str())) == CB_ERR)
            fail("the list has no item \"" + devhost::utf8(text) + "\"");
    } else if (control) {
        SetWindowTextW(control, text.c_str());
    }
}

void clickDialogButton(App& app, const std::wstring& which) {
    HWND button = dialogControl(openDialog(app), which);
    if (!IsWindowEnabled(button)) fail("\"" + devhost::utf8(which) + "\" is disabled");
    SendMessageW(button, BM_CLICK, 0, 0);
}

void saveImages(App& app, const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) fail(devhost::pathText(folder) + ": cannot be created: " + error.message());
    for (const HostRef<devhost::Image>& image : app.document->images()) {
        if (image->image().pixels.empty()) continue;
        image->savePng((folder / (image->name() + L".png")).wstring());
    }
}

// ---- Editor and host actions ----

void invokePlugin(App& app, const std::wstring& name) {
    FunctionPlugin* plugin = app.plugins.find(devhost::utf8(name));
    if (!plugin) {
        std::string known;
        for (const LoadedPlugin& loaded : app.plugins.plugins()) known += (known.empty() ? "" : ", ") + loaded.displayName;
        fail("no plug-in function of that name (loaded: " + (known.empty() ? "none" : known) + ")");
    }
    plugin->Execute(app.document.Get());
}

void runEditorCommand(App& app, const std::wstring& path) {
    HWND editor = editorParts(app).editor;
    UINT command = menuCommand(editor, path);
    // Should the command open a modal dialog, the next steps run inside its loop.
    PostMessageW(app.mainWindow, WM_RESUME_STEPS, 0, 0);
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void runHostCommand(App& app, const std::wstring& path) {
    UINT command = menuCommand(app.mainWindow, path);
    PostMessageW(app.mainWindow, WM_RESUME_STEPS, 0, 0);  // as for the editor's commands
    SendMessageW(app.mainWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void clickAt(App& app, const std::wstring& argument) {
    auto parts = fields(argument, 2, 3, "X,Y[,MODS]");
    clickCanvas(app, parseInt(parts[0], "X"), parseInt(parts[1], "Y"),
                parts.size() > 2 ? parseModifiers(parts[2]) : MOD_NONE);
}

void dragAlong(App& app, const std::wstring& argument) {
    auto parts = fields(argument, 4, 6, "X0,Y0,X1,Y1[,MODS[,BUTTON]]");
    POINT from = {parseInt(parts[0], "X0"), parseInt(parts[1], "Y0")};
    POINT to = {parseInt(parts[2], "X1"), parseInt(parts[3], "Y1")};
    dragCanvas(app, from, to, parts.size() > 4 ? parseModifiers(parts[4]) : MOD_NONE,
               parts.size() > 5 ? parseButton(parts[5]) : 0);
}

void wheelAt(App& app, const std::wstring& argument) {
    auto parts = fields(argument, 3, 3, "X,Y,DELTA");
    wheelCanvas(app, parseInt(parts[0], "X"), parseInt(parts[1], "Y"), parseInt(parts[2], "DELTA"));
}

void resizeEditor(App& app, const std::wstring& argument) {
    auto parts = fields(argument, 2, 2, "W,H");
    int width = parseInt(parts[0], "W"), height = parseInt(parts[1], "H");
    if (width <= 0 || height <= 0) fail("the size must be positive");
    SetWindowPos(editorParts(app).editor, nullptr, 0, 0, int(width), int(height),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// OLD=NEW
void renameTexture(App& app, const std::wstring& argument) {
    size_t equals = argument.find(L'=');
    if (equals == std::wstring::npos || equals + 1 == argument.size()) fail("expected OLD=NEW");
    app.document->renameTexture(textureNamed(app, argument.substr(0, equals)), argument.substr(equals + 1));
}

}  // namespace

void paintTexture(App& app, const std::wstring& argument) {
    size_t colon = argument.rfind(L':');
    if (colon == std::wstring::npos) fail("expected NAME:X,Y,W,H,RRGGBB");
    std::vector<std::wstring> parts = splitText(argument.substr(colon + 1), L',');
    if (parts.size() != 5) fail("expected NAME:X,Y,W,H,RRGGBB");
    // 64-bit, and checked against the texture before any pixel is made: x + w of two
    // 32-bit numbers overflows, and a rectangle bigger than the image is refused at once.
    long long x = 0, y = 0, width = 0, height = 0;
    const std::pair<long long*, const char*> numbers[] = {{&x, "X"}, {&y, "Y"}, {&width, "W"}, {&height, "H"}};
    for (size_t i = 0; i < 4; ++i) *numbers[i].first = parseInteger(parts[i], numbers[i].second);
    size_t used = 0;
    unsigned long rgb = 0;
    try {
        rgb = std::stoul(parts[4], &used, 16);
    } catch (const std::exception&) {
    }
    if (parts[4].size() != 6 || used != 6) fail("colour \"" + devhost::utf8(parts[4]) + "\" is not RRGGBB");
    const std::wstring name = argument.substr(0, colon);
    const LONG id = textureNamed(app, name);
    const devhost::Pixels32& image = app.document->texture(id)->image();
    if (width <= 0 || height <= 0) fail("W and H must be at least 1");
    if (x < 0 || y < 0 || x > image.width - width || y > image.height - height)
        fail("the rectangle at (" + std::to_string(x) + "," + std::to_string(y) + ") of " + std::to_string(width) +
             " x " + std::to_string(height) + " pixels is not inside texture \"" + devhost::utf8(name) + "\" (" +
             std::to_string(image.width) + " x " + std::to_string(image.height) + ")");
    std::vector<std::uint32_t> pixels(size_t(width) * size_t(height), 0xFF000000u | std::uint32_t(rgb));
    try {
        app.document->changeTexturePixels(id, int(x), int(y), int(x + width), int(y + height), pixels);
    } catch (const std::invalid_argument& error) {
        fail(error.what());
    }
}

namespace {

// The file dropped on the main window as the shell drops it.
void dropFile(App& app, const std::wstring& path) {
    std::wstring full = std::filesystem::absolute(path).wstring();
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (full.size() + 2) * sizeof(wchar_t));
    if (!memory) fail("out of memory");
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, full.c_str(), (full.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SendMessageW(app.mainWindow, WM_DROPFILES, WPARAM(memory), 0);  // the window frees it
}

bool parseSwitch(const std::wstring& text) {
    if (text == L"on") return true;
    if (text == L"off") return false;
    fail("expected on or off");
}

// The main window's client area with the 3D view as it draws itself (OpenGL does not
// draw into what GDI reads back).
devhost::Pixels32 captureHost(App& app) {
    devhost::Pixels32 image = captureWindow(app.mainWindow);
    if (!app.view || !app.view->usesOpenGL()) return image;
    devhost::Pixels32 view = app.view->capture();
    POINT origin = {0, 0};
    MapWindowPoints(app.view->window(), app.mainWindow, &origin, 1);
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x) {
            int tx = origin.x + x, ty = origin.y + y;
            if (tx >= 0 && ty >= 0 && tx < image.width && ty < image.height)
                image.pixels[size_t(ty) * image.width + tx] = view.pixels[size_t(y) * view.width + x];
        }
    return image;
}

void waitStep(App& app, const std::wstring& argument) {
    int milliseconds = parseInt(argument, "time");
    if (milliseconds < 0) fail("the time must not be negative");
    waitFor(app, milliseconds);
}

// "METHOD:N" or "METHOD:N+": the Nth call of the host method from now fails (with +,
// every later one too); "METHOD:0" ends its failures.
void failHostCall(App& app, const std::wstring& plan) {
    size_t colon = plan.rfind(L':');
    if (colon == std::wstring::npos) fail("expected METHOD:N or METHOD:N+");
    std::wstring count = plan.substr(colon + 1);
    bool onward = !count.empty() && count.back() == L'+';
    if (onward) count.pop_back();
    try {
        app.document->failHostCall(devhost::utf8(plan.substr(0, colon)), parseInt(count, "call"), onward);
    } catch (const std::invalid_argument& error) {
        fail(error.what());
    }
}

// ---- The step table ----

// One row per step: its option, whether it takes an argument, and what it does.
// --dialog-text CONTROL=TEXT, --dialog-click CONTROL and --capture-dialog FILE act on
// the dialog or message box the editor has open (CONTROL: its number or its text); a
// --uv-command that opens a modal dialog lets the steps after it run while the dialog
// waits. --batch (no message boxes; exit after the steps) and --no-opengl (the 3D view
// draws with GDI) are read at start-up. The --texture-* steps change the document's
// textures by name as a host's user would (add FILE, rename OLD=NEW, delete, reload
// from its file, paint NAME:X,Y,W,H,RRGGBB); --uv-texture ENTRY picks an entry of the
// editor's texture list; --drop FILE drops a file on the main window.
struct StepKind {
    const wchar_t* option;
    bool takesArgument;
    void (*run)(App& app, const std::wstring& argument);
};

const StepKind kSteps[] = {
    {L"--open", true, [](App& app, const std::wstring& a) { openMesh(app, a); }},
    {L"--plugin", true,
     [](App& app, const std::wstring& a) {
         app.plugins.loadModule(a);
         rebuildPluginMenu(app);
     }},
    {L"--texture-add", true, [](App& app, const std::wstring& a) { addTextureFile(app, a); }},
    {L"--texture-rename", true, renameTexture},
    {L"--texture-delete", true, [](App& app, const std::wstring& a) { app.document->deleteTexture(textureNamed(app, a)); }},
    {L"--texture-reload", true, [](App& app, const std::wstring& a) { reloadTexture(app, textureNamed(app, a)); }},
    {L"--texture-paint", true, paintTexture},
    {L"--uv-texture", true, chooseTexture},
    {L"--drop", true, dropFile},
    {L"--select-3d", true, select3D},
    {L"--hide-3d", true, hide3D},
    {L"--invoke", true, invokePlugin},
    {L"--uv-command", true, runEditorCommand},
    {L"--host-command", true, runHostCommand},
    {L"--uv-toolbar", true,
     [](App& app, const std::wstring& a) { clickToolbarButton(app, parseInt(a, "command")); }},
    {L"--uv-click", true, clickAt},
    {L"--uv-drag", true, dragAlong},
    {L"--uv-wheel", true, wheelAt},
    {L"--uv-resize", true, resizeEditor},
    {L"--wait", true, waitStep},
    {L"--fail-host-call", true, failHostCall},
    {L"--undo", false,
     [](App& app, const std::wstring&) {
         if (!app.document->undo()) fail("there is nothing to undo");
     }},
    {L"--redo", false,
     [](App& app, const std::wstring&) {
         if (!app.document->redo()) fail("there is nothing to redo");
     }},
    {L"--save", true, [](App& app, const std::wstring& a) { saveMesh(app, a); }},
    {L"--dump", true, [](App& app, const std::wstring& a) { writeDump(app, a); }},
    {L"--capture", true,
     [](App& app, const std::wstring& a) { devhost::writePngFile(a, captureWindow(editorParts(app).editor)); }},
    {L"--capture-host", true, [](App& app, const std::wstring& a) { devhost::writePngFile(a, captureHost(app)); }},
    {L"--save-images", true, [](App& app, const std::wstring& a) { saveImages(app, a); }},
    {L"--dialog-text", true, setDialogText},
    {L"--dialog-click", true, clickDialogButton},
    {L"--capture-dialog", true,
     [](App& app, const std::wstring& a) { devhost::writePngFile(a, captureWindow(openDialog(app), true)); }},
    {L"--checker", true, [](App& app, const std::wstring& a) { app.view->setChecker(parseSwitch(a)); }},
    {L"--batch", false, [](App&, const std::wstring&) {}},
    {L"--no-opengl", false, [](App&, const std::wstring&) {}},
};

const StepKind* findStep(const std::wstring& option) {
    for (const StepKind& kind : kSteps)
        if (option == kind.option) return &kind;
    return nullptr;
}

}  // namespace

// ---- Running ----

std::vector<std::wstring> splitText(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (true) {
        size_t found = text.find(separator, start);
        parts.push_back(text.substr(start, found - start));
        if (found == std::wstring::npos) break;
        start = found + 1;
    }
    return parts;
}

std::vector<Step> parseCommandLine(int argc, wchar_t** argv) {
    std::vector<Step> steps;
    for (int i = 1; i < argc; ++i) {
        std::wstring word = argv[i];
        if (word.rfind(L"--", 0) != 0) {
            steps.push_back({L"--open", word});
            continue;
        }
        const StepKind* kind = findStep(word);
        if (!kind) fail("unknown option " + devhost::utf8(word));
        Step step{word, L""};
        if (kind->takesArgument) {
            if (i + 1 >= argc) fail(devhost::utf8(word) + " needs an argument");
            step.argument = argv[++i];
        }
        steps.push_back(step);
    }
    return steps;
}

void runStep(App& app, const Step& step) {
    const StepKind* kind = findStep(step.option);
    if (!kind) fail("unknown step");
    kind->run(app, step.argument);
    if (app.view) InvalidateRect(app.view->window(), nullptr, FALSE);
}

void runNextStep(App& app) {
    const Step& step = app.steps.at(app.nextStep++);
    try {
        runStep(app, step);
    } catch (const std::exception& error) {
        std::string text = devhost::utf8(step.option) + (step.argument.empty() ? "" : " " + devhost::utf8(step.argument)) +
                           ": " + error.what();
        // The remaining steps still run: a dump after a failed open shows that
        // the document did not change.
        reportProblem(app, text);
        app.status = 2;
    }
}

void runSteps(App& app) {
    while (!app.quit && app.nextStep < app.steps.size()) {
        app.stepRunning = true;
        runNextStep(app);
        app.stepRunning = false;
        app.quit = !pumpMessages(app);
    }
}

void writeDump(App& app, const std::filesystem::path& path) {
    devhost::Document& document = *app.document.Get();
    devhost::StateJson state;
    state["faces"] = devhost::facesToJson(document.faces());
    state["vertices"] = devhost::verticesToJson(document.vertices());
    devhost::StateJson undo = devhost::StateJson::array(), redo = devhost::StateJson::array();
    for (const std::wstring& text : document.undoDescriptions()) undo.push_back(devhost::utf8(text));
    for (const std::wstring& text : document.redoDescriptions()) redo.push_back(devhost::utf8(text));
    state["history"] = {{"undo", std::move(undo)}, {"redo", std::move(redo)}};
    devhost::StateJson textures = devhost::StateJson::array();
    for (const devhost::TextureInfo& texture : document.textures())
        textures.push_back({{"id", texture.id}, {"name", devhost::utf8(texture.name)}});
    state["textures"] = std::move(textures);
    devhost::StateJson images = devhost::StateJson::array(), materials = devhost::StateJson::array();
    for (const HostRef<devhost::Image>& image : document.images()) images.push_back(devhost::utf8(image->name()));
    for (const HostRef<devhost::Material>& material : document.materials())
        materials.push_back(devhost::utf8(material->name()));
    state["images"] = std::move(images);
    state["materials"] = std::move(materials);
    if (findEditorWindow(app)) state["editor"] = editorState(app);
    devhost::StateJson recentPaths = devhost::StateJson::array();
    for (const std::filesystem::path& file : recentFiles()) recentPaths.push_back(devhost::utf8(file.wstring()));
    char title[512] = {}, status[512] = {};
    GetWindowTextA(app.mainWindow, title, int(sizeof title));
    GetWindowTextA(app.statusBar, status, int(sizeof status));
    state["host"] = {{"locks", document.lockCount()},
                     {"groupOpen", document.groupOpen()},
                     {"callsFailed", document.hostCallsFailed()},
                     {"title", title},
                     {"status", status},
                     {"view", app.view->usesOpenGL() ? "OpenGL" : "GDI"},
                     {"checker", app.view->checker()},
                     {"recent", recentPaths}};
    devhost::writeState(path, state);
}

}  // namespace loomhost
