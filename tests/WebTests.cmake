# Tests of the web build beyond the null backend's unit tests (which run
# under node's WASI): a client program built against the sysroot, and pages
# in headless Chromium, driven by puppeteer-core (tests/web/node_modules,
# installed by scripts/setup.sh) and served by a plain static web server.
# Each test file runs under node's test runner. Frames are compared with a
# Linux build's programs (DRAXO_HOST_BUILD: its examples, shape_frame,
# shapes_and_text, draxo-run and the assignment's solution).

# A client program built against the sysroot with the flags every client
# program takes.
add_test(NAME web.client_program_builds_against_the_sysroot
  COMMAND ${DRAXO_NODE} --no-warnings --test ${CMAKE_CURRENT_SOURCE_DIR}/wasi/client_program.test.mjs)
set_tests_properties(web.client_program_builds_against_the_sysroot PROPERTIES TIMEOUT 300 LABELS install
  ENVIRONMENT "DRAXO_SOURCE_DIR=${PROJECT_SOURCE_DIR};DRAXO_WASI_SYSROOT=${DRAXO_WASI_SYSROOT}")

# The pages the tests open, beside the designer's and the examples' in
# <build>/web/.
add_executable(web_probe web/web_probe.c)
target_link_libraries(web_probe PRIVATE draxo draxo_main)
draxo_warnings(web_probe)
draxo_web_page(web_probe web_probe)

# The backend contract suite on the web backend: its program as a page,
# which web/contract.test.mjs opens once a case. Its template lets the
# program ask the page for the driver's actions (runtime.mjs's testActions).
add_executable(contract_test_web ${DRAXO_CONTRACT_SOURCES} contract/web_driver.cpp)
target_link_libraries(contract_test_web PRIVATE draxo_test_web GTest::gtest_main)
draxo_warnings(contract_test_web)
draxo_web_page(contract_test_web contract_test_web TEMPLATE ${CMAKE_CURRENT_SOURCE_DIR}/contract/page.html.in)

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

set(DRAXO_HOST_BUILD "" CACHE PATH "A Linux build of the package, whose programs' frames the browser tests compare with")
set(environment "DRAXO_CHROMIUM=${DRAXO_CHROMIUM}" "DRAXO_WASI_SYSROOT=${DRAXO_WASI_SYSROOT}"
  "DRAXO_TOOLCHAIN=${DRAXO_TOOLCHAIN_DIR}" "DRAXO_PLAYGROUND_TOOLCHAIN=${DRAXO_TOOLCHAIN_DIR}"
  "DRAXO_WEB_PAGES=${CMAKE_BINARY_DIR}/web" "DRAXO_PLAYGROUND_WEB=${CMAKE_BINARY_DIR}/web")
set(tests backend contract text designer examples runtime playground)
if(DRAXO_HOST_BUILD)
  list(APPEND environment "DRAXO_HOST_EXAMPLES=${DRAXO_HOST_BUILD}/examples"
    "DRAXO_HOST_SHAPES_AND_TEXT=${DRAXO_HOST_BUILD}/tests/shapes_and_text"
    "DRAXO_HOST_SHAPE_FRAME=${DRAXO_HOST_BUILD}/tests/shape_frame"
    "DRAXO_PLAYGROUND_SYSROOT=${DRAXO_WASI_SYSROOT}"
    "DRAXO_RUN=${DRAXO_HOST_BUILD}/runner/draxo-run"
    "DRAXO_ASSIGNMENT_SOLUTION=${DRAXO_HOST_BUILD}/tests/assignment_solution")
  # The check against an assignment that the Linux build's draxo-run makes
  # from a solution of its build, and shapes' frames against its own.
  list(APPEND tests playground_check shape_frame)
endif()
set(files_of_backend web_backend)
set(files_of_text text)
foreach(test IN LISTS tests)
  set(file ${test})
  if(DEFINED files_of_${test})
    set(file ${files_of_${test}})
  endif()
  add_test(NAME web.${test} COMMAND ${DRAXO_NODE} --test ${CMAKE_CURRENT_SOURCE_DIR}/web/${file}.test.mjs)
  set_tests_properties(web.${test} PROPERTIES TIMEOUT 600 RESOURCE_LOCK chromium ENVIRONMENT "${environment}")
endforeach()
set_tests_properties(web.contract PROPERTIES LABELS contract)

# The installed package and draxo-webcc, with clients built outside the tree.
add_test(NAME web.install_and_build_with_draxo_webcc COMMAND ${DRAXO_NODE} --test ${CMAKE_CURRENT_SOURCE_DIR}/web/install.test.mjs)
set_tests_properties(web.install_and_build_with_draxo_webcc PROPERTIES TIMEOUT 600 RESOURCE_LOCK chromium
  ENVIRONMENT "DRAXO_WEB_BUILD=${CMAKE_BINARY_DIR};${environment}")
