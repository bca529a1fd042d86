#pragma once
// The one way a number that came from a file or a user becomes an int: NaN
// and values outside the range are caught before the conversion, which the
// language leaves undefined for them.
#include <climits>
#include <cmath>
#include <optional>

namespace ptt {

enum class Rounding {
    HalfEven, // 2.5 -> 2, 3.5 -> 4, as the original form runtime rounds
    HalfAway, // 2.5 -> 3, -2.5 -> -3
    Down,
    Up,
};

inline double roundAs(double v, Rounding how)
{
    switch (how) {
    case Rounding::HalfAway:
        return std::round(v);
    case Rounding::Down:
        return std::floor(v);
    case Rounding::Up:
        return std::ceil(v);
    case Rounding::HalfEven:
        break;
    }
    return std::nearbyint(v); // the default rounding mode rounds halves to even
}

// v rounded as asked, or nothing when it is NaN or the result lies outside [lo, hi].
inline std::optional<int> checkedInt(double v, Rounding how = Rounding::HalfEven, int lo = INT_MIN, int hi = INT_MAX)
{
    const double r = roundAs(v, how);
    if (!(r >= double(lo) && r <= double(hi)))
        return std::nullopt;
    return static_cast<int>(r);
}

// v rounded as asked and held within [lo, hi]; NaN gives nanValue.
inline int boundedInt(double v, Rounding how, int lo = INT_MIN, int hi = INT_MAX, int nanValue = 0)
{
    if (std::isnan(v))
        return nanValue;
    const double r = roundAs(v, how);
    if (r <= double(lo))
        return lo;
    if (r >= double(hi))
        return hi;
    return static_cast<int>(r);
}

} // namespace ptt
