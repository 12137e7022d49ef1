# The page beside a native build: the same sources configured for
# emscripten in build/web (REFLDSGN_WEB AUTO: when emcmake is found).
find_program(EMCMAKE emcmake)
if(REFLDSGN_SANITIZE)
  message(STATUS "Browser page: not built with the sanitizers (the plain build builds and tests it)")
  set(REFLDSGN_WEB_SKIP "the page is built and tested by the plain build, not with the sanitizers")
elseif(EMCMAKE)
  include(ExternalProject)
  ExternalProject_Add(web
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/web
    CONFIGURE_COMMAND ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs
                      ${EMCMAKE} ${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR} -B ${CMAKE_BINARY_DIR}/web -DCMAKE_BUILD_TYPE=Release
    BUILD_COMMAND ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR}/web --parallel 2
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)
  set(REFLDSGN_WEB_SITE ${CMAKE_BINARY_DIR}/web/site)
  set(REFLDSGN_WEB_MODULE ${CMAKE_BINARY_DIR}/web/web/refldsgn-web.js)
  message(STATUS "Browser page: built in ${CMAKE_BINARY_DIR}/web/site")
elseif(REFLDSGN_WEB STREQUAL "ON")
  message(FATAL_ERROR "REFLDSGN_WEB=ON needs emscripten (Debian: emscripten nodejs node-acorn)")
else()
  message(STATUS "Browser page: not built (needs emscripten, nodejs and node-acorn)")
  set(REFLDSGN_WEB_SKIP "the page is not built here: it needs emscripten, nodejs and node-acorn")
endif()
