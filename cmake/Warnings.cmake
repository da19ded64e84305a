# SPDX-License-Identifier: GPL-3.0-or-later
# Warnings for every target of the project, and the sanitizer build.
add_library(tessaroll_warnings INTERFACE)
target_compile_options(tessaroll_warnings INTERFACE -Wall -Wextra -Wshadow -Wold-style-cast)
if(TESSAROLL_WERROR)
  target_compile_options(tessaroll_warnings INTERFACE -Werror)
endif()

if(TESSAROLL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Floating-point rules of the engine: every double operation rounded once, in source order.
add_library(tessaroll_strict_fp INTERFACE)
target_compile_options(tessaroll_strict_fp INTERFACE -ffp-contract=off -fno-fast-math)
