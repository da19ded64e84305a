# SPDX-License-Identifier: GPL-3.0-or-later
# Third-party libraries, all from the system's packages (scripts/install-deps.sh installs them).
find_package(PkgConfig REQUIRED)
pkg_check_modules(MPFR REQUIRED IMPORTED_TARGET mpfr)
find_library(GMP_LIBRARY NAMES gmp REQUIRED)
# SHA-256 for the fingerprint of the personal password.
pkg_check_modules(NETTLE REQUIRED IMPORTED_TARGET nettle)

find_package(CLI11 CONFIG QUIET)
if(NOT TARGET CLI11::CLI11)
  find_path(CLI11_INCLUDE_DIR CLI/CLI.hpp REQUIRED)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  target_include_directories(CLI11::CLI11 INTERFACE ${CLI11_INCLUDE_DIR})
endif()

# nlohmann-json reads the reference vectors of the self-test and of the tests. A cross build
# finds only the header, through NLOHMANN_JSON_INCLUDE_DIR (scripts/test-windows.sh sets it).
find_package(nlohmann_json 3 CONFIG QUIET)
if(NOT TARGET nlohmann_json::nlohmann_json)
  find_path(NLOHMANN_JSON_INCLUDE_DIR nlohmann/json.hpp REQUIRED)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json INTERFACE ${NLOHMANN_JSON_INCLUDE_DIR})
endif()

if(TESSAROLL_BUILD_TESTS AND NOT TESSAROLL_WINDOW_TESTS_ONLY)
  find_package(GTest REQUIRED)
endif()
if(TESSAROLL_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
if(TESSAROLL_BUILD_UI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport)
  if(TESSAROLL_BUILD_TESTS)
    find_package(Qt6 REQUIRED COMPONENTS Test)
  endif()
endif()
