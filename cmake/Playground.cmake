# The playground site (web/playground/), built by the build for wasm32-wasip1
# (Wasi.cmake), which makes the sysroot it compiles students' programs
# against: <build>/web/playground/, beside the site's fonts in
# <build>/web/fonts/ (its pages name them ../fonts/). build.mjs bundles the
# editor with esbuild from web/playground/node_modules and copies the
# compiler of web/toolchain/node_modules (its resources cut to what a C
# program reads), the runtime, the sysroot and the examples; it copies again
# only what changed.
set(DRAXO_PLAYGROUND_SOURCE_DIR ${PROJECT_SOURCE_DIR}/web/playground)
set(DRAXO_TOOLCHAIN_DIR ${PROJECT_SOURCE_DIR}/web/toolchain)
set(DRAXO_PLAYGROUND_DIR ${CMAKE_BINARY_DIR}/web/playground)
if(NOT EXISTS ${DRAXO_PLAYGROUND_SOURCE_DIR}/node_modules/esbuild)
  message(FATAL_ERROR "The playground site needs its editor and bundler in web/playground/node_modules "
    "(scripts/setup.sh installs them: npm ci in web/playground)")
endif()
find_program(DRAXO_NODE node NO_CMAKE_FIND_ROOT_PATH)
if(NOT DRAXO_NODE)
  message(FATAL_ERROR "The playground site is built by node, which is missing")
endif()

file(GLOB DRAXO_PLAYGROUND_SOURCES CONFIGURE_DEPENDS
  ${DRAXO_PLAYGROUND_SOURCE_DIR}/*.mjs ${DRAXO_PLAYGROUND_SOURCE_DIR}/*.js ${DRAXO_PLAYGROUND_SOURCE_DIR}/*.html
  ${DRAXO_PLAYGROUND_SOURCE_DIR}/*.css ${DRAXO_PLAYGROUND_SOURCE_DIR}/package-lock.json
  ${DRAXO_WEB_SOURCE_DIR}/runtime/* ${PROJECT_SOURCE_DIR}/examples/*.c ${DRAXO_TOOLCHAIN_DIR}/package-lock.json)
set(stamp ${CMAKE_CURRENT_BINARY_DIR}/playground.stamp)
add_custom_command(OUTPUT ${stamp}
  COMMAND ${DRAXO_NODE} ${DRAXO_PLAYGROUND_SOURCE_DIR}/build.mjs --out ${DRAXO_PLAYGROUND_DIR}
    --toolchain ${DRAXO_TOOLCHAIN_DIR} --sysroot ${DRAXO_WASI_SYSROOT} --runtime ${DRAXO_WEB_SOURCE_DIR}/runtime
    --examples ${PROJECT_SOURCE_DIR}/examples --fonts ../fonts/
  COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
  DEPENDS draxo_sysroot ${PROJECT_SOURCE_DIR}/package/draxo.h ${DRAXO_PLAYGROUND_SOURCES}
  COMMENT "The playground site in web/playground"
  VERBATIM)
add_custom_target(playground ALL DEPENDS ${stamp})

install(DIRECTORY ${DRAXO_PLAYGROUND_DIR}/ DESTINATION ${DRAXO_WEB_INSTALL_DIR}/playground)
