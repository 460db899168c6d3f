# Debian package of everything `cmake --install` puts in place:
#   cmake --build build-pkg --target signseek signseek-find signseek-sim
#   cd build-pkg && cpack -G DEB
# The package installs below /usr; /var/lib/Marvane is shipped in it and the
# post-install script makes sure it stays writable for every user.

# The desktop program with its menu entry and icon (signseek-find and
# signseek-sim install from their own folders).
if(TARGET signseek)
  install(TARGETS signseek RUNTIME DESTINATION bin)
  install(FILES ${PROJECT_SOURCE_DIR}/res/signseek.desktop DESTINATION share/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/res/signseek.svg DESTINATION share/icons/hicolor/scalable/apps)
endif()

set(CPACK_PACKAGE_NAME signseek)
set(CPACK_PACKAGE_VENDOR "Marvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Find networked display equipment with WS-Discovery")
set(CPACK_PACKAGE_DESCRIPTION
  "Signseek finds a maker's networked display equipment (media players, video
processors, display controllers, bridges) on the local network with
WS-Discovery and lists every device with its name, dimensions, DHCP name and
address. It holds the desktop program (signseek), the command-line search
(signseek-find) and a device simulator for demos (signseek-sim).")
set(CPACK_PACKAGE_CONTACT "Signseek maintainers <signseek@marvane.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/out/")

set(CPACK_DEBIAN_PACKAGE_NAME signseek)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://marvane.invalid/signseek")
# Library dependencies come from the binaries themselves (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop program loads Qt's X11 / Wayland platform plugins at run time,
# which dpkg-shlibdeps cannot see.
if(TARGET signseek)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  "${CMAKE_CURRENT_LIST_DIR}/postinst;${CMAKE_CURRENT_LIST_DIR}/postrm")
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
endif()
