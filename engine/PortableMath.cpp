#include "PortableMath.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace
{
// A value as the unevaluated sum hi + lo with |lo| <= ulp(hi) / 2.
struct DoubleDouble
{
    double hi;
    double lo;
};

DoubleDouble twoSum(double a, double b)
{
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

DoubleDouble quickTwoSum(double a, double b)
{
    const double s = a + b;
    return {s, b - (s - a)};
}

DoubleDouble split(double a)
{
    const double t = 134217729.0 * a; // 2^27 + 1
    const double hi = t - (t - a);
    return {hi, a - hi};
}

// Exact product; no fused multiply-add is assumed.
DoubleDouble twoProduct(double a, double b)
{
    const double p = a * b;
    const DoubleDouble as = split(a);
    const DoubleDouble bs = split(b);
    const double e = ((as.hi * bs.hi - p) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
    return {p, e};
}

DoubleDouble add(DoubleDouble a, DoubleDouble b)
{
    DoubleDouble s = twoSum(a.hi, b.hi);
    const DoubleDouble t = twoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = quickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickTwoSum(s.hi, s.lo);
}

DoubleDouble negate(DoubleDouble a) { return {-a.hi, -a.lo}; }

DoubleDouble multiply(DoubleDouble a, DoubleDouble b)
{
    DoubleDouble p = twoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quickTwoSum(p.hi, p.lo);
}

DoubleDouble multiply(DoubleDouble a, double b)
{
    DoubleDouble p = twoProduct(a.hi, b);
    p.lo += a.lo * b;
    return quickTwoSum(p.hi, p.lo);
}

DoubleDouble divide(DoubleDouble a, DoubleDouble b)
{
    const double q1 = a.hi / b.hi;
    DoubleDouble r = add(a, negate(multiply(b, q1)));
    const double q2 = r.hi / b.hi;
    r = add(r, negate(multiply(b, q2)));
    const double q3 = r.hi / b.hi;
    return add(quickTwoSum(q1, q2), {q3, 0.0});
}

DoubleDouble divide(DoubleDouble a, double b) { return divide(a, DoubleDouble{b, 0.0}); }

double rounded(DoubleDouble a) { return a.hi + a.lo; }

// ln 2, 1/ln 10 and pi/2, each to about 160 bits as three doubles.
constexpr double kLn2[3] = {0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56, 0x1.7b57a079a1934p-111};
constexpr double kInvLn10[2] = {0x1.bcb7b1526e50ep-2, 0x1.95355baaafad3p-57};
constexpr double kHalfPi[3] = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54, -0x1.f1976b7ed8fbcp-110};
constexpr double kTwoOverPi = 0.63661977236758134308;
constexpr double kInvLn2 = 1.4426950408889634074;
constexpr double kTiny = 0x1p-110;

// k * c for a constant c given as three doubles, with k a whole number.
DoubleDouble scaledConstant(double k, const double c[3])
{
    return add(add(twoProduct(k, c[0]), twoProduct(k, c[1])), DoubleDouble{k * c[2], 0.0});
}

// Natural logarithm of a positive, finite x.
DoubleDouble logPositive(double x)
{
    int exponent = 0;
    double m = std::frexp(x, &exponent); // exact: x = m * 2^exponent, m in [0.5, 1)
    if (m < 0.70710678118654752)
    {
        m *= 2.0;
        --exponent;
    }
    // log m = 2 atanh(s) with s = (m - 1) / (m + 1), |s| < 0.172.
    const DoubleDouble s = divide(DoubleDouble{m - 1.0, 0.0}, twoSum(m, 1.0));
    const DoubleDouble s2 = multiply(s, s);
    DoubleDouble power = s;
    DoubleDouble sum = s;
    for (int n = 3; n < 80; n += 2)
    {
        power = multiply(power, s2);
        const DoubleDouble term = divide(power, static_cast<double>(n));
        sum = add(sum, term);
        if (std::fabs(term.hi) <= kTiny * std::fabs(sum.hi))
            break;
    }
    sum = {2.0 * sum.hi, 2.0 * sum.lo};
    return add(scaledConstant(static_cast<double>(exponent), kLn2), sum);
}

// e^r for |r| <= ln 2 / 2 as a double-double: (e^(r/256))^256.
DoubleDouble expReduced(DoubleDouble r)
{
    const DoubleDouble t = {r.hi * 0x1p-8, r.lo * 0x1p-8};
    // e^t - 1 by its Taylor series; kept as "minus one" so squaring keeps the small part exact.
    DoubleDouble term = t;
    DoubleDouble sum = t;
    for (int n = 2; n < 30; ++n)
    {
        term = divide(multiply(term, t), static_cast<double>(n));
        sum = add(sum, term);
        if (std::fabs(term.hi) <= kTiny * std::fabs(sum.hi))
            break;
    }
    for (int i = 0; i < 8; ++i)
        sum = add(DoubleDouble{2.0 * sum.hi, 2.0 * sum.lo}, multiply(sum, sum));
    return add(DoubleDouble{1.0, 0.0}, sum);
}

// e^x rounded to double, for a double-double x.
double expOf(DoubleDouble x)
{
    if (x.hi > 709.8)
        return std::numeric_limits<double>::infinity();
    if (x.hi < -745.2)
        return 0.0;
    const double k = std::floor(x.hi * kInvLn2 + 0.5);
    // x = k ln 2 + r with |r| <= ln 2 / 2.
    const DoubleDouble result = expReduced(add(x, negate(scaledConstant(k, kLn2))));
    const int scale = static_cast<int>(k);
    if (scale > -1021)
        return std::ldexp(rounded(result), scale);
    // Subnormal results round twice (to double, then to the subnormal), which
    // can only differ from one rounding at exact ties; the engine never gets here.
    return std::ldexp(std::ldexp(rounded(result), scale + 600), -600);
}

bool isWhole(double y) { return std::floor(y) == y; }

bool isOddWhole(double y) { return isWhole(y) && std::fabs(y) < 0x1p53 && std::fmod(y, 2.0) != 0.0; }

// Sine (or cosine) series of a reduced argument |r| <= pi/4.
DoubleDouble sineSeries(DoubleDouble r)
{
    const DoubleDouble r2 = multiply(r, r);
    DoubleDouble term = r;
    DoubleDouble sum = r;
    for (int n = 2; n < 60; n += 2)
    {
        term = negate(divide(multiply(term, r2), static_cast<double>(n * (n + 1))));
        sum = add(sum, term);
        if (std::fabs(term.hi) <= kTiny * std::fabs(sum.hi))
            break;
    }
    return sum;
}

DoubleDouble cosineSeries(DoubleDouble r)
{
    const DoubleDouble r2 = multiply(r, r);
    DoubleDouble term = {1.0, 0.0};
    DoubleDouble sum = term;
    for (int n = 1; n < 60; n += 2)
    {
        term = negate(divide(multiply(term, r2), static_cast<double>(n * (n + 1))));
        sum = add(sum, term);
        if (std::fabs(term.hi) <= kTiny)
            break;
    }
    return sum;
}

// sin(x + quadrant * pi/2) for finite x.
double sineInQuadrant(double x, int64_t quadrant)
{
    const double k = std::floor(x * kTwoOverPi + 0.5);
    const DoubleDouble r = add(DoubleDouble{x, 0.0}, negate(scaledConstant(k, kHalfPi)));
    const int64_t q = (static_cast<int64_t>(k) + quadrant) & 3;
    switch (q)
    {
    case 0:
        return rounded(sineSeries(r));
    case 1:
        return rounded(cosineSeries(r));
    case 2:
        return -rounded(sineSeries(r));
    default:
        return -rounded(cosineSeries(r));
    }
}

// A faster road to the same pow: ln x from a table of 256 reciprocals and a
// short series, e^X from a table of 64 powers of two and a short series. It
// is accurate to about 2^-72 relative, much less than the series, so it could
// round differently from them when the exact power lies close to the midpoint
// between two doubles. So it returns a result only when the midpoint nearest
// its value is farther away than both roads' error bounds together: then both
// round to the correctly rounded power. Otherwise (about once in 2^14 calls)
// the series decide.
struct PowTables
{
    static constexpr int kLogEntries = 256;
    static constexpr int kExpEntries = 64;
    // reciprocal[i] is close to 1 / (1 + (i + 0.5) / 256); minusLog[i] = -ln(reciprocal[i]).
    double reciprocal[kLogEntries];
    DoubleDouble minusLog[kLogEntries];
    DoubleDouble twoToThe[kExpEntries]; // 2^(j / 64)
    bool ready;                         // false before the tables are built (zero-initialised)
};

PowTables buildPowTables()
{
    PowTables tables{};
    for (int i = 0; i < PowTables::kLogEntries; ++i)
    {
        const double centre = 1.0 + (static_cast<double>(i) + 0.5) / PowTables::kLogEntries;
        tables.reciprocal[i] = static_cast<double>(static_cast<float>(1.0 / centre));
        tables.minusLog[i] = negate(logPositive(tables.reciprocal[i]));
    }
    for (int j = 0; j < PowTables::kExpEntries; ++j)
    {
        const DoubleDouble x = scaledConstant(static_cast<double>(j), kLn2);
        tables.twoToThe[j] = expReduced({x.hi / PowTables::kExpEntries, x.lo / PowTables::kExpEntries});
    }
    tables.ready = true;
    return tables;
}

// Built while the library loads; a pow called before that takes the series.
const PowTables kPowTables = buildPowTables();

// ln 2 as a head whose multiples by any exponent are exact (its low 11 bits
// are zero) and a tail; and as a shorter head (17 low bits zero) for the
// multiples of ln 2 / 64 that reduce e^x.
constexpr double kLn2Head = 0x1.62e42fefa3800p-1;
constexpr double kLn2Tail = (kLn2[0] - kLn2Head) + kLn2[1];
constexpr double kLn2ShortHead = 0x1.62e42fefa0000p-1;
constexpr double kLn2ShortTail = (kLn2[0] - kLn2ShortHead) + kLn2[1];

// ln x for a positive normal x, within 2^-76: exact reduction by the table's
// reciprocal to ln(1 + z) with |z| < 2^-9, z^2/2 kept exact, the terms from
// z^3 on in double.
DoubleDouble logByTable(uint64_t bits)
{
    const double exponent = static_cast<double>(static_cast<int>(bits >> 52) - 1023);
    const int i = static_cast<int>((bits >> 44) & (PowTables::kLogEntries - 1));
    const double m = std::bit_cast<double>((bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
    const DoubleDouble p = twoProduct(m, kPowTables.reciprocal[i]);
    const DoubleDouble z = twoSum(p.hi - 1.0, p.lo); // p.hi - 1 is exact: p.hi lies within 2^-8 of 1
    const double zh = z.hi;
    const DoubleDouble square = twoProduct(zh, zh);
    const double tail =
        (square.hi * zh) *
        (1.0 / 3.0 + zh * (-0.25 + zh * (0.2 + zh * (-1.0 / 6.0 + zh * (1.0 / 7.0 + zh * -0.125)))));
    const DoubleDouble& table = kPowTables.minusLog[i];
    const DoubleDouble a = twoSum(exponent * kLn2Head, table.hi);
    const DoubleDouble b = twoSum(a.hi, zh);
    const DoubleDouble c = twoSum(b.hi, -0.5 * square.hi);
    const double small = ((((a.lo + b.lo) + c.lo) + table.lo) + exponent * kLn2Tail) +
                         ((z.lo - 0.5 * square.lo) - zh * z.lo + tail);
    return quickTwoSum(c.hi, small);
}

// sign * e^x into `result` when its rounding is certain (see above).
bool expByTable(DoubleDouble x, double errorBound, double sign, double& result)
{
    if (!(std::fabs(x.hi) < 700.0))
        return false;
    constexpr double kSteps = PowTables::kExpEntries;
    const double n = std::floor(x.hi * (kInvLn2 * kSteps) + 0.5);
    // x - n ln2 / 64: n times the head is exact and close to x.hi.
    const DoubleDouble r = twoSum(x.hi - n * (kLn2ShortHead / kSteps), x.lo - n * (kLn2ShortTail / kSteps));
    const auto whole = static_cast<int64_t>(n);
    const DoubleDouble& base = kPowTables.twoToThe[whole & (PowTables::kExpEntries - 1)];
    // e^r - 1 for |r| <= ln 2 / 128 (plus rounding): r^2/2 kept exact, the
    // terms from r^3 on in double.
    const double rh = r.hi;
    const DoubleDouble square = twoProduct(rh, rh);
    const double tail =
        (square.hi * rh) *
        (1.0 / 6.0 + rh * (1.0 / 24.0 + rh * (1.0 / 120.0 + rh * (1.0 / 720.0 + rh * (1.0 / 5040.0)))));
    const DoubleDouble head = twoSum(rh, 0.5 * square.hi);
    const double rest = head.lo + (r.lo + (0.5 * square.lo + rh * r.lo)) + tail;
    const DoubleDouble series = quickTwoSum(head.hi, rest);
    // base * (1 + series) = base + base * series.
    const DoubleDouble product = twoProduct(base.hi, series.hi);
    const DoubleDouble sum = twoSum(base.hi, product.hi);
    const double low = sum.lo + ((product.lo + base.hi * series.lo) + base.lo * series.hi + base.lo);
    const DoubleDouble value = quickTwoSum(sum.hi, low);

    // value lies in [0.99, 2.02]; the nearest midpoint to value.hi + value.lo is
    // at least halfUlpBelow - |value.lo| away (a quarter ulp below a power of two).
    const double ulp = value.hi >= 2.0 ? 0x1p-51 : (value.hi >= 1.0 ? 0x1p-52 : 0x1p-53);
    const double halfUlpBelow = (value.hi == 1.0 || value.hi == 2.0) ? ulp * 0.25 : ulp * 0.5;
    if (!(std::fabs(value.lo) + errorBound * value.hi < halfUlpBelow))
        return false;
    const int scale = static_cast<int>(whole >> 6);
    if (scale < -1020 || scale > 1022)
        return false;
    result = sign * std::ldexp(value.hi, scale);
    return true;
}
} // namespace

namespace portable
{
double pow(double x, double y)
{
    constexpr double kInf = std::numeric_limits<double>::infinity();
    if (y == 0.0 || x == 1.0)
        return 1.0;
    if (std::isnan(x) || std::isnan(y))
        return std::numeric_limits<double>::quiet_NaN();
    const bool negativeResult = std::signbit(x) && isOddWhole(y);
    const double sign = negativeResult ? -1.0 : 1.0;
    const double ax = std::fabs(x);
    if (std::isinf(y))
    {
        if (ax == 1.0)
            return 1.0;
        return (ax > 1.0) == (y > 0.0) ? kInf : 0.0;
    }
    if (ax == 0.0)
        return sign * (y > 0.0 ? 0.0 : kInf);
    if (std::isinf(ax))
        return sign * (y > 0.0 ? kInf : 0.0);
    if (x < 0.0 && !isWhole(y))
        return std::numeric_limits<double>::quiet_NaN();
    const uint64_t bits = std::bit_cast<uint64_t>(ax);
    if (kPowTables.ready && (bits >> 52) != 0)
    {
        // The table road's error in e^X is below 2^-72 + |y| 2^-76 relative
        // (its ln x is within 2^-76, the series' within 2^-95); the bound
        // below keeps a wide margin on both roads together.
        const double errorBound = 0x1p-68 + std::fabs(y) * 0x1p-72;
        double result = 0.0;
        if (expByTable(multiply(logByTable(bits), y), errorBound, sign, result))
            return result;
    }
    return sign * expOf(multiply(logPositive(ax), y));
}

double powBySeries(double x, double y)
{
    if (y == 0.0 || x == 1.0 || !(x > 0.0) || std::isinf(x) || std::isinf(y) || std::isnan(y))
        return pow(x, y);
    return expOf(multiply(logPositive(x), y));
}

double log10(double x)
{
    if (std::isnan(x) || x < 0.0)
        return std::numeric_limits<double>::quiet_NaN();
    if (x == 0.0)
        return -std::numeric_limits<double>::infinity();
    if (std::isinf(x))
        return x;
    return rounded(multiply(logPositive(x), DoubleDouble{kInvLn10[0], kInvLn10[1]}));
}

float log10f(float x)
{
    // The double-double value rounds to double and then to float; the double
    // has 29 bits to spare, so this only differs from one rounding at exact ties.
    return static_cast<float>(log10(static_cast<double>(x)));
}

double sin(double x)
{
    if (std::isnan(x) || std::isinf(x))
        return std::numeric_limits<double>::quiet_NaN();
    if (x == 0.0)
        return x;
    return sineInQuadrant(x, 0);
}

double cos(double x)
{
    if (std::isnan(x) || std::isinf(x))
        return std::numeric_limits<double>::quiet_NaN();
    return sineInQuadrant(x, 1);
}
} // namespace portable
