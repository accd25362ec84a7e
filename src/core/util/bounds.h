#pragma once

// Bounding helpers shared by the number fields and the register model.

// A value stepped below the range lands on its maximum, one above it on its minimum.
template <typename T> constexpr T wrap_around(T lo, T v, T hi) {
    if (v < lo)
        return hi;
    if (v > hi)
        return lo;
    return v;
}

// Saturation: a value outside the range sticks to the nearer end.
template <typename T> constexpr T clamp_between(T lo, T v, T hi) {
    if (v < lo)
        return lo;
    if (v > hi)
        return hi;
    return v;
}
