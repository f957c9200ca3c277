# Packages of the install tree, made by cpack in the build directory
# (`cpack`, or the `package` target): a Debian package where the target is
# Linux, a ZIP of the install tree where it is Windows.
set(CPACK_PACKAGE_NAME draxo)
set(CPACK_PACKAGE_VENDOR "DRAXO")
set(CPACK_PACKAGE_CONTACT "DRAXO maintainers <updates@draxo.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "graphics package for classroom desktop programs, and a card designer")
set(CPACK_PACKAGE_DESCRIPTION "DRAXO gives a C or C++ program a drawing window with 24 named colours on a
logical plane, a console window, a Run menu that runs, halts and single-steps
animation and records and plays back input, and a blocking wait for the next
mouse click, typed character or periodic tick. The package holds the library,
its header, a CMake package and a pkg-config file, the greeting-card designer
built on it, the reference and example programs.")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME draxo-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # draxo_VERSION_ARCH.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
  # The libraries it links come from dpkg-shlibdeps; Qt's platform plugins
  # are loaded at run time, so they are named here.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, pkg-config")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cmake, gcc | c-compiler")
  # The shared library's shlibs file, and the dynamic linker's cache brought
  # up to date through its trigger (rather than scripts that call ldconfig).
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/shlibs.in ${CMAKE_CURRENT_BINARY_DIR}/debian/shlibs @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/triggers ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers COPYONLY)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/shlibs ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
