# Printing through a real print spooler: the script starts its own CUPS scheduler (as root),
# and the program presses Generate and Print in the main window against it.
add_executable(print_spooler_main print_spooler_main.cpp)
target_link_libraries(print_spooler_main PRIVATE tessaroll_ui Qt6::Test tessaroll_warnings)
add_test(NAME print_spooler_test
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/print_spooler_test.sh $<TARGET_FILE:print_spooler_main>)
set_tests_properties(print_spooler_test PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 240)

# The help test opens the pages the build puts next to the window program.
if(TARGET help_test AND TARGET tessaroll)
  target_compile_definitions(help_test PRIVATE TESSAROLL_PROGRAM_DIR="$<TARGET_FILE_DIR:tessaroll>")
endif()
