// The canvas's tool numbers, as the "Mode" setting stores them: the tools a user
// chooses, and the drag states that exist only while the left button is down (4, 5,
// 8 to 21). Also the mouse button that holds a drag.
#pragma once

enum CanvasTool : int {
    TOOL_SELECT_UV_COORDS = 1,
    TOOL_SELECT_UV_TRIANGLES = 2,
    TOOL_PAN = 3,
    TOOL_DRAG_MOVE = 4,
    TOOL_DRAG_ROTATE = 5,
    TOOL_ZOOM = 6,
    TOOL_ZOOM_REGION = 7,
    TOOL_DRAG_MOVE_V = 8,
    TOOL_DRAG_MOVE_U = 9,
    TOOL_DRAG_SCALE_FIRST = 10,    // inner top-left; then clockwise to inner left (17)
    TOOL_DRAG_UNIFORM_FIRST = 18,  // outer top-left; then clockwise to outer bottom-left (21)
    TOOL_DRAG_SCALE_LAST = 21,
};

inline bool isDragTool(int tool) {
    return tool == TOOL_DRAG_MOVE || tool == TOOL_DRAG_ROTATE ||
           (tool >= TOOL_DRAG_MOVE_V && tool <= TOOL_DRAG_SCALE_LAST);
}
inline bool isScaleTool(int tool) { return tool >= TOOL_DRAG_SCALE_FIRST && tool <= TOOL_DRAG_SCALE_LAST; }
inline bool isMoveTool(int tool) {
    return tool == TOOL_DRAG_MOVE || tool == TOOL_DRAG_MOVE_V || tool == TOOL_DRAG_MOVE_U;
}
// The tools that pick corners or triangles, with the transform handles around the selection.
inline bool isSelectTool(int tool) { return tool == TOOL_SELECT_UV_COORDS || tool == TOOL_SELECT_UV_TRIANGLES; }

// The button whose drag holds the mouse capture.
enum DragButton : int { DRAG_NONE = 0, DRAG_LEFT = 1, DRAG_MIDDLE = 2, DRAG_RIGHT = 3 };
