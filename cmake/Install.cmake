# What `cmake --install` puts under the prefix besides the programs: the desktop entry and its
# icon, and the journal's file type (so a *.jur file opens in the desktop's text editor).
install(FILES ${PROJECT_SOURCE_DIR}/assets/zvonmat.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/assets/zvonmat.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
install(FILES ${PROJECT_SOURCE_DIR}/assets/zvonmat-journal.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# The desktop learns of the new type from the MIME database, rebuilt here when the tool exists.
install(CODE "
  find_program(UPDATE_MIME_DATABASE update-mime-database)
  if(UPDATE_MIME_DATABASE AND NOT DEFINED ENV{DESTDIR})
    execute_process(COMMAND \${UPDATE_MIME_DATABASE}
      \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/mime\")
  endif()
")

# `cmake --build build --target uninstall` removes what the last install put there.
configure_file(${CMAKE_CURRENT_LIST_DIR}/Uninstall.cmake.in
  ${CMAKE_BINARY_DIR}/Uninstall.cmake @ONLY)
add_custom_target(uninstall COMMAND ${CMAKE_COMMAND} -P ${CMAKE_BINARY_DIR}/Uninstall.cmake)
