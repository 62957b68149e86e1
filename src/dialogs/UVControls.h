// The strip below the canvas: "U:"/"V:" fields with "Set", the texture list and
// the two status panes in which the canvas reports what its mouse tools do.
#pragma once

#include "canvas/CanvasOwner.h"
#include "host/HostRef.h"
#include "platform/WindowBinding.h"

#include <windows.h>

class UVCanvas;
struct UVModel;

class UVControls final : public CanvasControls, public BoundWindow {
public:
    // Child identifiers the bar answers.
    static constexpr int kSetButton = 114;
    static constexpr int kTextureList = 117;
    static constexpr int kSetMaterialCommand = 126;

    // Child controls, in creation order.
    enum Control { LabelU, EditU, LabelV, EditV, SetButton, TextureList, StatusPane1, StatusPane2, ControlCount };

    // "Set" and the material command edit model; a chosen texture goes to canvas. Both
    // belong to the editor object and outlive the bar.
    UVControls(UVModel& model, const HostRef<UVCanvas>& canvas) : model_(model), canvas_(canvas) {}
    ~UVControls();

    // Creates the bar as a visible child of parent over rect; null on failure.
    HWND create(HWND parent, const RECT& rect);
    HWND control(Control which) const { return controls_[which]; }
    HFONT font() const { return font_; }

    // Status pane 1 (UV units) or 2 (canvas units).
    void setStatusText(int pane, const char* text) override;

    // The U and V read-out: shown and enabled, or emptied and disabled with "Set".
    void showCoordinate(float u, float v);
    void clearCoordinate();

    // Texture list. Every item carries its texture identifier; the first item is
    // always "< no texture >" with identifier 0.
    void fillTextures(IUnknown* folder);
    void addTexture(IUnknown* texture) override;
    void removeTexture(IUnknown* texture) override;
    void selectTexture(LONG identifier) override;
    LONG selectedTexture() const override;

    // Width of each status pane for a bar of the given width.
    static int statusPaneWidth(int barWidth);

private:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onUnbound() override;
    void onCreate();
    void onSize();
    void onCommand(int id, int notification);
    void onSetCoordinate();
    void onTextureChosen();

    UVModel& model_;
    const HostRef<UVCanvas>& canvas_;
    HWND controls_[ControlCount] = {};
    HFONT font_ = nullptr;
};
