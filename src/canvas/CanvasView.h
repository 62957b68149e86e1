// The canvas's view settings: how the layout looks, which mouse tool is active and where
// the canvas looks (zoom and pan). The editor's registry values, the Settings dialog and
// the View menu write them; the canvas draws, picks and drags by them. Each default is
// the value before the settings load. Registry value names in quotes.
#pragma once

#include <windows.h>

#include "canvas/CanvasTool.h"
#include "model/Records.h"

struct CanvasView {
    // Sizes in client pixels, whatever the zoom.
    int vertexSize = 6;   // side of the box drawn at each corner; also the pick radius
    int handleSize = 10;  // side of each transform handle square

    // Snapping and welding.
    int gridSpacing = 10;    // canvas units between grid lines and snap positions ("GridSpacing")
    float angleStep = 5.0f;  // degrees that rotation drags snap to ("AngleSnap")
    float epsilon = 0.001f;  // UV units: corners nearer than this weld and count as one ("Epsilon")

    // Colours, 0x00BBGGRR.
    COLORREF backColor = 0x9F9F9F;    // background where no texture shows ("BackColor")
    COLORREF handleColor = 0x00FF00;  // fill of the transform handles ("HandleColor")
    COLORREF lineColor = 0xFFFFFF;    // edges and unselected corners ("VertColor")
    COLORREF selColor = 0x0000FF;     // selected corners and triangles, handle outlines ("SelVertColor")
    COLORREF lockedColor = 0xFF0000;  // locked corners ("LockedColor")

    // The mouse tool, a CanvasTool: one the user chose ("Mode"), or a drag state while the
    // left button is down. savedTool is the tool that drag returns to (0 outside a drag).
    int tool = TOOL_SELECT_UV_COORDS;
    int savedTool = 0;

    // Canvas units of the UV unit square while no texture gives its pixel size
    // ("CanvasWidth", "CanvasHeight").
    int canvasWidth = 256, canvasHeight = 256;

    // Where the canvas looks: client pixel = (canvas unit + pan) * zoom.
    float zoom = 1.0f;         // client pixels per canvas unit
    int zoomLevel = 0;         // the zoom step, -4 .. 19 (zoom level + 1 above 0, 1 / (1 - level) below)
    float panX = 0, panY = 0;  // canvas units

    // What shows, and how picks and drags behave.
    bool showGrid = true;       // grid lines every gridSpacing ("ShowGrid")
    bool showTexture = true;    // the chosen texture behind the layout ("ShowTex")
    bool tileTexture = false;   // the texture repeated beyond the unit square ("TileTex")
    bool snapToGrid = true;     // moves and scales land on grid positions ("SnapToGrid")
    bool snapAngles = true;     // rotations in steps of angleStep ("SnapAngles")
    bool snapToCorners = false; // a moved or scaled corner lands on a corner within 8 pixels ("SnapToCorners")
    bool showAll = true;        // every face; off: only the faces selected in 3D ("ShowAll")
    bool syncSelection = true;  // the UV selection and the 3D selection follow each other ("SyncSel")
    bool showFaults = false;    // flipped and overlapping faces tinted ("ShowFlipOverlap")
    bool showStretch = false;   // faces coloured by area stretch, legend in status pane 2 ("ShowStretch")
    // The faces drawn and picked; the editor sets it with showAll.
    FaceFilter faceFilter = {0, 0};

    // Target rectangle of the projection commands, UV units: uMin, vMin, uMax, vMax.
    float mappingRect[4] = {0, 0, 0.5f, 0.5f};
};
