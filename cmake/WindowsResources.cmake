# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows resources of the programs: the icon (made here from the PNG pictures of
# packaging/icons by scripts/make_ico.py) and the version information, from project()'s version,
# compiled by windres from packaging/windows/program.rc.in. ui/ and cli/ include this file on
# Windows and call tessaroll_windows_resources() for their program.
enable_language(RC)
include_guard(GLOBAL)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(TESSAROLL_ICO ${PROJECT_BINARY_DIR}/generated/tessaroll.ico)
set(tessaroll_ico_pictures)
foreach(size 16 24 32 48 256)
  list(APPEND tessaroll_ico_pictures ${PROJECT_SOURCE_DIR}/packaging/icons/${size}/tessaroll.png)
endforeach()
# Made while configuring, so that both folders' programs find it; a changed picture or script
# configures again.
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${tessaroll_ico_pictures} ${PROJECT_SOURCE_DIR}/scripts/make_ico.py)
execute_process(
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/make_ico.py ${TESSAROLL_ICO}
          ${tessaroll_ico_pictures}
  RESULT_VARIABLE tessaroll_ico_result)
if(NOT tessaroll_ico_result EQUAL 0)
  message(FATAL_ERROR "scripts/make_ico.py could not make ${TESSAROLL_ICO}")
endif()

# Gives target (an executable) the icon and version information; description is the text
# Explorer shows as the file's description.
function(tessaroll_windows_resources target description)
  set(TESSAROLL_RC_TARGET ${target})
  set(TESSAROLL_RC_FILE_NAME ${target}.exe)
  set(TESSAROLL_RC_DESCRIPTION "${description}")
  # From the path, not the variable above, which only the first including folder sees.
  set(TESSAROLL_RC_ICON ${PROJECT_BINARY_DIR}/generated/tessaroll.ico)
  set(TESSAROLL_RC_COMPANY "The Tessaroll developers")
  set(TESSAROLL_RC_COPYRIGHT "The Tessaroll developers. Licence: GPL-3.0-or-later.")
  set(TESSAROLL_RC_VERSION_COMMAS
      "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${TESSAROLL_RC_ICON})
endfunction()
