// Angle units. The conversion factors take pi as 3.14159265359, not the full double,
// and every conversion in the editor uses them. The helpers work in the precision of
// their argument: callers that convert a float in double pass a double.
#pragma once

#include "Lanes.h"

#include <cmath>

constexpr double DEGREES_TO_RADIANS = 0.017453292519944444;
constexpr double RADIANS_TO_DEGREES = 57.29577951307855;

template <class T>
T degreesToRadians(T degrees) {
    return degrees * T(DEGREES_TO_RADIANS);
}

// Toward zero to a multiple of step. A step of 0 or not finite leaves the angle, and so
// does one so small (a stored setting may be anything) that the count of steps overflows.
inline float snapAngle(float angle, float step) {
    if (step == 0 || !std::isfinite(step)) return angle;
    const float steps = std::trunc(angle / step);
    return std::isfinite(steps) ? steps * step : angle;
}

// Direction of (x, y) in degrees, 0 along +x and 90 along +y, in [0, 360): an angle that
// rounds up to 360 reads 359. (0, 0) has the angle 0.
template <class T>
T polarDegrees(T x, T y) {
    if (x == T(0) && y == T(0)) return T(0);
    const T a = x != T(0) ? std::fabs(std::atan(std::fabs(y) / std::fabs(x))) * T(RADIANS_TO_DEGREES) : T(90);
    if (x > T(0) && y >= T(0)) return a;
    if (x <= T(0) && y > T(0)) return T(180) - a;
    if (x < T(0) && y <= T(0)) return T(180) + a;
    const T b = T(360) - a;  // x >= 0, y < 0
    return b >= T(360) ? T(359) : b;
}

// acos in radians of two doubles that hold floats in [-1, 1]: a polynomial accurate to
// about 2e-16, so that rounded once to float it agrees with a correctly rounded acosf
// except where the true value lies within about 2e-16 of a rounding boundary. The
// runtime's acosf goes through the x87 unit and costs several times as much. NaN gives
// NaN; arguments outside [-1, 1] are the caller's to clamp.
inline Doubles2 arcCosine(Doubles2 d) {
    // asin(t) = t + t^3 P(t^2) for t in [0, 0.5]: a Chebyshev fit of P on [0, 0.25].
    constexpr double P[12] = {0.028169218060881414, -0.010749050339697808, 0.01603551434914882,
                              0.0078029494773533175, 0.011875494382636922, 0.013929652902326633,
                              0.017355259955786323, 0.02237204763174451,  0.03038194736709848,
                              0.044642857103423646, 0.07500000000020764,  0.1666666666666665};
    constexpr double PI = 3.141592653589793;
    const Doubles2 a = _mm_andnot_pd(_mm_set1_pd(-0.0), d);
    // acos(x) = pi/2 - asin(x) near 0; near +-1, acos(|x|) = 2 asin(sqrt((1 - |x|) / 2)),
    // where 1 - |x| and the halving are exact.
    const Doubles2 nearZero = _mm_cmple_pd(a, _mm_set1_pd(0.5));
    const Doubles2 z = select(nearZero, _mm_mul_pd(d, d), _mm_mul_pd(_mm_sub_pd(_mm_set1_pd(1.0), a), _mm_set1_pd(0.5)));
    const Doubles2 t = select(nearZero, d, _mm_sqrt_pd(z));
    Doubles2 p = _mm_set1_pd(P[0]);
    for (int k = 1; k < 12; ++k) p = _mm_add_pd(_mm_mul_pd(p, z), _mm_set1_pd(P[k]));
    const Doubles2 s = _mm_add_pd(t, _mm_mul_pd(_mm_mul_pd(t, z), p));
    const Doubles2 twice = _mm_mul_pd(_mm_set1_pd(2.0), s);
    const Doubles2 beyond = select(_mm_cmpgt_pd(d, _mm_setzero_pd()), twice, _mm_sub_pd(_mm_set1_pd(PI), twice));
    return select(nearZero, _mm_sub_pd(_mm_set1_pd(PI / 2), s), beyond);
}

// The same for four floats, each result rounded once to float.
inline Floats4 arcCosine(Floats4 x) {
    const Doubles2 low = arcCosine(_mm_cvtps_pd(x));
    const Doubles2 high = arcCosine(_mm_cvtps_pd(_mm_movehl_ps(x, x)));
    return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
}

inline float arcCosine(float x) { return _mm_cvtss_f32(arcCosine(_mm_set_ss(x))); }
