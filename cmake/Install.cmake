# What `make install` and `cmake --install` put on a system. qarvex keeps
# OkFile.Txt, its log and its debug files in the folder of its own executable,
# so the program gets a folder of its own, writable by the mailer's user, with a
# link in bin/; binkd's service gets a drop-in that lets it write there.
option(QARVEX_INSTALL_STRIP "Strip the installed programs" ON)
set(QARVEX_MAILER_USER "ftn" CACHE STRING "The user the mailer runs as; owns the program folder")
set(QARVEX_SYSTEMD_DROPIN_DIR "/etc/systemd/system/binkd.service.d" CACHE PATH
    "Where the drop-in for binkd.service goes")

set(QARVEX_PROGRAM_DIR "${CMAKE_INSTALL_PREFIX}/lib/qarvex")
# Programs that live in the program folder, each with a link in bin/.
set(QARVEX_FOLDER_PROGRAMS qarvex)
# Programs that live in bin/ directly.
set(QARVEX_BIN_PROGRAMS pktdump imagehost)
set(QARVEX_MAN_PAGES man/qarvex.1 man/pktdump.1 man/imagehost.1)
# Builds just what gets installed (`make install`, the package without tests).
add_custom_target(installed-programs DEPENDS ${QARVEX_FOLDER_PROGRAMS} ${QARVEX_BIN_PROGRAMS})

if(QARVEX_INSTALL_STRIP)
  install(CODE "set(CMAKE_INSTALL_DO_STRIP TRUE)" COMPONENT program)
endif()
install(TARGETS ${QARVEX_FOLDER_PROGRAMS} DESTINATION lib/qarvex COMPONENT program)
install(TARGETS ${QARVEX_BIN_PROGRAMS} DESTINATION bin COMPONENT program)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bin-links)
foreach(program ${QARVEX_FOLDER_PROGRAMS})
  file(CREATE_LINK ../lib/qarvex/${program} ${CMAKE_BINARY_DIR}/bin-links/${program} SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/bin-links/${program} DESTINATION bin COMPONENT program)
endforeach()
install(FILES ${QARVEX_MAN_PAGES} DESTINATION share/man/man1 COMPONENT program)
configure_file(packaging/binkd-qarvex.conf.in ${CMAKE_BINARY_DIR}/qarvex.conf @ONLY)
# A component of its own: its place is absolute, outside the prefix.
install(FILES ${CMAKE_BINARY_DIR}/qarvex.conf DESTINATION ${QARVEX_SYSTEMD_DROPIN_DIR} COMPONENT service)

# The mailer's user writes the log and the debug files; only on a real install
# (no DESTDIR) and only when that user exists.
install(CODE "
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    execute_process(COMMAND id -u ${QARVEX_MAILER_USER} RESULT_VARIABLE no_user OUTPUT_QUIET ERROR_QUIET)
    if(no_user EQUAL 0)
      execute_process(COMMAND chown ${QARVEX_MAILER_USER}: \"\${CMAKE_INSTALL_PREFIX}/lib/qarvex\")
      message(STATUS \"Program folder \${CMAKE_INSTALL_PREFIX}/lib/qarvex owned by ${QARVEX_MAILER_USER}\")
    endif()
  endif()" COMPONENT program)
