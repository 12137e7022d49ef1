# The header-only libraries of the engine for the WebAssembly build: the
# system's own headers of CLI11, nlohmann/json and {fmt}, staged in a
# directory of their own (the rest of /usr/include is not for this target).
set(web_include ${CMAKE_BINARY_DIR}/web-include)
file(MAKE_DIRECTORY ${web_include})
foreach(dir CLI nlohmann fmt)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "the page needs the headers of /usr/include/${dir} (Debian: libcli11-dev nlohmann-json3-dev libfmt-dev)")
  endif()
  if(NOT EXISTS ${web_include}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${web_include}/${dir} SYMBOLIC)
  endif()
endforeach()
foreach(target CLI11::CLI11 nlohmann_json::nlohmann_json fmt::fmt-header-only)
  add_library(${target} INTERFACE IMPORTED)
  target_include_directories(${target} SYSTEM INTERFACE ${web_include})
endforeach()
target_compile_definitions(fmt::fmt-header-only INTERFACE FMT_HEADER_ONLY=1)
# No threads in the page's module: one job.
add_library(Threads::Threads INTERFACE IMPORTED)
# C++ exceptions carry every error of the engine.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)
