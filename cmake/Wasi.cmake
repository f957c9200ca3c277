# The build for wasm32-wasip1 (cmake/wasi-toolchain.cmake), included by
# Web.cmake: the package for the browser's own runtime
# (package/window_system/web/runtime/), compiled by the same clang that
# compiles a student's program in the browser. Its web backend calls the
# runtime through imports of the module "draxo"; the tests of the null
# backend run under node's WASI.

# Every client program is compiled and linked with the flags of one file,
# which the playground and the build both read. The build's programs (the
# examples, the tests) take its link options; the package's library itself
# is the target draxo here, and the export of the menu bar's keyboard rules
# goes with the web backend, which defines it.
set(DRAXO_PROGRAM_FLAGS ${DRAXO_WEB_SOURCE_DIR}/runtime/program_flags.json)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${DRAXO_PROGRAM_FLAGS})
file(READ ${DRAXO_PROGRAM_FLAGS} flags_json)
string(JSON link_count LENGTH "${flags_json}" link)
math(EXPR last_link "${link_count} - 1")
set(DRAXO_WASI_LINK_OPTIONS)
set(DRAXO_WASI_PROGRAM_LINK_OPTIONS)  # all but the library, one string (pkg-config's)
foreach(index RANGE ${last_link})
  string(JSON flag GET "${flags_json}" link ${index})
  if(flag MATCHES "{sysroot}" OR flag MATCHES "^--target=")
    continue()
  endif()
  string(APPEND DRAXO_WASI_PROGRAM_LINK_OPTIONS " ${flag}")
  if(flag MATCHES "^-Wl,--export=")
    list(APPEND DRAXO_WASI_LINK_OPTIONS ${flag})
  else()
    add_link_options(${flag})
  endif()
endforeach()

# What a client's program links with: include/draxo.h and lib/libdraxo.a
# (the package and the companion's main) in <build>/web/draxo-sysroot/, which
# the playground's compiler mounts; installed in share/draxo/web/sysroot/.
set(DRAXO_WASI_SYSROOT ${CMAKE_BINARY_DIR}/web/draxo-sysroot)
set(DRAXO_WASI_SYSROOT_INSTALL_DIR ${DRAXO_WEB_INSTALL_DIR}/sysroot)

# The playground site, which compiles against that sysroot in the browser.
include(${CMAKE_CURRENT_LIST_DIR}/Playground.cmake)
