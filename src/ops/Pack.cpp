// Packing islands into the unit square by their shapes (ShapeFit), or by their bounds on
// shelves (PackFit) where that reaches a larger scale or there are too many islands for
// the raster, turned and scaled into place. Islands with a locked corner stay and are
// obstacles by their real triangles.
#include "IslandsInternal.h"
#include "PackFit.h"
#include "ShapeFit.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace islands {

void packParts(UVWalk& walk, const FaceSet& set, const std::vector<int>& part, int partCount,
               const PackOptions& options, int& written) {
    const PartList list = listParts(part, partCount);
    Occupancy fixed(options);
    ShapeFit shapes(options);
    std::vector<int> placed, stay;  // the parts to place (in the order `shapes` has them), and those that stay
    std::vector<FitBox> boxes;
    std::vector<double> low(2 * size_t(partCount));  // each placed island's (min u, min v)
    // The corners of member i; answers whether all are finite.
    auto cornersOf = [&](int i, double (&corner)[3][2]) {
        const FaceRecord& face = walk.face(set.faces[size_t(list.members[size_t(i)])]);
        bool finite = true;
        for (int c = 0; c < 3; ++c) {
            corner[c][0] = face.uv[c][0], corner[c][1] = face.uv[c][1];
            finite = finite && std::isfinite(corner[c][0]) && std::isfinite(corner[c][1]);
        }
        return finite;
    };
    for (int p = 0; p < partCount; ++p) {
        double box[4] = {1e300, 1e300, -1e300, -1e300};
        bool locked = false, finite = true;
        for (int i = list.first[size_t(p)]; i < list.first[size_t(p) + 1]; ++i) {
            double corner[3][2];
            finite = cornersOf(i, corner) && finite;
            locked = locked || (walk.face(set.faces[size_t(list.members[size_t(i)])]).flags & UV_LOCKED_ALL);
            for (int c = 0; c < 3; ++c) {
                box[0] = std::min(box[0], corner[c][0]), box[1] = std::min(box[1], corner[c][1]);
                box[2] = std::max(box[2], corner[c][0]), box[3] = std::max(box[3], corner[c][1]);
            }
        }
        if (locked) {
            stay.push_back(p);
            for (int i = list.first[size_t(p)]; i < list.first[size_t(p) + 1]; ++i) {
                double corner[3][2];
                cornersOf(i, corner);
                fixed.addTriangle(corner[0], corner[1], corner[2]);
            }
            continue;
        }
        // An island with a NaN or infinite corner has no place to go and is left alone;
        // a part left without faces has none to place.
        if (!finite || !(box[0] <= box[2] && box[1] <= box[3]) || !(box[2] - box[0] < 1e300) ||
            !(box[3] - box[1] < 1e300))
            continue;
        low[2 * size_t(p)] = box[0], low[2 * size_t(p) + 1] = box[1];
        FitBox fit;
        fit.part = int(placed.size()), fit.width = box[2] - box[0], fit.height = box[3] - box[1];
        boxes.push_back(fit);
        placed.push_back(p);
    }
    if (boxes.empty()) return;
    fixed.finish();
    double boxMargin = options.margin;
    const double boxScale = fitBoxes(boxes, fixed, options, &boxMargin);
    // By shape where that keeps the larger margin, or the same margin at a larger scale.
    double shapeScale = 0;
    if (int(placed.size()) <= options.shapeIslands) {
        shapes.reserve(int(placed.size()), set.size());
        for (const int p : stay)
            for (int i = list.first[size_t(p)]; i < list.first[size_t(p) + 1]; ++i)
                if (double corner[3][2]; cornersOf(i, corner)) shapes.addObstacle(corner[0], corner[1], corner[2]);
        for (const int p : placed) {
            shapes.addIsland();
            for (int i = list.first[size_t(p)]; i < list.first[size_t(p) + 1]; ++i) {
                double corner[3][2];
                cornersOf(i, corner);
                shapes.addTriangle(corner[0], corner[1], corner[2]);
            }
        }
        shapeScale = shapes.fit(boxScale, boxMargin);
    }
    const bool byShape = shapeScale > 0 && (shapes.marginUsed() > boxMargin ||
                                            (shapes.marginUsed() == boxMargin && shapeScale > boxScale));
    std::vector<ShapeFit::Placement> where(placed.size());
    if (byShape)
        for (size_t k = 0; k < placed.size(); ++k) where[k] = shapes.placement(int(k));
    else if (boxScale > 0)
        for (const FitBox& box : boxes) {
            // A quarter turn counter-clockwise keeps the faces' winding.
            const double s = boxScale, u0 = low[2 * size_t(placed[size_t(box.part)])],
                         v0 = low[2 * size_t(placed[size_t(box.part)]) + 1];
            where[size_t(box.part)] = box.turned ? ShapeFit::Placement{0, s, box.x + s * (box.height + v0), box.y - s * u0}
                                                 : ShapeFit::Placement{s, 0, box.x - s * u0, box.y - s * v0};
        }
    else
        return;
    for (size_t k = 0; k < placed.size(); ++k) {
        const ShapeFit::Placement& to = where[k];
        for (int i = list.first[size_t(placed[k])]; i < list.first[size_t(placed[k]) + 1]; ++i) {
            FaceRecord& face = walk.face(set.faces[size_t(list.members[size_t(i)])]);
            for (int c = 0; c < 3; ++c) {
                const double u = face.uv[c][0], v = face.uv[c][1];
                // Rounding may leave a corner a hair outside the square.
                written += writeUV(face, c, std::clamp(to.a * u - to.b * v + to.tu, 0.0, 1.0),
                                   std::clamp(to.b * u + to.a * v + to.tv, 0.0, 1.0));
            }
        }
    }
}

}  // namespace islands

// packParts writes only once every island has its place.
EditResult packIslands(UVModel& model, float epsilon, const PackOptions& options) {
    UVEdit edit(model, {L"Pack Islands", EDIT_FACE_DATA});
    return islands::onSelectedIslands(edit, epsilon, islands::Winding::Any, [&](islands::FaceSet& set, std::vector<int>& part, int parts) {
        islands::packParts(edit, set, part, parts, options, edit.changed);
    });
}
