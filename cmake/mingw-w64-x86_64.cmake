# Cross build for 64-bit Windows from Linux with mingw-w64:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The -posix compilers (GoogleTest needs std::mutex, which the win32-thread
# ones lack). Programs and the DLL carry the compiler's runtime themselves,
# so that they start on a system without mingw-w64's DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DRAXO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DRAXO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DRAXO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DRAXO_MINGW_PREFIX}-windres)
# Installing with --strip, and the ZIP, leave the debug sections out.
set(CMAKE_STRIP ${DRAXO_MINGW_PREFIX}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${DRAXO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages also where CMAKE_PREFIX_PATH says, as they are, so that a client
# finds an installed DRAXO with find_package(Draxo).
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# libgcc, libstdc++ and winpthread linked in statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
