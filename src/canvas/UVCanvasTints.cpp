// The face tints under the layout: flipped and overlapping faces in their fault colours,
// or every face by its area stretch, composed once per view into a layer of the back
// buffer's size and laid over each frame's background.
#include "canvas/UVCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

#include "model/MeshLock.h"
#include "ops/LayoutQuality.h"

namespace {
// Colour-blind-safe tints of the faults, and the ends of the stretch scale (0x00RRGGBB).
constexpr std::uint32_t kFlippedTint = 0xE69F00;      // orange
constexpr std::uint32_t kOverlappingTint = 0xCC79A7;  // reddish purple
constexpr std::uint32_t kStretchedOut = 0x2166AC;     // blue
constexpr std::uint32_t kCompressed = 0xB2182B;       // red
// Stretch saturates at four times the area (2 in log2) either way, in 16 steps a side.
constexpr float kStretchRange = 2.0f;
constexpr int kStretchSteps = 16;

// Three quarters of a colour, as addTintLayer adds it.
std::uint32_t tintOf(std::uint32_t colour) {
    std::uint32_t part = 0;
    for (int shift = 0; shift < 24; shift += 8) part |= (((colour >> shift) & 0xFFu) * 3 / 4) << shift;
    return part;
}

// The tint `step` steps from white towards an end of the stretch scale.
std::uint32_t stepTint(int step, bool stretchedOut) {
    const std::uint32_t end = stretchedOut ? kStretchedOut : kCompressed;
    std::uint32_t colour = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int towards = static_cast<int>((end >> shift) & 0xFFu);
        colour |= static_cast<std::uint32_t>(255 + (towards - 255) * step / kStretchSteps) << shift;
    }
    return tintOf(colour);
}

std::uint32_t stretchTint(float stretch) {
    const float t = std::clamp(stretch / kStretchRange, -1.0f, 1.0f);
    return stepTint(static_cast<int>(std::lround(std::fabs(t) * kStretchSteps)), t < 0);
}

// The stretch tint of a face from its areas (measureAreas) without a logarithm: the
// colour steps where 2^stretch, the face's share of the UV area over its share of the
// 3D area, crosses 2^(+-(k + 1/2) / 8); a share too near a step to tell, and the faces
// with a zero area, take the exact way. False: no tint (the stretch means nothing).
bool stretchTintOf(double areaUV, double area3D, double totalUV, double total3D, std::uint32_t& tint) {
    // Per step: just below and just above where it lies.
    static const auto steps = [] {
        std::array<std::array<double, 2>, kStretchSteps> at{};
        for (int k = 0; k < kStretchSteps; ++k) {
            const double step = std::exp2((k + 0.5) * kStretchRange / kStretchSteps);
            at[size_t(k)] = {step * (1 - 1e-6), step * (1 + 1e-6)};
        }
        return at;
    }();
    const double ratio = (areaUV / totalUV) / (area3D / total3D);
    if (!(ratio > 0) || !std::isfinite(ratio)) {
        const float stretch = stretchOf(areaUV, area3D, totalUV, total3D);
        if (std::isnan(stretch)) return false;
        tint = stretchTint(stretch);
        return true;
    }
    const double apart = ratio < 1 ? 1 / ratio : ratio;
    int step = 0;
    while (step < kStretchSteps && apart >= steps[size_t(step)][1]) ++step;
    if (step < kStretchSteps && apart > steps[size_t(step)][0]) {
        tint = stretchTint(stretchOf(areaUV, area3D, totalUV, total3D));
        return true;
    }
    tint = stepTint(step, ratio < 1);
    return true;
}
}  // namespace

void UVCanvas::prepareFaceTints() {
    const TintInputs inputs = {view.faceFilter.mask, view.faceFilter.value, view.showFaults, view.showStretch,
                               view.epsilon};
    if (inputs == tintInputs_ && !tintsStale_) return;
    // Made again at every step of a drag too, so that the colours follow it; the buffers
    // are kept, so that a step of a drag allocates nothing.
    tintsStale_ = false;
    tintInputs_ = inputs;
    tintLayerValid_ = false;
    try {
        UVWalk walk(mesh_.Get(), view.faceFilter);
        std::vector<double>& areas = tintAreas_;
        std::vector<uint8_t>& faults = tintFaults_;
        faults.clear();
        double totalUV = 0, total3D = 0;
        // A drag moves only UVs: its steps take the 3D areas measured at its first; outside
        // a drag both are measured in one pass.
        bool stretch = false;
        if (view.showStretch && !dragging()) {
            stretch = measureAreas(walk, areas, totalUV, total3D);
        } else if (view.showStretch) {
            if (tintArea3DDrag_ != dragCount_) measure3DAreas(walk, tintArea3D_), tintArea3DDrag_ = dragCount_;
            stretch = measureAreas(walk, tintArea3D_, areas, totalUV, total3D);
        }
        if (view.showFaults) findFaultyFaces(walk, view.epsilon, FAULT_FLIPPED | FAULT_OVERLAPPING, faults, tintScratch_);
        faceTints_.clear();
        // Stretch first, then overlapping, then flipped faces: the worse fault shows on top.
        const size_t count = static_cast<size_t>(std::max(walk.faceCount(), 0));
        for (const int rank : {0, int(FAULT_OVERLAPPING), int(FAULT_FLIPPED)}) {
            if (rank && faults.empty()) break;  // no faults measured: the first pass was all
            for (size_t i = 0; i < count; ++i) {
                const int fault = faults.empty() ? 0 : (faults[i] & FAULT_FLIPPED) ? int(FAULT_FLIPPED) : int(faults[i]);
                if (fault != rank) continue;
                if (fault)
                    faceTints_.push_back({static_cast<int>(i), tintOf(fault == FAULT_FLIPPED ? kFlippedTint : kOverlappingTint)});
                else if (std::uint32_t tint; stretch && stretchTintOf(areas[2 * i], areas[2 * i + 1], totalUV, total3D, tint))
                    faceTints_.push_back({static_cast<int>(i), tint});
            }
        }
    } catch (const std::bad_alloc&) {
        faceTints_.clear();
    }
}

void UVCanvas::drawFaceTints() {
    prepareFaceTints();
    if (faceTints_.empty()) return;
    const PixelImage image{backPixels_, int(backSize_.cx), int(backSize_.cy)};
    const size_t pixels = size_t(image.width) * size_t(image.height);
    const TintView shown = {view.zoom, view.panX, view.panY, extentWidth_, extentHeight_};
    if (!tintLayer_) {
        tintLayer_.reset(new (std::nothrow) std::uint32_t[pixels]);
        tintLayerValid_ = false;
        if (!tintLayer_) return;
    }
    if (!tintLayerValid_ || !(shown == tintLayerView_)) {
        const PixelImage layer{tintLayer_.get(), image.width, image.height};
        std::fill_n(layer.pixels, pixels, 0u);
        const float w = static_cast<float>(extentWidth_), h = static_cast<float>(extentHeight_);
        MeshLock lock(mesh_.Get());
        const int count = lock.faces ? lock.faceCount : 0;
        for (const FaceTint& fill : faceTints_) {
            if (fill.face >= count) continue;
            const FaceRecord& face = lock.faces[fill.face];
            if (!faceFinite(face)) continue;
            POINT p[3];
            for (int c = 0; c < 3; ++c) p[c] = canvasToPixel(face.uv[c][0] * w, face.uv[c][1] * h);
            addTintLayer(layer, p, fill.tint);
        }
        tintLayerView_ = shown;
        tintLayerValid_ = true;
    }
    applyTintLayer(image, tintLayer_.get());
}
