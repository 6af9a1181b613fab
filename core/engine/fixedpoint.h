// The reference orbit in fixed point: while an orbit has not escaped, |Z| < 2
// and its escaped point |Z^2 + C| < 4 + |C|, so for any C that can last a
// step Z fits a signed fixed-point number of a few integer bits and all the
// rest fraction, whose squares are integer products alone, with no exponent
// to align and no normalising: three times as fast as the floats at 192
// bits, six or seven at 448 and 1088. The limbs are 64 bits on every build (i686 makes its wide products from
// 32-bit halves), so every build computes the same bits.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

#include "core/engine/bignum.h"

namespace fixedpoint {

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 Wide;
inline void Multiply(std::uint64_t a, std::uint64_t b, std::uint64_t* lo, std::uint64_t* hi) {
    const Wide p = static_cast<Wide>(a) * b;
    *lo = static_cast<std::uint64_t>(p);
    *hi = static_cast<std::uint64_t>(p >> 64);
}
#else
inline void Multiply(std::uint64_t a, std::uint64_t b, std::uint64_t* lo, std::uint64_t* hi) {
    const std::uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
    *lo = (middle << 32) | (p00 & 0xFFFFFFFFu);
    *hi = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
}
#endif

// *r = x + y + carry, answering the carry out; x - y - borrow likewise.
#if defined(__x86_64__)
inline unsigned char AddCarry(unsigned char carry, std::uint64_t x, std::uint64_t y, std::uint64_t* r) {
    unsigned long long s = 0;
    carry = _addcarry_u64(carry, x, y, &s);
    *r = s;
    return carry;
}
inline unsigned char SubBorrow(unsigned char borrow, std::uint64_t x, std::uint64_t y, std::uint64_t* r) {
    unsigned long long s = 0;
    borrow = _subborrow_u64(borrow, x, y, &s);
    *r = s;
    return borrow;
}
#else
inline unsigned char AddCarry(unsigned char carry, std::uint64_t x, std::uint64_t y, std::uint64_t* r) {
    const std::uint64_t s = x + carry;
    *r = s + y;
    return static_cast<unsigned char>((s < carry) + (*r < s));
}
inline unsigned char SubBorrow(unsigned char borrow, std::uint64_t x, std::uint64_t y, std::uint64_t* r) {
    const std::uint64_t s = x - borrow;
    *r = s - y;
    return static_cast<unsigned char>((s > x) + (*r > s));
}
#endif

// A column of a product, in three limbs.
struct Column {
    std::uint64_t c0 = 0, c1 = 0, c2 = 0;
    void Add(std::uint64_t lo, std::uint64_t hi) {
#if defined(__x86_64__)
        // Three instructions, where the compiler keeps each carry apart
        // and adds them up later: a fifth faster at 18 limbs.
        __asm__("addq %3, %0\n\tadcq %4, %1\n\tadcq $0, %2" : "+r"(c0), "+r"(c1), "+r"(c2) : "r"(lo), "r"(hi) : "cc");
#else
        const unsigned char carry = AddCarry(0, c0, lo, &c0);
        c2 += AddCarry(carry, c1, hi, &c1);
#endif
    }
    void AddProduct(std::uint64_t x, std::uint64_t y) {
        std::uint64_t lo = 0, hi = 0;
        Multiply(x, y, &lo, &hi);
        Add(lo, hi);
    }
    void Double() {
        c2 = (c2 << 1) | (c1 >> 63);
        c1 = (c1 << 1) | (c0 >> 63);
        c0 <<= 1;
    }
};

}  // namespace fixedpoint

// X 2^-kFraction in two's complement, least significant limb first: 16
// integer bits with the sign, so |value| < 2^15.
template <int Limbs>
struct Fixed {
    static constexpr int kFraction = 64 * Limbs - 16;
    std::uint64_t limb[Limbs] = {};

    bool Negative() const { return (limb[Limbs - 1] >> 63) != 0; }
    Fixed& operator+=(const Fixed& y) {
        unsigned char carry = 0;
#pragma GCC unroll 32
        for (int i = 0; i < Limbs; ++i) carry = fixedpoint::AddCarry(carry, limb[i], y.limb[i], &limb[i]);
        return *this;
    }
    Fixed& operator-=(const Fixed& y) {
        unsigned char borrow = 0;
#pragma GCC unroll 32
        for (int i = 0; i < Limbs; ++i) borrow = fixedpoint::SubBorrow(borrow, limb[i], y.limb[i], &limb[i]);
        return *this;
    }
    friend Fixed operator+(Fixed x, const Fixed& y) {
        return x += y;
    }
    friend Fixed operator-(Fixed x, const Fixed& y) {
        return x -= y;
    }
    friend Fixed operator-(const Fixed& x) {
        return Fixed{} - x;
    }
    Fixed Abs() const {
        return Negative() ? -*this : *this;
    }
    // value >= 4, for a value that is not negative.
    bool AtLeastFour() const {
        return limb[Limbs - 1] >= (std::uint64_t{1} << 50);
    }
};

// x^2 rounded to the nearest multiple of 2^-kFraction, give or take 2^-44 of
// one: the columns of the product below the two under the result's lowest
// limb are left out (each of their fewer than 16 products 2^-48 of one
// at most), and the symmetric pairs of the columns above are one product,
// doubled.
template <int Limbs>
Fixed<Limbs> Square(const Fixed<Limbs>& x) {
    const Fixed<Limbs> u = x.Abs();
    // The product's limbs p[Limbs - 1] ... p[2 Limbs - 1]; the result is
    // (p + 2^(kFraction - 1)) >> kFraction, kFraction = 64 (Limbs - 1) + 48.
    std::uint64_t p[2 * Limbs];
    fixedpoint::Column column;
#pragma GCC unroll 40
    for (int k = Limbs - 2; k <= 2 * Limbs - 2; ++k) {
        fixedpoint::Column pairs;
        const int first = k < Limbs ? 0 : k - (Limbs - 1);
#pragma GCC unroll 20
        for (int i = first; i < k - i; ++i) pairs.AddProduct(u.limb[i], u.limb[k - i]);
        pairs.Double();
        if (k % 2 == 0) pairs.AddProduct(u.limb[k / 2], u.limb[k / 2]);
        if (k == Limbs - 1) pairs.Add(std::uint64_t{1} << 47, 0);
        // The carry from the column below.
        column = fixedpoint::Column{column.c1, column.c2, 0};
        column.Add(pairs.c0, pairs.c1);
        column.c2 += pairs.c2;
        p[k] = column.c0;
    }
    p[2 * Limbs - 1] = column.c1;
    Fixed<Limbs> r;
    for (int i = 0; i < Limbs; ++i) r.limb[i] = (p[Limbs - 1 + i] >> 48) | (p[Limbs + i] << 16);
    return r;
}

// X 2^-(kFraction + shift), rounded to the nearest double (ties to even),
// subnormals included, as a conversion rounds once.
template <int Limbs>
double ToDouble(const Fixed<Limbs>& x, int shift = 0) {
    const Fixed<Limbs> u = x.Abs();
    int top = Limbs - 1;
    while (top >= 0 && u.limb[top] == 0) --top;
    if (top < 0) return 0.0;
    const int high = 64 * top + 63 - __builtin_clzll(u.limb[top]);
    const int e = Fixed<Limbs>::kFraction + shift;
    // The lowest bit kept: 53 bits at most, none below 2^-1074.
    const int low = std::max(high - 52, e - 1074);
    std::uint64_t m = u.limb[0];
    if (low > 0) {
        const auto from = [&](int b) {  // the 64 bits from bit b up
            const int i = b / 64, s = b % 64;
            std::uint64_t v = i < Limbs ? u.limb[i] >> s : 0;
            if (s != 0 && i + 1 < Limbs) v |= u.limb[i + 1] << (64 - s);
            return v;
        };
        m = from(low);
        if ((from(low - 1) & 1) != 0) {
            // Up unless a tie to an even m: a tie has no bit below the half.
            bool up = (m & 1) != 0;
            const int half = low - 1;
            for (int i = 0; i < half / 64 && !up; ++i) up = u.limb[i] != 0;
            if (!up && half % 64 != 0) up = (u.limb[half / 64] & ((std::uint64_t{1} << (half % 64)) - 1)) != 0;
            m += up;
        }
    }
    // m 2^k is exact; 2^k is made from its bits where it is a normal double.
    const int k = std::max(low, 0) - e;
    double r = static_cast<double>(m);
    if (k >= -1022 && k <= 1023) {
        const std::uint64_t bits = static_cast<std::uint64_t>(k + 1023) << 52;
        double power = 0.0;
        std::memcpy(&power, &bits, sizeof power);
        r *= power;
    } else {
        r = std::ldexp(r, k);
    }
    return x.Negative() ? -r : r;
}

// x rounded to the nearest multiple of 2^-kFraction (ties away from zero).
template <int Limbs, class Big>
Fixed<Limbs> ToFixed(const Big& x) {
    const boost::multiprecision::cpp_int n =
        static_cast<boost::multiprecision::cpp_int>(round(ldexp(abs(x), Fixed<Limbs>::kFraction)));
    Fixed<Limbs> r;
    std::uint64_t* out = r.limb;
    boost::multiprecision::export_bits(n, out, 64, false);
    return x < 0 ? -r : r;
}

// Z(0) = 0, Z(n + 1) = Z(n)^2 + C, up to the first escaped point or to
// Z(last), each handed to point(re, im); answers the last index. The
// squares that test a point are the ones its step takes, and 2 Z.re Z.im
// is (re + im)^2 - re^2 - im^2: three squares a step. For |C| < 64: the
// escaped point is then below 100, its squares' sum below 2^15.
template <int Limbs, class Point>
int FixedOrbit(const Fixed<Limbs>& cr, const Fixed<Limbs>& ci, int last, Point&& point) {
    Fixed<Limbs> zr, zi, a, b, s;
    point(zr, zi);
    int n = 0;
    while (n < last) {
        zr = a - b + cr;
        zi = s - a - b + ci;
        ++n;
        point(zr, zi);
        a = Square(zr);
        b = Square(zi);
        if ((a + b).AtLeastFour()) break;
        s = Square(zr + zi);
    }
    return n;
}
