// Three single-precision floats: positions, directions and normals.
#pragma once

#include <cmath>

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3() = default;
    Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    explicit Vector3(const float v[3]) : x(v[0]), y(v[1]), z(v[2]) {}

    void assign(const Vector3& b) { *this = b; }
    Vector3 minus(const Vector3& b) const { return {x - b.x, y - b.y, z - b.z}; }
    Vector3 dividedBy(float s) const { return {x / s, y / s, z / s}; }
    float lengthSquared() const { return x * x + y * y + z * z; }
    float length() const { return std::sqrt(lengthSquared()); }
    float dot(const Vector3& b) const { return x * b.x + y * b.y + z * b.z; }
    Vector3 cross(const Vector3& b) const {
        return {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x};
    }
    Vector3 negated() const { return {-x, -y, -z}; }
    // A zero vector has no direction and comes back as it is.
    Vector3 normalized() const {
        float len = length();
        return len == 0.0f ? *this : dividedBy(len);
    }
};

inline Vector3 normalized(const Vector3& v) { return v.normalized(); }

// Squared lengths and components below this count as no direction.
constexpr float DIRECTION_THRESHOLD = 0.00001f;
