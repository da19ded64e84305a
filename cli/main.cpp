// SPDX-License-Identifier: GPL-3.0-or-later
#include <clocale>

#include "cli/cli_app.h"

int main(int argc, char** argv) {
    // The user's locale for the time stamp of output.txt; numbers are read locale-free.
    std::setlocale(LC_ALL, "");
    return tessaroll::cli::run(argc, argv);
}
