// loomhost.exe: the development host application. One document, one main window
// with the 3D view, the function plug-ins, and the command-line steps.
#pragma once

#include "FunctionPlugins.h"
#include "View3D.h"
#include "io/GltfFile.h"
#include "io/MeshFile.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace loomhost {

// Steps of the command line.
struct Step {
    std::wstring option;    // "--open", "--uv-click", ...; the bare mesh argument becomes "--open"
    std::wstring argument;  // empty for options without one
};

struct App {
    HINSTANCE instance = nullptr;
    HostRef<devhost::Document> document;
    HWND mainWindow = nullptr;
    HWND statusBar = nullptr;
    bool openGL = true;  // false: the 3D view draws with GDI (--no-opengl)
    std::unique_ptr<View3D> view;
    FunctionPlugins plugins;
    std::filesystem::path meshPath;                  // the file last opened or saved
    std::vector<devhost::MeshMaterial> materials;   // of the opened OBJ, written back on save
    std::vector<LONG> meshTextures;                  // textures its materials brought
    std::map<LONG, std::filesystem::path> textureFiles;  // each texture's image file, to reload
    std::vector<float> fileV;                        // the OBJ's own v numbers, kept on save
    std::shared_ptr<devhost::GltfModel> gltf;        // the opened glTF file, written back on save
    std::uint64_t savedPosition = 0;                 // the history's position when opened or saved
    std::wstring titleMesh;                          // the file and state the title shows
    int titleModified = -1;                          //   (-1: no title set yet)
    bool batch = false;  // no message boxes; exit after the steps, 2 when any failed
    std::vector<Step> steps;
    size_t nextStep = 0;
    bool stepRunning = false;  // a step is on the stack (perhaps inside a dialog's own loop)
    int resumeWaits = 0;       // timer turns spent waiting for a modal dialog to show
    bool quit = false;         // WM_QUIT was seen
    int status = 0;            // 2 once a step failed
};

// Posted to the main window by a step that may open a modal dialog: the dialog's own
// message loop delivers it, and the steps that follow then run inside that loop, one
// per delivery.
constexpr UINT WM_RESUME_STEPS = WM_APP + 1;

// Opens an .obj, .gltf, .glb or a .json state; the document stays as it was when this throws.
void openMesh(App& app, const std::filesystem::path& path);
// Writes .obj (with its .mtl), .gltf/.glb (a glTF file opened before, with the edited
// UVs) or, for .json, the state of the faces and vertices.
void saveMesh(App& app, const std::filesystem::path& path);
// Textures: the first of that name (throws when there is none); one read from an
// image file (named after it) and read again from it whole. Each fires the
// document's texture event.
LONG textureNamed(const App& app, const std::wstring& name);
LONG addTextureFile(App& app, const std::filesystem::path& file);
void reloadTexture(App& app, LONG id);
// NAME:X,Y,W,H,RRGGBB fills the rectangle with one colour, announced as changed pixels.
void paintTexture(App& app, const std::wstring& argument);
// The --dump state: records, history, textures, model objects and the editor window.
void writeDump(App& app, const std::filesystem::path& path);

// Edits since the file was opened or saved (undone edits do not count).
bool modified(const App& app);
// The files opened last, newest first, kept in loomhost's own registry key.
std::vector<std::filesystem::path> recentFiles();
void addRecentFile(const std::filesystem::path& path);

// Main window.
HWND createMainWindow(App& app);
void rebuildPluginMenu(App& app);
void updateTitle(App& app);
// Interactive problems go to a message box as well as to stderr.
void reportProblem(App& app, const std::string& text);
// One line on stderr (UTF-8).
void writeError(const std::string& line);

// Throws std::runtime_error for an unknown option or a missing argument.
std::vector<Step> parseCommandLine(int argc, wchar_t** argv);
// "a,b,,c" split at the separator: {"a", "b", "", "c"}.
std::vector<std::wstring> splitText(const std::wstring& text, wchar_t separator);
// Runs one step. Throws std::runtime_error saying why the step could not run.
void runStep(App& app, const Step& step);
// Runs the steps from app.nextStep on, each followed by pumping the message queue; a
// failed step is reported and the rest still run.
void runSteps(App& app);
// Runs step app.nextStep alone: while an earlier step waits in a modal dialog, each
// WM_RESUME_STEPS runs one, so that the dialog's loop handles what it caused.
void runNextStep(App& app);
// Dispatches every queued message (with the main window's accelerators and the
// dialogs' keyboard handling); answers false when WM_QUIT was seen.
bool pumpMessages(App& app);
// Closes the main window (the plug-ins' windows go with it), then releases the functions
// while their DLLs are still loaded, and the view and document.
void shutDown(App& app);
bool dispatchMessage(App& app, MSG& message);

// Dialog windows of the thread: the editor ("Texloom", owned by the main window).
HWND findEditorWindow(const App& app);

}  // namespace loomhost
