# Tests of the Qt backend (Linux), where it is chosen: the backend contract
# suite under Qt's offscreen platform, at scales 1 and 2, and again on a
# virtual X server, where what is shown reaches a real display; the backend's own tests, and the
# package over it.

draxo_add_contract_test(qt)
# At a scale of 2, each logical pixel four of the screen's.
draxo_add_contract_test(qt NAME contract_test_qt_scale2 PREFIX qt_scale2 LAUNCHER env QT_SCALE_FACTOR=2)
find_program(DRAXO_XVFB_RUN xvfb-run)
if(DRAXO_XVFB_RUN)
  draxo_add_contract_test(qt NAME contract_test_qt_x11 PREFIX qt_x11
    LAUNCHER ${DRAXO_XVFB_RUN} -a -s "-screen 0 1024x768x24 -noreset" env QT_QPA_PLATFORM=xcb)
endif()
draxo_add_test(qt_backend_test qt qt/qt_backend_test.cpp)
draxo_add_test(qt_dialog_test qt qt/qt_dialog_test.cpp)
draxo_add_test(qt_package_test qt qt/qt_package_test.cpp)
draxo_add_test(qt_gets_test qt qt/qt_gets_test.cpp)
draxo_add_test(qt_text_cache_test qt qt/qt_text_cache_test.cpp)
draxo_add_test(qt_world_text_test qt qt/qt_world_text_test.cpp)
draxo_add_test(qt_density_test qt qt/qt_density_test.cpp)
# Text with the platform's real fonts.
draxo_add_test(qt_text_test qt surface/text_test.cpp)
# Pictures encoded by Qt's PNG writer.
draxo_add_test(qt_picture_test qt surface/picture_test.cpp)
# The package's PNG reader on files Qt wrote.
draxo_add_test(png_read_qt_test qt png/png_read_qt_test.cpp)
draxo_add_test(qt_text_checksum_test qt surface/text_checksum_test.cpp)
target_include_directories(qt_text_checksum_test PRIVATE ${PROJECT_SOURCE_DIR}/bench)

