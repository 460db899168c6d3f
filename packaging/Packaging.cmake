# Debian packages of everything `cmake --install` puts in place:
#   cmake --build build-pkg --target signseek signseek-find signseek-sim
#   cd build-pkg && cpack -G DEB
# Three packages, one per install component: signseek-find (component
# "find": the command-line search without Qt, its man page, output schema and
# shell completion, and the shared settings folder /var/lib/Marvane, which its
# post-install script keeps shared and safe for every user), signseek (component
# "signseek", the default: the desktop program, depending on signseek-find for
# the settings folder) and signseek-sim (component "sim"). All install below
# /usr.

# The desktop program with its menu entry, icon and AppStream metainfo
# (signseek-find and signseek-sim install from their own folders).
if(TARGET signseek)
  install(TARGETS signseek RUNTIME DESTINATION bin)
  install(FILES ${PROJECT_SOURCE_DIR}/res/signseek.desktop DESTINATION share/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/res/signseek.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/res/invalid.marvane.signseek.metainfo.xml DESTINATION share/metainfo)
endif()

# What signseek-find's users and scripts read beside the program: the JSON
# Schema of its output and its bash and zsh completion.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/schema/signseek-find.schema.json DESTINATION share/signseek-find
        COMPONENT find)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/completion/signseek-find.bash DESTINATION share/bash-completion/completions
        RENAME signseek-find COMPONENT find)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/completion/_signseek-find DESTINATION share/zsh/vendor-completions
        COMPONENT find)

# Man pages (with the project's version filled in; gzip -n keeps the packages
# reproducible), copyright and changelog of each package.
set(signseek_man_pages signseek signseek-find signseek-sim)
set(signseek_man_files)
foreach(page ${signseek_man_pages})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/man/${page}.1 ${PROJECT_BINARY_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.1.gz
                     COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/man/${page}.1 > ${PROJECT_BINARY_DIR}/man/${page}.1.gz
                     DEPENDS ${PROJECT_BINARY_DIR}/man/${page}.1 VERBATIM)
  list(APPEND signseek_man_files ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/changelog.gz
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
                   COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/changelog > ${PROJECT_BINARY_DIR}/man/changelog.gz
                   DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog VERBATIM)
add_custom_target(signseek_docs ALL DEPENDS ${signseek_man_files} ${PROJECT_BINARY_DIR}/man/changelog.gz)

if(TARGET signseek)
  install(FILES ${PROJECT_BINARY_DIR}/man/signseek.1.gz DESTINATION share/man/man1)
endif()
install(FILES ${PROJECT_BINARY_DIR}/man/signseek-find.1.gz DESTINATION share/man/man1 COMPONENT find)
install(FILES ${PROJECT_BINARY_DIR}/man/signseek-sim.1.gz DESTINATION share/man/man1 COMPONENT sim)
# The watch as a service, one instance per adapter; installed, never enabled.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/systemd/signseek-watch@.service DESTINATION lib/systemd/system COMPONENT find)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/systemd/signseek-watch.default DESTINATION /etc/default
        RENAME signseek-watch PERMISSIONS OWNER_READ OWNER_WRITE COMPONENT find)
# Each package's lintian overrides, each with its reason.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/signseek-find.lintian-overrides
        DESTINATION share/lintian/overrides RENAME signseek-find COMPONENT find)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/signseek-sim.lintian-overrides
        DESTINATION share/lintian/overrides RENAME signseek-sim COMPONENT sim)
if(TARGET signseek)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/signseek.lintian-overrides
          DESTINATION share/lintian/overrides RENAME signseek)
endif()
foreach(component signseek find sim)
  set(package signseek-${component})
  if(component STREQUAL signseek)
    set(package signseek)
  endif()
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${PROJECT_BINARY_DIR}/man/changelog.gz
          DESTINATION share/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_PACKAGE_NAME signseek)
set(CPACK_PACKAGE_VENDOR "Marvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPackDeb would put it first in every
# package's description; each package's first line below is its synopsis.
set(signseek_summary "Find networked display equipment with WS-Discovery")
set(CPACK_PACKAGE_DESCRIPTION
  "Signseek finds a maker's networked display equipment (media players, video
processors, display controllers, bridges) on the local network with
WS-Discovery and lists every device with its name, dimensions, DHCP name and
address. This package holds the desktop program (signseek); the command-line
search comes in the package signseek-find, the device simulator in
signseek-sim.")
set(CPACK_PACKAGE_CONTACT "Signseek maintainers <signseek@marvane.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/out/")

set(CPACK_DEB_COMPONENT_INSTALL ON)
if(TARGET signseek)
  set(CPACK_COMPONENTS_ALL signseek find sim)
else()
  set(CPACK_COMPONENTS_ALL find sim)
endif()
set(CPACK_DEBIAN_SIGNSEEK_PACKAGE_NAME signseek)
set(CPACK_DEBIAN_FIND_PACKAGE_NAME signseek-find)
set(CPACK_DEBIAN_SIM_PACKAGE_NAME signseek-sim)
set(CPACK_DEBIAN_FIND_DESCRIPTION
  "Find networked display equipment from the command line
signseek-find searches the local network for a maker's networked display
equipment (media players, video processors, display controllers, bridges)
with WS-Discovery and lists every device as a table, CSV, JSON or NDJSON; it
can keep watching and report devices as they come and go. It needs no
graphical toolkit, so it suits headless site agents. The desktop program is
in the package signseek.")
set(CPACK_DEBIAN_SIGNSEEK_DESCRIPTION
  "${signseek_summary}
${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_SIM_DESCRIPTION
  "Simulated WS-Discovery display devices for Signseek
signseek-sim answers Signseek's WS-Discovery probes as a set of simulated
media players, video processors, display controllers and bridges, for tests,
demonstrations and load. Run it only in a private network namespace.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://marvane.invalid/signseek")
# Library dependencies come from the binaries themselves (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop program loads Qt's X11 / Wayland platform plugins at run time,
# which dpkg-shlibdeps cannot see.
# Its settings folder comes with signseek-find.
if(TARGET signseek)
  set(CPACK_DEBIAN_SIGNSEEK_PACKAGE_DEPENDS "qt6-qpa-plugins, signseek-find (= ${PROJECT_VERSION})")
endif()
# Device pages open in the desktop's browser through xdg-open.
set(CPACK_DEBIAN_SIGNSEEK_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_FIND_PACKAGE_SUGGESTS "jq, bash-completion")
set(CPACK_DEBIAN_FIND_PACKAGE_CONTROL_EXTRA
  "${CMAKE_CURRENT_LIST_DIR}/postinst;${CMAKE_CURRENT_LIST_DIR}/postrm;${CMAKE_CURRENT_LIST_DIR}/conffiles")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)

if(SIGNSEEK_TESTS)
  if(TARGET signseek)
    set(signseek_package_parts gui)
  endif()
  add_test(NAME package.install_layout
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-package.sh ${PROJECT_BINARY_DIR} install ${signseek_package_parts})
  add_test(NAME package.debian_package
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-package.sh ${PROJECT_BINARY_DIR} deb ${signseek_package_parts})
  set_tests_properties(package.install_layout package.debian_package PROPERTIES TIMEOUT 300)
  # Only a hardened build is what a package ships; a sanitizer or fuzz build's
  # programs lack those flags by design, so lintian's infos about them say nothing.
  if(SIGNSEEK_HARDENING)
    set(signseek_lintian_fail_on error,warning,info)
  else()
    set(signseek_lintian_fail_on error,warning)
  endif()
  set_tests_properties(package.debian_package PROPERTIES ENVIRONMENT SIGNSEEK_LINTIAN_FAIL_ON=${signseek_lintian_fail_on})
endif()
