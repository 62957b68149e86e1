// The command-line steps, run in the order given.
#include "EditorWindows.h"
#include "LoomHost.h"

#include "lib/Journal.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <stdexcept>

namespace loomhost {

namespace {

// Options and whether they take an argument. --dialog-text CONTROL=TEXT,
// --dialog-click CONTROL and --capture-dialog FILE act on the dialog or message box
// the editor has open (CONTROL: its number or its text); a --uv-command that opens a
// modal dialog lets the steps after it run while the dialog waits.
const std::map<std::wstring, bool> kOptions = {
    {L"--open", true},       {L"--plugin", true},    {L"--texture", true},   {L"--select-3d", true},
    {L"--hide-3d", true},    {L"--invoke", true},    {L"--uv-command", true}, {L"--uv-toolbar", true},
    {L"--uv-click", true},   {L"--uv-drag", true},   {L"--uv-wheel", true},  {L"--uv-resize", true},
    {L"--wait", true},       {L"--undo", false},     {L"--redo", false},     {L"--save", true},
    {L"--dump", true},       {L"--capture", true},   {L"--capture-host", true}, {L"--save-images", true},
    {L"--dialog-text", true}, {L"--dialog-click", true}, {L"--capture-dialog", true},
    {L"--batch", false},
};

[[noreturn]] void fail(const std::string& why) { throw std::runtime_error(why); }

// The whole text as a decimal integer, or false.
bool readInteger(const std::wstring& text, long& value) {
    size_t used = 0;
    try {
        value = std::stol(text, &used);
    } catch (const std::exception&) {
        return false;
    }
    return used != 0 && used == text.size();
}

long parseInteger(const std::wstring& text, const char* what) {
    long value = 0;
    if (!readInteger(text, value)) fail(std::string(what) + " \"" + devhost::utf8(text) + "\" is not an integer");
    return value;
}

std::vector<int> parseIndices(const std::wstring& list, const char* what) {
    std::vector<int> indices;
    if (list.empty()) return indices;
    for (const std::wstring& part : splitText(list, L',')) {
        long value = parseInteger(part, what);
        if (value < 0) fail(std::string(what) + " " + std::to_string(value) + " is negative");
        indices.push_back(int(value));
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

HWND editorDialog(const App& app) {
    editorParts(app);  // says when the editor itself is not open
    HWND dialog = findEditorDialog(app);
    if (!dialog) fail("no dialog of the UV editor is open");
    return dialog;
}

// A control of the dialog by its number or else by its text (without '&', any case).
HWND dialogControl(HWND dialog, const std::wstring& which) {
    long id = 0;
    if (readInteger(which, id))
        if (HWND control = GetDlgItem(dialog, int(id))) return control;
    // Otherwise by text: a button may read "90".
    auto plain = [](std::wstring text) {
        text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
        for (wchar_t& c : text) c = wchar_t(std::towlower(c));
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
    SetWindowTextW(dialogControl(editorDialog(app), argument.substr(0, equals)), argument.substr(equals + 1).c_str());
}

void clickDialogButton(App& app, const std::wstring& which) {
    HWND button = dialogControl(editorDialog(app), which);
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

}  // namespace

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
        auto option = kOptions.find(word);
        if (option == kOptions.end()) fail("unknown option " + devhost::utf8(word));
        Step step{word, L""};
        if (option->second) {
            if (i + 1 >= argc) fail(devhost::utf8(word) + " needs an argument");
            step.argument = argv[++i];
        }
        steps.push_back(step);
    }
    return steps;
}

void runStep(App& app, const Step& step) {
    const std::wstring& option = step.option;
    const std::wstring& argument = step.argument;
    devhost::Document& document = *app.document.Get();
    if (option == L"--open") {
        openMesh(app, argument);
    } else if (option == L"--plugin") {
        app.plugins.loadModule(argument);
        rebuildPluginMenu(app);
    } else if (option == L"--texture") {
        document.addTextureFile(argument);
    } else if (option == L"--select-3d") {
        select3D(app, argument);
    } else if (option == L"--hide-3d") {
        hide3D(app, argument);
    } else if (option == L"--invoke") {
        FunctionPlugin* plugin = app.plugins.find(devhost::utf8(argument));
        if (!plugin) {
            std::string known;
            for (const LoadedPlugin& loaded : app.plugins.plugins()) known += (known.empty() ? "" : ", ") + loaded.displayName;
            fail("no plug-in function of that name (loaded: " + (known.empty() ? "none" : known) + ")");
        }
        plugin->Execute(&document);
    } else if (option == L"--uv-command") {
        HWND editor = editorParts(app).editor;
        UINT command = editorMenuCommand(editor, argument);
        // Should the command open a modal dialog, the next steps run inside its loop.
        PostMessageW(app.mainWindow, WM_RESUME_STEPS, 0, 0);
        SendMessageW(editor, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    } else if (option == L"--uv-toolbar") {
        clickToolbarButton(app, int(parseInteger(argument, "command")));
    } else if (option == L"--uv-click") {
        auto parts = fields(argument, 2, 3, "X,Y[,MODS]");
        clickCanvas(app, int(parseInteger(parts[0], "X")), int(parseInteger(parts[1], "Y")),
                    parts.size() > 2 ? parseModifiers(parts[2]) : MOD_NONE);
    } else if (option == L"--uv-drag") {
        auto parts = fields(argument, 4, 6, "X0,Y0,X1,Y1[,MODS[,BUTTON]]");
        POINT from = {parseInteger(parts[0], "X0"), parseInteger(parts[1], "Y0")};
        POINT to = {parseInteger(parts[2], "X1"), parseInteger(parts[3], "Y1")};
        dragCanvas(app, from, to, parts.size() > 4 ? parseModifiers(parts[4]) : MOD_NONE,
                   parts.size() > 5 ? parseButton(parts[5]) : 0);
    } else if (option == L"--uv-wheel") {
        auto parts = fields(argument, 3, 3, "X,Y,DELTA");
        wheelCanvas(app, int(parseInteger(parts[0], "X")), int(parseInteger(parts[1], "Y")),
                    int(parseInteger(parts[2], "DELTA")));
    } else if (option == L"--uv-resize") {
        auto parts = fields(argument, 2, 2, "W,H");
        long width = parseInteger(parts[0], "W"), height = parseInteger(parts[1], "H");
        if (width <= 0 || height <= 0) fail("the size must be positive");
        SetWindowPos(editorParts(app).editor, nullptr, 0, 0, int(width), int(height),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (option == L"--wait") {
        long milliseconds = parseInteger(argument, "time");
        if (milliseconds < 0) fail("the time must not be negative");
        waitFor(app, milliseconds);
    } else if (option == L"--undo") {
        if (!document.undo()) fail("there is nothing to undo");
    } else if (option == L"--redo") {
        if (!document.redo()) fail("there is nothing to redo");
    } else if (option == L"--save") {
        saveMesh(app, argument);
    } else if (option == L"--dump") {
        writeDump(app, argument);
    } else if (option == L"--capture") {
        devhost::writePngFile(argument, captureWindow(editorParts(app).editor));
    } else if (option == L"--capture-host") {
        devhost::writePngFile(argument, captureWindow(app.mainWindow));
    } else if (option == L"--save-images") {
        saveImages(app, argument);
    } else if (option == L"--dialog-text") {
        setDialogText(app, argument);
    } else if (option == L"--dialog-click") {
        clickDialogButton(app, argument);
    } else if (option == L"--capture-dialog") {
        devhost::writePngFile(argument, captureWindow(editorDialog(app), true));
    } else {
        fail("unknown step");
    }
    if (app.view) InvalidateRect(app.view->window(), nullptr, FALSE);
}

void runNextStep(App& app) {
    const Step& step = app.steps.at(app.nextStep++);
    if (step.option == L"--batch") return;
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
    devhost::writeState(path, state);
}

}  // namespace loomhost
