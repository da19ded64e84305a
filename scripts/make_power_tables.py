#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes engine/power_tables.h, the tables of the fast path of pow_cr (engine/power.cpp).

    python3 scripts/make_power_tables.py > engine/power_tables.h

Needs mpmath. Every value is computed at 300 bits. 2^(j/128) is rounded to nearest twice (hi, then
the remainder as lo), so |hi + lo - v| <= 2^-106 |v|. The logarithms are split in three: hi rounded
to a multiple of 2^-42 (so that e log 2 + hi is exact, see kLn2Hi), then mid and lo each the
remainder rounded to nearest, so |hi + mid + lo - v| < 2^-149. The script also checks the
properties the error analysis in engine/power.h relies on and stops if one fails.
"""
import sys
from fractions import Fraction

import mpmath

mpmath.mp.prec = 300

LOG_N = 256  # intervals of width 1/256 around c_i = 1 + i/256, i = 0 .. 256
EXP_N = 128  # 2^(j/128), j = 0 .. 127
SHIFT_FROM = 107  # the first row with c_i > sqrt(2)


def hi_lo(v):
    hi = float(v)
    lo = float(v - mpmath.mpf(hi))
    return hi, lo


def hi_mid_lo(v, grid):
    """v as hi + mid + lo, hi a multiple of 2^grid."""
    hi = float(mpmath.nint(v * mpmath.mpf(2) ** -grid) * mpmath.mpf(2) ** grid)
    mid = float(v - mpmath.mpf(hi))
    lo = float(v - mpmath.mpf(hi) - mpmath.mpf(mid))
    if abs(v - mpmath.mpf(hi) - mpmath.mpf(mid) - mpmath.mpf(lo)) > mpmath.mpf(2) ** -149:
        sys.exit(f"{v}: three parts are not enough")
    return hi, mid, lo


def round_bits(q, bits):
    """Fraction q rounded to nearest with `bits` significant bits."""
    e = q.numerator.bit_length() - q.denominator.bit_length()  # 2^(e-1) <= q < 2^(e+1)
    while Fraction(2) ** e <= q:
        e += 1
    while Fraction(2) ** (e - 1) > q:
        e -= 1
    scale = Fraction(2) ** (bits - e)  # 2^(e-1) <= q < 2^e
    n = q * scale
    r = round(n)  # ties to even, fine here
    return Fraction(r) / scale


def sig_bits(q):
    num, den = q.numerator, q.denominator
    while num % 2 == 0 and num:
        num //= 2
    return num.bit_length()


def lowest_bit(q):
    b = Fraction(1)
    while (q / b).denominator != 1:
        b /= 2
    while (q / (2 * b)).denominator == 1:
        b *= 2
    return b


def ulp(q):
    """ulp of a double-representable positive Fraction q (normal range)."""
    e = 0
    while q >= 2:
        q /= 2
        e += 1
    while q < 1:
        q *= 2
        e -= 1
    return Fraction(2) ** (e - 52)


def log_table():
    rows = []
    zmax = Fraction(0)
    for i in range(LOG_N + 1):
        c = 1 + Fraction(i, LOG_N)
        if i == 0:
            invc = Fraction(1)
        elif i == LOG_N:
            invc = Fraction(1, 2)
        else:
            invc = round_bits(1 / c, 9)
        # The interval of m (in [1, 2)) that uses row i: round((m - 1) * 128) == i.
        lo_m = max(Fraction(1), c - Fraction(1, 2 * LOG_N))
        hi_m = min(Fraction(2), c + Fraction(1, 2 * LOG_N))
        z_ends = [m * invc - 1 for m in (lo_m, hi_m)]
        zb = max(abs(z) for z in z_ends)
        zmax = max(zmax, zb)
        # z = fma(m, invc, -1) is exact when |z| < 2^53 q: z is a multiple of q = 2^-52 2^s
        # (ulp(m) = 2^-52 on [1, 2); 2^s the lowest set bit of invc).
        quantum = Fraction(2) ** -52 * lowest_bit(invc)
        if not zb < quantum * 2**53:
            sys.exit(f"row {i}: z up to {float(zb)} is not exact")
        shift = 1 if c * c > 2 else 0  # rows above sqrt(2) read log(m) as log 2 + log(m / 2)
        if shift != (i >= SHIFT_FROM):
            sys.exit(f"row {i}: the shift does not start at row {SHIFT_FROM}")
        v = -mpmath.log(mpmath.mpf(invc.numerator) / invc.denominator) - shift * mpmath.log(2)
        hi, mid, lo = hi_mid_lo(v, -42)
        rows.append((float(invc), hi, mid, lo))
    # Only rows 0 and 256 (c = 1 and c = 2) have hi = 0; every other |hi| exceeds |z|, so that
    # e log 2 + hi + z is a fast two-sum whatever e.
    for i, (_, hi, _, _) in enumerate(rows):
        if (hi == 0) != (i in (0, LOG_N)) or (hi != 0 and not abs(hi) > zmax):
            sys.exit(f"row {i}: |hi| = {abs(hi)} is neither 0 nor above {float(zmax)}")
    return rows, zmax


def exp_table():
    rows = []
    for j in range(EXP_N):
        v = mpmath.power(2, mpmath.mpf(j) / EXP_N)
        rows.append(hi_lo(v))
    return rows


def main():
    rows, zmax = log_table()
    exps = exp_table()
    ln2 = mpmath.log(2)

    def const_split(v, bits):
        vf = Fraction(float(v))  # close enough to choose the leading bits
        h = round_bits(vf, bits)
        rest = v - mpmath.mpf(h.numerator) / h.denominator
        rest2 = rest - mpmath.mpf(float(rest))
        return float(h), float(rest), float(rest2), rest2 - mpmath.mpf(float(rest2))

    l2h, l2l, l2l2, l2r = const_split(ln2, 42)
    c1, c2, c3, c3r = const_split(ln2 / EXP_N, 35)
    if Fraction(l2h) != Fraction(l2h).limit_denominator(2**42) or lowest_bit(Fraction(l2h)) < Fraction(1, 2**42):
        sys.exit("kLn2Hi is not a multiple of 2^-42")

    out = []
    w = out.append
    w("// SPDX-License-Identifier: GPL-3.0-or-later")
    w("// Generated by scripts/make_power_tables.py; do not edit.")
    w("// Tables and constants of the fast path of pow_cr (engine/power.cpp).")
    w("#pragma once")
    w("")
    w("namespace tessaroll::power_tables {")
    w("")
    w(f"// Largest |z| = |m invc_i - 1| over every row's interval: {float(zmax)!r}"
      f" (2^{float(mpmath.log(mpmath.mpf(float(zmax)), 2)):.4f}).")
    w(f"inline constexpr double kZMax = {float(zmax).hex()};")
    w("")
    w("// log 2 = kLn2Hi + kLn2Lo + kLn2Lo2 + r; kLn2Hi has 42 significant bits (a multiple of")
    w("// 2^-42), so e kLn2Hi is exact for |e| < 2^11.")
    w(f"inline constexpr double kLn2Hi = {l2h.hex()};")
    w(f"inline constexpr double kLn2Lo = {l2l.hex()};")
    w(f"inline constexpr double kLn2Lo2 = {l2l2.hex()};  // r = {mpmath.nstr(l2r, 3)}")
    w("")
    w(f"// ln 2 / {EXP_N} = kLn2N1 + kLn2N2 + kLn2N3 + r; kLn2N1 has 35 significant bits, so k kLn2N1")
    w("// is exact for |k| < 2^18.")
    w(f"inline constexpr double kInvLn2N = {float(EXP_N / ln2).hex()};  // {EXP_N} / ln 2")
    w(f"inline constexpr double kLn2N1 = {c1.hex()};")
    w(f"inline constexpr double kLn2N2 = {c2.hex()};")
    w(f"inline constexpr double kLn2N3 = {c3.hex()};  // r = {mpmath.nstr(c3r, 3)}")
    w("")
    w(f"// Rows from kShiftFrom on have c_i > sqrt(2): log m is read as log 2 + log(m / 2) there.")
    w(f"inline constexpr int kShiftFrom = {SHIFT_FROM};")
    w("")
    w("// -log(invc) - shift log 2 = neglog_hi + neglog_mid + neglog_lo, neglog_hi a multiple of 2^-42.")
    w("struct LogRow {")
    w("    double invc;  // about 1/c_i, c_i = 1 + i/256, with at most 9 significant bits")
    w("    double neglog_hi, neglog_mid, neglog_lo;")
    w("};")
    w("")
    w(f"inline constexpr LogRow kLog[{LOG_N + 1}] = {{")
    for invc, hi, mid, lo in rows:
        w(f"    {{{invc.hex()}, {hi.hex()}, {mid.hex()}, {lo.hex()}}},")
    w("};")
    w("")
    w("// 2^(j/128) = hi + lo.")
    w("struct ExpRow {")
    w("    double hi, lo;")
    w("};")
    w("")
    w(f"inline constexpr ExpRow kExp2[{EXP_N}] = {{")
    for hi, lo in exps:
        w(f"    {{{hi.hex()}, {lo.hex()}}},")
    w("};")
    w("")
    w("}  // namespace tessaroll::power_tables")
    print("\n".join(out))


if __name__ == "__main__":
    main()
