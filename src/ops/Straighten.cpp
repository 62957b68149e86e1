// Straighten: each selected path of UV vertices laid on the line between its ends.
#include "Alignment.h"
#include "CornerNet.h"

#include <cmath>
#include <limits>
#include <new>

namespace {

// The UV vertices along selected edges: one selected corner of each, and at most two
// neighbours kept (a larger degree marks a branch).
struct PathGraph {
    std::vector<int> cornerOf, degree, next;

    void reset(int nodes) {
        cornerOf.assign(size_t(nodes), -1), degree.assign(size_t(nodes), 0), next.assign(2 * size_t(nodes), -1);
    }
    void link(int a, int b) {
        int* known = &next[2 * size_t(a)];
        if (known[0] == b || known[1] == b) return;
        if (degree[size_t(a)] < 2) known[degree[size_t(a)]] = b;
        ++degree[size_t(a)];
    }
};

// The working arrays, kept from call to call.
struct StraightenWork {
    PathGraph graph;
    std::vector<float> nodeUV;
    std::vector<char> visited;
    std::vector<int> path;
    std::vector<double> along;
};

double length3D(const VertexRecord& a, const VertexRecord& b) {
    const double dx = double(a.position[0]) - b.position[0], dy = double(a.position[1]) - b.position[1],
                 dz = double(a.position[2]) - b.position[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace

EditResult straighten(UVModel& model, float epsilon, const wchar_t* description) {
    UVEdit edit(model, {description, EDIT_FACE_DATA});
    return edit.run([&] {
        lineup::CornerNet& net = lineup::selectedCornerNet(model, edit, epsilon);
        StraightenWork& work = model.scratch.slots.get<StraightenWork>();
        const islands::FaceSet& set = net.set;
        const int corners = 3 * set.size();
        auto selectedCorner = [&](int corner) {
            const float* uv = &set.uv[2 * size_t(corner)];
            return CORNERS_SELECTED.passes(edit.face(set.faces[size_t(corner / 3)]).flags, corner % 3) &&
                   std::isfinite(uv[0]) && std::isfinite(uv[1]);
        };
        PathGraph& graph = work.graph;
        graph.reset(net.nodeCount);
        for (int corner = 0; corner < corners; ++corner) {
            if (!selectedCorner(corner)) continue;
            const int node = net.node[size_t(corner)];
            if (graph.cornerOf[size_t(node)] < 0) graph.cornerOf[size_t(node)] = corner;
            const int end = corner - corner % 3 + (corner + 1) % 3;
            const int other = net.node[size_t(end)];
            if (other == node || !selectedCorner(end)) continue;
            graph.link(node, other);
            graph.link(other, node);
        }

        std::vector<float>& target = net.target;
        target.resize(2 * size_t(corners));  // every corner's is set below
        std::vector<float>& nodeUV = work.nodeUV;
        nodeUV.assign(2 * size_t(net.nodeCount), std::numeric_limits<float>::quiet_NaN());
        std::vector<char>& visited = work.visited;
        visited.assign(size_t(net.nodeCount), 0);
        std::vector<int>& path = work.path;
        std::vector<double>& along = work.along;
        for (int start = 0; start < net.nodeCount; ++start) {
            if (graph.degree[size_t(start)] != 1 || visited[size_t(start)]) continue;
            path.clear();
            bool simple = true;
            for (int previous = -1, at = start;;) {
                visited[size_t(at)] = 1;
                path.push_back(at);
                if (graph.degree[size_t(at)] > 2) { simple = false; break; }
                if (at != start && graph.degree[size_t(at)] == 1) break;
                const int* known = &graph.next[2 * size_t(at)];
                const int step = known[0] != previous ? known[0] : known[1];
                if (step < 0 || visited[size_t(step)]) { simple = false; break; }
                previous = at, at = step;
            }
            if (!simple || path.size() < 3) continue;
            // Distances along the path in 3D, or in UV when a vertex has no finite position.
            auto uvOf = [&](int node) { return &set.uv[2 * size_t(graph.cornerOf[size_t(node)])]; };
            along.assign(1, 0.0);
            bool in3D = true;
            for (size_t k = 1; k < path.size() && in3D; ++k) {
                const VertexRecord* a = edit.vertexOf(edit.face(set.faces[size_t(graph.cornerOf[size_t(path[k - 1])] / 3)]),
                                                      graph.cornerOf[size_t(path[k - 1])] % 3);
                const VertexRecord* b = edit.vertexOf(edit.face(set.faces[size_t(graph.cornerOf[size_t(path[k])] / 3)]),
                                                      graph.cornerOf[size_t(path[k])] % 3);
                const double d = a && b ? length3D(*a, *b) : NAN;
                in3D = std::isfinite(d);
                along.push_back(along.back() + d);
            }
            if (!in3D || !(along.back() > 0) || !std::isfinite(along.back())) {
                along.assign(1, 0.0);
                for (size_t k = 1; k < path.size(); ++k) {
                    const float *a = uvOf(path[k - 1]), *b = uvOf(path[k]);
                    along.push_back(along.back() + std::hypot(double(b[0]) - a[0], double(b[1]) - a[1]));
                }
            }
            const double total = along.back();
            if (!(total > 0) || !std::isfinite(total)) continue;
            const float *first = uvOf(path.front()), *last = uvOf(path.back());
            for (size_t k = 1; k + 1 < path.size(); ++k) {
                const double t = along[k] / total;
                nodeUV[2 * size_t(path[k])] = float(first[0] + t * (double(last[0]) - first[0]));
                nodeUV[2 * size_t(path[k]) + 1] = float(first[1] + t * (double(last[1]) - first[1]));
            }
        }
        for (int corner = 0; corner < corners; ++corner) {
            const int node = net.node[size_t(corner)];
            target[2 * size_t(corner)] = nodeUV[2 * size_t(node)];
            target[2 * size_t(corner) + 1] = nodeUV[2 * size_t(node) + 1];
        }
        edit.changed = lineup::writeGuarded(edit, net, target);
    });
}
