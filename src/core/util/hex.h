#pragma once

#include <cstdint>
#include <string>

// Upper-case hexadecimal digits written straight into a buffer, as "%0*X"
// would: the memory views format hundreds of numbers per frame, and
// snprintf's format parsing cost more than the rest of their drawing.

// Writes v with at least min_digits digits (zero-padded) at out and returns
// the position after the last digit. No terminator is written.
inline char* put_hex(char* out, uint32_t v, int min_digits) {
    char digits[8];
    int n = 0;
    do {
        digits[n++] = "0123456789ABCDEF"[v & 0xF];
        v >>= 4;
    } while (v != 0);
    while (n < min_digits && n < 8)
        digits[n++] = '0';
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

// The same as a string: hex_text(5, 2) is "05".
inline std::string hex_text(uint32_t v, int min_digits) {
    char digits[8];
    return std::string(digits, put_hex(digits, v, min_digits));
}
