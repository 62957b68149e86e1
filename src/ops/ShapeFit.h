// Where packed islands go, placed by their shapes: each island's triangles cover cells of a
// bit raster of the unit square (every cell a triangle touches), and nothing else may come
// within the margin of them. Islands go largest first, each in one of the four quarter
// turns of its smallest bounding rectangle, to the lowest free place that holds it, so
// that small ones nest in the gaps and hollows of large ones. The common scale is the
// largest a search of such packings finds. Islands that stay (locked) are obstacles.
#pragma once

#include "IslandOptions.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class ShapeFit {
public:
    // Where an island went: (u, v) -> (a u - b v + tu, b u + a v + tv), a turn with the
    // common scale, never a mirror.
    struct Placement {
        double a = 1, b = 0, tu = 0, tv = 0;
    };

    explicit ShapeFit(const PackOptions& options) : options_(options) {}
    // Room for this many islands and triangles in all, made at once.
    void reserve(int islands, int triangles);
    // A new island to place; the triangles added next are its own.
    void addIsland();
    // a, b, c: (u, v) of the triangle's corners, all finite.
    void addTriangle(const double* a, const double* b, const double* c);
    // A triangle that stays where it is: islands keep the margin from it inside the square.
    void addObstacle(const double* a, const double* b, const double* c);
    // Places every island and answers the common scale; 0 when they cannot all be placed
    // (too many, or no room at any scale even without a margin). With less margin when the
    // full one cannot hold them all. `hint`: a scale known to be reached another way at
    // `hintMargin` (0: none), where the search starts; no less margin than that is tried.
    double fit(double hint = 0, double hintMargin = 0);
    const Placement& placement(int island) const { return placements_[std::size_t(island)]; }
    int islandCount() const { return int(islands_.size()); }
    // The margin the placements keep: the one asked for, or less when it could not hold them.
    double marginUsed() const { return marginUsed_; }

    // Cells of one island's raster: per row, runs of covered cells.
    struct Mask {
        int width = 0, height = 0;
        std::vector<int> rowStart;  // height + 1 entries into runs, counted in runs
        std::vector<int> runs;      // (first cell, length) pairs
        std::vector<int> longest;   // per row, its longest run
        std::vector<int> order;     // rows in the order a place is tried: the widest, then spread coarse to fine
    };

private:
    struct Island {
        int first = 0, end = 0;           // its triangles in corners_, 6 numbers each
        double turnCos = 1, turnSin = 0;  // the turn that stands its smallest rectangle upright
        double width = 0, height = 0;     // bounds after that turn
        double lowU = 0, lowV = 0;        // least corner after the turn
    };
    // Where a packing put an island: the raster cell of its mask's first cell, its quarter
    // turns, and its mask's size unturned (cells).
    struct Spot {
        int x = 0, y = 0, quarters = 0;
        int width = 0, height = 0;
    };

    void prepare();
    bool pack(double scale, std::vector<Spot>& spots);
    void rasterise(const Island& island, double scale, Mask& mask);
    bool search(const Mask* turns, Spot& spot) const;
    // The first row at or after `from` whose longest free run is at least `need`, or the row count.
    int nextRow(int from, int need) const;
    // The least y' >= y where each row of the mask has a long enough free run in its row, or -1.
    int nextRoom(const Mask& mask, int y) const;
    // The first column where the mask fits with its first row at y, or -1; `blocking`: a
    // row of the mask to try first, then the one that kept it out.
    int firstFit(const Mask& mask, int y, int& blocking) const;
    void stamp(const Mask& mask, int x, int y);
    void clearRows();
    void updateRows(int from, int to);
    void place(const std::vector<Spot>& spots, double scale);

    PackOptions options_;
    std::vector<Island> islands_;
    std::vector<double> corners_;    // islands' triangles, (u, v) per corner
    std::vector<double> obstacles_;  // fixed triangles, (u, v) per corner
    std::vector<int> order_;         // islands largest first
    std::vector<Placement> placements_;
    double marginUsed_ = 0;

    // The raster of one packing.
    int size_ = 0, words_ = 0;     // cells per side, 64-bit words per row
    double cell_ = 0;              // side of a cell, UV units
    std::vector<int> reach_;       // per row offset of the margin's reach, the columns it reaches
    std::vector<uint64_t> fixed_;  // the obstacles grown by the margin
    std::vector<uint64_t> taken_;  // cells no island's own cell may cover
    std::vector<int> freeRun_;     // per row, the longest run of free cells
    int leaves_ = 1;
    std::vector<int> most_;        // tree of the rows' longest free runs, largest at each node
    int lowestOpen_ = 0;           // rows below are full
    mutable double work_ = 0;      // raster words visited so far
    std::vector<uint64_t> bits_;   // scratch of rasterise and the turns
    mutable std::vector<uint64_t> valid_, span_;  // scratch of firstFit
};
