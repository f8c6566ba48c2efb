// The program's own sine and cosine (trigonometry.h): a table of steps and short
// series in double, with a careful path for the rare angles whose rounding the quick
// one cannot be sure of.
#include "core/trigonometry.h"

namespace {

// pi/2 in three parts: the first two of 33 significant bits, so that k times either is
// exact for |k| < 2^20, and the rest.
constexpr double HALF_PI_1 = 0x1.921fb544p+0;
constexpr double HALF_PI_2 = 0x1.0b4611a6p-34;
constexpr double HALF_PI_3 = 0x1.3198a2e037073p-69;
constexpr double TWO_OVER_PI = 0x1.45f306dc9c883p-1;
// Adding and subtracting 1.5 * 2^52 rounds a double of magnitude below 2^51 to an
// integer, ties to even.
constexpr double ROUNDING_SHIFT = 0x1.8p52;
// Beyond this the reduction's products are no longer exact; the C library takes over
// (no angle of the demo comes near it), as it does for infinities and NaN.
constexpr double REDUCTION_LIMIT = 0x1p19;

// Taylor series on |r| <= pi/4 (plus rounding) in r^2, nine terms each: sin r up to
// r^19, cos r up to r^18, whose first term left out is below a thousandth of the last
// bit of a double.
// SERIES[0]: sin r = r + r^3 (-1/3! + r^2/5! - ...);
// SERIES[1]: cos r = 1 + r^2 (-1/2! + r^2/4! - ...).
constexpr double SERIES[2][9] = {
    { -1.0 / 6.0, 1.0 / 120.0, -1.0 / 5040.0, 1.0 / 362880.0, -1.0 / 39916800.0, 1.0 / 6227020800.0,
      -1.0 / 1307674368000.0, 1.0 / 355687428096000.0, -1.0 / 121645100408832000.0 },
    { -1.0 / 2.0, 1.0 / 24.0, -1.0 / 720.0, 1.0 / 40320.0, -1.0 / 3628800.0, 1.0 / 479001600.0,
      -1.0 / 87178291200.0, 1.0 / 20922789888000.0, -1.0 / 6402373705728000.0 },
};

// A whole series, summed in pairs and pairs of pairs, which keeps the chain of
// dependent operations short.
constexpr double SumNineTerms(const double (&c)[9], double r2, double r4, double r8)
{
    return (((c[0] + c[1] * r2) + (c[2] + c[3] * r2) * r4) + (c[4] + c[5] * r2) * r8) +
           ((c[6] + c[7] * r2) + c[8] * r4) * r8 * r4;
}

// sin(x + quarter * pi/2) from the whole series, for |x| <= REDUCTION_LIMIT: the
// careful path, for the rare angles whose sine the quick one below cannot round with
// certainty.
double SinBySeries(double x, int quarter)
{
    const double k = (x * TWO_OVER_PI + ROUNDING_SHIFT) - ROUNDING_SHIFT;
    const double r = ((x - k * HALF_PI_1) - k * HALF_PI_2) - k * HALF_PI_3;
    const int quadrant = (static_cast<int>(k) + quarter) & 3;
    const double r2 = r * r, r4 = r2 * r2, r8 = r4 * r4;
    // cos r = 1 + r^2 C(r^2) in the odd quadrants, sin r = r + r^3 S(r^2) in the even
    // ones, negated in the last two.
    const int odd = quadrant & 1;
    const double heads[2] = { r, 1.0 };
    const double scales[2] = { r * r2, r2 };
    const double sign = 1.0 - 2.0 * (quadrant >> 1);
    return sign * (heads[odd] + scales[odd] * SumNineTerms(SERIES[odd], r2, r4, r8));
}

// The quick path: the angle is k steps of pi/128 and a rest r of at most pi/256, so
// sin x = sin(k step) cos r + cos(k step) sin r with the step's sine and cosine from a
// table and two terms of each series for r, good to about 2^-46 of the result. The
// step in three parts, the first two of 28 significant bits, so that k times either
// is exact for |k| < 2^25.
constexpr int STEPS = 256;   // per turn
constexpr double STEPS_PER_RADIAN = 0x1.45f306dc9c883p+5;
constexpr double STEP_1 = 0x1.921fb54p-6;
constexpr double STEP_2 = 0x1.10b4612p-36;
constexpr double STEP_3 = -0x1.676733ae8fe48p-66;

struct StepTable {
    double sine[STEPS];
    double cosine[STEPS];
};

// sin and cos of every step, from the whole series on the first eighth of a turn and
// the symmetries of the circle elsewhere, so that the quarter turns are exact. Made
// by the compiler, with the same arithmetic on every platform.
constexpr StepTable MakeStepTable()
{
    StepTable t = {};
    constexpr int EIGHTH = STEPS / 8;
    double s[EIGHTH + 1] = {}, c[EIGHTH + 1] = {};
    for (int j = 0; j <= EIGHTH; ++j) {
        const double angle = j * STEP_1 + (j * STEP_2 + j * STEP_3);
        const double a2 = angle * angle, a4 = a2 * a2, a8 = a4 * a4;
        s[j] = angle + angle * a2 * SumNineTerms(SERIES[0], a2, a4, a8);
        c[j] = 1.0 + a2 * SumNineTerms(SERIES[1], a2, a4, a8);
    }
    for (int j = 0; j < STEPS; ++j) {
        const int quadrant = j / (2 * EIGHTH), within = j % (2 * EIGHTH);
        // The first quarter, then turned by quadrant quarter turns.
        const double qs = within <= EIGHTH ? s[within] : c[2 * EIGHTH - within];
        const double qc = within <= EIGHTH ? c[within] : s[2 * EIGHTH - within];
        const double turned[4][2] = { { qs, qc }, { qc, -qs }, { -qs, -qc }, { -qc, qs } };
        t.sine[j] = turned[quadrant][0];
        t.cosine[j] = turned[quadrant][1];
    }
    return t;
}

constexpr StepTable STEP_TABLE = MakeStepTable();

// Rounded to float, a value known to within this part of itself rounds the same as
// every value in that interval when both ends round alike.
constexpr double QUICK_MARGIN = 0x1p-44;

// sin(x + quarter * pi/2) rounded to float, for |x| <= REDUCTION_LIMIT.
[[gnu::always_inline]] inline float SinOfQuadrant(double x, int quarter)
{
    const double k = (x * STEPS_PER_RADIAN + ROUNDING_SHIFT) - ROUNDING_SHIFT;
    const double r = ((x - k * STEP_1) - k * STEP_2) - k * STEP_3;
    const int step = (static_cast<int>(k) + quarter * (STEPS / 4)) & (STEPS - 1);
    const double r2 = r * r;
    const double sinR = r + r * r2 * (SERIES[0][0] + r2 * SERIES[0][1]);
    const double cosR = 1.0 + r2 * (SERIES[1][0] + r2 * SERIES[1][1]);
    const double estimate = STEP_TABLE.sine[step] * cosR + STEP_TABLE.cosine[step] * sinR;
    const double margin = std::fabs(estimate) * QUICK_MARGIN;
    if (static_cast<float>(estimate - margin) == static_cast<float>(estimate + margin)) [[likely]]
        return static_cast<float>(estimate);
    return static_cast<float>(SinBySeries(x, quarter));
}

} // namespace

float PortableSin(float radians)
{
    const double x = radians;
    if (!(std::fabs(x) <= REDUCTION_LIMIT)) [[unlikely]]
        return static_cast<float>(std::sin(x));
    if (x == 0.0) [[unlikely]]
        return radians;   // +0 or -0, as it came
    return SinOfQuadrant(x, 0);
}

float PortableCos(float radians)
{
    const double x = radians;
    if (!(std::fabs(x) <= REDUCTION_LIMIT)) [[unlikely]]
        return static_cast<float>(std::cos(x));
    return SinOfQuadrant(x, 1);
}
