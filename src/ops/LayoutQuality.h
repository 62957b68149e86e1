// What an artist must see in a UV layout: faces that wind against their island or have
// no UV area (flipped), faces whose UV triangles share interior with another's
// (overlapping), how much each face's UVs stretch its surface, and the texel density of
// islands; with the commands that select the faulty faces and set the density.
//
// The faces shown are those that pass the walk's face filter with no corner hidden;
// faces not shown are never faulty, measured or selected. Islands are those of
// Islands.h: faces joined through edges whose UVs meet within the weld epsilon.
#pragma once

#include "EditProtocol.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

// Per-face fault bits.
enum : uint8_t { FAULT_FLIPPED = 1, FAULT_OVERLAPPING = 2 };

// faults[i] for face record i: its FAULT_* bits among `wanted` (0 for faces not shown).
// A face is flipped when it winds against most faces of its island (on a tie, against
// the faces seen from the front) or when its UV area is zero or not finite; it overlaps
// when its UV triangle and another's share more than a sliver of interior, so that
// shared edges and corners do not count. Throws std::bad_alloc.
void findFaultyFaces(UVWalk& walk, float epsilon, uint8_t wanted, std::vector<uint8_t>& faults);

// findFaultyFaces' working memory, kept by a caller that looks at every step of a drag,
// so that a repeat on the same mesh allocates nothing.
class FaultScratch {
public:
    FaultScratch();
    ~FaultScratch();
    FaultScratch(const FaultScratch&) = delete;
    FaultScratch& operator=(const FaultScratch&) = delete;
    struct Arrays;
    std::unique_ptr<Arrays> arrays;
};
void findFaultyFaces(UVWalk& walk, float epsilon, uint8_t wanted, std::vector<uint8_t>& faults,
                     FaultScratch& scratch);

// stretch[i] for face record i: log2 of its share of the UV area over its share of the
// 3D area among the faces shown; positive where the texture is compressed on the
// surface, negative where it is stretched out, +-infinity where one of the areas is
// zero, NaN where it means nothing (not shown, not finite, both areas zero).
// areas: working memory (UV and 3D area per face), kept by a caller that measures
// often. Throws std::bad_alloc.
void measureStretch(UVWalk& walk, std::vector<float>& stretch, std::vector<double>& areas);
// What the stretch is made of: per face record twice its UV area and twice its 3D area
// (both 0 where the stretch means nothing but for the totals), and their totals; false
// when a total is not positive and finite, so that no stretch means anything.
bool measureAreas(UVWalk& walk, std::vector<double>& areas, double& totalUV, double& total3D);
// The same from 3D areas measured before (area3D: per face record twice its 3D area, NaN
// where it means nothing, as measure3DAreas gives them), for a caller that measures again
// while only UVs move: a drag reads no vertex.
void measure3DAreas(UVWalk& walk, std::vector<double>& area3D);
bool measureAreas(UVWalk& walk, const std::vector<double>& area3D, std::vector<double>& areas, double& totalUV,
                  double& total3D);
// The stretch of one face from its areas and the totals, as measureStretch gives it.
inline float stretchOf(double areaUV, double area3D, double totalUV, double total3D) {
    const double a = areaUV / totalUV, b = area3D / total3D;
    return a == 0 && b == 0 ? NAN : float(std::log2(a) - std::log2(b));
}
inline void measureStretch(UVWalk& walk, std::vector<float>& stretch) {
    std::vector<double> areas;
    measureStretch(walk, stretch, areas);
}

// The faces shown with the fault become the selection (whole faces; the others shown
// are deselected); one history entry when it changed, and then Changed. epsilon: as in
// Islands.h.
EditResult selectFlipped(UVModel& model, float epsilon, bool sync);
EditResult selectOverlapping(UVModel& model, float epsilon, bool sync);

// Texture pixels per 3D unit of the selected islands taken together, for a texture of
// width x height pixels; 0 when they have no area. The faces counted are those the
// unwraps act on: all three corners selected and visible.
double texelDensity(UVModel& model, float epsilon, int width, int height);

// Scales each selected island about the centre of its bounds so that its density
// becomes `target` (texture pixels per 3D unit); with target 0, the density of the
// selected islands together. An island with a locked corner stays as it is. One
// history entry named `description` when anything moved, and then Changed. Nothing moves
// for a negative or non-finite target, nor when the islands would reach farther than
// TEXEL_DENSITY_MOST_REACH (and farther than they reach now).
EditResult setTexelDensity(UVModel& model, float epsilon, int width, int height, double target,
                           const wchar_t* description);

// How far from the origin (the largest |u| or |v|, UV units) setTexelDensity with this
// positive target would carry the selected islands; 0 when it would move none, infinity
// for a target that is not positive and finite.
double texelDensityReach(UVModel& model, float epsilon, int width, int height, double target);

// UV units (100 textures) beyond which a density would carry islands out of any use.
constexpr double TEXEL_DENSITY_MOST_REACH = 100.0;
