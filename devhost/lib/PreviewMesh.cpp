// Guide shapes for the 3D views, built as plain triangle lists.
#include "ViewHost.h"

#include <algorithm>
#include <cmath>

namespace devhost {
namespace {

constexpr LONG MAX_SEGMENTS = 256;
constexpr float PI = 3.14159265358979f;

struct Point3 {
    float x, y, z;
};

void addTriangle(std::vector<float>& out, Point3 a, Point3 b, Point3 c) {
    out.insert(out.end(), {a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z});
}

// A quad grid spanning origin + s*u + t*v for s, t in [0, 1].
void addGrid(std::vector<float>& out, Point3 origin, Point3 u, Point3 v, LONG segments) {
    auto at = [&](LONG i, LONG j) {
        float s = static_cast<float>(i) / static_cast<float>(segments);
        float t = static_cast<float>(j) / static_cast<float>(segments);
        return Point3{origin.x + s * u.x + t * v.x, origin.y + s * u.y + t * v.y, origin.z + s * u.z + t * v.z};
    };
    for (LONG j = 0; j < segments; ++j)
        for (LONG i = 0; i < segments; ++i) {
            addTriangle(out, at(i, j), at(i + 1, j), at(i + 1, j + 1));
            addTriangle(out, at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
}

bool usable(float size) { return std::isfinite(size) && size >= 0; }
bool usableCount(LONG count, LONG least) { return count >= least && count <= MAX_SEGMENTS; }

}  // namespace

PreviewMesh::PreviewMesh(Link link) : link_(std::move(link)) { link_->previewMeshes.push_back(this); }

PreviewMesh::~PreviewMesh() {
    auto& meshes = link_->previewMeshes;
    meshes.erase(std::remove(meshes.begin(), meshes.end(), this), meshes.end());
}

// Width along x, height along y, depth along z; a side of no area is left out, so
// a depth of 0 gives a double-sided plane.
HRESULT PreviewMesh::MakeBox(float width, float height, float depth, LONG segments) {
    if (record(link_, "MakeBox", width, height, depth, segments)) return failedCall();
    if (!usable(width) || !usable(height) || !usable(depth) || !usableCount(segments, 1)) return E_INVALIDARG;
    float x = width / 2, y = height / 2, z = depth / 2;
    std::vector<float> out;
    if (width > 0 && height > 0) {
        addGrid(out, {-x, -y, z}, {width, 0, 0}, {0, height, 0}, segments);    // +z
        addGrid(out, {x, -y, -z}, {-width, 0, 0}, {0, height, 0}, segments);   // -z
    }
    if (height > 0 && depth > 0) {
        addGrid(out, {x, -y, z}, {0, 0, -depth}, {0, height, 0}, segments);    // +x
        addGrid(out, {-x, -y, -z}, {0, 0, depth}, {0, height, 0}, segments);   // -x
    }
    if (width > 0 && depth > 0) {
        addGrid(out, {-x, y, z}, {width, 0, 0}, {0, 0, -depth}, segments);     // +y
        addGrid(out, {-x, -y, -z}, {width, 0, 0}, {0, 0, depth}, segments);    // -y
    }
    triangles_ = std::move(out);
    return S_OK;
}

// Axis along z from -height/2 (radius1) to +height/2 (radius2), with caps.
HRESULT PreviewMesh::MakeCylinder(float radius1, float radius2, float height, LONG sides, LONG heightSegments,
                                  LONG capSegments) {
    if (record(link_, "MakeCylinder", radius1, radius2, height, sides, heightSegments, capSegments)) return failedCall();
    if (!usable(radius1) || !usable(radius2) || !usable(height) || !usableCount(sides, 3) ||
        !usableCount(heightSegments, 1) || !usableCount(capSegments, 0))
        return E_INVALIDARG;
    auto ring = [&](LONG side, float t) {
        float angle = 2 * PI * static_cast<float>(side % sides) / static_cast<float>(sides);
        float radius = radius1 + (radius2 - radius1) * t;
        return Point3{radius * std::cos(angle), radius * std::sin(angle), -height / 2 + height * t};
    };
    std::vector<float> out;
    for (LONG h = 0; h < heightSegments; ++h) {
        float t0 = static_cast<float>(h) / static_cast<float>(heightSegments);
        float t1 = static_cast<float>(h + 1) / static_cast<float>(heightSegments);
        for (LONG s = 0; s < sides; ++s) {
            addTriangle(out, ring(s, t0), ring(s + 1, t0), ring(s + 1, t1));
            addTriangle(out, ring(s, t0), ring(s + 1, t1), ring(s, t1));
        }
    }
    // Caps: concentric rings towards the axis, capSegments of them (0: no caps).
    for (int end = 0; end < 2; ++end) {
        float t = static_cast<float>(end);
        Point3 centre{0, 0, -height / 2 + height * t};
        for (LONG c = 0; c < capSegments; ++c) {
            float outer = 1 - static_cast<float>(c) / static_cast<float>(capSegments);
            float inner = 1 - static_cast<float>(c + 1) / static_cast<float>(capSegments);
            auto scaled = [&](LONG side, float k) {
                Point3 p = ring(side, t);
                return Point3{p.x * k, p.y * k, p.z};
            };
            for (LONG s = 0; s < sides; ++s) {
                if (c + 1 == capSegments) {
                    addTriangle(out, scaled(s, outer), scaled(s + 1, outer), centre);
                } else {
                    addTriangle(out, scaled(s, outer), scaled(s + 1, outer), scaled(s + 1, inner));
                    addTriangle(out, scaled(s, outer), scaled(s + 1, inner), scaled(s, inner));
                }
            }
        }
    }
    triangles_ = std::move(out);
    return S_OK;
}

// segments around the z axis, rings from pole to pole.
HRESULT PreviewMesh::MakeSphere(float radius, LONG segments, LONG rings) {
    if (record(link_, "MakeSphere", radius, segments, rings)) return failedCall();
    if (!usable(radius) || !usableCount(segments, 3) || !usableCount(rings, 2)) return E_INVALIDARG;
    auto at = [&](LONG segment, LONG ring) {
        float theta = PI * static_cast<float>(ring) / static_cast<float>(rings);
        float phi = 2 * PI * static_cast<float>(segment % segments) / static_cast<float>(segments);
        return Point3{radius * std::sin(theta) * std::cos(phi), radius * std::sin(theta) * std::sin(phi),
                      radius * std::cos(theta)};
    };
    std::vector<float> out;
    for (LONG r = 0; r < rings; ++r)
        for (LONG s = 0; s < segments; ++s) {
            if (r > 0) addTriangle(out, at(s, r), at(s + 1, r + 1), at(s + 1, r));
            if (r + 1 < rings) addTriangle(out, at(s, r), at(s, r + 1), at(s + 1, r + 1));
        }
    triangles_ = std::move(out);
    return S_OK;
}

}  // namespace devhost
