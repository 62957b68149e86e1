// The strip below the canvas: "U:"/"V:" fields with "Set", the texture list and
// the two status panes in which the canvas reports what its mouse tools do.
#pragma once

#include "host/HostRef.h"

#include <windows.h>

class EditorWindow;

class UVControls {
public:
    // Child identifiers the bar answers.
    static constexpr int kSetButton = 114;
    static constexpr int kTextureList = 117;
    static constexpr int kSetMaterialCommand = 126;

    // Child controls, in creation order.
    enum Control { LabelU, EditU, LabelV, EditV, SetButton, TextureList, StatusPane1, StatusPane2, ControlCount };

    explicit UVControls(EditorWindow& editor) : editor_(editor) {}
    UVControls(const UVControls&) = delete;
    UVControls& operator=(const UVControls&) = delete;
    ~UVControls();

    // Creates the bar as a visible child of parent over rect; null on failure.
    HWND create(HWND parent, const RECT& rect);
    HWND window() const { return window_; }
    HWND control(Control which) const { return controls_[which]; }
    HFONT font() const { return font_; }

    // Status pane 1 (UV units) or 2 (canvas units).
    void setStatusText(int pane, const char* text);

    // The U and V read-out: shown and enabled, or emptied and disabled with "Set".
    void showCoordinate(float u, float v);
    void clearCoordinate();

    // Texture list. Every item carries its texture identifier; the first item is
    // always "< no texture >" with identifier 0.
    void fillTextures(IUnknown* folder);
    void addTexture(IUnknown* texture);
    void removeTexture(IUnknown* texture);
    void selectTexture(LONG identifier);
    LONG selectedTexture() const;

    // Width of each status pane for a bar of the given width.
    static int statusPaneWidth(int barWidth);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void onCreate(HWND window);
    void onSize();
    void onCommand(int id, int notification);
    void onSetCoordinate();
    void onTextureChosen();

    EditorWindow& editor_;
    HWND window_ = nullptr;
    HWND controls_[ControlCount] = {};
    HFONT font_ = nullptr;
};
