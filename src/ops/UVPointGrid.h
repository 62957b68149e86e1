// Uniform 256 x 256 grid over the unit UV square that finds, for a UV point, an earlier
// point within epsilon. Points outside the square (and NaN) fall into the border cells.
// Its memory is kept from one use to the next and taken by reset(), sized from the
// corner count, so that the walk that fills the grid allocates nothing.
#pragma once

#include "ScratchArray.h"

#include <model/UVGeometry.h>

#include <cstdint>

class UVPointGrid {
public:
    // Empties the grid for a search radius and room for `capacity` points; false when
    // the memory cannot be had.
    bool reset(float epsilon, int32_t capacity);

    // The first earlier point strictly within epsilon in the 3 x 3 cells around p's
    // cell, in neighbour order (row below first, left to right), newest first within a
    // cell; otherwise p becomes a new point. Answers the point's index, or -1 when p
    // would be a new point beyond the capacity.
    int32_t findOrAdd(UVPoint p);

    int32_t pointCount() const { return count_; }
    const UVPoint& point(int32_t index) const { return entries_.data()[index].point; }

    // Cells per side, in u and in v.
    static constexpr int32_t SIZE = 256;
    // The cell of one coordinate: trunc(256 x), clamped to 0 ... 255.
    static int32_t cellOf(float coordinate);

private:
    // A point and the next older point of its cell (-1 ends the list).
    struct Entry {
        UVPoint point;
        int32_t next;
    };

    int32_t find(UVPoint p, int32_t column, int32_t row) const;

    ScratchArray<int32_t> heads_;  // newest point of each cell, -1 when empty
    ScratchArray<Entry> entries_;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    float epsilonSquared_ = 0.0f;
    bool exactCopyDecides_ = false;  // see findOrAdd
};
