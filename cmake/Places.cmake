# Where qarvex keeps its permission list, its log and its debug files
# (app/Places.cpp). A build for installing (QARVEX_INSTALL_LAYOUT, set by
# `make install` and the Debian package) keeps them where a Unix daemon does:
# configuration under sysconfdir, the log and the state under localstatedir,
# away from the read-only program. Without it they stay in the folder of the
# executable, which the integration tests rely on.
include(GNUInstallDirs)
option(QARVEX_INSTALL_LAYOUT "Keep the permission list, log and debug files in the install's own folders" OFF)
set(QARVEX_CONFIG_DIR "" CACHE PATH "Folder of OkFile.Txt (empty: the layout's)")
set(QARVEX_LOG_DIR "" CACHE PATH "Folder of QARVEX.Log (empty: the layout's)")
set(QARVEX_STATE_DIR "" CACHE PATH "Folder of the debug files (empty: the layout's)")
# A folder left empty follows the layout and the prefix of this configure run;
# the plain variables shadow the cache's.
if(QARVEX_INSTALL_LAYOUT)
  if(NOT QARVEX_CONFIG_DIR)
    set(QARVEX_CONFIG_DIR "${CMAKE_INSTALL_FULL_SYSCONFDIR}/qarvex")
  endif()
  if(NOT QARVEX_LOG_DIR)
    set(QARVEX_LOG_DIR "${CMAKE_INSTALL_FULL_LOCALSTATEDIR}/log/qarvex")
  endif()
  if(NOT QARVEX_STATE_DIR)
    set(QARVEX_STATE_DIR "${CMAKE_INSTALL_FULL_LOCALSTATEDIR}/lib/qarvex")
  endif()
endif()

# The folders as compile definitions of the one module that names them.
function(qarvex_places_definitions target config_dir log_dir state_dir)
  set_property(TARGET ${target} APPEND PROPERTY COMPILE_DEFINITIONS
    QARVEX_CONFIG_DIR="${config_dir}" QARVEX_LOG_DIR="${log_dir}" QARVEX_STATE_DIR="${state_dir}")
endfunction()

# A copy of qarvex with folders of its own, for the tests: its own Places.cpp
# comes before the library's, which the link then leaves out.
function(qarvex_program_with_places target config_dir log_dir state_dir)
  add_executable(${target} ${CMAKE_SOURCE_DIR}/app/main.cpp ${CMAKE_SOURCE_DIR}/app/Places.cpp)
  target_link_libraries(${target} PRIVATE qarvexapp)
  target_compile_definitions(${target} PRIVATE QARVEX_VERSION="${PROJECT_VERSION}")
  qarvex_places_definitions(${target} "${config_dir}" "${log_dir}" "${state_dir}")
endfunction()
