# Tests of the Windows build beyond the unit tests: cross-built with
# mingw-w64 and run under Wine through the cross-compiling emulator
# (scripts/wine-run.sh). Run CTest on an X display, as under xvfb-run: the
# programs open real windows, and the end-to-end checks drive them with
# xdotool.

# End-to-end: the real programs under Wine, in real windows, one at a time.
add_executable(win32_probe e2e/win32_probe.c)
draxo_warnings(win32_probe)

function(draxo_add_wine_e2e_test name script)
  add_test(NAME e2e.wine.${name} COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/${script} ${ARGN})
  set_tests_properties(e2e.wine.${name} PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE
    ENVIRONMENT "E2E_WINE=${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${DRAXO_WINEPREFIX};E2E_WIN32_PROBE=$<TARGET_FILE:win32_probe>")
endfunction()

add_executable(gets_client e2e/gets_client.c)
target_link_libraries(gets_client PRIVATE draxo)
draxo_warnings(gets_client)
draxo_add_wine_e2e_test(gets_dialog_on_a_real_display gets_dialog.sh $<TARGET_FILE:gets_client>)
draxo_add_wine_e2e_test(demo_client_in_a_real_window demo_client.sh $<TARGET_FILE:bouncing_ball>)
draxo_add_wine_e2e_test(designer_in_a_real_window designer.sh $<TARGET_FILE:draxo-card-designer>)
draxo_add_wine_e2e_test(designer_session_recorded_and_played_back record_playback.sh
  $<TARGET_FILE:draxo-card-designer>)
draxo_add_wine_e2e_test(designer_keeps_its_cards card_files.sh $<TARGET_FILE:draxo-card-designer>)
draxo_add_wine_e2e_test(designer_keeps_cards_named_outside_ascii card_names.sh
  $<TARGET_FILE:draxo-card-designer>)
add_executable(key_client e2e/key_client.c)
target_link_libraries(key_client PRIVATE draxo)
draxo_warnings(key_client)
draxo_add_wine_e2e_test(menu_bar_and_keyboard menu_keyboard.sh $<TARGET_FILE:key_client>)
draxo_add_wine_e2e_test(sketch_pad_example sketch_pad.sh $<TARGET_FILE:sketch_pad>)
draxo_add_wine_e2e_test(clock_example clock.sh $<TARGET_FILE:clock>)
draxo_add_wine_e2e_test(guessing_game_example guessing_game.sh $<TARGET_FILE:guessing_game>)

# draxo-run.exe with real clients, every exit status it documents.
add_executable(run_client WIN32 e2e/run_client.c)
target_link_libraries(run_client PRIVATE draxo)
draxo_warnings(run_client)
draxo_add_wine_e2e_test(draxo_run draxo_run.sh $<TARGET_FILE:draxo-run> $<TARGET_FILE:run_client>
  $<TARGET_FILE:bouncing_ball> $<TARGET_FILE:draxo-card-designer> $<TARGET_FILE:guessing_game>)
# Text in every language on screens of several densities, in a Wine prefix
# of its own whose LogPixels the check sets for each.
add_executable(world_client e2e/world_client.c)
target_link_libraries(world_client PRIVATE draxo)
draxo_warnings(world_client)
draxo_add_wine_e2e_test(text_in_every_language_on_screens_of_every_density world.sh $<TARGET_FILE:world_client>)
# (The first run makes the prefix: a minute or more.)
set_tests_properties(e2e.wine.text_in_every_language_on_screens_of_every_density PROPERTIES TIMEOUT 1200)
set_property(TEST e2e.wine.text_in_every_language_on_screens_of_every_density APPEND PROPERTY ENVIRONMENT
  "E2E_WINE_WORLD_PREFIX=${DRAXO_WINEPREFIX}-world")

# The DLL exports the DRAXO_ operations of draxo.h, and nothing else.
add_test(NAME install.library_exports_only_the_draxo_operations
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/exported_symbols.sh $<TARGET_FILE:draxo>
          ${PROJECT_SOURCE_DIR}/package/draxo.h ${CMAKE_OBJDUMP})
set_tests_properties(install.library_exports_only_the_draxo_operations PROPERTIES TIMEOUT 60)

# Client programs cross-built against the installed package, run under Wine.
add_test(NAME install.clients_build_against_the_installed_package
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/check_install.sh ${CMAKE_BINARY_DIR}
          ${CMAKE_CURRENT_SOURCE_DIR}/install/client ${PROJECT_SOURCE_DIR}/examples)
set_tests_properties(install.clients_build_against_the_installed_package PROPERTIES TIMEOUT 300
  ENVIRONMENT "DRAXO_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake;DRAXO_RUN=${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${DRAXO_WINEPREFIX}")

# The same client drawing every shape kind on Linux and here: identical frame
# buffers. Needs the Linux build's shape_frame, given as DRAXO_HOST_SHAPE_FRAME.
add_executable(shape_frame cross/shape_frame.cpp)
target_link_libraries(shape_frame PRIVATE draxo_internal_win32)
draxo_warnings(shape_frame)
set(DRAXO_HOST_SHAPE_FRAME "" CACHE FILEPATH "The Linux build's shape_frame program, for the cross-platform check")
if(DRAXO_HOST_SHAPE_FRAME)
  add_test(NAME cross.shapes_leave_the_same_frame_buffer_on_linux_and_windows
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cross/compare_frames.sh ${DRAXO_HOST_SHAPE_FRAME} $<TARGET_FILE:shape_frame>)
  set_tests_properties(cross.shapes_leave_the_same_frame_buffer_on_linux_and_windows PROPERTIES TIMEOUT 120
    ENVIRONMENT "DRAXO_RUN=${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${DRAXO_WINEPREFIX}")
  # The same run by draxo-run on both platforms: the Linux build's draxo-run
  # and run_client lie beside its shape_frame.
  get_filename_component(DRAXO_HOST_TESTS ${DRAXO_HOST_SHAPE_FRAME} DIRECTORY)
  get_filename_component(DRAXO_HOST_BUILD ${DRAXO_HOST_TESTS} DIRECTORY)
  add_test(NAME cross.draxo_run_leaves_the_same_picture_on_linux_and_windows
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cross/compare_runs.sh ${DRAXO_HOST_BUILD}/runner/draxo-run
            ${DRAXO_HOST_TESTS}/run_client $<TARGET_FILE:draxo-run> $<TARGET_FILE:run_client>)
  set_tests_properties(cross.draxo_run_leaves_the_same_picture_on_linux_and_windows PROPERTIES TIMEOUT 180
    ENVIRONMENT "DRAXO_RUN=${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${DRAXO_WINEPREFIX}")
  # The game-input examples, played from the same scripts on both.
  add_test(NAME cross.games_play_to_the_same_field_on_linux_and_windows
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cross/compare_games.sh ${DRAXO_HOST_BUILD}/runner/draxo-run
            ${DRAXO_HOST_BUILD}/examples $<TARGET_FILE:draxo-run> $<TARGET_FILE_DIR:star_catcher>)
  set_tests_properties(cross.games_play_to_the_same_field_on_linux_and_windows PROPERTIES TIMEOUT 240
    ENVIRONMENT "DRAXO_RUN=${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${DRAXO_WINEPREFIX}")
endif()
