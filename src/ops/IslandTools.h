// Hand tools that finish a layout island by island: cut the selection off its island,
// sew islands together along the edges they share in 3D, turn islands upright and stack
// islands of the same shape.
//
// Islands are those of Islands.h: faces joined through edges whose UVs meet within
// `epsilon` (UV units, the weld epsilon). "Selected faces" have all three corners
// selected and visible. Each tool is one history entry named by its command, kept only
// when a UV really changed, which is also its result (Changed; OutOfMemory, nothing
// changed, when working memory ran out). Only rigid motions move islands
// (Stitch also scales), so no face turns over; an island with a locked corner stays where
// it is; hidden corners and faces the tool does not name never change; a NaN or infinite
// UV is never made, and an island holding one is left alone.
#pragma once

#include "EditProtocol.h"
#include "IslandOptions.h"

// The selected faces are cut from the faces they share UV edges with: each connected
// piece of them moves by options.gap away from what it was cut from.
EditResult splitSelection(UVModel& model, float epsilon, const SplitOptions& options = {});

// Edges of the selected faces (both ends selected and visible) whose partner edge, the
// same two vertices on a face of another island, has other UVs: the smaller island (in
// faces, with what was already sewn to it) moves onto the other by the motion (turn,
// uniform scale, translation; mirrored first when it winds the other way) that best fits
// its corners of those edges to their partners, then each pair of partner corners takes
// one position. Islands are sewn pair by pair, those sharing most edges first, and never
// into a ring: a pair already joined through others stays open. An island with a locked
// or hidden corner, or outside the selection's faces, may still be a partner; it does
// not move, and when both hold one only their free corners meet. A sewing that would
// turn a face over is left open.
EditResult stitch(UVModel& model, float epsilon);

// Each island of selected faces turns about the centre of its smallest bounding
// rectangle so that the rectangle is axis-aligned with its long side along u, by the
// smallest such turn; never mirrored.
EditResult orientIslands(UVModel& model, float epsilon);

// How many islands moved onto another, and onto how many.
struct StackCount {
    int stacked = 0;
    int onto = 0;
};

// Among the islands of selected faces, those of one shape (the same face count, and every
// corner within options.tolerance of the island's size of a corner of the other after the
// best rigid fit, mirroring allowed) move onto the first of their kind in face order, or
// onto the first with a locked corner, which cannot move itself.
EditResult stackSimilarIslands(UVModel& model, float epsilon, StackCount* count = nullptr,
                               const StackOptions& options = {});
