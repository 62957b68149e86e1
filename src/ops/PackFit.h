// Where packed islands go: rectangles placed on shelves inside the unit square, around
// the cells that fixed (locked) islands cover. The fixed islands are rasterised by their
// real triangles, not their bounds, so that a thin diagonal locked strip leaves the two
// halves of the square beside it free.
#pragma once

#include "IslandOptions.h"

#include <vector>

// The cells of the unit square that fixed triangles cover, each triangle grown by the
// margin; cells are tested conservatively (a cell touched at all is covered).
class Occupancy {
public:
    explicit Occupancy(const PackOptions& options);
    // a, b, c: (u, v) of the triangle's corners; non-finite triangles are ignored.
    void addTriangle(const double* a, const double* b, const double* c);
    // Ends the adding; queries come after.
    void finish();
    bool empty() const { return empty_; }
    // Whether no covered cell meets [x0, x1] x [y0, y1] (UV units).
    bool free(double x0, double y0, double x1, double y1) const;
    // The least x' >= x at which [x', x' + w] x [y, y + h] is free; beyond 1 + margin
    // when there is none.
    double clearX(double x, double y, double w, double h) const;

private:
    int cellsOf(double x) const;
    // Covered cells in columns [c0, c1] x rows [r0, r1] (clamped to the raster).
    long long covered(int c0, int r0, int c1, int r1) const;

    int size_;
    double cell_, margin_;
    bool empty_ = true;
    std::vector<unsigned char> cells_;  // row-major, size_ x size_
    std::vector<int> sums_;             // (size_ + 1)^2 summed-area table of cells_
    std::vector<int> nextFree_;         // per cell: the first free column at or after it in its row, or size_
};

// One island's bounds to place: its size (UV units, before scaling) and, once placed,
// the corner of its cell and whether it is turned a quarter counter-clockwise.
struct FitBox {
    int part = 0;
    double width = 0, height = 0;
    double x = 0, y = 0;
    bool turned = false;
};

// Places every box at the largest common scale found by bisection, `margin` apart and
// clear of `fixed`, and answers that scale; 0 when even the smallest scale tried leaves
// a box without room (the boxes are then as the last try left them). With less margin
// when the full one cannot hold them all (then told in `marginUsed`). Order of `boxes` is changed.
double fitBoxes(std::vector<FitBox>& boxes, const Occupancy& fixed, const PackOptions& options,
                double* marginUsed = nullptr);
