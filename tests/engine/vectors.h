// SPDX-License-Identifier: GPL-3.0-or-later
// The reference vectors of tests/data/engine.jsonl, computed independently with a correctly
// rounded power function and Windows' own character conversion. They are read by the parser the
// built-in self-test uses, so that the tests and the shipped self-test read them alike.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/self_test.h"

namespace tessaroll::testing {

using Vector = cli::ReferenceVector;

// The text of tests/data/engine.jsonl.
inline std::string vector_file_text() {
    std::ifstream in(std::string(TESSAROLL_TEST_DATA) + "/engine.jsonl", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<Vector> load_vectors() {
    return cli::parse_reference_vectors(vector_file_text());
}

}  // namespace tessaroll::testing
