# Install layout and the Debian package.
#
#   cmake --install build --prefix /tmp/x   lays out sbin/, share/man/man8/, share/doc/
#                                           and the bash completion folder under /tmp/x
#   cpack --config build/CPackConfig.cmake  builds ploncfg-vswitch_<version>_<arch>.deb
#
# Every destination is relative to the install prefix, so a staged install and the
# package (prefix /usr) get the same tree.

include(GNUInstallDirs)

install(TARGETS ploncfg-vswitch ploncfg-host RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR})

# Manual pages go out compressed, as the system's man pages are.
set(_ploncfg_man_pages ploncfg-vswitch.8 ploncfg-host.8)
set(_ploncfg_man_out)
foreach(_page IN LISTS _ploncfg_man_pages)
  set(_gz ${PROJECT_BINARY_DIR}/man/${_page}.gz)
  add_custom_command(
    OUTPUT ${_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/doc/${_page} > ${_gz}
    DEPENDS ${PROJECT_SOURCE_DIR}/doc/${_page}
    COMMENT "Compressing manual page ${_page}"
    VERBATIM)
  list(APPEND _ploncfg_man_out ${_gz})
endforeach()
add_custom_target(ploncfg_man_pages ALL DEPENDS ${_ploncfg_man_out})
install(FILES ${_ploncfg_man_out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)

# bash-completion loads a completion on first use from a file named after the
# command, so the one script goes in under both names. The folder is the one
# bash-completion announces, made relative to bash-completion's own prefix.
set(PLONCFG_BASH_COMPLETION_DIR "" CACHE STRING
    "bash completion folder, relative to the install prefix (empty: ask pkg-config)")
if(NOT PLONCFG_BASH_COMPLETION_DIR)
  set(PLONCFG_BASH_COMPLETION_DIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_get_variable(_bc_dir bash-completion completionsdir)
    pkg_get_variable(_bc_prefix bash-completion prefix)
    if(_bc_dir AND _bc_prefix AND _bc_dir MATCHES "^${_bc_prefix}/(.+)$")
      set(PLONCFG_BASH_COMPLETION_DIR ${CMAKE_MATCH_1})
    endif()
  endif()
endif()
foreach(_tool ploncfg-vswitch ploncfg-host)
  install(FILES ${PROJECT_BINARY_DIR}/completion/ploncfg.bash
          DESTINATION ${PLONCFG_BASH_COMPLETION_DIR} RENAME ${_tool})
endforeach()

# What Debian wants beside every package: the copyright file and the changelog
# (compressed, as large documents are); the README, which the manual pages
# cite; the example host that `ploncfg-host load` takes, and an example
# /etc/quenta/hostnet.conf with every key commented out.
set(PLONCFG_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/ploncfg-vswitch)
set(_ploncfg_docs_gz)
foreach(_doc packaging/changelog README.md)
  get_filename_component(_name ${_doc} NAME)
  set(_gz ${PROJECT_BINARY_DIR}/packaging/${_name}.gz)
  add_custom_command(
    OUTPUT ${_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/${_doc} > ${_gz}
    DEPENDS ${PROJECT_SOURCE_DIR}/${_doc}
    COMMENT "Compressing ${_name}"
    VERBATIM)
  list(APPEND _ploncfg_docs_gz ${_gz})
endforeach()
add_custom_target(ploncfg_docs ALL DEPENDS ${_ploncfg_docs_gz})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${_ploncfg_docs_gz}
        DESTINATION ${PLONCFG_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/doc/host-example.json ${PROJECT_SOURCE_DIR}/doc/hostnet.conf
        DESTINATION ${PLONCFG_DOC_DIR}/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ploncfg-vswitch)
set(CPACK_PACKAGE_VERSION ${PLONCFG_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "ploncfg-vswitch team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure the virtual switches of a hypervisor host")
set(CPACK_PACKAGE_DESCRIPTION
    "ploncfg-vswitch adds, deletes, checks and lists the virtual switches of a hypervisor\n\
host, with their port groups, VLAN IDs, uplinks, DVPorts, ENS state and timeouts.\n\
The host is Open vSwitch, through its database, or a simulated host kept in an\n\
SQLite database; either can keep its DVSwitches in OVN's northbound database,\n\
shared by the hosts pointed at it. ploncfg-host inspects, seeds, backs up and\n\
draws whichever host is chosen.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ploncfg-vswitch team <ploncfg-vswitch@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps works out the runtime libraries the binaries name (the C
# library) from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# OpenSSL is loaded only by runs with an ssl: remote and SQLite only by runs
# on the simulated host, so the binaries do not name them and
# dpkg-shlibdeps cannot see them; cpack adds what it finds to these.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsqlite3-0 (>= 3.37), libssl3")
# Open vSwitch and OVN's northbound database are hosts the tools drive, not
# libraries they link; the simulated host needs neither.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion, graphviz, openvswitch-switch, ovn-central")
# postrm removes the host database the tools created, on purge only.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
