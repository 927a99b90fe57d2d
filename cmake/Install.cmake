# What `make install` and `cmake --install` put on a system. The programs and
# their folders are root's and read-only to everyone else: the mailer's user
# runs qarvex but may never change what root runs too. The permission list,
# the log and the debug files live in the folders of cmake/Places.cmake; the
# mailer's user may write only the log and state folders, and binkd's service
# gets a drop-in that opens exactly those two to it.
option(QARVEX_INSTALL_STRIP "Strip the installed programs" ON)
set(QARVEX_MAILER_USER "ftn" CACHE STRING "The user the mailer runs as; writes the log and debug files")
set(QARVEX_SYSTEMD_DROPIN_DIR "/etc/systemd/system/binkd.service.d" CACHE PATH
    "Where the drop-in for binkd.service goes")
set(QARVEX_LOGROTATE_DIR "/etc/logrotate.d" CACHE PATH "Where the log rotation rule goes")

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
# A umask of root's that leaves folders writable by others must not reach the
# program folder.
set(QARVEX_FOLDER_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
install(DIRECTORY DESTINATION lib/qarvex DIRECTORY_PERMISSIONS ${QARVEX_FOLDER_PERMISSIONS} COMPONENT program)
install(TARGETS ${QARVEX_FOLDER_PROGRAMS} DESTINATION lib/qarvex COMPONENT program)
install(TARGETS ${QARVEX_BIN_PROGRAMS} DESTINATION bin COMPONENT program)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bin-links)
foreach(program ${QARVEX_FOLDER_PROGRAMS})
  file(CREATE_LINK ../lib/qarvex/${program} ${CMAKE_BINARY_DIR}/bin-links/${program} SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/bin-links/${program} DESTINATION bin COMPONENT program)
endforeach()
install(FILES ${QARVEX_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
install(FILES man/OkFile.Txt.5 man/qarvex.conf.5 DESTINATION ${CMAKE_INSTALL_MANDIR}/man5 COMPONENT program)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT program)
install(FILES examples/OkFile.Txt DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT program)
install(FILES examples/qarvex.conf DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT program)

# The rest needs the installed layout's folders: a build that keeps its files
# beside the executable installs its programs only.
if(QARVEX_CONFIG_DIR AND QARVEX_LOG_DIR AND QARVEX_STATE_DIR)
  # The service's and the log's files: a component of their own, their places
  # are absolute, outside the prefix.
  configure_file(packaging/binkd-qarvex.conf.in ${CMAKE_BINARY_DIR}/qarvex.conf @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/qarvex.conf DESTINATION ${QARVEX_SYSTEMD_DROPIN_DIR} COMPONENT service)
  configure_file(packaging/logrotate.in ${CMAKE_BINARY_DIR}/logrotate/qarvex @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/logrotate/qarvex DESTINATION ${QARVEX_LOGROTATE_DIR} COMPONENT service)

  # An installed permission list is the sysop's: an example takes its place
  # only where none is, and stays out of the install manifest, so that
  # `make uninstall` keeps it as `apt remove` keeps a conffile.
  install(CODE "
    set(config_folder \"\$ENV{DESTDIR}${QARVEX_CONFIG_DIR}\")
    file(MAKE_DIRECTORY \"\${config_folder}\")
    if(NOT EXISTS \"\${config_folder}/OkFile.Txt\")
      file(COPY \"${CMAKE_SOURCE_DIR}/examples/OkFile.Txt\" DESTINATION \"\${config_folder}\"
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ)
    endif()" COMPONENT config)
  install(DIRECTORY DESTINATION ${QARVEX_LOG_DIR} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE COMPONENT config)
  install(DIRECTORY DESTINATION ${QARVEX_STATE_DIR} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE COMPONENT config)
  # On a real install (no DESTDIR) the mailer's user writes the log and state
  # folders and its group reads the permission list, when that user exists.
  install(CODE "
    if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
      execute_process(COMMAND id -u ${QARVEX_MAILER_USER} RESULT_VARIABLE no_user OUTPUT_QUIET ERROR_QUIET)
      if(no_user EQUAL 0)
        execute_process(COMMAND chown ${QARVEX_MAILER_USER}: \"${QARVEX_LOG_DIR}\" \"${QARVEX_STATE_DIR}\")
        execute_process(COMMAND chgrp ${QARVEX_MAILER_USER} \"${QARVEX_CONFIG_DIR}/OkFile.Txt\")
        message(STATUS \"${QARVEX_LOG_DIR} and ${QARVEX_STATE_DIR} owned by ${QARVEX_MAILER_USER}\")
      else()
        message(WARNING \"No user ${QARVEX_MAILER_USER}: give ${QARVEX_LOG_DIR} and ${QARVEX_STATE_DIR} \"
          \"to the user your mailer runs as (chown USER: ...) and OkFile.Txt to its group (chgrp USER ...)\")
      endif()
    endif()" COMPONENT config)
endif()
