// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows API, without the macros that would clash with the standard library (min, max).
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
