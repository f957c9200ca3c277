# Tests of the web build beyond the null backend's unit tests (which run
# under node): pages in headless Chromium, driven by puppeteer-core
# (tests/web/node_modules, installed by scripts/setup.sh) and served by a
# plain static web server. Each test file runs under node's test runner.

# The pages the tests open, beside the designer's and the examples' in
# <build>/web/.
add_executable(web_probe web/web_probe.c)
target_link_libraries(web_probe PRIVATE draxo draxo_main)
draxo_warnings(web_probe)
draxo_web_page(web_probe web_probe)

# The backend contract suite on the web backend: its program as a page,
# which web/contract.test.mjs opens once a case.
add_executable(contract_test_web ${DRAXO_CONTRACT_SOURCES} contract/web_driver.cpp)
target_link_libraries(contract_test_web PRIVATE draxo_test_web GTest::gtest_main)
draxo_warnings(contract_test_web)
draxo_web_page(contract_test_web contract_test_web)

# The web side of the check that shapes leave the same frame buffer as on
# Linux: the same client, over the web backend.
add_executable(shape_frame cross/shape_frame.cpp)
target_link_libraries(shape_frame PRIVATE draxo_internal_web draxo_main)
draxo_warnings(shape_frame)
draxo_web_page(shape_frame shape_frame)

find_program(DRAXO_CHROMIUM NAMES chromium chromium-browser NO_CMAKE_FIND_ROOT_PATH)
set(DRAXO_PUPPETEER ${CMAKE_CURRENT_SOURCE_DIR}/web/node_modules/puppeteer-core)
if(NOT DRAXO_NODE OR NOT DRAXO_CHROMIUM OR NOT EXISTS ${DRAXO_PUPPETEER})
  message(STATUS "Browser tests: not built, node, chromium or puppeteer-core (scripts/setup.sh) is missing")
  return()
endif()

set(DRAXO_HOST_SHAPE_FRAME "" CACHE FILEPATH "The Linux build's shape_frame program, for the cross-platform check")

function(draxo_add_browser_test name file)
  add_test(NAME web.${name} COMMAND ${DRAXO_NODE} --test ${CMAKE_CURRENT_SOURCE_DIR}/web/${file})
  set_tests_properties(web.${name} PROPERTIES TIMEOUT 300 RESOURCE_LOCK chromium
    ENVIRONMENT "DRAXO_WEB_PAGES=${CMAKE_BINARY_DIR}/web;DRAXO_CHROMIUM=${DRAXO_CHROMIUM};DRAXO_HOST_SHAPE_FRAME=${DRAXO_HOST_SHAPE_FRAME}")
endfunction()

draxo_add_browser_test(backend web_backend.test.mjs)
draxo_add_browser_test(contract contract.test.mjs)
set_tests_properties(web.contract PROPERTIES LABELS contract)
draxo_add_browser_test(text_in_every_language text.test.mjs)
draxo_add_browser_test(designer designer.test.mjs)
draxo_add_browser_test(examples examples.test.mjs)
if(DRAXO_HOST_SHAPE_FRAME)
  draxo_add_browser_test(shapes_leave_the_same_frame_buffer_as_on_linux shape_frame.test.mjs)
endif()

# The installed package and draxo-webcc, with clients built outside the tree.
add_test(NAME web.install_and_build_with_draxo_webcc COMMAND ${DRAXO_NODE} --test ${CMAKE_CURRENT_SOURCE_DIR}/web/install.test.mjs)
set_tests_properties(web.install_and_build_with_draxo_webcc PROPERTIES TIMEOUT 600 RESOURCE_LOCK chromium
  ENVIRONMENT "DRAXO_WEB_BUILD=${CMAKE_BINARY_DIR};DRAXO_CHROMIUM=${DRAXO_CHROMIUM};NODE_PATH=/usr/share/nodejs")
