# Installs the header, the library and its companion, a CMake package
# (find_package(Draxo), target Draxo::draxo) and a pkg-config file (draxo).
include(CMakePackageConfigHelpers)

set(DRAXO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Draxo)

# On Windows the library is a DLL in bin/ with its import library in lib/,
# and there is no companion: the C runtime calls the client's WinMain.
set(DRAXO_INSTALLED_LIBRARIES draxo)
if(NOT WIN32)
  list(APPEND DRAXO_INSTALLED_LIBRARIES draxo_main)
endif()
install(TARGETS ${DRAXO_INSTALLED_LIBRARIES} EXPORT DraxoTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT DraxoTargets NAMESPACE Draxo:: DESTINATION ${DRAXO_CMAKE_DIR})

configure_package_config_file(cmake/DraxoConfig.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/DraxoConfig.cmake
  INSTALL_DESTINATION ${DRAXO_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/DraxoConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/DraxoConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/DraxoConfigVersion.cmake
  DESTINATION ${DRAXO_CMAKE_DIR})

# The pkg-config file, written when the package is installed, for the prefix
# it is installed into: plain paths. A system install (under /usr) needs no
# run path, and a client built there gets none; installed elsewhere, clients
# find the library through one. On Windows the file finds the prefix from its
# own place, so that the unpacked ZIP may lie anywhere, and names the import
# library itself, so that clients may link the compiler's runtime statically
# (-static). The web build's file is placed the same way and carries its
# link options.
if(WIN32)
  file(RELATIVE_PATH DRAXO_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  set(DRAXO_PC_PREFIX "\${pcfiledir}/${DRAXO_PC_TO_PREFIX}")
  set(DRAXO_PC_LIBS "-L\${libdir} -l:libdraxo.dll.a")
  configure_file(cmake/draxo.pc.in ${CMAKE_CURRENT_BINARY_DIR}/draxo.pc @ONLY)
elseif(WASI)
  # A program for wasm32-wasip1 takes the link options of every client
  # program (see cmake/Wasi.cmake); the installed tree may be moved.
  file(RELATIVE_PATH DRAXO_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  set(DRAXO_PC_PREFIX "\${pcfiledir}/${DRAXO_PC_TO_PREFIX}")
  set(DRAXO_PC_LIBS "-L\${libdir} -ldraxo_main -ldraxo ${DRAXO_WASI_PROGRAM_LINK_OPTIONS}")
  configure_file(cmake/draxo.pc.in ${CMAKE_CURRENT_BINARY_DIR}/draxo.pc @ONLY)
else()
  set(DRAXO_PC_PREFIX "@DRAXO_INSTALLED_PREFIX@")
  set(DRAXO_PC_LIBS "@DRAXO_RUN_PATH@-L\${libdir} -ldraxo_main -ldraxo")
  configure_file(cmake/draxo.pc.in ${CMAKE_CURRENT_BINARY_DIR}/draxo.pc.in @ONLY)
  install(CODE "set(DRAXO_PC_TEMPLATE \"${CMAKE_CURRENT_BINARY_DIR}/draxo.pc.in\")
    set(DRAXO_PC_OUTPUT \"${CMAKE_CURRENT_BINARY_DIR}/draxo.pc\")
    include(\"${PROJECT_SOURCE_DIR}/cmake/WritePkgConfig.cmake\")")
endif()
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/draxo.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
