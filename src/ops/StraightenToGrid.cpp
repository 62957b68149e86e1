// Straighten to Grid: an island of triangles that pair into the quads of a grid is
// laid out as an axis-aligned grid with rows and columns as long as their 3D edges.
#include "Alignment.h"
#include "IslandsInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

namespace {

using islands::FaceSet;

// One quad of the island: its UV vertices around it, and per side (nodes s, s + 1) the
// quad across it or -1.
struct Quad {
    int node[4];
    int across[4];
};

// The working arrays of one island, reused from island to island and call to call.
struct GridWork {
    std::vector<int> vertexOf, partner, diagonal, quadOf, nodeVertex;
    std::vector<Quad> quads;
    std::vector<int> cell;  // per node: i, j
    std::vector<char> placed, quadPlaced;
    std::vector<double> width, height, widthCount, heightCount, nodeUV, placedUV;
    std::vector<double> nodePosition;  // per node: x, y, z
    std::vector<double> edgeSkew;      // per local edge: the skew of the quad across it, once known
    std::vector<int64_t> keys;
    std::vector<int> queue;  // quads to go on from, first in first out
};

class IslandGrid {
public:
    IslandGrid(UVWalk& walk, FaceSet& set, const int* members, int count, GridWork& work)
        : walk_(walk), set_(set), members_(members), count_(count), w_(work) {}

    // Lays the island out when it is a grid; answers whether it was, and counts the
    // corners whose UV changed into `written`.
    bool layOut(int& written) {
        if (count_ % 2 || count_ == 0) return false;
        for (int k = 0; k < count_; ++k)
            if (face(k).flags & UV_LOCKED_ALL) return false;
        const int nodes = islands::joinCorners(set_, members_, count_, w_.vertexOf);
        w_.nodeVertex.assign(size_t(nodes), 0);
        w_.nodeUV.assign(2 * size_t(nodes), 0.0);
        w_.nodePosition.resize(3 * size_t(nodes));
        for (int corner = 0; corner < 3 * count_; ++corner) {
            const int node = w_.vertexOf[size_t(corner)];
            const size_t at = size_t(setCorner(corner));
            w_.nodeVertex[size_t(node)] = set_.vertex[at];
            w_.nodeUV[2 * size_t(node)] = set_.uv[2 * at];
            w_.nodeUV[2 * size_t(node) + 1] = set_.uv[2 * at + 1];
        }
        for (int node = 0; node < nodes; ++node) {
            const float* p = walk_.vertex(w_.nodeVertex[size_t(node)]).position;
            for (int a = 0; a < 3; ++a) w_.nodePosition[3 * size_t(node) + size_t(a)] = p[a];
        }
        std::vector<int>& slot = set_.slot;
        if (slot.size() != set_.faces.size()) slot.assign(set_.faces.size(), -1);
        for (int k = 0; k < count_; ++k) slot[size_t(members_[k])] = k;
        const bool paired = pairQuads() && placeQuads(nodes);
        for (int k = 0; k < count_; ++k) slot[size_t(members_[k])] = -1;
        return paired && write(nodes, written);
    }

private:
    FaceRecord& face(int k) { return walk_.face(set_.faces[size_t(members_[k])]); }
    int setCorner(int corner) const { return 3 * members_[corner / 3] + corner % 3; }
    Vector3d position(int node) const {
        const double* p = &w_.nodePosition[3 * size_t(node)];
        return {p[0], p[1], p[2]};
    }
    // The local triangle across edge e of local triangle k, or -1.
    int across(int k, int e, int* edge = nullptr) {
        const int other = set_.neighbour[size_t(3 * members_[k] + e)];
        if (other < 0) return -1;
        if (edge) *edge = other % 3;
        return set_.slot[size_t(other / 3)];
    }

    // How far quad (a, b, c, d) is from having right angles: the sum of |cos| at its corners,
    // each side measured once (turning a side around changes neither its length nor |dot|).
    double skew(const int (&n)[4]) const {
        Vector3d side[4];
        double size[4];
        for (int s = 0; s < 4; ++s) side[s] = position(n[(s + 1) % 4]) - position(n[s]), size[s] = length(side[s]);
        double sum = 0;
        for (int s = 0; s < 4; ++s) sum += std::abs(dot(side[s], side[(s + 3) % 4])) / (size[s] * size[(s + 3) % 4]);
        return std::isfinite(sum) ? sum : INFINITY;
    }
    // The quad made by triangle k and its neighbour across edge e.
    bool quadAcross(int k, int e, int (&n)[4]) {
        int e2 = 0;
        const int k2 = across(k, e, &e2);
        if (k2 < 0) return false;
        n[0] = w_.vertexOf[3 * size_t(k) + size_t(e)];
        n[1] = w_.vertexOf[3 * size_t(k2) + size_t((e2 + 2) % 3)];
        n[2] = w_.vertexOf[3 * size_t(k) + size_t((e + 1) % 3)];
        n[3] = w_.vertexOf[3 * size_t(k) + size_t((e + 2) % 3)];
        return true;
    }

    // Every triangle and the neighbour that makes the squarest quad with it must choose
    // each other.
    bool pairQuads() {
        w_.partner.assign(size_t(count_), -1);
        std::vector<int>& diagonal = w_.diagonal;
        diagonal.assign(size_t(count_), -1);
        // Each quad is measured once, from the first of its two triangles.
        std::vector<double>& edgeSkew = w_.edgeSkew;
        edgeSkew.resize(3 * size_t(count_));
        for (int k = 0; k < count_; ++k) {
            double best = INFINITY;
            for (int e = 0; e < 3; ++e) {
                int n[4], e2 = 0;
                const int k2 = across(k, e, &e2);
                if (k2 < 0 || !quadAcross(k, e, n)) continue;
                const double s = k2 < k ? edgeSkew[3 * size_t(k2) + size_t(e2)] : skew(n);
                edgeSkew[3 * size_t(k) + size_t(e)] = s;
                if (s < best) best = s, w_.partner[size_t(k)] = across(k, e), diagonal[size_t(k)] = e;
            }
        }
        w_.quads.clear();
        w_.quadOf.assign(size_t(count_), -1);
        for (int k = 0; k < count_; ++k) {
            const int k2 = w_.partner[size_t(k)];
            if (k2 < 0 || w_.partner[size_t(k2)] != k) return false;
            if (k2 < k) continue;
            Quad quad;
            quadAcross(k, diagonal[size_t(k)], quad.node);
            w_.quadOf[size_t(k)] = w_.quadOf[size_t(k2)] = int(w_.quads.size());
            w_.quads.push_back(quad);
        }
        // The quads across each side, found through the triangles' other edges.
        for (Quad& quad : w_.quads) std::fill(quad.across, quad.across + 4, -1);
        for (int k = 0; k < count_; ++k) {
            for (int e = 0; e < 3; ++e) {
                if (e == diagonal[size_t(k)]) continue;
                const int k3 = across(k, e);
                if (k3 < 0) continue;
                Quad& quad = w_.quads[size_t(w_.quadOf[size_t(k)])];
                const int a = w_.vertexOf[3 * size_t(k) + size_t(e)], b = w_.vertexOf[3 * size_t(k) + size_t((e + 1) % 3)];
                for (int s = 0; s < 4; ++s) {
                    const int p = quad.node[s], q = quad.node[(s + 1) % 4];
                    if ((p == a && q == b) || (p == b && q == a)) quad.across[s] = w_.quadOf[size_t(k3)];
                }
            }
        }
        return true;
    }

    bool setCell(int node, int i, int j) {
        int* c = &w_.cell[2 * size_t(node)];
        if (w_.placed[size_t(node)]) return c[0] == i && c[1] == j;
        w_.placed[size_t(node)] = 1, c[0] = i, c[1] = j;
        return true;
    }

    // Grid cells for every UV vertex, quad by quad from the first: a quad across a side
    // lies on the far side of it. Fails where the cells disagree or two vertices share one.
    bool placeQuads(int nodes) {
        w_.cell.assign(2 * size_t(nodes), 0);
        w_.placed.assign(size_t(nodes), 0);
        w_.quadPlaced.assign(w_.quads.size(), 0);
        const Quad& seed = w_.quads[0];
        const int start[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (int s = 0; s < 4; ++s)
            if (!setCell(seed.node[s], start[s][0], start[s][1])) return false;
        w_.quadPlaced[0] = 1;
        w_.queue.assign(1, 0);
        size_t placedQuads = 1;
        for (size_t head = 0; head < w_.queue.size(); ++head) {
            const Quad& quad = w_.quads[size_t(w_.queue[head])];
            for (int s = 0; s < 4; ++s) {
                const int r = quad.across[s];
                if (r < 0 || w_.quadPlaced[size_t(r)]) continue;
                const int a = quad.node[s], b = quad.node[(s + 1) % 4], inward = quad.node[(s + 3) % 4];
                const Quad& next = w_.quads[size_t(r)];
                int ia = -1;
                for (int t = 0; t < 4; ++t)
                    if (next.node[t] == a) ia = t;
                if (ia < 0) return false;
                const int step = next.node[(ia + 1) % 4] == b ? 3 : next.node[(ia + 3) % 4] == b ? 1 : 0;
                if (!step) return false;
                const int* pa = &w_.cell[2 * size_t(a)];
                const int* pi = &w_.cell[2 * size_t(inward)];
                const int di = pa[0] - pi[0], dj = pa[1] - pi[1];  // away from the placed quad
                const int farA = next.node[(ia + step) % 4], farB = next.node[(ia + 2) % 4];
                const int* pb = &w_.cell[2 * size_t(b)];
                if (!setCell(farA, pa[0] + di, pa[1] + dj) || !setCell(farB, pb[0] + di, pb[1] + dj)) return false;
                w_.quadPlaced[size_t(r)] = 1;
                ++placedQuads;
                w_.queue.push_back(r);
            }
        }
        if (placedQuads != w_.quads.size()) return false;
        w_.keys.clear();
        for (int node = 0; node < nodes; ++node)
            w_.keys.push_back(int64_t(w_.cell[2 * size_t(node)]) * (int64_t(1) << 32) + w_.cell[2 * size_t(node) + 1]);
        std::sort(w_.keys.begin(), w_.keys.end());
        return std::adjacent_find(w_.keys.begin(), w_.keys.end()) == w_.keys.end();
    }

    // Column widths and row heights from the mean 3D length of their sides, then the
    // new UVs: axes along the island's nearer UV axes, same winding, centre and area.
    bool write(int nodes, int& written) {
        int low[2] = {INT32_MAX, INT32_MAX}, high[2] = {INT32_MIN, INT32_MIN};
        for (int node = 0; node < nodes; ++node)
            for (int a = 0; a < 2; ++a)
                low[a] = std::min(low[a], w_.cell[2 * size_t(node) + size_t(a)]),
                high[a] = std::max(high[a], w_.cell[2 * size_t(node) + size_t(a)]);
        std::vector<double>* sums[2] = {&w_.width, &w_.height};
        std::vector<double>* counts[2] = {&w_.widthCount, &w_.heightCount};
        for (int a = 0; a < 2; ++a) {
            sums[a]->assign(size_t(high[a] - low[a]) + 1, 0.0);
            counts[a]->assign(size_t(high[a] - low[a]) + 1, 0.0);
        }
        // The island's UV direction of each grid axis, summed over its sides.
        double along[2][2] = {{0, 0}, {0, 0}};
        for (size_t q = 0; q < w_.quads.size(); ++q) {
            const Quad& quad = w_.quads[q];
            for (int s = 0; s < 4; ++s) {
                if (quad.across[s] >= 0 && size_t(quad.across[s]) < q) continue;  // counted from there
                int a = quad.node[s], b = quad.node[(s + 1) % 4];
                const int axis = w_.cell[2 * size_t(a)] != w_.cell[2 * size_t(b)] ? 0 : 1;
                if (w_.cell[2 * size_t(a) + size_t(axis)] > w_.cell[2 * size_t(b) + size_t(axis)]) std::swap(a, b);
                const size_t at = size_t(w_.cell[2 * size_t(a) + size_t(axis)] - low[axis]);
                (*sums[axis])[at] += length(position(b) - position(a));
                (*counts[axis])[at] += 1;
                along[axis][0] += w_.nodeUV[2 * size_t(b)] - w_.nodeUV[2 * size_t(a)];
                along[axis][1] += w_.nodeUV[2 * size_t(b) + 1] - w_.nodeUV[2 * size_t(a) + 1];
            }
        }
        // Positions of the grid lines: running sums of the means (the last entry is unused).
        double extent[2] = {0, 0};
        for (int a = 0; a < 2; ++a) {
            std::vector<double>& line = *sums[a];
            double at = 0;
            for (size_t k = 0; k + 1 < line.size(); ++k) {
                const double mean = line[k] / (*counts[a])[k];
                if (!(mean > 0) || !std::isfinite(mean)) return false;
                line[k] = at, at += mean;
            }
            line.back() = at, extent[a] = at;
        }
        double gridArea = 0, area = 0, signedArea = 0, box[4] = {INFINITY, INFINITY, -INFINITY, -INFINITY};
        for (const Quad& quad : w_.quads) {
            const int* c = &w_.cell[2 * size_t(quad.node[0])];
            const int* d = &w_.cell[2 * size_t(quad.node[2])];
            const size_t i = size_t(std::min(c[0], d[0]) - low[0]), j = size_t(std::min(c[1], d[1]) - low[1]);
            gridArea += (w_.width[i + 1] - w_.width[i]) * (w_.height[j + 1] - w_.height[j]);
        }
        for (int k = 0; k < count_; ++k) {
            const double turn = cross(3 * k, w_.nodeUV);
            area += std::abs(turn) / 2, signedArea += turn;
            for (int c = 0; c < 3; ++c)
                for (int a = 0; a < 2; ++a) {
                    const double x = w_.nodeUV[2 * size_t(w_.vertexOf[3 * size_t(k) + size_t(c)]) + size_t(a)];
                    box[a] = std::min(box[a], x), box[a + 2] = std::max(box[a + 2], x);
                }
        }
        if (!(area > 0) || !std::isfinite(area) || !std::isfinite(box[0] + box[1] + box[2] + box[3])) return false;
        const double scale = std::sqrt(area / gridArea);
        const bool iAlongU = std::abs(along[0][0]) + std::abs(along[1][1]) >= std::abs(along[0][1]) + std::abs(along[1][0]);
        double sign[2] = {along[0][iAlongU ? 0 : 1] < 0 ? -1.0 : 1.0, along[1][iAlongU ? 1 : 0] < 0 ? -1.0 : 1.0};
        std::vector<double>& placedUV = w_.placedUV;
        placedUV.assign(2 * size_t(nodes), 0.0);
        for (int pass = 0; pass < 2; ++pass) {
            for (int node = 0; node < nodes; ++node) {
                double g[2];
                for (int a = 0; a < 2; ++a)
                    g[a] = sign[a] * scale *
                           ((*sums[a])[size_t(w_.cell[2 * size_t(node) + size_t(a)] - low[a])] - extent[a] / 2);
                placedUV[2 * size_t(node)] = 0.5 * (box[0] + box[2]) + (iAlongU ? g[0] : g[1]);
                placedUV[2 * size_t(node) + 1] = 0.5 * (box[1] + box[3]) + (iAlongU ? g[1] : g[0]);
            }
            // Mirrored when the axes' directions alone would turn the island over.
            double turned = 0;
            for (int k = 0; k < count_; ++k) turned += cross(3 * k, placedUV);
            if (turned * signedArea >= 0) break;
            sign[1] = -sign[1];
        }
        // A face that turned with the island must still do so.
        for (int k = 0; k < count_; ++k) {
            const double before = cross(3 * k, w_.nodeUV) * signedArea, after = cross(3 * k, placedUV) * signedArea;
            if ((before > 0 && !(after > 0)) || !std::isfinite(after)) return false;
        }
        for (int k = 0; k < count_; ++k)
            for (int c = 0; c < 3; ++c) {
                const size_t node = size_t(w_.vertexOf[3 * size_t(k) + size_t(c)]);
                written += islands::writeUV(face(k), c, placedUV[2 * node], placedUV[2 * node + 1]);
            }
        return true;
    }

    // Twice the signed area of local triangle `first / 3` with its vertices' UVs in uv.
    double cross(int first, const std::vector<double>& uv) const {
        const double* p[3];
        for (int c = 0; c < 3; ++c) p[c] = &uv[2 * size_t(w_.vertexOf[size_t(first + c)])];
        return (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[1][1] - p[0][1]) * (p[2][0] - p[0][0]);
    }

    UVWalk& walk_;
    FaceSet& set_;
    const int* members_;
    int count_;
    GridWork& w_;
};

}  // namespace

GridResult straightenToGrid(UVModel& model, float epsilon, const wchar_t* description) {
    GridResult result;
    UVEdit edit(model, keepingSteps(description));
    result.outcome = islands::onKeptIslands(model, edit, epsilon, islands::Winding::Any, [&](islands::IslandWork& island) {
        const islands::PartList& list = island.list;
        GridWork& work = model.scratch.slots.get<GridWork>();
        for (int p = 0; p < island.parts; ++p) {
            const int first = list.first[size_t(p)];
            IslandGrid grid(edit, island.set, &list.members[size_t(first)], list.first[size_t(p) + 1] - first, work);
            ++(grid.layOut(edit.changed) ? result.laidOut : result.skipped);
        }
    });
    if (result.outcome == EditResult::OutOfMemory) result = GridResult{0, 0, EditResult::OutOfMemory};
    return result;
}
