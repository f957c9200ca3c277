# The web build (cmake/wasi-toolchain.cmake): the package for the browser,
# compiled for wasm32-wasip1 by the clang the playground runs. Programs become
# pages: a .wasm file with an index.html, sharing the site's runtime and
# fonts. Tests of the null backend run under node, as the Windows build's run
# under Wine. This file finds the fonts; Wasi.cmake does the rest.
if(NOT WASI)
  return()
endif()

set(DRAXO_WEB_SOURCE_DIR ${PROJECT_SOURCE_DIR}/package/window_system/web)
# Where the installed package keeps its web files: the runtime, the page
# template, the fonts, the designer's page, the playground.
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

include(${CMAKE_CURRENT_LIST_DIR}/Wasi.cmake)
