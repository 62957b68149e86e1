#include "dialogs/ChooseMatrixDialog.h"

#include "canvas/CanvasView.h"
#include "model/UVWalk.h"
#include "ops/UVModel.h"
#include "platform/WindowClass.h"
#include "resource.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// Guide shape around the selection: 10% larger than its farthest bounding corner.
constexpr float kGuideMargin = 1.1f;
// Without an editable corner there is no extent; the guide is then a unit-sized one.
constexpr float kGuideRadiusWithoutSelection = 1.1f;
constexpr LONG kGuideSides = 16;
constexpr LONG kGuideRings = 8;

// Host drawing: the states the preview draws under, its colour and tripod.
constexpr LONG kDrawStateDrawing = 1;
constexpr LONG kDrawStateWire = 7;
constexpr LONG kDrawStatePattern = 6;
constexpr DWORD kGuidePattern = 0xD9D9D9D9;
constexpr DWORD kGuideColour = 0xFFFF0000;  // opaque red
constexpr float kTripodSize = 50.0f;
constexpr LONG kTripodStyle = 71;

// Presets 206 to 211: the frame's z axis along +X, +Y, +Z, -X, -Y, -Z.
const Vector3 kPresetDirections[6] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}};

bool finite(const float (&p)[3]) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

}  // namespace

ChooseMatrixDialog::ChooseMatrixDialog(UVModel& model, const CanvasView& view, int type)
    : type_(type), model_(model), view_(view), mesh_(model.mesh), control_(*this) {}

ChooseMatrixDialog* ChooseMatrixDialog::create(UVModel& model, const CanvasView& view, int type) {
    return new (std::nothrow) ChooseMatrixDialog(model, view, type);
}

HWND ChooseMatrixDialog::createWindow(HWND editor) {
    editor_ = editor;
    return createBoundDialog(IDD_CHOOSE_MATRIX, editor);
}

// ---- The draw callback ----

HRESULT ChooseMatrixDialog::OnDrawView(LONG_PTR view, LONG_PTR context) {
    if (!viewHost_) return S_OK;  // a call after the registration was removed
    HostRef<HostViewHost> views = viewHost_;  // the host may make us let go while we draw
    views->SetDrawState(kDrawStateDrawing, 0);
    DWORD savedWire = 0, savedPattern = 0;
    views->GetDrawState(kDrawStateWire, &savedWire);
    views->GetDrawState(kDrawStatePattern, &savedPattern);
    views->SetDrawState(kDrawStateWire, 1);
    views->SetDrawState(kDrawStatePattern, kGuidePattern);
    views->DrawMesh(view, previewMesh_.Get(), frame_.m, kGuideColour, 0, 1, 0);
    views->SetDrawState(kDrawStateWire, savedWire);
    views->SetDrawState(kDrawStatePattern, savedPattern);
    float scale = 1.0f;
    views->GetViewScale(view, context, &scale);
    views->DrawAxes(view, frame_.m, kTripodSize * scale, kTripodStyle, 0);
    views->SetDrawState(kDrawStateDrawing, 1);
    return S_OK;
}

// ---- Frame ----

void ChooseMatrixDialog::applyFrame(const Matrix4& rotation) {
    frame_ = rotation;
    frame_.multiply(translation(centroid_.x, centroid_.y, centroid_.z));
    UVModel& model = model_;
    const float* rect = view_.mappingRect;
    // The command's history group holds the result: no undo of their own.
    switch (type_) {
        case PLANAR: {
            const Vector3 direction = frame_.row(2).normalized();
            model.planarMap(&direction, rect, CORNERS_SELECTED, false);
            break;
        }
        case BOX: model.boxMap(&frame_, rect, CORNERS_SELECTED, false); break;
        case CYLINDRICAL: model.cylindricalMap(&frame_, rect, CORNERS_SELECTED, false); break;
        case SPHERICAL: model.sphericalMap(&frame_, rect, CORNERS_SELECTED, false); break;
        default: break;
    }
}

void ChooseMatrixDialog::applyPreset(int id) {
    Matrix4 rotation;
    rotation.orientToAxis(kPresetDirections[id - IDC_PRESET_POS_X], 0.0f);
    applyFrame(rotation);
}

// Centroid of the selected, visible and unlocked corners' vertices in every face (a
// vertex counts once per such corner), and the radius of the guide shape around it.
void ChooseMatrixDialog::measureSelection() {
    UVWalk walk(mesh_.Get(), FACE_FILTER_OFF);
    float sum[3] = {0, 0, 0};
    float low[3] = {1e8f, 1e8f, 1e8f};
    float high[3] = {-1e8f, -1e8f, -1e8f};
    int count = 0;
    walk.forEachCorner(CORNERS_EDITABLE, [&](FaceRecord& face, int c) {
        const VertexRecord* vertex = walk.vertexOf(face, c);
        if (!vertex || !finite(vertex->position)) return;
        for (int k = 0; k < 3; ++k) {
            sum[k] += vertex->position[k];
            low[k] = std::min(low[k], vertex->position[k]);
            high[k] = std::max(high[k], vertex->position[k]);
        }
        ++count;
    });
    walk.unlock();
    if (count == 0) {
        radius_ = kGuideRadiusWithoutSelection;
        return;
    }
    const float n = static_cast<float>(count);
    centroid_ = Vector3(sum[0] / n, sum[1] / n, sum[2] / n);
    const float toHigh = centroid_.minus(Vector3(high)).length();
    const float toLow = centroid_.minus(Vector3(low)).length();
    radius_ = kGuideMargin * std::max(toHigh, toLow);
}

void ChooseMatrixDialog::buildGuideShape() {
    HostDocument* document = model_.document.Get();
    if (!document || FAILED(document->CreatePreviewMesh(previewMesh_.GetAddressOf())) || !previewMesh_) {
        previewMesh_.Reset();
        return;
    }
    const float r = radius_, d = radius_ + radius_;
    switch (type_) {
        case PLANAR: previewMesh_->MakeBox(d, d, 0.0f, 1); break;
        case BOX: previewMesh_->MakeBox(d, d, d, 1); break;
        case CYLINDRICAL: previewMesh_->MakeCylinder(r, r, d, kGuideSides, 1, 1); break;
        case SPHERICAL: previewMesh_->MakeSphere(r, kGuideSides, kGuideRings); break;
        default: break;
    }
}

void ChooseMatrixDialog::registerDrawCallback() {
    HostDocument* document = model_.document.Get();
    if (!document) return;
    document->GetViewHost(viewHost_.GetAddressOf());
    if (!viewHost_) return;
    HostRef<IConnectionPointContainer> points;
    if (FAILED(viewHost_->QueryInterface(IID_IConnectionPointContainer,
                                         reinterpret_cast<void**>(points.GetAddressOf()))) ||
        !points)
        return;
    if (FAILED(points->FindConnectionPoint(IID_HostDrawCallback, drawConnection_.GetAddressOf())) ||
        !drawConnection_) {
        drawConnection_.Reset();
        return;
    }
    if (FAILED(drawConnection_->Advise(static_cast<HostDrawCallback*>(this), &drawCookie_))) {
        drawConnection_.Reset();
        drawCookie_ = 0;
    }
}

// ---- Window ----

LRESULT ChooseMatrixDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return onInitDialog();
        case WM_COMMAND:
            onCommand(LOWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            onClose();
            return TRUE;
        case kModalKeyMessage:
            SetWindowLongPtrA(window(), DWLP_MSGRESULT, onModalKey(reinterpret_cast<MSG*>(lParam)));
            return TRUE;
        case WM_DESTROY:
            onDestroy();
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL ChooseMatrixDialog::onInitDialog() {
    centreOnOwner(window());
    control_.create(GetDlgItem(window(), IDC_MATRIX_FRAME));
    registerDrawCallback();
    measureSelection();
    buildGuideShape();
    // The first projection uses the world's axes, centred on the selection.
    applyFrame(Matrix4());
    if (viewHost_) viewHost_->RedrawViews(1);
    return TRUE;
}

// The editor comes back whatever the check box says, and the 3D views lose the guide.
void ChooseMatrixDialog::onDestroy() {
    if (editor_ && IsWindow(editor_)) ShowWindow(editor_, SW_SHOWNA);
    if (drawConnection_) drawConnection_->Unadvise(drawCookie_);
    drawConnection_.Reset();
    drawCookie_ = 0;
    if (viewHost_) viewHost_->RedrawViews(1);
    viewHost_.Reset();
    previewMesh_.Reset();
}

void ChooseMatrixDialog::onCommand(int id) {
    switch (id) {
        case IDOK: endDialog(IDOK); break;
        case IDCANCEL: endDialog(IDCANCEL); break;
        case IDC_PRESET_POS_X:
        case IDC_PRESET_POS_Y:
        case IDC_PRESET_POS_Z:
        case IDC_PRESET_NEG_X:
        case IDC_PRESET_NEG_Y:
        case IDC_PRESET_NEG_Z: applyPreset(id); break;
        case IDC_HIDE_EDITOR: {
            if (!editor_ || !IsWindow(editor_)) break;
            const bool hide = IsDlgButtonChecked(window(), IDC_HIDE_EDITOR) == BST_CHECKED;
            ShowWindow(editor_, hide ? SW_HIDE : SW_SHOWNA);
            break;
        }
        default: break;
    }
}

// The close box cancels.
void ChooseMatrixDialog::onClose() { endDialog(IDCANCEL); }

// Keys reach the dialog's own navigation (Tab, Space, Enter for "OK", Escape for
// "Cancel"); whatever it handled is not dispatched again by the modal loop.
LRESULT ChooseMatrixDialog::onModalKey(MSG* message) {
    if (!message || !window()) return 1;
    return IsDialogMessageA(window(), message) ? 0 : 1;
}

// The editor's modal loop ends on this message, with the result in its first parameter.
void ChooseMatrixDialog::endDialog(int result) {
    if (window()) PostMessageA(window(), kModalEndMessage, static_cast<WPARAM>(result), 0);
}
