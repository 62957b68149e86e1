#include "UVPointGrid.h"

#include <climits>
#include <cstdlib>

namespace {
// Searched in this order; the first hit wins.
constexpr int32_t NEIGHBOURS[9][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {0, 0},
                                      {1, 0},   {-1, 1}, {0, 1},  {1, 1}};
}  // namespace

int UVPointGrid::cellOf(float coordinate) {
    // Decided in float, so NaN and huge values never reach the integer conversion.
    float scaled = float(SIZE) * coordinate;
    if (!(scaled >= 1.0f)) return 0;
    if (scaled >= float(SIZE - 1)) return SIZE - 1;
    return int(scaled);
}

bool UVPointGrid::allocate(int faceCount) {
    release();
    if (faceCount < 0 || faceCount > INT32_MAX / 3) return false;
    const int32_t corners = 3 * faceCount;
    cells = static_cast<Node**>(std::calloc(size_t(SIZE) * size_t(SIZE), sizeof(Node*)));
    nodes = static_cast<Node*>(std::calloc(size_t(corners > 0 ? corners : 1), sizeof(Node)));
    points.reserve(corners);
    if (!cells || !nodes || points.capacity() < corners) {
        release();
        return false;
    }
    nodeCapacity = corners;
    return true;
}

void UVPointGrid::release() {
    std::free(cells);
    std::free(nodes);
    cells = nullptr;
    nodes = nullptr;
    nodeCount = nodeCapacity = 0;
    points.clear();
}

int UVPointGrid::find(UVPoint p, int column, int row) const {
    if (column < 0 || column >= SIZE || row < 0 || row >= SIZE) return -1;
    for (const Node* node = cells[row * SIZE + column]; node; node = node->next) {
        const UVPoint& q = points[node->pointIndex];
        float du = p.u - q.u;
        float dv = p.v - q.v;
        if (du * du + dv * dv < epsilonSquared) return node->pointIndex;
    }
    return -1;
}

int UVPointGrid::findOrAdd(UVPoint p) {
    const int column = cellOf(p.u);
    const int row = cellOf(p.v);
    for (const auto& d : NEIGHBOURS) {
        int index = find(p, column + d[0], row + d[1]);
        if (index >= 0) return index;
    }
    // One node per corner was allocated; more calls than corners have no room.
    if (nodeCount >= nodeCapacity) return -1;
    points.append(p);
    Node& node = nodes[nodeCount++];
    node.pointIndex = points.count() - 1;
    Node*& head = cells[row * SIZE + column];
    node.next = head;
    head = &node;
    return node.pointIndex;
}
