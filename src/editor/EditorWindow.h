// The UV editor's top-level window: a modeless dialog (template 216) framing the
// toolbar, the canvas and the controls bar. The object is reference counted and
// outlives its window: it is created by the first invocation of the function and
// lives until the host releases the function object.
#pragma once

#include "canvas/CanvasOwner.h"
#include "dialogs/UVControls.h"
#include "host/HostEventSinkImpl.h"
#include "host/HostRef.h"
#include "ops/UVModel.h"
#include "platform/WindowBinding.h"

#include <windows.h>

class UVCanvas;
class GroupingDialog;

class EditorWindow : public HostEventSinkImpl, public UVModelOwner, public CanvasOwner, public BoundWindow {
public:
    // Toolbar, controls bar and timer figures of the frame.
    static constexpr int kToolbarHeight = 20;
    static constexpr int kToolbarCreateHeight = 19;
    static constexpr int kControlsHeight = 27;
    static constexpr UINT_PTR kCommandTimer = 500;
    static constexpr UINT kCommandTimerPeriod = 100;

    // A new editor object with one reference, or null when out of memory.
    static EditorWindow* create();

    // Counted replacement of the stored host document (add the new, release the old).
    void setDocument(HostDocument* document);
    // Creates the window from dialog template 216, owned by owner; null on failure.
    HWND createWindow(HWND owner);

    HWND toolbar() const { return toolbar_; }
    UVModel& model() override { return model_; }
    UVCanvas* canvas() const { return canvas_.Get(); }
    UVControls& controls() override { return controls_; }
    HostDocument* document() const { return document_.Get(); }

    // Re-reads the host's active mesh and texture list.
    void refreshActiveMesh() override;

    // Selection and command-state refresh (EditorRefresh.cpp).
    void refreshSelection() override;
    void refreshCommandStates();
    void scheduleCommandRefresh();

    // Tool and view state, each keeping the toolbar and menu check marks in step
    // with the canvas (EditorCommands.cpp).
    void setToolMode(int tool);
    void setShowAll(bool on);
    void setSyncSelection(bool on);

    // Runs a modeless dialog owned by this window until it posts kModalEndMessage
    // (ChooseMatrixDialog.h); returns the dialog's result (EditorCommands.cpp).
    INT_PTR runModalLoop(HWND dialog);

    // "Grouping...": creates and shows the dialog on first use, then hides or shows it.
    void toggleGroupingDialog();

protected:
    ~EditorWindow() override;

    // The host's toolbar "Update" notification refreshes the command states.
    HRESULT onCommandEvent(HostEvent& event) override;

private:
    EditorWindow();

    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The window holds a reference to its object from WM_INITDIALOG on.
    void onBound() override { AddRef(); }
    void onUnbound() override;
    BOOL onInitDialog();
    void onDestroy();
    void onSize(int width, int height);
    void onTimer(UINT_PTR id);
    void onNotify(NMHDR* header);
    // Menu and toolbar commands: the row of the command table runs (EditorCommands.cpp).
    void onCommand(int command);

    void createToolbar(const RECT& client);
    void zoomToVisibleCorners();
    // Closes the modeless Grouping dialog if one is open (EditorCommands.cpp).
    void closeGroupingDialog();

    HostRef<HostDocument> document_;
    UVModel model_;
    UVControls controls_;
    HostRef<UVCanvas> canvas_;
    HWND toolbar_ = nullptr;
    GroupingDialog* groupingDialog_ = nullptr;
    DWORD subscription_ = 0;
};
