# Common settings for every target of the project.

function(emberhold_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wno-unused-parameter
    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
  if(EMBERHOLD_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# emberhold_library(NAME SOURCES... [DEPS libs...])
# A static library for one source folder; the folder's parent (src/) is the include root,
# so code includes "media/archive.h", "platform/os/resources.h" and so on.
function(emberhold_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
  emberhold_warnings(${name})
endfunction()
