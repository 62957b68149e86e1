// Evening out a flat map of triangles: descent on the symmetric Dirichlet energy, the
// sum over triangles of rest area x (|J|^2 + |J^-1|^2), J the 2 x 2 Jacobian from the
// rest triangle to its UVs. The energy is least (4 x area) where every triangle keeps
// its rest shape and size, and grows without bound as a triangle's UV area goes to
// zero, so a descent that never crosses zero area never turns a triangle over.
#pragma once

#include <memory>
#include <vector>

struct StretchOptions {
    int iterations = 10;          // most descent steps; 0 .. 1000, default 10
    double tolerance = 1e-3;      // stop once a step lowers the energy by less than this fraction of
                                  // its excess over the isometric least; 0 .. 1, default 0.001
    int mostFactored = 20000;     // free vertices up to which the proxy is factored; beyond, each
                                  // direction takes conjugate-gradient steps; 0 .. 65536, default 20000
    int gradientSteps = 60;       // most conjugate-gradient steps per direction; 1 .. 1000, default 60
};

// The map: vertices (u, v) and triangles of three vertex numbers, each with its rest
// shape, the 3D triangle laid in its own plane (corner 0 at the origin, corner 1 on the
// x axis at rest[0], corner 2 at (rest[1], rest[2]), rest[2] > 0), in UV units.
// A triangle with a bad vertex number, no rest area, a non-finite number or no UV area
// takes no part; vertices that no other triangle reaches stay where they are. A triangle
// keeps the sign of its UV area, so mirrored triangles stay mirrored.
struct StretchMap {
    std::vector<double> uv;       // 2 per vertex
    std::vector<char> held;       // per vertex: nonzero stays where it is
    std::vector<int> corners;     // 3 per triangle
    std::vector<double> rest;     // 3 per triangle
};

struct StretchResult {
    double before = 0;   // energy of the starting map over the triangles that take part
    double after = 0;    // energy of the result, before when nothing moved
    double area = 0;     // rest area of those triangles (the energy is at least 4 x area)
    int steps = 0;       // descent steps taken, each lowering the energy
};

// The rest shape of a 3D triangle scaled by `scale` (a linear factor); false when it has
// no area or a non-finite coordinate.
bool restShape(const double* p0, const double* p1, const double* p2, double scale, double* rest);

// The solver's working memory: kept from call to call (in ScratchSlots), a large map
// solved again neither allocates nor touches fresh pages.
struct StretchWork {
    StretchWork();
    ~StretchWork();
    struct Parts;
    std::unique_ptr<Parts> parts;
};

// Moves the free vertices of `map.uv` to lower the energy: each step solves the rest
// mesh's cotangent Laplacian against the gradient (by a factorisation made once, or on
// large maps approximately by conjugate gradients, whose steps cost far less than a
// factorisation there) and searches along that direction below the largest step that
// keeps every triangle's area sign. Stops
// after options.iterations steps, when a step gains less than options.tolerance, or when
// no step lowers the energy. Throws std::bad_alloc.
StretchResult reduceStretch(StretchMap& map, const StretchOptions& options, StretchWork& work);
StretchResult reduceStretch(StretchMap& map, const StretchOptions& options);
