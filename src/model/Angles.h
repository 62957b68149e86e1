// Angle units. The conversion factors take pi as 3.14159265359, not the full double,
// and every conversion in the editor uses them. The helpers work in the precision of
// their argument: callers that convert a float in double pass a double.
#pragma once

#include <cmath>

constexpr double DEGREES_TO_RADIANS = 0.017453292519944444;
constexpr double RADIANS_TO_DEGREES = 57.29577951307855;

template <class T>
T degreesToRadians(T degrees) {
    return degrees * T(DEGREES_TO_RADIANS);
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

// acos of a float in [-1, 1], in radians: the double result of a polynomial accurate
// to about 2e-16, rounded once to float, so it agrees with a correctly rounded acosf
// except where the true value lies within about 2e-16 of a rounding boundary. The
// runtime's acosf goes through the x87 unit and costs several times as much. NaN gives
// NaN; arguments outside [-1, 1] are the caller's to clamp.
inline float arcCosine(float x) {
    // asin(t) = t + t^3 P(t^2) for t in [0, 0.5]: a Chebyshev fit of P on [0, 0.25].
    constexpr double P[12] = {0.028169218060881414, -0.010749050339697808, 0.01603551434914882,
                              0.0078029494773533175, 0.011875494382636922, 0.013929652902326633,
                              0.017355259955786323, 0.02237204763174451,  0.03038194736709848,
                              0.044642857103423646, 0.07500000000020764,  0.1666666666666665};
    constexpr double PI = 3.141592653589793;
    const double d = x;
    const double a = std::fabs(d);
    // acos(x) = pi/2 - asin(x) near 0; near +-1, acos(|x|) = 2 asin(sqrt((1 - |x|) / 2)),
    // where 1 - |x| and the halving are exact.
    const bool nearZero = a <= 0.5;
    const double z = nearZero ? d * d : (1.0 - a) * 0.5;
    const double t = nearZero ? d : std::sqrt(z);
    double p = P[0];
    for (int k = 1; k < 12; ++k) p = p * z + P[k];
    const double s = t + t * z * p;
    if (nearZero) return float(PI / 2 - s);
    return float(d > 0 ? 2.0 * s : PI - 2.0 * s);
}
