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
    try {
        app.steps = parseCommandLine(argc, argv);
    } catch (const std::exception& error) {
        writeError(std::string("loomhost: ") + error.what());
        return 2;
    }
    auto hasStep = [&](const wchar_t* option) {
        return std::any_of(app.steps.begin(), app.steps.end(), [&](const Step& s) { return s.option == option; });
    };
    app.batch = hasStep(L"--batch");
    app.openGL = !hasStep(L"--no-opengl");
    const bool pluginOption = hasStep(L"--plugin");

    app.document = devhost::Document::create();
    app.document->setJournaling(false);  // nobody reads it in a session, and it grows with every call
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
    app.quit = !pumpMessages(app);
    runSteps(app);

    if (!app.batch && !app.quit) {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) dispatchMessage(app, message);
    }
    shutDown(app);
    return app.batch ? app.status : 0;
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
