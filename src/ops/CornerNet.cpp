// The selected corners as UV vertices, and the write that holds back whatever would
// turn a face over.
#include "CornerNet.h"

#include <cmath>
#include <numeric>

namespace lineup {

namespace {

// Twice the signed area of three UV points, in double so that small faces keep a sign.
double cross(const float* a, const float* b, const float* c) {
    return (double(b[0]) - a[0]) * (double(c[1]) - a[1]) - (double(b[1]) - a[1]) * (double(c[0]) - a[0]);
}

}  // namespace

CornerNet& selectedCornerNet(UVModel& model, UVWalk& walk, float epsilon) {
    CornerNet& net = model.scratch.slots.get<CornerNet>();
    islands::gatherFaces(walk, [](const FaceRecord& face) {
        return CORNERS_SELECTED.passes(face.flags, 0) || CORNERS_SELECTED.passes(face.flags, 1) ||
               CORNERS_SELECTED.passes(face.flags, 2);
    }, net.set);
    islands::linkEdges(walk, net.set, epsilon, islands::EdgeLink::VerticesAndUVs, islands::Winding::Any);
    std::vector<int>& members = net.members;
    members.resize(size_t(net.set.size()));
    std::iota(members.begin(), members.end(), 0);
    net.nodeCount = islands::joinCorners(net.set, members.data(), net.set.size(), net.node);
    return net;
}

bool movable(const CornerNet& net, UVWalk& walk, int corner) {
    const uint16_t flags = walk.face(net.set.faces[size_t(corner / 3)]).flags;
    const float* uv = &net.set.uv[2 * size_t(corner)];
    return CORNERS_EDITABLE.passes(flags, corner % 3) && std::isfinite(uv[0]) && std::isfinite(uv[1]);
}

int writeGuarded(UVWalk& walk, CornerNet& net, const std::vector<float>& target) {
    const int n = net.set.size();
    std::vector<char>& held = net.held;
    std::vector<char>& moving = net.moving;
    held.assign(size_t(net.nodeCount), 0);
    moving.assign(3 * size_t(n), 0);
    for (int corner = 0; corner < 3 * n; ++corner) {
        const uint16_t flags = walk.face(net.set.faces[size_t(corner / 3)]).flags;
        if (flags & (UV_LOCKED << (corner % 3))) held[size_t(net.node[size_t(corner)])] = 1;
        const float* to = &target[2 * size_t(corner)];
        moving[size_t(corner)] = movable(net, walk, corner) && std::isfinite(to[0]) && std::isfinite(to[1]);
    }
    auto moves = [&](int corner) { return moving[size_t(corner)] && !held[size_t(net.node[size_t(corner)])]; };
    auto after = [&](int corner) { return moves(corner) ? &target[2 * size_t(corner)] : &net.set.uv[2 * size_t(corner)]; };
    // A face whose area keeps its sign is safe; one with none to keep (collapsed or not
    // finite) may go anywhere.
    auto turnsOver = [&](int m) {
        if (!moves(3 * m) && !moves(3 * m + 1) && !moves(3 * m + 2)) return false;
        const float* uv = &net.set.uv[6 * size_t(m)];
        const double before = cross(uv, uv + 2, uv + 4);
        if (!(before != 0) || !std::isfinite(before)) return false;
        return !(cross(after(3 * m), after(3 * m + 1), after(3 * m + 2)) * before > 0);
    };

    std::vector<int>& check = net.check;
    std::vector<int>& newlyHeld = net.newlyHeld;
    check.resize(size_t(n));
    std::iota(check.begin(), check.end(), 0);
    // The corners of each UV vertex, built when first needed.
    std::vector<int>& firstOf = net.firstOf;
    std::vector<int>& cornersOf = net.cornersOf;
    firstOf.clear();
    while (!check.empty()) {
        newlyHeld.clear();
        for (int m : check) {
            if (!turnsOver(m)) continue;
            // The corner that moves farthest stays; the face is checked again with it.
            int farthest = -1;
            double most = -1;
            for (int corner = 3 * m; corner < 3 * m + 3; ++corner) {
                if (!moves(corner)) continue;
                const float *from = &net.set.uv[2 * size_t(corner)], *to = &target[2 * size_t(corner)];
                const double d = std::hypot(double(to[0]) - from[0], double(to[1]) - from[1]);
                if (d > most) most = d, farthest = corner;
            }
            held[size_t(net.node[size_t(farthest)])] = 1;
            newlyHeld.push_back(net.node[size_t(farthest)]);
        }
        check.clear();
        if (newlyHeld.empty()) break;
        if (firstOf.empty()) {
            firstOf.assign(size_t(net.nodeCount) + 1, 0);
            for (int node : net.node) ++firstOf[size_t(node) + 1];
            std::partial_sum(firstOf.begin(), firstOf.end(), firstOf.begin());
            cornersOf.resize(net.node.size());
            for (int corner = 0; corner < 3 * n; ++corner)
                cornersOf[size_t(firstOf[size_t(net.node[size_t(corner)])]++)] = corner;
            // Each start was advanced to the next vertex's; step back.
            for (size_t node = size_t(net.nodeCount); node > 0; --node) firstOf[node] = firstOf[node - 1];
            firstOf[0] = 0;
        }
        // Only the faces around what was just held back can have changed (this face too).
        for (int node : newlyHeld)
            for (int k = firstOf[size_t(node)]; k < firstOf[size_t(node) + 1]; ++k)
                check.push_back(cornersOf[size_t(k)] / 3);
    }

    int written = 0;
    for (int corner = 0; corner < 3 * n; ++corner)
        if (moves(corner))
            written += islands::writeUV(walk.face(net.set.faces[size_t(corner / 3)]), corner % 3,
                                        target[2 * size_t(corner)], target[2 * size_t(corner) + 1]);
    return written;
}

}  // namespace lineup
