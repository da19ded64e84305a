// SPDX-License-Identifier: GPL-3.0-or-later
// engine/atomic_file.cpp once more, its system calls routed through the mock. Linked into a test
// program, its functions stand in for the engine library's, whose copy is then never linked.
#include "tests/support/file_calls_mock.h"

#define TESSAROLL_FILE_CALL(name) ::tessaroll::file_calls_mock::routed::name

#include "engine/atomic_file.cpp"
