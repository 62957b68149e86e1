// Seeded random edit sequences on the real editor inside loomhost's own window, document
// and history: random meshes (locked, hidden and selected corners, NaN UVs, vertex indices
// beyond the count) and random menu commands, toolbar buttons, clicks, drags, wheel turns
// and dialog Applies, run as loomhost's own command-line steps. After each action: locked
// corners kept their UVs, hidden faces were left alone (but by the visibility commands),
// nothing outside the action's reach changed, no lock or undo group is left open. At the
// end undoing to the start gives back every byte, redoing every byte of the end.
//
// Synchronisation of the UV and 3D selections stays off (the sequences turn it off first
// and never back on): with it, a redo's change event lets the editor copy the 3D
// selection, so redo would not give back the bytes of the end by design.
//
// TEXLOOM_RANDOM_EDITS=SEQUENCES[,STEPS[,FIRST_SEED]] runs a longer soak. A failure prints
// its seed and a shortened loomhost.exe command line that shows it.
#include "app/EditorWindows.h"
#include "app/LoomHost.h"
#include "devhost/DevHostFixture.h"
#include "lib/Journal.h"
#include "model/Records.h"
#include "platform/SettingsKey.h"
#include "resource.h"
#include "support/UiTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>

using namespace loomhost;
using devhost::DevFace;
using devhost::DevVertex;

namespace {

// What an action may change in the face records besides what every action may: flag
// bits (of visible faces, or of hidden ones too) and any field of some visible faces.
enum Fields { NO_FACE, SELECTED_FACES, VISIBLE_FACES, HISTORY };  // HISTORY: anything the history holds
struct Reach {
    std::uint16_t bits;
    bool hiddenToo;  // the bits of hidden faces as well
    Fields fields;   // SELECTED_FACES: faces with a selected visible corner
};
const Reach VIEW{0, false, NO_FACE}, SELECTION{UV_SELECTED_ALL, false, NO_FACE}, LOCKS{UV_LOCKED_ALL, false, NO_FACE},
    GROWTH{UV_SELECTED_ALL, true, NO_FACE},  // expand and contract take whole faces
    VISIBILITY{UV_SELECTED_ALL | UV_HIDDEN_ALL, true, NO_FACE}, SELECTED{UV_SELECTED_ALL, false, SELECTED_FACES},
    WHOLE{0, false, VISIBLE_FACES}, UNDO_REDO{0, false, HISTORY};

struct Action { Reach reach; std::vector<Step> steps; };

// Deterministic on every platform (splitmix64).
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % std::uint64_t(n)); }
    bool chance(int percent) { return below(100) < percent; }
    float between(float lo, float hi) { return lo + (hi - lo) * float(next() >> 40) / float(1 << 24); }
    template <class T, size_t N>
    const T& pick(const T (&items)[N]) { return items[below(int(N))]; }
};

struct Command { const wchar_t* path; Reach reach; };

const Command kMenuCommands[] = {
    {L"Edit/Hide Selection", VISIBILITY}, {L"Edit/Hide Unselected", VISIBILITY}, {L"Edit/Invert Hidden", VISIBILITY},
    {L"Edit/Unhide All", VISIBILITY}, {L"Edit/Reverse Winding Order", SELECTED}, {L"Edit/Snap Together", SELECTED},
    {L"Edit/Weld Selection", SELECTED}, {L"Edit/Weld All", WHOLE}, {L"Edit/Create Material With Outlines", VIEW},
    {L"Select/Select All", SELECTION}, {L"Select/Invert Selection", SELECTION}, {L"Select/Deselect All", SELECTION},
    {L"Select/Expand Selection", GROWTH}, {L"Select/Contract Selection", GROWTH}, {L"Tools/Select Island", SELECTION},
    {L"Transform/Flip/Horizontal", SELECTED}, {L"Transform/Flip/Vertical", SELECTED},
    {L"Transform/Mirror/Left", SELECTED}, {L"Transform/Mirror/Right", SELECTED}, {L"Transform/Mirror/Top", SELECTED},
    {L"Transform/Mirror/Bottom", SELECTED}, {L"Mapping/Planar/Best Match", SELECTED},
    {L"Mapping/Planar/+X", SELECTED}, {L"Mapping/Planar/--Z", SELECTED}, {L"Mapping/Box/+Y", SELECTED},
    {L"Mapping/Box/--X", SELECTED}, {L"Mapping/Cylindrical/+Z", SELECTED}, {L"Mapping/Cylindrical/--Y", SELECTED},
    {L"Mapping/Spherical/+X", SELECTED}, {L"Mapping/Spherical/--Z", SELECTED}, {L"Tools/Unwrap", SELECTED},
    {L"Tools/Unwrap Conformal", SELECTED}, {L"Tools/Relax", SELECTED},
    {L"Tools/Auto Unwrap", SELECTED}, {L"Tools/Pack Islands", SELECTED}, {L"Tools/Split Selection", SELECTED},
    {L"Tools/Stitch", WHOLE}, {L"Tools/Orient Islands", SELECTED}, {L"Tools/Stack Similar Islands", SELECTED},
    {L"Tools/Align/Left", SELECTED}, {L"Tools/Align/Centre Vertically", SELECTED}, {L"Tools/Straighten", SELECTED},
    {L"Tools/Straighten to Grid", SELECTED}, {L"Tools/Snap to Corners", VIEW}, {L"View/Zoom Extents", VIEW},
    {L"View/Zoom Selection Extents", VIEW}, {L"View/Zoom/1:5", VIEW}, {L"View/Zoom/1:1", VIEW},
    {L"View/Zoom/4:1", VIEW}, {L"View/Zoom/12:1", VIEW}, {L"View/Snap To Grid", VIEW}, {L"View/Snap Angles", VIEW},
    {L"View/Show Grid", VIEW}, {L"View/Show Texture Background", VIEW}, {L"View/Show Tiled Texture", VIEW},
    {L"View/Show Only Faces Selected in 3D View", VIEW},
};

struct Button { int id; Reach reach; };

// Every toolbar button but synchronisation.
const Button kButtons[] = {
    {ID_TOOL_UNDO, UNDO_REDO}, {ID_TOOL_REDO, UNDO_REDO}, {ID_TOOL_SELECT_UV_COORDS, VIEW},
    {ID_TOOL_SELECT_UV_TRIANGLES, VIEW}, {ID_TOOL_PAN, VIEW}, {ID_TOOL_ZOOM, VIEW}, {ID_TOOL_ZOOM_REGION, VIEW},
    {ID_VIEW_ZOOM_SELECTION_EXTENTS, VIEW}, {ID_VIEW_ZOOM_EXTENTS, VIEW},
    {ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D, VIEW}, {ID_TOOL_LOCK_SELECTED_COORDS, LOCKS},
    {ID_SELECT_EXPAND_SELECTION, GROWTH}, {ID_SELECT_CONTRACT_SELECTION, GROWTH}, {ID_VIEW_SHOW_GRID, VIEW},
    {ID_VIEW_SNAP_TO_GRID, VIEW}, {ID_VIEW_SNAP_ANGLES, VIEW},
};

const wchar_t* const kModifiers[] = {L"none", L"none", L"shift", L"ctrl", L"shift+ctrl"};
const wchar_t* const kNumbers[] = {L"0", L"0.25", L"-1.5", L"90", L"1e30", L"-0", L"abc", L"", L"2", L"0.001"};

std::wstring number(int n) { return std::to_wstring(n); }
std::wstring point(Random& r) { return number(r.below(560) - 30) + L"," + number(r.below(460) - 30); }

Action randomAction(Random& r) {
    auto menu = [](const std::wstring& path) { return Step{L"--uv-command", path}; };
    auto text = [](int control, const std::wstring& value) {
        return Step{L"--dialog-text", number(control) + L"=" + value};
    };
    const Step apply{L"--dialog-click", number(IDC_APPLY)}, done{L"--dialog-click", L"Done"};
    switch (r.below(14)) {
    case 0: case 1: case 2: case 3: case 4: {
        const Command& c = r.pick(kMenuCommands);
        return {c.reach, {menu(c.path)}};
    }
    case 5: case 6: {
        const Button& b = r.pick(kButtons);
        return {b.reach, {{L"--uv-toolbar", number(b.id)}}};
    }
    case 7: return {SELECTION, {{L"--uv-click", point(r) + L"," + r.pick(kModifiers)}}};
    case 8: {
        const wchar_t* const buttons[] = {L"left", L"left", L"left", L"right", L"middle"};
        // A left drag picks or moves what it starts on; the others pan or zoom.
        return {SELECTED, {{L"--uv-drag", point(r) + L"," + point(r) + L"," + r.pick(kModifiers) + L"," +
                                                       r.pick(buttons)}}};
    }
    case 9: return {VIEW, {{L"--uv-wheel", point(r) + L"," + number((r.below(7) - 3) * 120)}}};
    case 10: {  // Move or Scale: one or two Applies
        Action a{SELECTED, {menu(r.chance(50) ? L"Transform/Move..." : L"Transform/Scale...")}};
        for (int k = 1 + r.below(2); k > 0; --k) {
            a.steps.insert(a.steps.end(), {text(IDC_VALUE_U, r.pick(kNumbers)), text(IDC_VALUE_V, r.pick(kNumbers))});
            if (r.chance(30)) a.steps.push_back({L"--dialog-click", number(IDC_ABSOLUTE)});
            a.steps.push_back(apply);
        }
        a.steps.push_back(done);
        return a;
    }
    case 11: {
        Action a{SELECTED, {menu(L"Transform/Rotate...")}};
        if (r.chance(50)) a.steps.insert(a.steps.end(), {text(IDC_ANGLE, r.pick(kNumbers)), apply});
        else a.steps.push_back({L"--dialog-click", number(IDC_ROTATE_90 + r.below(3))});
        a.steps.push_back(done);
        return a;
    }
    case 12: {  // the modeless grouping dialog: a mode and a group, closed by its command again
        const int modes[] = {IDC_GROUP_ASSIGN, IDC_GROUP_UNASSIGN, IDC_GROUP_SELECT};
        return {SELECTED,
                {menu(L"Select/Grouping..."), {L"--dialog-click", number(r.pick(modes))},
                 {L"--dialog-click", number(r.chance(20) ? IDC_GROUP_NONE : IDC_GROUP_1 + r.below(16))},
                 menu(L"Select/Grouping...")}};
    }
    default: {
        if (r.chance(40)) {  // Settings: what the canvas and the weld use
            return {VIEW,
                    {menu(L"View/Settings..."), text(IDC_SNAP_ANGLE, r.pick(kNumbers)),
                     text(IDC_GRID_SPACING, r.pick(kNumbers)), text(IDC_WELD_EPSILON, r.pick(kNumbers)), apply,
                     done}};
        }
        const wchar_t* const kinds[] = {L"Planar", L"Box", L"Cylindrical", L"Spherical"};
        return {SELECTED,
                {menu(std::wstring(L"Mapping/") + r.pick(kinds) + L"/User Defined"),
                 {L"--dialog-click", number(IDC_PRESET_POS_X + r.below(6))},
                 {L"--dialog-click", r.chance(70) ? L"OK" : L"Cancel"}}};
    }
    }
}

// One time in ten something odd.
float randomFloat(Random& r) {
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1e38f,
                         std::numeric_limits<float>::denorm_min()};
    const int k = r.below(40);
    return k < 4 ? odd[k] : r.between(-0.5f, 1.5f);
}

// A strip of quads with a few strange records, as a state file loomhost opens.
devhost::StateJson randomMesh(Random& r) {
    std::vector<DevVertex> vertices(size_t(r.below(40)));
    for (size_t i = 0; i < vertices.size(); ++i) {
        DevVertex& v = vertices[i];  // value-initialised: zero
        v.position[0] = float(i / 2) + r.between(-0.2f, 0.2f), v.position[1] = float(i % 2);
        v.position[2] = r.chance(5) ? randomFloat(r) : r.between(-0.3f, 0.3f), v.flags = std::uint16_t(r.below(2));
    }
    std::vector<DevFace> faces(vertices.size() < 3 || r.chance(5) ? 0 : size_t(vertices.size() - 2));
    for (size_t i = 0; i < faces.size(); ++i) {
        DevFace& f = faces[i];
        f.flags = std::uint16_t((r.next() & UV_SELECTED_ALL) |
                                (r.chance(25) ? r.next() & (UV_LOCKED_ALL | UV_HIDDEN_ALL) : 0) |
                                (r.chance(10) ? r.next() & 0xF007 : r.next() & FACE_SELECTED));
        for (int c = 0; c < 3; ++c) {
            f.vertex[c] = std::uint16_t(r.chance(3) ? vertices.size() + size_t(r.below(int(65536 - vertices.size()))) : i + size_t(c));
            for (float& x : f.uv[c]) x = r.chance(3) ? std::numeric_limits<float>::quiet_NaN() : r.between(-0.2f, 1.2f);
            f.groups[c] = std::uint16_t(r.chance(20) ? r.next() : 0);
        }
        f.material = std::uint32_t(r.below(3)), f.normal[2] = 1;
    }
    return {{"faces", devhost::facesToJson(faces)}, {"vertices", devhost::verticesToJson(vertices)}};
}

std::wstring quoted(const std::wstring& text) {
    return text.find_first_of(L" \"") == std::wstring::npos && !text.empty() ? text : L"\"" + text + L"\"";
}

// Editor settings at their first-run values, then synchronisation turned off.
std::vector<Step> openSteps(const std::filesystem::path& state) {
    return {{L"--open", state.wstring()}, {L"--invoke", L"UV Editor"},
            {L"--uv-command", L"View/Synchronize UV and Mesh Selections"}};
}

std::string commandLine(const std::filesystem::path& state, const std::vector<Action>& actions) {
    std::wstring line = L"tools/wine-run reg delete 'HKCU\\" + devhost::wide(settingsKeyPath()) +
                        L"' /f; tools/wine-run build/bin/loomhost.exe --batch";
    std::vector<Step> steps = openSteps(state);
    for (const Action& a : actions) steps.insert(steps.end(), a.steps.begin(), a.steps.end());
    for (const Step& s : steps) line += L" " + s.option + (s.argument.empty() ? L"" : L" " + quoted(s.argument));
    return devhost::utf8(line + L" --dump out.json");
}

bool sameBytes(const void* a, const void* b, size_t n) { return n == 0 || std::memcmp(a, b, n) == 0; }

// The first broken rule between the records before and after an action, or "".
std::string brokenRule(const std::vector<DevFace>& before, const std::vector<DevFace>& after,
                       const std::vector<DevVertex>& verticesBefore, const std::vector<DevVertex>& verticesAfter,
                       Reach reach) {
    if (after.size() != before.size()) return "the face count changed";
    if (!devhost_test::sameBytes(verticesAfter, verticesBefore)) return "a vertex record changed";
    for (size_t i = 0; i < before.size(); ++i) {
        const DevFace& b = before[i];
        const DevFace& a = after[i];
        const std::string face = "face " + std::to_string(i) + ": ";
        if (!sameBytes(b.hostData0, a.hostData0, 8) || !sameBytes(b.hostData1, a.hostData1, 36) ||
            !sameBytes(b.hostData2, a.hostData2, 24) || !sameBytes(b.hostData3, a.hostData3, 2) ||
            ((a.flags ^ b.flags) & 0xF007))
            return face + "the host's own bytes or bits changed";
        if (reach.fields == HISTORY) continue;
        for (int c = 0; c < 3; ++c)
            if ((b.flags & (UV_LOCKED << c)) && !sameBytes(a.uv[c], b.uv[c], sizeof a.uv[c]))
                return face + "locked corner " + std::to_string(c) + " moved";
        const bool hidden = (b.flags & FACE_HIDDEN) || (b.flags & UV_HIDDEN_ALL) == UV_HIDDEN_ALL;
        bool selected = false;
        for (int c = 0; c < 3; ++c) selected |= (b.flags & ((0x0048u) << c)) == (0x0040u << c);
        if (!hidden && (reach.fields == VISIBLE_FACES || (reach.fields == SELECTED_FACES && selected))) continue;
        const std::uint16_t freeBits = hidden && !reach.hiddenToo ? 0 : reach.bits;
        DevFace masked = a;
        masked.flags = std::uint16_t((a.flags & ~freeBits) | (b.flags & freeBits));
        if (!sameBytes(&masked, &b, sizeof b))
            return face + (hidden ? "a hidden face changed" : "changed outside the action's reach");
    }
    return "";
}

class RandomEditsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        app_ = new App;
        app_->instance = GetModuleHandleW(nullptr);
        app_->batch = true;
        app_->document = devhost::Document::create();
        createMainWindow(*app_);
        ASSERT_NE(app_->mainWindow, nullptr);
        app_->document->setMainWindow(app_->mainWindow);
        ShowWindow(app_->mainWindow, SW_SHOWNOACTIVATE);
        runStep(*app_, {L"--plugin", uitest::exeFolder() + L"Texloom.dll"});
    }
    static void TearDownTestSuite() {
        shutDown(*app_);
        delete app_;
        RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str());
    }

    // Runs the steps as loomhost would; false when one could not run.
    bool run(const std::vector<Step>& steps) {
        App& app = *app_;
        app.steps = steps, app.nextStep = 0, app.status = 0, app.quit = false;
        runSteps(app);
        pumpMessages(app);
        return app.status == 0;
    }

    // Opens the mesh in a freshly opened editor and runs the actions, checking after each;
    // answers the first failure ("" when none) and the index of its action.
    std::string runSequence(const std::filesystem::path& state, const std::vector<Action>& actions, size_t& at) {
        App& app = *app_;
        devhost::Document& document = *app.document.Get();
        if (findEditorWindow(app)) run({{L"--invoke", L"UV Editor"}});  // closes it, saving its settings
        for (int wait = 0; findEditorWindow(app) && wait < 100; ++wait) Sleep(5), pumpMessages(app);
        RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str());
        at = 0;
        // A reopened editor keeps the settings it had in this process: the toggle only when on.
        std::vector<Step> open = openSteps(state);
        if (!run({open[0], open[1]})) return "the mesh could not be opened";
        auto synchronised = [&] {
            return SendMessageW(editorParts(app).toolbar, TB_ISBUTTONCHECKED, ID_VIEW_SYNCHRONIZE_SELECTIONS, 0) != 0;
        };
        if (synchronised()) run({open[2]});
        if (synchronised()) return "synchronisation did not turn off";
        const std::vector<DevFace> start = document.faces();
        for (at = 0; at < actions.size(); ++at) {
            const std::vector<DevFace> before = document.faces();
            const std::vector<DevVertex> verticesBefore = document.vertices();
            if (!run(actions[at].steps)) ++actionsRefused_;  // a disabled button, say: the user's matter
            if (!findEditorWindow(app)) return "the editor closed";
            if (findEditorDialog(app) && findEditorDialog(app) != findEditorWindow(app)) return "a dialog stayed open";
            if (document.lockCount() != 0) return "the faces were left locked";
            if (document.groupOpen()) return "an undo group was left open";
            std::string broken = brokenRule(before, document.faces(), verticesBefore, document.vertices(),
                                            actions[at].reach);
            if (!broken.empty()) return broken;
        }
        const std::vector<DevFace> end = document.faces();
        const size_t entries = document.undoDescriptions().size();
        entriesMade_ += entries;
        for (size_t k = 0; k < entries; ++k) document.undo(), pumpMessages(app);
        if (!devhost_test::sameBytes(document.faces(), start))
            return "undoing " + std::to_string(entries) + " entries did not give back the start";
        for (size_t k = 0; k < entries; ++k) document.redo(), pumpMessages(app);
        if (!devhost_test::sameBytes(document.faces(), end))
            return "redoing " + std::to_string(entries) + " entries did not give back the end";
        return "";
    }

    // Leaves out every action the failure does not need (the actions after it first).
    std::vector<Action> shorten(const std::filesystem::path& state, std::vector<Action> actions, size_t at,
                                bool historyFailure) {
        if (!historyFailure) actions.resize(at + 1);
        for (size_t k = actions.size(); k-- > 0;) {
            std::vector<Action> fewer = actions;
            fewer.erase(fewer.begin() + std::ptrdiff_t(k));
            size_t where = 0;
            if (!runSequence(state, fewer, where).empty()) actions = std::move(fewer);
        }
        return actions;
    }

    static inline App* app_ = nullptr;
    size_t entriesMade_ = 0, actionsRefused_ = 0;
};

// A crash (the undefined-behaviour trap among them) still names its sequence, and ends
// the run instead of waiting for a debugger.
std::uint64_t currentSeed = 0;
LONG WINAPI reportCrash(EXCEPTION_POINTERS* crash) {
    std::fprintf(stderr, "random edits: seed %llu crashed (exception 0x%08lX); TEXLOOM_RANDOM_EDITS=1,STEPS,%llu "
                         "repeats it\n", (unsigned long long)currentSeed,
                 (unsigned long)crash->ExceptionRecord->ExceptionCode, (unsigned long long)currentSeed);
    std::fflush(stderr);
    return EXCEPTION_EXECUTE_HANDLER;
}

TEST_F(RandomEditsTest, SequencesKeepTheRulesAndUndoAndRedoGiveBackEveryByte) {
    int sequences = 100, steps = 25;
    std::uint64_t firstSeed = 1;
    if (const char* soak = std::getenv("TEXLOOM_RANDOM_EDITS"))
        std::sscanf(soak, "%d,%d,%llu", &sequences, &steps, reinterpret_cast<unsigned long long*>(&firstSeed));
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"texloom-random-edits";
    std::filesystem::create_directories(folder);
    SetUnhandledExceptionFilter(reportCrash);
    int failures = 0;
    for (std::uint64_t seed = firstSeed; seed < firstSeed + std::uint64_t(sequences) && failures < 3; ++seed) {
        Random r{seed};
        const std::filesystem::path state = folder / (L"seed-" + std::to_wstring(seed) + L".json");
        devhost::writeState(state, randomMesh(r));
        std::vector<Action> actions;
        for (int k = 0; k < steps; ++k) actions.push_back(randomAction(r));
        size_t at = 0;
        currentSeed = seed;
        const std::string failure = runSequence(state, actions, at);
        if (failure.empty()) {
            std::filesystem::remove(state);
            continue;
        }
        ++failures;
        const std::vector<Action> shortest = shorten(state, actions, at, at == actions.size());
        ADD_FAILURE() << "seed " << seed << ", action " << at + 1 << ": " << failure << "\n  "
                      << commandLine(state, shortest);
    }
    std::printf("%d sequences of %d actions: %zu undo entries at their ends, %zu actions refused a step\n",
                sequences, steps, entriesMade_, actionsRefused_);
    // Sequences that edit nothing would pass every rule.
    EXPECT_GT(entriesMade_, size_t(sequences) * size_t(steps) / 10);
}

}  // namespace
