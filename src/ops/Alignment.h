// Lining corners up by hand: align the selected corners on a side or centre of their
// bounds, straighten selected paths, lay quad islands out as axis-aligned grids.
//
// Each is one history entry named `description` and kept only when a UV really changed,
// which is also what it answers (Changed; OutOfMemory, nothing changed, when working
// memory ran out). epsilon
// (UV units): corners of one vertex within it are one UV vertex, as for the islands of
// Islands.h. None moves a locked, hidden or unselected corner, writes a NaN or infinite
// UV, or turns over or collapses a face that had area: a UV vertex whose move would do
// that stays where it is.
#pragma once

#include "EditProtocol.h"

// Which side or centre of the selection's bounds the corners take. v grows downward on
// the canvas: the top is the smallest v. The centres are of the horizontal extent (u)
// and of the vertical extent (v).
enum class AlignTo { Left, Right, Top, Bottom, CentreHorizontally, CentreVertically };

// The selected visible corners' bounds (locked corners count) give the u or v that the
// editable corners take.
EditResult alignSelection(UVModel& model, AlignTo side, float epsilon, const wchar_t* description);

// Each path of selected corners along face edges (UV vertices joined by edges whose
// both corners are selected, no branch, not closed) is laid on the line between its two
// ends, spaced in proportion to the 3D lengths of its edges (UV lengths where a vertex
// has no finite position).
EditResult straighten(UVModel& model, float epsilon, const wchar_t* description);

// Each selected island (whole selected faces, as Unwrap takes them) whose triangles pair
// into quads forming a grid is laid out as an axis-aligned grid: each column's width and
// each row's height in proportion to the mean 3D length of its edges, the grid's axes
// along the island's nearer UV axes, its winding, bounds centre and UV area kept.
// Islands that are no grid, have a locked corner or no UV area stay, and are counted.
struct GridResult {
    int laidOut = 0;
    int skipped = 0;
    EditResult outcome = EditResult::Unchanged;
};
GridResult straightenToGrid(UVModel& model, float epsilon, const wchar_t* description);
