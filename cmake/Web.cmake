# The web build (emcmake cmake): the package for the browser, compiled to
# WebAssembly with Emscripten. Programs become pages: a .js and a .wasm file
# with an index.html and the fonts beside them. Tests of the null backend
# run under node, as the Windows build's run under Wine. The build for
# wasm32-wasip1 (cmake/wasi-toolchain.cmake) shares the first part, and
# goes on in Wasi.cmake.
if(NOT EMSCRIPTEN AND NOT WASI)
  return()
endif()

set(DRAXO_WEB_SOURCE_DIR ${PROJECT_SOURCE_DIR}/package/window_system/web)
# Where the installed package keeps its web files: the JavaScript part, the
# page template, the fonts, the designer's page.
set(DRAXO_WEB_INSTALL_DIR ${CMAKE_INSTALL_DATAROOTDIR}/draxo/web)

# The toolchain searches its own system root only; these come from the host.
find_path(DRAXO_STB_INCLUDE_DIR stb_truetype.h PATHS /usr/include/stb NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT DRAXO_STB_INCLUDE_DIR)
  message(FATAL_ERROR "The web build needs stb_truetype.h (Debian's libstb-dev)")
endif()

set(DRAXO_WEB_FONT_FILES LiberationSans-Regular.ttf LiberationSans-Bold.ttf LiberationMono-Regular.ttf)
find_path(DRAXO_WEB_FONT_DIR LiberationSans-Regular.ttf
  PATHS /usr/share/fonts/truetype/liberation2 /usr/share/fonts/truetype/liberation NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT DRAXO_WEB_FONT_DIR)
  message(FATAL_ERROR "The web build needs the Liberation fonts (Debian's fonts-liberation2)")
endif()
# The fallback for the characters Liberation lacks (Chinese, Japanese,
# Korean, many symbols): a page fetches it only when it first needs it.
# Without it such characters are drawn as boxes.
set(DRAXO_WEB_FONTS)
foreach(font IN LISTS DRAXO_WEB_FONT_FILES)
  list(APPEND DRAXO_WEB_FONTS ${DRAXO_WEB_FONT_DIR}/${font})
endforeach()
find_path(DRAXO_WEB_FALLBACK_FONT_DIR wqy-microhei.ttc
  PATHS /usr/share/fonts/truetype/wqy NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(DRAXO_WEB_FALLBACK_FONT_DIR)
  list(APPEND DRAXO_WEB_FONTS ${DRAXO_WEB_FALLBACK_FONT_DIR}/wqy-microhei.ttc)
else()
  message(STATUS "Web pages: no fallback font (Debian's fonts-wqy-microhei); characters Liberation lacks are boxes")
endif()

# The fonts of the build's pages and of the playground, in one folder they
# share, <build>/web/fonts/: a browser fetches them once for every page of
# the site.
foreach(font IN LISTS DRAXO_WEB_FONTS)
  get_filename_component(file ${font} NAME)
  configure_file(${font} ${CMAKE_BINARY_DIR}/web/fonts/${file} COPYONLY)
endforeach()
install(FILES ${DRAXO_WEB_FONTS} DESTINATION ${DRAXO_WEB_INSTALL_DIR}/fonts)

if(WASI)
  include(${CMAKE_CURRENT_LIST_DIR}/Wasi.cmake)
  return()
endif()

# What every program over the web backend is linked with: ASYNCIFY, so that
# the blocking wait suspends the program (the three JavaScript functions that
# suspend it: the wait, the yield, fetching the fallback font), the JavaScript part, the browser's storage for files, a
# memory that grows, and the end of main ending the program.
set(DRAXO_WEB_ASYNCIFY_OPTIONS
  -sASYNCIFY=1
  "SHELL:-s ASYNCIFY_IMPORTS=draxo_web_wait_for_event,draxo_web_yield,draxo_web_fetch_font"
  -sASYNCIFY_STACK_SIZE=65536)
set(DRAXO_WEB_LINK_OPTIONS ${DRAXO_WEB_ASYNCIFY_OPTIONS} -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1 -lidbfs.js)

# Emscripten's optimiser runs on node and needs node modules that Debian
# keeps in /usr/share/nodejs, where a node of another origin does not look:
# the links are made with it on the search path.
if(IS_DIRECTORY /usr/share/nodejs AND "$ENV{NODE_PATH}" STREQUAL "")
  foreach(language C CXX)
    set(CMAKE_${language}_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
  endforeach()
endif()

# Programs started by the build and the tests run under node; this version
# of Emscripten loads its .wasm file itself, not with node's fetch.
# (emcmake names node with a flag of its own, which is replaced.)
find_program(DRAXO_NODE node NO_CMAKE_FIND_ROOT_PATH)
if(DRAXO_NODE AND NOT "${CMAKE_CROSSCOMPILING_EMULATOR}" MATCHES "no-experimental-fetch")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DRAXO_NODE} --no-experimental-fetch CACHE STRING "Runs the build's programs" FORCE)
endif()


# Makes `target` a page: <build>/web/<name>/ holds index.html (from
# `template`, default the package's own) and the program's .js and .wasm
# files; its fonts are the site's, ../fonts/.
function(draxo_web_page target name)
  cmake_parse_arguments(PAGE "" "TEMPLATE;TITLE" "" ${ARGN})
  if(NOT PAGE_TEMPLATE)
    set(PAGE_TEMPLATE ${DRAXO_WEB_SOURCE_DIR}/page.html.in)
  endif()
  if(NOT PAGE_TITLE)
    set(PAGE_TITLE ${name})
  endif()
  set(dir ${CMAKE_BINARY_DIR}/web/${name})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${dir} OUTPUT_NAME ${name} SUFFIX .js)
  target_link_options(${target} PRIVATE -sENVIRONMENT=web)
  # The JavaScript part is linked in: a change to it makes the page anew.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${DRAXO_WEB_SOURCE_DIR}/draxo_web.js)
  set(DRAXO_PAGE_PROGRAM ${name})
  set(DRAXO_PAGE_TITLE ${PAGE_TITLE})
  set(DRAXO_PAGE_FONTS ../fonts/)
  configure_file(${PAGE_TEMPLATE} ${dir}/index.html @ONLY)
endfunction()

# The installed web files: the JavaScript part, the page template and the
# compiler wrapper, which links as the build does.
set(DRAXO_WEBCC_LINK_OPTIONS "")
foreach(option IN LISTS DRAXO_WEB_LINK_OPTIONS)
  string(REGEX REPLACE "^SHELL:" "" option "${option}")
  string(APPEND DRAXO_WEBCC_LINK_OPTIONS " ${option}")
endforeach()
string(STRIP "${DRAXO_WEBCC_LINK_OPTIONS}" DRAXO_WEBCC_LINK_OPTIONS)
configure_file(${DRAXO_WEB_SOURCE_DIR}/draxo-webcc.in ${CMAKE_BINARY_DIR}/draxo-webcc @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/draxo-webcc DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${DRAXO_WEB_SOURCE_DIR}/draxo_web.js DESTINATION ${DRAXO_WEB_INSTALL_DIR})
install(FILES ${DRAXO_WEB_SOURCE_DIR}/page.html.in DESTINATION ${DRAXO_WEB_INSTALL_DIR} RENAME page.html)
