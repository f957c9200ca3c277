# Run while the package is installed (Install.cmake): writes the pkg-config
# file for the prefix it is installed into, from DRAXO_PC_TEMPLATE to
# DRAXO_PC_OUTPUT. Under /usr the dynamic linker finds the library by
# itself, so clients get no run path; anywhere else (/usr/local, a home
# folder) they get one, as no ldconfig has seen the library there.
set(DRAXO_INSTALLED_PREFIX "${CMAKE_INSTALL_PREFIX}")
if(DRAXO_INSTALLED_PREFIX MATCHES "^/(usr)?/?$")
  set(DRAXO_RUN_PATH "")
else()
  set(DRAXO_RUN_PATH "-Wl,-rpath,\${libdir} ")
endif()
configure_file("${DRAXO_PC_TEMPLATE}" "${DRAXO_PC_OUTPUT}" @ONLY)
