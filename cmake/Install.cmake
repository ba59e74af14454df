# What `cmake --install` puts under the prefix besides the programs: the dialler's desktop entry
# with its icon and the launcher the entry calls, the journal viewer's desktop entry (the handler of
# the journal's file type), the journal's file type itself, the software centre's description and
# the manual pages, in English and in Russian.
install(FILES ${PROJECT_SOURCE_DIR}/assets/zvonmat.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
install(FILES ${PROJECT_SOURCE_DIR}/assets/zvonmat-journal.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/assets/org.example.zvonmat.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/zvonmat.1
  ${PROJECT_SOURCE_DIR}/docs/man/zvonmat-modemsim.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The Russian pages, which `man` picks in a Russian locale.
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/ru/zvonmat.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/ru/man1)

# The launcher and the dialler's desktop entry name each other's absolute paths, which depend on
# the prefix the install goes to (`cmake --install --prefix` may change it after configuring):
# they are written at install time.
configure_file(${CMAKE_CURRENT_LIST_DIR}/InstallLauncher.cmake.in
  ${CMAKE_BINARY_DIR}/InstallLauncher.cmake @ONLY)
install(SCRIPT ${CMAKE_BINARY_DIR}/InstallLauncher.cmake)

# A program's desktop entry and its manual page in English and in Russian (which man shows under
# a Russian locale).
function(zvonmat_install_program_files name)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/${name}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/man/${name}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/man/ru/${name}.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/ru/man1)
endfunction()

# The journal viewer's and the modem window's entries and manual pages go with their programs;
# then the desktop learns of the journal's type and of its handler from the MIME database and the
# desktop entries' cache, rebuilt when the tools exist (the cache's tool only warns, about a prefix
# outside the desktop's search path). A package build (DESTDIR) leaves those to the package
# system. Done once the whole tree is read, so that they come after every other install rule,
# wherever the programs' targets are defined.
function(zvonmat_install_last)
  foreach(program zvonmat-journal zvonmat-modem)
    if(TARGET ${program})
      zvonmat_install_program_files(${program})
    endif()
  endforeach()
  install(CODE "
    if(NOT DEFINED ENV{DESTDIR})
      find_program(UPDATE_MIME_DATABASE update-mime-database)
      if(UPDATE_MIME_DATABASE)
        execute_process(COMMAND \${UPDATE_MIME_DATABASE}
          \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/mime\")
      endif()
      find_program(UPDATE_DESKTOP_DATABASE update-desktop-database)
      if(UPDATE_DESKTOP_DATABASE)
        execute_process(COMMAND \${UPDATE_DESKTOP_DATABASE}
          \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\"
          OUTPUT_QUIET ERROR_QUIET)
      endif()
    endif()
  ")
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL zvonmat_install_last)

# `cmake --build build --target uninstall` removes what the last install put there.
configure_file(${CMAKE_CURRENT_LIST_DIR}/Uninstall.cmake.in
  ${CMAKE_BINARY_DIR}/Uninstall.cmake @ONLY)
add_custom_target(uninstall COMMAND ${CMAKE_COMMAND} -P ${CMAKE_BINARY_DIR}/Uninstall.cmake)
