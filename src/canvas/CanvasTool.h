// The canvas's mouse tools that a user chooses, numbered as the "Mode" setting stores
// them. The numbers in between belong to drags in progress.
#pragma once

enum CanvasTool : int {
    TOOL_SELECT_UV_COORDS = 1,
    TOOL_SELECT_UV_TRIANGLES = 2,
    TOOL_PAN = 3,
    TOOL_ZOOM = 6,
    TOOL_ZOOM_REGION = 7,
};
