#pragma once

#include <ostream>

namespace tessaroll::cli {

// Computes every built-in vector and reports how many agree; true when all do.
bool run_self_test(std::ostream& out, std::ostream& err);

}  // namespace tessaroll::cli
