# Cross builds for Windows run their programs under Wine: CTest, test
# discovery and custom commands start every Windows program through
# scripts/wine-run.sh, in a Wine prefix of the build tree's own.
if(WIN32 AND CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(DRAXO_WINE wine)
  if(DRAXO_WINE)
    set(DRAXO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "Wine prefix of the programs run by the build and tests")
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${DRAXO_WINEPREFIX})
  endif()
endif()
