// SPDX-License-Identifier: GPL-3.0-or-later
// Guards for the floating-point environment the engine is compiled in.
//
// Every list must come out the same on every machine, so each real operation has to round to
// double exactly once, in the order the code gives. Fast-math reorders and fuses operations and
// FLT_EVAL_METHOD != 0 keeps intermediates in wider registers: either would change lists. On x86
// that means SSE2 arithmetic (-msse2 -mfpmath=sse on 32-bit x86), never the x87 unit.
#pragma once

#include <cfloat>

#if defined(__FAST_MATH__)
#error "The engine must not be built with -ffast-math: it changes the computed password lists."
#endif

#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "The engine needs FLT_EVAL_METHOD == 0 (every double operation rounded to double)."
#endif

#if (defined(__i386__) || defined(__x86_64__)) && !defined(__SSE2_MATH__)
#error "On x86 the engine needs SSE2 arithmetic (-msse2 -mfpmath=sse): x87 registers round twice."
#endif
