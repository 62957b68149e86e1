// Packing islands into the unit square: each island's bounds placed by PackFit, turned
// and scaled into its place. Islands with a locked corner stay and are obstacles by
// their real triangles.
#include "IslandsInternal.h"
#include "PackFit.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace islands {

void packParts(UVWalk& walk, const FaceSet& set, const std::vector<int>& part, int partCount, double margin,
               int& written) {
    const PartList list = listParts(part, partCount);
    PackFitOptions options;
    options.margin = margin;
    Occupancy fixed(options);
    std::vector<FitBox> boxes;
    std::vector<double> low(2 * size_t(partCount));  // each placed island's (min u, min v)
    for (int p = 0; p < partCount; ++p) {
        double box[4] = {1e300, 1e300, -1e300, -1e300};
        bool locked = false, finite = true;
        for (int i = list.first[size_t(p)]; i < list.first[size_t(p) + 1]; ++i) {
            const FaceRecord& face = walk.face(set.faces[size_t(list.members[size_t(i)])]);
            locked = locked || (face.flags & UV_LOCKED_ALL);
            for (int c = 0; c < 3; ++c) {
                const double u = face.uv[c][0], v = face.uv[c][1];
                finite = finite && std::isfinite(u) && std::isfinite(v);
                box[0] = std::min(box[0], u), box[1] = std::min(box[1], v);
                box[2] = std::max(box[2], u), box[3] = std::max(box[3], v);
            }
        }
        if (locked) {
            for (int i = list.first[size_t(p)]; i < list.first[size_t(p) + 1]; ++i) {
                const FaceRecord& face = walk.face(set.faces[size_t(list.members[size_t(i)])]);
                double corner[3][2];
                for (int c = 0; c < 3; ++c) corner[c][0] = face.uv[c][0], corner[c][1] = face.uv[c][1];
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
        fit.part = p, fit.width = box[2] - box[0], fit.height = box[3] - box[1];
        boxes.push_back(fit);
    }
    if (boxes.empty()) return;
    fixed.finish();
    const double scale = fitBoxes(boxes, fixed, options);
    if (!(scale > 0)) return;
    for (const FitBox& box : boxes) {
        const double u0 = low[2 * size_t(box.part)], v0 = low[2 * size_t(box.part) + 1];
        for (int i = list.first[size_t(box.part)]; i < list.first[size_t(box.part) + 1]; ++i) {
            FaceRecord& face = walk.face(set.faces[size_t(list.members[size_t(i)])]);
            for (int c = 0; c < 3; ++c) {
                double x = face.uv[c][0] - u0, y = face.uv[c][1] - v0;
                if (box.turned) {
                    // A quarter turn counter-clockwise keeps the faces' winding.
                    const double turnedX = box.height - y;
                    y = x, x = turnedX;
                }
                written += writeUV(face, c, box.x + x * scale, box.y + y * scale);
            }
        }
    }
}

}  // namespace islands

bool packIslands(UVModel& model, float epsilon) {
    UVEdit edit(model, {L"Pack Islands", EDIT_FACE_DATA});
    islands::onSelectedIslands(edit, epsilon, false, [&](islands::FaceSet& set, std::vector<int>& part, int parts) {
        islands::packParts(edit, set, part, parts, PACK_MARGIN, edit.changed);
    });
    return edit.finish();
}
