# Printing and the help window: Qt Print Support for the default printer, Qt Network for the
# web pages of the help window, and the help pages, which sit in the program's folder.
find_package(Qt6 REQUIRED COMPONENTS PrintSupport Network)
target_link_libraries(tessaroll_ui PUBLIC Qt6::PrintSupport Qt6::Network)
# On Linux Qt prints through CUPS without passing on the spooler's answer; printing asks the
# CUPS library itself whether the queue takes jobs and whether it took this one.
if(UNIX AND NOT APPLE)
  find_package(Cups REQUIRED)
  target_link_libraries(tessaroll_ui PRIVATE Cups::Cups)
  target_compile_definitions(tessaroll_ui PRIVATE TESSAROLL_HAVE_CUPS=1)
endif()

include(GNUInstallDirs)
file(GLOB tessaroll_help_pages CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/help/*.htm)
foreach(page ${tessaroll_help_pages})
  get_filename_component(page_name ${page} NAME)
  configure_file(${page} ${CMAKE_CURRENT_BINARY_DIR}/${page_name} COPYONLY)
endforeach()
install(FILES ${tessaroll_help_pages} DESTINATION ${CMAKE_INSTALL_BINDIR})
# The pages only work next to the program, so the program is installed into the same folder.
# The executable is defined after this file is read, hence the deferred call.
function(tessaroll_install_program)
  if(TARGET tessaroll)
    install(TARGETS tessaroll RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endfunction()
cmake_language(DEFER CALL tessaroll_install_program)
