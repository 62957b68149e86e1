// Four floats (or two doubles) side by side in one SSE2 register, for loops that do the
// same arithmetic to many vertices. Each operation is the IEEE one of the scalar code it
// replaces, in the same order, so the lanes give bit for bit the scalar results.
#pragma once

#include <emmintrin.h>

using Floats4 = __m128;
using Doubles2 = __m128d;

// a where mask is set, else b.
inline Floats4 select(Floats4 mask, Floats4 a, Floats4 b) {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}
inline Doubles2 select(Doubles2 mask, Doubles2 a, Doubles2 b) {
    return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b));
}

// Vector3 in four lanes.
struct Vector3x4 {
    Floats4 x, y, z;

    static Vector3x4 splat(float vx, float vy, float vz) { return {_mm_set1_ps(vx), _mm_set1_ps(vy), _mm_set1_ps(vz)}; }
    Vector3x4 minus(const Vector3x4& b) const { return {_mm_sub_ps(x, b.x), _mm_sub_ps(y, b.y), _mm_sub_ps(z, b.z)}; }
    Vector3x4 dividedBy(Floats4 s) const { return {_mm_div_ps(x, s), _mm_div_ps(y, s), _mm_div_ps(z, s)}; }
    // x * b.x + y * b.y + z * b.z, summed left to right as Vector3::dot does.
    Floats4 dot(const Vector3x4& b) const {
        return _mm_add_ps(_mm_add_ps(_mm_mul_ps(x, b.x), _mm_mul_ps(y, b.y)), _mm_mul_ps(z, b.z));
    }
};

inline Vector3x4 select(Floats4 mask, const Vector3x4& a, const Vector3x4& b) {
    return {select(mask, a.x, b.x), select(mask, a.y, b.y), select(mask, a.z, b.z)};
}
