// Guards for the floating-point environment the engine is compiled in.
//
// Every list must come out the same on every machine, so each real operation has to round to
// double exactly once, in the order the code gives. Fast-math reorders and fuses operations and
// FLT_EVAL_METHOD != 0 keeps intermediates in wider registers: either would change lists.
#pragma once

#include <cfloat>

#if defined(__FAST_MATH__)
#error "The engine must not be built with -ffast-math: it changes the computed password lists."
#endif

#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "The engine needs FLT_EVAL_METHOD == 0 (every double operation rounded to double)."
#endif
