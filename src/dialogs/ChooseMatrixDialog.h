// The "Choose Matrix" dialog (template 227): the user turns a projection frame in 3D and
// the selected coordinates are re-projected with it at every change, while the host's 3D
// views show the frame as a red guide shape with an axis tripod. The object is the draw
// callback registered with the host's view host, so it is reference counted; its window
// runs under the editor's modal loop and ends it by posting the loop's end message.
#pragma once

#include "dialogs/ChooseMatrix.h"
#include "host/HostRef.h"
#include "model/Matrix4.h"
#include "model/Vector3.h"
#include "platform/ComObject.h"
#include "platform/ModuleState.h"
#include "platform/WindowBinding.h"

#include <windows.h>

#include <ocidl.h>

struct CanvasView;
struct UVModel;

// The modal loop that runs the dialog (EditorWindow::runModalLoop) gets each keyboard
// message first as kModalKeyMessage (wParam 0, lParam the MSG*; non-zero lets it
// through), and ends when the dialog posts itself kModalEndMessage with its result in
// wParam.
constexpr UINT kModalKeyMessage = 0x83FE;
constexpr UINT kModalEndMessage = 0x83FF;

class ChooseMatrixDialog : public ComObject<HostDrawCallback>, public BoundWindow {
public:
    // Mapping types, as the "User Defined" commands give them.
    enum MappingType : int { PLANAR = 0, BOX = 1, CYLINDRICAL = 2, SPHERICAL = 3 };

    // A new dialog object with one reference, or null when out of memory. It projects
    // the selection of model (its mesh and document) into the view's target
    // rectangle (mappingRect); both outlive the dialog.
    static ChooseMatrixDialog* create(UVModel& model, const CanvasView& view, int type);

    // Creates the modeless window from template 227, owned by the editor window (which
    // the dialog may hide while it runs); null on failure.
    HWND createWindow(HWND editor);

    // Called by the host while it draws a 3D view: the guide shape and the tripod.
    HRESULT STDMETHODCALLTYPE OnDrawView(LONG_PTR view, LONG_PTR context) override;

    // The frame becomes the rotation's axes with the centroid as origin, and the
    // selection is re-projected with it.
    void applyFrame(const Matrix4& rotation);

    int type() const { return type_; }
    const Matrix4& frame() const { return frame_; }
    const Vector3& centroid() const { return centroid_; }
    float radius() const { return radius_; }
    ChooseMatrix& control() { return control_; }

private:
    ChooseMatrixDialog(UVModel& model, const CanvasView& view, int type);
    ~ChooseMatrixDialog() override = default;

    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The window holds a reference to its object while it exists.
    void onBound() override { AddRef(); }
    void onUnbound() override { Release(); }
    BOOL onInitDialog();
    void onDestroy();
    void onCommand(int id);
    void onClose();
    LRESULT onModalKey(MSG* message);

    void measureSelection();
    void buildGuideShape();
    void registerDrawCallback();
    void applyPreset(int id);
    void endDialog(int result);

    ModuleLock moduleLock_;

    int type_;
    Matrix4 frame_;
    Vector3 centroid_;
    float radius_ = 0.0f;
    UVModel& model_;
    const CanvasView& view_;
    HWND editor_ = nullptr;
    HostRef<HostMesh> mesh_;
    HostRef<HostViewHost> viewHost_;
    HostRef<IConnectionPoint> drawConnection_;
    DWORD drawCookie_ = 0;
    HostRef<HostPreviewMesh> previewMesh_;
    ChooseMatrix control_;
};
