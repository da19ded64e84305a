# SPDX-License-Identifier: GPL-3.0-or-later
# The limits, defaults and exit statuses that the manual page and the bash completion name, read
# out of the C++ headers that define them, so that the documents never hold a second copy of a
# number. A constant that is renamed or no longer a plain number stops the configuration.

# out = the value of "inline constexpr <type> <name> = <number>;" in header.
function(tessaroll_read_constant header name out)
  file(STRINGS ${header} lines REGEX "^inline constexpr [a-z0-9_:]+ ${name} = [0-9]+;")
  list(LENGTH lines found)
  if(NOT found EQUAL 1)
    message(FATAL_ERROR
            "${header}: expected one definition \"${name} = <number>;\", found ${found}")
  endif()
  # file(STRINGS) gives a list, in which the line's ";" is escaped: match before it.
  string(REGEX MATCH " ${name} = ([0-9]+)" matched "${lines}")
  set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
endfunction()

# out = the numbers of the code pages, in the order of engine/code_page.h's enum (its lines
# "    Name = <number>,").
function(tessaroll_read_code_pages out)
  set(header ${PROJECT_SOURCE_DIR}/engine/code_page.h)
  file(STRINGS ${header} lines REGEX "^    [A-Za-z]+ = [0-9]+,$")
  set(numbers)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ".* = ([0-9]+),$" "\\1" number "${line}")
    list(APPEND numbers ${number})
  endforeach()
  if(NOT numbers)
    message(FATAL_ERROR "${header}: no code page found in enum class CodePage")
  endif()
  set(${out} ${numbers} PARENT_SCOPE)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
endfunction()

# Sets the TESSAROLL_* variables the templates in packaging/ use.
macro(tessaroll_read_shared_constants)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/session/limits.h kDefaultCount
                          TESSAROLL_DEFAULT_COUNT)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/session/limits.h kDefaultLength
                          TESSAROLL_DEFAULT_LENGTH)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/session/limits.h kMinCount TESSAROLL_MIN_COUNT)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/session/limits.h kMinLength TESSAROLL_MIN_LENGTH)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/session/limits.h kMaxUntilYears
                          TESSAROLL_MAX_UNTIL_YEARS)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/engine/password_list.h kMaxCount
                          TESSAROLL_MAX_COUNT)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/engine/password_list.h kMaxLength
                          TESSAROLL_MAX_LENGTH)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/cli/cli_app.h kExitOk TESSAROLL_EXIT_OK)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/cli/cli_app.h kExitRefused TESSAROLL_EXIT_REFUSED)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/cli/cli_app.h kExitUsage TESSAROLL_EXIT_USAGE)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/cli/check_command.h kDefaultCheckDays
                          TESSAROLL_DEFAULT_CHECK_DAYS)
  tessaroll_read_constant(${PROJECT_SOURCE_DIR}/cli/check_command.h kMaxCheckDays
                          TESSAROLL_MAX_CHECK_DAYS)
  # "0 1 ... 7" for the completion of check --days.
  set(TESSAROLL_CHECK_DAYS)
  foreach(_tessaroll_day RANGE ${TESSAROLL_MAX_CHECK_DAYS})
    string(APPEND TESSAROLL_CHECK_DAYS " ${_tessaroll_day}")
  endforeach()
  string(STRIP "${TESSAROLL_CHECK_DAYS}" TESSAROLL_CHECK_DAYS)
  tessaroll_read_code_pages(_tessaroll_code_pages)
  # "874 1250 ... 1258" for the completion, "874, 1250, ... or 1258" for the manual page.
  string(REPLACE ";" " " TESSAROLL_CODE_PAGES "${_tessaroll_code_pages}")
  list(POP_BACK _tessaroll_code_pages _tessaroll_last_code_page)
  string(REPLACE ";" ", " TESSAROLL_CODE_PAGES_TEXT "${_tessaroll_code_pages}")
  set(TESSAROLL_CODE_PAGES_TEXT "${TESSAROLL_CODE_PAGES_TEXT} or ${_tessaroll_last_code_page}")
endmacro()
