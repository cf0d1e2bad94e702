# PLONCFG_PACKAGE_VERSION: the version the tools report and the package
# carries. In a git checkout it is the project's version and the commit built,
# its time (UTC) and hash, as in 0.1.0+git20261207133855.1a2b3c4, so that the
# package of a later commit is newer to dpkg and `apt-get install ./...deb`
# upgrades an installed one. Elsewhere (an exported tree) it is the project's
# version alone. A new commit makes the build configure again.
set(PLONCFG_PACKAGE_VERSION ${PROJECT_VERSION})
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 ${GIT_EXECUTABLE} log -1 --format=%cd.%h
            --date=format-local:%Y%m%d%H%M%S
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE _ploncfg_commit OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _ploncfg_git_status ERROR_QUIET)
  execute_process(
    COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE _ploncfg_git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(_ploncfg_git_status EQUAL 0 AND _ploncfg_commit MATCHES "^[0-9]+\\.[0-9a-f]+$")
    set(PLONCFG_PACKAGE_VERSION ${PROJECT_VERSION}+git${_ploncfg_commit})
    if(EXISTS ${_ploncfg_git_dir}/logs/HEAD)
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_ploncfg_git_dir}/logs/HEAD)
    endif()
  endif()
endif()
