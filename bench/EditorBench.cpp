// Times the editor end to end inside the development host: loomhost's own main window,
// document, history and 3D view, with the real Texloom.dll beside this program, on
// bumpy grids of 2 x n x n triangles (opened from an OBJ file as a user would).
//
// Each figure is the median of several runs, timed with QueryPerformanceCounter:
//   open          the "UV Editor" function until the editor is painted and its command
//                 states are set
//   command_*     a menu command: dispatch, operation, history entry, change events,
//                 command-state refresh (its timer delivered at once) and the repaint
//                 of every editor window it invalidated; undone (untimed) after each run
//   drag_step     one mouse move of a move drag of the whole selection, with the
//                 host's notification, the refresh and the repaint, Snap to Corners on
//   drag_step_stretch  the same with faces coloured by stretch, which follow each step
//   drag_step_faults   the same with flipped and overlapping faces tinted, following each step
//   frame_fit     one full canvas frame with every edge in view
//   frame_zoomed  the same zoomed in about 8 times about the centre
//   frame_fit_quality, frame_fit_stretch
//                 frame_fit with flipped and overlapping faces tinted, or with faces
//                 coloured by stretch (the tints are made once, after the toggle)
//   host_view_frame  one frame of loomhost's 3D view after every UV of the mesh moved
// The 3D view repaints between runs, untimed: it must not hold up the editor.
// History: the bytes the host's history holds per edit of one corner (its coordinate
// set from the controls bar) and per flip of the whole mesh. The first corner edit after
// the 3D selection changed is counted apart: its entry's start also joins the selection
// that the editor copied into every face to the entry before it, so that undoing that
// one puts the selection back too.
//
// Allocations: with each timed figure, the heap allocations and GDI objects the plug-in
// and the host made in its timed part, per run (counted through their import tables).
//
// Options: --largest times the largest grid only; --json FILE writes the largest grid's
// figures as
// {"editor": {"<name>": {"faces": N, "median_ms": X, "fastest_ms": X}},
//  "history": {"bytes_per_corner_edit": X, "bytes_per_whole_mesh_edit": X,
//              "bytes_first_corner_edit": X}}.
#include "AllocationCounter.h"
#include "app/EditorWindows.h"
#include "app/LoomHost.h"
#include "lib/Journal.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace loomhost;

namespace {

double now() {
    static const double period = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return 1.0 / double(frequency.QuadPart);
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return double(count.QuadPart) * period;
}

double median(std::vector<double> times) {
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

// The grid as OBJ text: (n + 1)^2 vertices on a bumpy surface, UVs on the grid points.
void writeGridObj(const std::filesystem::path& path, int n) {
    std::ofstream out(path);
    char line[128];
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            float x = 2.0f * float(i) / float(n) - 1.0f, y = 2.0f * float(j) / float(n) - 1.0f;
            std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\nvt %.6f %.6f\n", x, y,
                          0.25f * std::sin(3.0f * x) * std::cos(3.0f * y), float(i) / float(n), float(j) / float(n));
            out << line;
        }
    auto index = [n](int i, int j) { return j * (n + 1) + i + 1; };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            int a = index(i, j), b = index(i + 1, j), c = index(i + 1, j + 1), d = index(i, j + 1);
            std::snprintf(line, sizeof line, "f %d/%d %d/%d %d/%d\nf %d/%d %d/%d %d/%d\n", a, a, b, b, c, c, a, a, c, c,
                          d, d);
            out << line;
        }
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

// What the plug-in and the host allocated inside the timed parts of a figure's runs.
struct Counted {
    bench::Allocations side[2];
    int runs = 0;
};

class Bench {
public:
    explicit Bench(App& app) : app_(app) {}

    // Brackets a timed part: its allocations join those of the figure being timed.
    void countFrom() { start_[0] = allocations(bench::Side::Plugin), start_[1] = allocations(bench::Side::Host); }
    void countTo() {
        for (int side = 0; side < 2; ++side) {
            bench::Allocations a = allocations(bench::Side(side));
            counted_.side[side].heap += a.heap - start_[side].heap;
            counted_.side[side].gdi += a.gdi - start_[side].gdi;
        }
        ++counted_.runs;
    }
    // The counts since the last call.
    Counted takeCounted() { return std::exchange(counted_, Counted{}); }

    FunctionPlugin* function = nullptr;

    bool editorOpen() const { return findEditorWindow(app_) != nullptr; }
    EditorParts parts() const { return editorParts(app_, true); }

    // Every queued message, the 3D view's paint included (untimed).
    void settle() { pumpMessages(app_); }

    // What the editor still has to do for the user to see the result: messages posted
    // to it, its command-state refresh, and the paint of whatever it invalidated.
    // The 3D view's paint is left to settle().
    void finishEditorWork() {
        drainPosted();
        refreshCommandStates();
        repaintEditor();
    }
    void drainPosted() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
            if (message.message == WM_QUIT) break;
            dispatchMessage(app_, message);
        }
    }
    void refreshCommandStates() {
        if (HWND editor = findEditorWindow(app_)) SendMessageW(editor, WM_TIMER, kEditorCommandTimer, 0);
    }
    void repaintEditor() {
        if (HWND editor = findEditorWindow(app_)) RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }

    void toggleEditor() { function->Execute(app_.document.Get()); }

    double open() {
        if (editorOpen()) {
            toggleEditor();
            settle();
        }
        countFrom();
        double t0 = now();
        toggleEditor();
        finishEditorWork();
        double t = now() - t0;
        countTo();
        settle();
        return t;
    }

    void menu(const wchar_t* path) {
        SendMessageW(parts().editor, WM_COMMAND, MAKEWPARAM(menuCommand(parts().editor, path), 0), 0);
        finishEditorWork();
        settle();
    }

    // A check-mark display of the Tools menu on or off, whatever the settings left.
    void display(const wchar_t* path, bool on) {
        const UINT id = menuCommand(parts().editor, path);
        if (((GetMenuState(GetMenu(parts().editor), id, MF_BYCOMMAND) & MF_CHECKED) != 0) != on) menu(path);
    }

    // The command, timed (in total and by phase); then undone when it made an entry, so
    // every run starts alike.
    double command(const wchar_t* path, double phase[3]) {
        HWND editor = parts().editor;
        UINT id = menuCommand(editor, path);
        size_t entries = app_.document->undoDescriptions().size();
        countFrom();
        double t0 = now();
        SendMessageW(editor, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        drainPosted();
        double t1 = now();
        refreshCommandStates();
        double t2 = now();
        repaintEditor();
        double t3 = now();
        countTo();
        phase[0] = t1 - t0;
        phase[1] = t2 - t1;
        phase[2] = t3 - t2;
        settle();
        if (app_.document->undoDescriptions().size() > entries) {
            app_.document->undo();
            settle();
        }
        return t3 - t0;
    }

    // The host's part of an edit alone (the editor closed): group, edit bracket, a change
    // of one corner's or every corner's u, the entry and its events; undone after.
    double hostEdit(bool wholeMesh) {
        devhost::Document& document = *app_.document.Get();
        devhost::Mesh& mesh = *document.activeMesh();
        double t0 = now();
        document.BeginUndoGroup(L"Move UV Coords");
        mesh.BeginEdit(0, 4, 13, L"Move UV Coords");
        BYTE *vertices = nullptr, *faces = nullptr;
        LONG vertexCount = 0, faceCount = 0;
        mesh.LockFaces(&vertices, &vertexCount, &faces, &faceCount);
        auto* records = reinterpret_cast<devhost::DevFace*>(faces);
        for (LONG i = 0; i < (wholeMesh ? faceCount : 1); ++i) records[i].uv[0][0] += 0.25f;
        mesh.UnlockFaces();
        document.EndUndoGroup(TRUE);
        mesh.EndEdit();
        double t = now() - t0;
        settle();
        document.undo();
        settle();
        return t;
    }

    // One full frame of the window (the canvas, or the host's 3D view).
    double frame(HWND window) {
        InvalidateRect(window, nullptr, FALSE);
        countFrom();
        double t0 = now();
        UpdateWindow(window);
        double t = now() - t0;
        countTo();
        return t;
    }

    // Mouse input as the hand gives it: the button held in the key state too.
    void mouse(HWND canvas, UINT message, POINT at) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_LBUTTON] = message == WM_LBUTTONUP ? 0 : keys[VK_LBUTTON];
        if (message == WM_LBUTTONDOWN) keys[VK_LBUTTON] = 0x80;
        SetKeyboardState(keys);
        WPARAM held = (keys[VK_LBUTTON] & 0x80) ? MK_LBUTTON : 0;
        SendMessageW(canvas, message, held, MAKELPARAM(at.x, at.y));
    }

    // A move drag from `from` in steps of `step` pixels, alternating there and back so
    // that every step changes the layout; answers each step's time.
    std::vector<double> drag(POINT from, int step, int steps) {
        std::vector<double> times;
        const HWND canvas = parts().canvas;
        mouse(canvas, WM_MOUSEMOVE, from);
        mouse(canvas, WM_LBUTTONDOWN, from);
        finishEditorWork();
        for (int s = 1; s <= steps; ++s) {
            POINT at = {from.x + (s % 2) * step, from.y + (s % 2) * step};
            countFrom();
            double t0 = now();
            mouse(canvas, WM_MOUSEMOVE, at);
            finishEditorWork();
            double t = now() - t0;
            countTo();
            times.push_back(t);
        }
        POINT end = {from.x + (steps % 2) * step, from.y + (steps % 2) * step};
        mouse(canvas, WM_LBUTTONUP, end);
        settle();
        return times;
    }

    // Types the text into the controls bar's U and V boxes and presses its Set button.
    void setCoordinate(const wchar_t* text) {
        std::vector<HWND> edits;
        HWND button = nullptr;
        for (HWND child = GetWindow(parts().controls, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t type[32] = {};
            GetClassNameW(child, type, 32);
            if (lstrcmpiW(type, L"Edit") == 0) edits.push_back(child);
            else if (lstrcmpiW(type, L"Button") == 0 && !button) button = child;
        }
        if (edits.size() < 2 || !button) throw std::runtime_error("the controls bar has no U, V and Set");
        for (HWND edit : {edits[0], edits[1]}) SetWindowTextW(edit, text);
        SendMessageW(button, BM_CLICK, 0, 0);
        finishEditorWork();
        settle();
    }

    POINT canvasCentre() const {
        RECT client;
        GetClientRect(parts().canvas, &client);
        return {client.right / 2, client.bottom / 2};
    }

private:
    // The editor refreshes its menu and toolbar states on this one-shot timer.
    static constexpr UINT_PTR kEditorCommandTimer = 500;
    App& app_;
    bench::Allocations start_[2];
    Counted counted_;
};

struct Figure {
    Figure(const char* n) : name(n) {}
    const char* name;
    double seconds[3] = {};
    double fastest[3] = {};  // on a busy machine the fastest run shows the work best
    double phases[3] = {};  // of a command on the largest grid: dispatch, refresh, repaint
    Counted counted;        // on the largest grid

    void time(int size, const std::vector<double>& times, Counted allocated) {
        seconds[size] = median(times);
        fastest[size] = *std::min_element(times.begin(), times.end());
        counted = allocated;
    }
    // Heap allocations (or GDI objects) per run, of the plug-in or the host.
    double perRun(int side, bool gdi) const {
        const bench::Allocations& a = counted.side[side];
        return counted.runs ? double(gdi ? a.gdi : a.heap) / counted.runs : 0.0;
    }
};

std::wstring exeFolder() {
    wchar_t path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

int run(int argc, char** argv) {
    const char* jsonPath = nullptr;
    bool largestOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0 && i + 1 < argc) jsonPath = argv[++i];
        else if (std::strcmp(argv[i], "--largest") == 0) largestOnly = true;
        else {
            std::fprintf(stderr, "usage: texloom_editor_bench [--largest] [--json FILE]\n");
            return 2;
        }
    }

    App app;
    app.instance = GetModuleHandleW(nullptr);
    app.batch = true;
    app.document = devhost::Document::create();
    app.document->setJournaling(false);  // as in a loomhost session
    createMainWindow(app);
    if (!app.mainWindow) throw std::runtime_error("the main window could not be created");
    app.document->setMainWindow(app.mainWindow);
    ShowWindow(app.mainWindow, SW_SHOWNOACTIVATE);
    UpdateWindow(app.mainWindow);
    app.plugins.loadModule(exeFolder() + L"\\Texloom.dll");
    if (!bench::countAllocations(GetModuleHandleW(L"Texloom.dll"), bench::Side::Plugin) ||
        !bench::countAllocations(GetModuleHandleW(nullptr), bench::Side::Host))
        throw std::runtime_error("the allocating imports of Texloom.dll or of this program were not found");
    rebuildPluginMenu(app);

    Bench bench(app);
    bench.function = app.plugins.find("UV Editor");
    if (!bench.function) throw std::runtime_error("Texloom.dll has no \"UV Editor\" function");

    const int sizes[3] = {16, 64, 255};  // 255 x 255 quads: 65536 vertices, the most 16-bit indices reach
    const int opens = 5, runs = 7, frames = 11, dragSteps = 21, historyEdits = 20;
    const struct {
        const char* name;
        const wchar_t* path;
    } commands[] = {
        {"command_select_all", L"Select/Select All"},
        {"command_invert", L"Select/Invert Selection"},
        {"command_weld_all", L"Edit/Weld All"},
        {"command_box", L"Mapping/Box/+Z"},
        {"command_cylindrical", L"Mapping/Cylindrical/+Z"},
        {"command_flip", L"Transform/Flip/Horizontal"},
        {"command_split", L"Tools/Split Selection"},
        {"command_stitch", L"Tools/Stitch"},
        {"command_orient", L"Tools/Orient Islands"},
        {"command_stack", L"Tools/Stack Similar Islands"},
        {"command_align_left", L"Tools/Align/Left"},
        {"command_straighten", L"Tools/Straighten"},
        {"command_grid", L"Tools/Straighten to Grid"},
    };
    std::vector<Figure> figures = {{"open"},         {"frame_fit"},         {"frame_fit_quality"},
                                   {"frame_fit_stretch"}, {"frame_zoomed"}, {"drag_step"}, {"drag_step_stretch"},
                                   {"drag_step_faults"}};
    for (const auto& c : commands) figures.push_back({c.name});
    auto figure = [&](const char* name) -> Figure& {
        for (Figure& f : figures)
            if (std::strcmp(f.name, name) == 0) return f;
        throw std::logic_error(name);
    };
    int faces[3] = {};
    double cornerEditBytes[3] = {}, firstCornerEditBytes[3] = {}, wholeMeshEditBytes[3] = {};
    int zoomedTo[3] = {};
    double zoomRatio[3] = {};
    double viewFrame[3] = {};
    double hostEditTime[2][3] = {};  // the host's part of an edit of one corner, of every corner

    const std::filesystem::path obj = std::filesystem::temp_directory_path() / L"texloom-editor-bench.obj";
    for (int s = largestOnly ? 2 : 0; s < 3; ++s) {
        writeGridObj(obj, sizes[s]);
        if (bench.editorOpen()) bench.toggleEditor();
        openMesh(app, obj);
        app.document->selectAll3D();
        bench.settle();
        faces[s] = int(app.document->faces().size());

        for (int wholeMesh = 0; wholeMesh < 2; ++wholeMesh) {
            std::vector<double> times;
            for (int r = 0; r < runs; ++r) times.push_back(bench.hostEdit(wholeMesh != 0));
            hostEditTime[wholeMesh][s] = median(times);
        }

        // A first opening, untimed, gives the editor a fixed size for every run after.
        bench.open();
        bench.takeCounted();
        SetWindowPos(bench.parts().editor, nullptr, 0, 0, 600, 480, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        bench.settle();
        std::vector<double> times;
        for (int r = 0; r < opens; ++r) times.push_back(bench.open());
        figure("open").time(s, times, bench.takeCounted());
        SetWindowPos(bench.parts().editor, nullptr, 0, 0, 600, 480, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        bench.menu(L"View/Zoom Extents");
        const std::pair<const wchar_t*, const char*> displays[] = {
            {L"Tools/Show Flipped and Overlapping", "frame_fit_quality"}, {L"Tools/Show Stretch", "frame_fit_stretch"}};
        for (const auto& [display, name] : displays) bench.display(display, false);

        times.clear();
        for (int r = 0; r < frames; ++r) times.push_back(bench.frame(bench.parts().canvas));
        figure("frame_fit").time(s, times, bench.takeCounted());
        for (const auto& [display, name] : displays) {
            bench.display(display, true);
            times.clear();
            for (int r = 0; r < frames; ++r) times.push_back(bench.frame(bench.parts().canvas));
            figure(name).time(s, times, bench.takeCounted());
            bench.display(display, false);
        }

        // The fitted zoom puts the unit square (256 canvas units unless the settings say
        // otherwise) into the canvas less a margin of 20 pixels a side.
        RECT client;
        GetClientRect(bench.parts().canvas, &client);
        const double fitted = (std::min(client.right, client.bottom) - 40) / 256.0;
        zoomedTo[s] = std::clamp(int(std::lround(8.0 * fitted)), 2, 12);
        zoomRatio[s] = zoomedTo[s] / fitted;
        bench.menu((L"View/Zoom/" + std::to_wstring(zoomedTo[s]) + L":1").c_str());
        times.clear();
        for (int r = 0; r < frames; ++r) times.push_back(bench.frame(bench.parts().canvas));
        figure("frame_zoomed").time(s, times, bench.takeCounted());
        bench.menu(L"View/Zoom Extents");

        // Every UV moved before each frame of the 3D view, so each frame uploads them all.
        times.clear();
        for (int r = 0; r < frames; ++r) {
            for (devhost::DevFace& face : app.document->faces())
                for (auto& uv : face.uv) uv[0] += r % 2 ? -1.0f / 1024 : 1.0f / 1024;
            times.push_back(bench.frame(app.view->window()));
        }
        viewFrame[s] = median(times);
        bench.takeCounted();  // the 3D view's frames are not the editor's

        for (const auto& c : commands) {
            times.clear();
            std::vector<double> phases[3];
            for (int r = 0; r < runs; ++r) {
                double phase[3];
                times.push_back(bench.command(c.path, phase));
                for (int p = 0; p < 3; ++p) phases[p].push_back(phase[p]);
            }
            figure(c.name).time(s, times, bench.takeCounted());
            for (int p = 0; p < 3; ++p) figure(c.name).phases[p] = median(phases[p]);
        }

        // The whole selection dragged (it starts at a selected corner at the centre), with
        // Snap to Corners on.
        size_t entries = 0;
        bench.display(L"Tools/Snap to Corners", true);
        const std::pair<const wchar_t*, const char*> dragDisplays[] = {
            {nullptr, "drag_step"}, {L"Tools/Show Stretch", "drag_step_stretch"},
            {L"Tools/Show Flipped and Overlapping", "drag_step_faults"}};
        for (const auto& [display, name] : dragDisplays) {
            if (display) bench.display(display, true);
            entries = app.document->undoDescriptions().size();
            times = bench.drag(bench.canvasCentre(), 25, dragSteps);
            figure(name).time(s, times, bench.takeCounted());
            if (app.document->undoDescriptions().size() != entries + 1)
                throw std::runtime_error("the drag at the centre of the canvas made no history entry");
            app.document->undo();
            bench.settle();
            if (display) bench.display(display, false);
        }
        bench.display(L"Tools/Snap to Corners", false);

        // History: the whole mesh flipped; then the one corner of the grid's last vertex
        // of the first row (selected in 3D, which the editor copies) set from the
        // controls bar, to alternate values.
        // The first flip drops the redo entries the runs above left; the second is measured
        // and puts the layout back.
        bench.menu(L"Transform/Flip/Horizontal");
        size_t before = app.document->historyBytes();
        bench.menu(L"Transform/Flip/Horizontal");
        wholeMeshEditBytes[s] = double(app.document->historyBytes() - before);
        app.document->selectVertices3D({sizes[s]});
        bench.settle();
        before = app.document->historyBytes();
        entries = app.document->undoDescriptions().size();
        bench.setCoordinate(L"0.5");
        firstCornerEditBytes[s] = double(app.document->historyBytes() - before);
        before = app.document->historyBytes();
        for (int e = 0; e < historyEdits; ++e) bench.setCoordinate(e % 2 ? L"0.75" : L"0.25");
        if (app.document->undoDescriptions().size() != entries + 1 + historyEdits)
            throw std::runtime_error("setting the one corner's coordinate did not make one history entry each");
        cornerEditBytes[s] = double(app.document->historyBytes() - before) / historyEdits;
        app.document->selectAll3D();
        bench.settle();
    }
    if (bench.editorOpen()) bench.toggleEditor();
    bench.settle();
    std::filesystem::remove(obj);

    std::printf("%-20s", "editor (median ms)");
    for (int s = 0; s < 3; ++s) {
        char header[64];
        std::snprintf(header, sizeof header, "2x%dx%d (%d faces)", sizes[s], sizes[s], faces[s]);
        std::printf(" | %24s", header);
    }
    std::printf("\n");
    for (const Figure& f : figures) {
        std::printf("%-20s", f.name);
        for (int s = 0; s < 3; ++s) std::printf(" | %24.2f", f.seconds[s] * 1e3);
        std::printf("\n");
    }
    std::printf("%-20s", "(host 3D view frame)");
    for (int s = 0; s < 3; ++s) std::printf(" | %24.2f", viewFrame[s] * 1e3);
    std::printf("\n%-20s", "(host edit, 1 corner)");
    for (int s = 0; s < 3; ++s) std::printf(" | %24.2f", hostEditTime[0][s] * 1e3);
    std::printf("\n%-20s", "(host edit, all)");
    for (int s = 0; s < 3; ++s) std::printf(" | %24.2f", hostEditTime[1][s] * 1e3);
    const struct {
        const char* name;
        const double* bytes;
    } historyRows[] = {{"history B/corner", cornerEditBytes},
                       {"  1st after 3D sel.", firstCornerEditBytes},
                       {"  whole-mesh flip", wholeMeshEditBytes}};
    for (const auto& row : historyRows) {
        std::printf("\n%-20s", row.name);
        for (int s = 0; s < 3; ++s) std::printf(" | %24.0f", row.bytes[s]);
    }
    std::printf("\n(frame_zoomed at");
    for (int s = 0; s < 3; ++s) std::printf(" %d:1 (%.1fx)", zoomedTo[s], zoomRatio[s]);
    std::printf(" the fitted zoom)\n(host 3D view frame: every UV changed before it; %s)\n",
                app.view->rendererText().c_str());
    std::printf("\ncommands on the largest grid by phase (median ms): dispatch (operation, history, events,\n"
                "selection refresh) | command-state refresh | repaint of the editor\n");
    for (const Figure& f : figures)
        if (std::strncmp(f.name, "command_", 8) == 0)
            std::printf("%-20s | %8.2f | %8.2f | %8.2f\n", f.name, f.phases[0] * 1e3, f.phases[1] * 1e3,
                        f.phases[2] * 1e3);

    std::printf("\nallocations per run on the largest grid (heap blocks, GDI objects): plug-in | host\n");
    for (const Figure& f : figures)
        std::printf("%-20s | %6.1f heap %5.1f GDI | %6.1f heap %5.1f GDI\n", f.name, f.perRun(0, false),
                    f.perRun(0, true), f.perRun(1, false), f.perRun(1, true));

    if (jsonPath) {
        FILE* f = std::fopen(jsonPath, "w");
        bool ok = f != nullptr;
        if (f) {
            std::fprintf(f, "{\"editor\": {");
            for (size_t i = 0; i < figures.size(); ++i)
                std::fprintf(f,
                             "%s\n  \"%s\": {\"faces\": %d, \"median_ms\": %.4f, \"fastest_ms\": %.4f, "
                             "\"plugin_allocations\": %.2f, \"plugin_gdi_objects\": %.2f, "
                             "\"host_allocations\": %.2f, \"host_gdi_objects\": %.2f}",
                             i ? "," : "", figures[i].name, faces[2], figures[i].seconds[2] * 1e3,
                             figures[i].fastest[2] * 1e3, figures[i].perRun(0, false), figures[i].perRun(0, true),
                             figures[i].perRun(1, false), figures[i].perRun(1, true));
            std::fprintf(f, ",\n  \"host_view_frame\": {\"faces\": %d, \"median_ms\": %.4f}", faces[2], viewFrame[2] * 1e3);
            std::fprintf(f,
                         "\n},\n\"history\": {\"bytes_per_corner_edit\": %.0f, \"bytes_per_whole_mesh_edit\": %.0f, "
                         "\"bytes_first_corner_edit\": %.0f}}\n",
                         cornerEditBytes[2], wholeMeshEditBytes[2], firstCornerEditBytes[2]);
            ok = std::fclose(f) == 0 && ok;
        }
        if (!ok) {
            std::fprintf(stderr, "texloom_editor_bench: cannot write %s\n", jsonPath);
            return 1;
        }
    }

    shutDown(app);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    int status = 1;
    try {
        status = run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "texloom_editor_bench: %s\n", error.what());
    }
    OleUninitialize();
    return status;
}
