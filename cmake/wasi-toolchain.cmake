# Builds the package for wasm32-wasip1 with the compiler the browser runs:
# clang and the LLVM tools compiled to WebAssembly (web/toolchain, installed
# by scripts/setup.sh), run by node through draxo-clang.mjs. Programs the
# build starts (its tests) run under node's WASI (run-wasi.mjs).
#   cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=cmake/wasi-toolchain.cmake
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})

get_filename_component(DRAXO_WASI_TOOLCHAIN ${CMAKE_CURRENT_LIST_DIR}/../web/toolchain ABSOLUTE)
set(CMAKE_C_COMPILER ${DRAXO_WASI_TOOLCHAIN}/bin/draxo-wasi-clang)
set(CMAKE_CXX_COMPILER ${DRAXO_WASI_TOOLCHAIN}/bin/draxo-wasi-clang++)
set(CMAKE_AR ${DRAXO_WASI_TOOLCHAIN}/bin/draxo-wasi-ar CACHE FILEPATH "The archiver")
set(CMAKE_RANLIB ${DRAXO_WASI_TOOLCHAIN}/bin/draxo-wasi-ranlib CACHE FILEPATH "The archive indexer")
set(CMAKE_C_COMPILER_TARGET wasm32-wasip1)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasip1)

# The toolchain's own headers and libraries are inside it: nothing of the
# host's is looked for, but programs (node) and the files given by path.
set(CMAKE_FIND_ROOT_PATH ${DRAXO_WASI_TOOLCHAIN}/no-host-root)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR node --no-warnings ${DRAXO_WASI_TOOLCHAIN}/run-wasi.mjs)
