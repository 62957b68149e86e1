// Three coordinates: positions, directions and normals. Vector3 holds single-precision
// floats as the host stores them; Vector3d doubles, for the sums and solves of the
// operations.
#pragma once

#include <cmath>

template <class T>
struct Vector3T {
    T x = 0;
    T y = 0;
    T z = 0;

    Vector3T() = default;
    Vector3T(T x_, T y_, T z_) : x(x_), y(y_), z(z_) {}
    explicit Vector3T(const T v[3]) : x(v[0]), y(v[1]), z(v[2]) {}

    void assign(const Vector3T& b) { *this = b; }
    Vector3T minus(const Vector3T& b) const { return {x - b.x, y - b.y, z - b.z}; }
    Vector3T dividedBy(T s) const { return {x / s, y / s, z / s}; }
    T lengthSquared() const { return x * x + y * y + z * z; }
    T length() const { return std::sqrt(lengthSquared()); }
    T dot(const Vector3T& b) const { return x * b.x + y * b.y + z * b.z; }
    Vector3T cross(const Vector3T& b) const {
        return {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x};
    }
    Vector3T negated() const { return {-x, -y, -z}; }
    // A zero vector has no direction and comes back as it is.
    Vector3T normalized() const {
        T len = length();
        return len == T(0) ? *this : dividedBy(len);
    }
};

using Vector3 = Vector3T<float>;
using Vector3d = Vector3T<double>;

template <class T>
Vector3T<T> operator-(const Vector3T<T>& a, const Vector3T<T>& b) { return a.minus(b); }
template <class T>
Vector3T<T> operator+(const Vector3T<T>& a, const Vector3T<T>& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
template <class T>
Vector3T<T> operator*(const Vector3T<T>& a, T s) { return {a.x * s, a.y * s, a.z * s}; }
template <class T>
T dot(const Vector3T<T>& a, const Vector3T<T>& b) { return a.dot(b); }
template <class T>
Vector3T<T> cross(const Vector3T<T>& a, const Vector3T<T>& b) { return a.cross(b); }
template <class T>
T length(const Vector3T<T>& a) { return a.length(); }

// Squared lengths and components below this count as no direction.
constexpr float DIRECTION_THRESHOLD = 0.00001f;
