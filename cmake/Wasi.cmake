# The web build for wasm32-wasip1 (cmake/wasi-toolchain.cmake), included by
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
# WebAssembly's 128-bit SIMD, which every browser of the last years runs:
# the rasteriser's loops over rows of pixels are vectorised, the busy frame's
# shapes drawn in about two thirds of the time. Client programs take it too
# (program_flags.json).
add_compile_options(-msimd128)

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

# The compile flags of a client program that draxo-webcc adds to its own
# (its -O and the target are its own), one string.
string(JSON compile_count LENGTH "${flags_json}" compile)
math(EXPR last_compile "${compile_count} - 1")
set(DRAXO_WASI_PROGRAM_COMPILE_OPTIONS)
foreach(index RANGE ${last_compile})
  string(JSON flag GET "${flags_json}" compile ${index})
  if(NOT flag MATCHES "{sysroot}" AND NOT flag MATCHES "^--target=" AND NOT flag MATCHES "^-O")
    string(APPEND DRAXO_WASI_PROGRAM_COMPILE_OPTIONS " ${flag}")
  endif()
endforeach()
string(STRIP "${DRAXO_WASI_PROGRAM_COMPILE_OPTIONS}" DRAXO_WASI_PROGRAM_COMPILE_OPTIONS)

# What a client's program links with: include/draxo.h and lib/libdraxo.a
# (the package and the companion's main) in <build>/web/draxo-sysroot/, which
# the playground's compiler mounts; installed in share/draxo/web/sysroot/.
set(DRAXO_WASI_SYSROOT ${CMAKE_BINARY_DIR}/web/draxo-sysroot)
set(DRAXO_WASI_SYSROOT_INSTALL_DIR ${DRAXO_WEB_INSTALL_DIR}/sysroot)

# The playground site, which compiles against that sysroot in the browser.
include(${CMAKE_CURRENT_LIST_DIR}/Playground.cmake)

# The web runtime the build's pages share, <build>/web/runtime/, beside their
# fonts: copied from the sources whenever one changes.
set(DRAXO_WEB_RUNTIME_DIR ${CMAKE_BINARY_DIR}/web/runtime)
file(GLOB DRAXO_WEB_RUNTIME_FILES CONFIGURE_DEPENDS ${DRAXO_WEB_SOURCE_DIR}/runtime/*.mjs)
set(runtime_copies)
foreach(file IN LISTS DRAXO_WEB_RUNTIME_FILES)
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${DRAXO_WEB_RUNTIME_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${DRAXO_WEB_RUNTIME_DIR}/${name} DEPENDS ${file})
  list(APPEND runtime_copies ${DRAXO_WEB_RUNTIME_DIR}/${name})
endforeach()
add_custom_target(draxo_web_runtime ALL DEPENDS ${runtime_copies})
install(FILES ${DRAXO_WEB_RUNTIME_FILES} DESTINATION ${DRAXO_WEB_INSTALL_DIR}/runtime)

# Prepares a linked program for browsers that cannot suspend it themselves
# (web/toolchain/draxo-asyncify.mjs).
find_program(DRAXO_NODE node NO_CMAKE_FIND_ROOT_PATH)
set(DRAXO_ASYNCIFY ${DRAXO_NODE} ${DRAXO_WASI_TOOLCHAIN}/draxo-asyncify.mjs --runtime ${DRAXO_WEB_SOURCE_DIR}/runtime)

# Makes `target` a page: <build>/web/<name>/ holds index.html (from
# `template`, default the package's own) and the program, asyncified, as
# <name>.wasm; its fonts and runtime are the site's, ../fonts/ and
# ../runtime/. The program as linked stays where the target puts it.
function(draxo_web_page target name)
  cmake_parse_arguments(PAGE "" "TEMPLATE;TITLE" "" ${ARGN})
  if(NOT PAGE_TEMPLATE)
    set(PAGE_TEMPLATE ${DRAXO_WEB_SOURCE_DIR}/page.html.in)
  endif()
  if(NOT PAGE_TITLE)
    set(PAGE_TITLE ${name})
  endif()
  set(dir ${CMAKE_BINARY_DIR}/web/${name})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${DRAXO_ASYNCIFY} $<TARGET_FILE:${target}> ${dir}/${name}.wasm
    COMMENT "Asyncify: the page ${name}")
  add_dependencies(${target} draxo_web_runtime)
  set(DRAXO_PAGE_PROGRAM ${name})
  set(DRAXO_PAGE_TITLE ${PAGE_TITLE})
  set(DRAXO_PAGE_FONTS ../fonts/)
  set(DRAXO_PAGE_RUNTIME ../runtime/)
  configure_file(${PAGE_TEMPLATE} ${dir}/index.html @ONLY)
endfunction()

# The installed page template and draxo-webcc, which compiles and links as
# the build does, with the toolchain's scripts it runs (the compiler itself
# is the playground's copy) and clang's whole resources beside them: the
# site's hold only what C reads, and draxo-webcc compiles C++ too.
configure_file(${DRAXO_WEB_SOURCE_DIR}/draxo-webcc.in ${CMAKE_BINARY_DIR}/draxo-webcc @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/draxo-webcc DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${DRAXO_WEB_SOURCE_DIR}/page.html.in DESTINATION ${DRAXO_WEB_INSTALL_DIR} RENAME page.html)
install(FILES ${DRAXO_WASI_TOOLCHAIN}/draxo-clang.mjs ${DRAXO_WASI_TOOLCHAIN}/draxo-asyncify.mjs
  ${DRAXO_WASI_TOOLCHAIN}/node_modules/@yowasp/clang/gen/llvm-resources.tar
  DESTINATION ${DRAXO_WEB_INSTALL_DIR}/toolchain)
install(PROGRAMS ${DRAXO_WASI_TOOLCHAIN}/bin/draxo-wasi-clang ${DRAXO_WASI_TOOLCHAIN}/bin/draxo-wasi-clang++
  DESTINATION ${DRAXO_WEB_INSTALL_DIR}/toolchain/bin)
