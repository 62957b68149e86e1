// Uniform 256 x 256 grid over the unit UV square that finds, for a UV point, an earlier
// point within epsilon. Points outside the square (and NaN) fall into the border cells.
// All memory is taken by allocate(), sized from the face count, so that the walk that
// fills the grid allocates nothing.
#pragma once

#include <model/GrowArray.h>
#include <model/UVModel.h>

#include <cstdint>

class UVPointGrid {
public:
    explicit UVPointGrid(float epsilon) : epsilonSquared(epsilon * epsilon) {}
    UVPointGrid(const UVPointGrid&) = delete;
    UVPointGrid& operator=(const UVPointGrid&) = delete;
    ~UVPointGrid() { release(); }

    // Room for one point per corner of faceCount faces; false when any allocation fails.
    bool allocate(int faceCount);
    void release();

    // Index of a point within epsilon in cell (column, row), newest first; -1 if none
    // or if the cell lies outside the grid.
    int find(UVPoint p, int column, int row) const;
    // The first point within epsilon in the 3 x 3 cells around p's cell; otherwise p
    // becomes a new point. Answers its index.
    int findOrAdd(UVPoint p);

    int pointCount() const { return points.count(); }
    const UVPoint& point(int index) const { return points[index]; }

    // Cells per side, in u and in v.
    static constexpr int32_t SIZE = 256;
    // The cell of one coordinate: trunc(256 x), clamped to 0 ... 255.
    static int cellOf(float coordinate);

private:
    struct Node {
        int32_t pointIndex;
        Node* next;
    };

    int32_t nodeCount = 0;
    Node** cells = nullptr;
    Node* nodes = nullptr;
    GrowArray<UVPoint> points;
    float epsilonSquared;
    int32_t nodeCapacity = 0;
};
