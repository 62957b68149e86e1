// Moving whole islands of UVs rigidly: the motion (rotation with uniform scale, an
// optional mirror, translation), its least-squares fit of one point set onto another,
// and writing it to the islands' corners without ever making a NaN or infinite UV.
#pragma once

#include "IslandsInternal.h"

#include <cstddef>
#include <vector>

namespace islands {

// (u, v) -> R (u, +-v) + t, with R = [a -b; b a]: a turn by atan2(b, a) with scale
// |(a, b)|; with `mirror` v changes sign first, which reverses the winding.
struct Motion {
    double a = 1, b = 0, tu = 0, tv = 0;
    bool mirror = false;

    void apply(double u, double v, double& outU, double& outV) const {
        if (mirror) v = -v;
        outU = a * u - b * v + tu;
        outV = b * u + a * v + tv;
    }
    // The motion that undoes this one (identity when the scale is zero).
    Motion inverse() const;
    // First `first`, then this.
    Motion after(const Motion& first) const;
};

// The turn by `radians` about (cu, cv).
Motion turnAbout(double cu, double cv, double radians);

// Point pairs: `from` should land on `to`, both (u, v) interleaved.
struct PointPairs {
    std::vector<double> from, to;
    size_t size() const { return from.size() / 2; }
    void add(double fu, double fv, double tu, double tv) {
        from.push_back(fu), from.push_back(fv);
        to.push_back(tu), to.push_back(tv);
    }
};

// What a fitted motion may do besides translating: turn, or turn and scale uniformly.
enum class Fit { Turn, TurnAndScale };

// The motion with the given mirror that brings the pairs' `from` points closest to their
// `to` points (least squares). Coinciding `from` points (or one pair) give a translation
// alone.
Motion fitMotion(const PointPairs& pairs, bool mirror, Fit fit);

// Moves every corner of the listed members (indices into set) by the motion, from the
// records' current UVs. Writes nothing when a new UV would not be finite. Answers the
// corners whose UVs changed.
int moveMembers(UVWalk& walk, const FaceSet& set, const int* members, int count, const Motion& motion);

// Whether any corner of the listed members is locked, and whether all are finite.
bool anyLocked(UVWalk& walk, const FaceSet& set, const int* members, int count);
bool allFinite(const FaceSet& set, const int* members, int count);

}  // namespace islands
