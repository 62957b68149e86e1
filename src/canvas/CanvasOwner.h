// What the canvas asks of the window that frames it. The canvas sits below the editor
// and its controls bar, so it reaches them only through these two small interfaces,
// which the editor window and the controls bar implement.
#pragma once

#include <windows.h>

#include <unknwn.h>

struct UVModel;

// The controls beside the canvas: the two status panes its mouse tools write and the
// texture list that follows the document's texture events.
class CanvasControls {
public:
    // Pane 1 shows UV units, pane 2 canvas units.
    virtual void setStatusText(int pane, const char* text) = 0;
    // texture is a host node; one without a node interface is skipped.
    virtual void addTexture(IUnknown* texture) = 0;
    virtual void removeTexture(IUnknown* texture) = 0;
    // Selects the first item with that identifier, or "< no texture >".
    virtual void selectTexture(LONG identifier) = 0;
    virtual LONG selectedTexture() const = 0;

protected:
    ~CanvasControls() = default;
};

class CanvasOwner {
public:
    // The model the canvas's tools and drags edit.
    virtual UVModel& model() = 0;
    virtual CanvasControls& controls() = 0;
    // After the host reloaded the mesh: the active mesh and the texture list again.
    virtual void refreshActiveMesh() = 0;
    // After the mesh or its selection changed.
    virtual void refreshSelection() = 0;

protected:
    ~CanvasOwner() = default;
};
