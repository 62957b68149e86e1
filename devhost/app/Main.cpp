// loomhost.exe entry: parse the steps, make the document and the main window, run
// the steps in order, then either exit (--batch) or stay for the user.
#include "LoomHost.h"

#include "lib/Journal.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>

namespace loomhost {

namespace {

std::wstring exeFolder() {
    wchar_t path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring folder(path, length);
    size_t slash = folder.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : folder.substr(0, slash);
}

int run(HINSTANCE instance, int argc, wchar_t** argv, int show) {
    App app;
    app.instance = instance;
    std::vector<Step> steps;
    try {
        steps = parseCommandLine(argc, argv);
    } catch (const std::exception& error) {
        writeError(std::string("loomhost: ") + error.what());
        return 2;
    }
    app.batch = std::any_of(steps.begin(), steps.end(), [](const Step& s) { return s.option == L"--batch"; });
    bool pluginOption = std::any_of(steps.begin(), steps.end(), [](const Step& s) { return s.option == L"--plugin"; });

    app.document = devhost::Document::create();
    createMainWindow(app);
    if (!app.mainWindow) {
        writeError("loomhost: the main window could not be created");
        return 2;
    }
    app.document->setMainWindow(app.mainWindow);
    ShowWindow(app.mainWindow, app.batch ? SW_SHOWNOACTIVATE : show);
    UpdateWindow(app.mainWindow);

    if (!pluginOption)
        for (const std::string& problem : app.plugins.loadFolder(exeFolder())) writeError("loomhost: " + problem);
    rebuildPluginMenu(app);
    bool quit = !pumpMessages(app);

    int status = 0;
    for (const Step& step : steps) {
        if (quit) break;
        if (step.option == L"--batch") continue;
        try {
            runStep(app, step);
            quit = !pumpMessages(app);
        } catch (const std::exception& error) {
            std::string text = devhost::utf8(step.option) + (step.argument.empty() ? "" : " " + devhost::utf8(step.argument)) +
                               ": " + error.what();
            // The remaining steps still run: a dump after a failed open shows that
            // the document did not change.
            reportProblem(app, text);
            status = 2;
        }
    }

    if (!app.batch && !quit) {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) dispatchMessage(app, message);
    }
    // The plug-ins' windows go with the main window (they are owned by it); then the
    // functions are released while their DLLs are still loaded.
    if (IsWindow(app.mainWindow)) DestroyWindow(app.mainWindow);
    pumpMessages(app);
    app.plugins.releaseAll();
    app.view.reset();
    app.document->setMainWindow(nullptr);
    app.document.Reset();
    return app.batch ? status : 0;
}

}  // namespace

}  // namespace loomhost

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int status = loomhost::run(instance, argc, argv, show);
    LocalFree(argv);
    OleUninitialize();
    return status;
}
