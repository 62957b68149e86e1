// The options of the island operations (Islands.h, IslandTools.h, Relax.h), each field
// with its unit, range and default. An operation takes `const XOptions& options = {}`:
// the defaults are what the editor's commands use.
#pragma once

#include "StretchSolve.h"

// Unwrap, Unwrap Conformal and Auto Unwrap.
struct UnwrapOptions {
    double chartAngleDegrees = 66.0;  // Auto Unwrap: a face whose normal is farther than this from its
                                      // chart's mean normal starts another chart; degrees, (0, 180], default 66
    double mostAngleError = 1.5;      // a flattened part whose mean angle error is above this is split in
                                      // two; degrees, > 0, default 1.5 (a mildly curved part stays well below)
    StretchOptions stretch{10, 1e-3, 20000, 100};  // lowering each flattened part's stretch (not Unwrap
                                      // Conformal); default 10 steps, tolerance 0.001, 20000 factored, 100
    int stretchWork = 200000;         // most steps x faces of one part: a large part, where each step costs
                                      // most, takes fewer (at least one); >= 1, default 200000
    double sliverHeight = 1e-3;       // Auto Unwrap: a flattened face lower than this fraction of its longest
                                      // edge is a sliver and laid out on its own; [0, 1), default 0.001
};

// Pack Islands and the packing that ends Auto Unwrap: by the islands' shapes on a bit
// raster (ShapeFit), or by their bounds on shelves (PackFit) where that reaches a larger
// scale or there are too many islands for the raster.
struct PackOptions {
    double margin = 0.02;       // gap between islands, a fraction of the unit square; [0, 0.25], default 0.02
    // By shape.
    int shapeIslands = 10000;   // more islands than this are packed by their bounds only; [0, 1000000], default 10000
    int shapeResolution = 0;    // raster cells per side, rounded up to 64; [64, 2048], default 0: 2048 for up
                                // to 400 islands, 1536 for up to 2000, else 1024
    int scaleTries = 16;        // packings tried at one margin in search of the scale; [2, 40], default 16
    double precision = 0.004;   // the search stops once the scale is known within this fraction; [1e-4, 0.1],
                                // default 0.004
    double workBudget = 2e8;    // raster words a fit may visit before it keeps the best packing found;
                                // [1e6, 1e12], default 2e8 (a fraction of a second)
    // By bounds.
    int resolution = 512;       // cells per side of the locked islands' raster over the square; [16, 4096], default 512
    int scaleSteps = 24;        // bisection steps of the islands' common scale; [1, 40], default 24
};

// Split Selection.
struct SplitOptions {
    double gap = 0.02;  // how far each cut-off piece moves away from what it was cut from; UV units, >= 0,
                        // default 0.02 (the packing's margin)
};

// Stack Similar Islands.
struct StackOptions {
    double tolerance = 0.01;  // islands are of one shape when, after the best fit, every corner of one lies
                              // this close to a corner of the other; fraction of the island's bounding
                              // box's diagonal, (0, 1), default 0.01
    double settled = 1e-3;    // an island no corner of which would move farther than this fraction of the
                              // tolerance is already in place and stays; [0, 1), default 0.001
};

// Relax.
struct RelaxOptions {
    StretchOptions stretch{4, 1e-3, 20000, 60};  // a few descent steps, enough to smooth a hand edit and
                                                 // quick on a whole mesh; default 4 steps, tolerance 0.001,
                                                 // 20000 factored, 60
};
