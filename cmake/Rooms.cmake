# Shared build rules: warnings for our own code, and one library per room whose sources are
# every .cpp below its folder (new files need no CMake edit). A room sees only its own include
# root and those of the rooms it links, so an upward include does not compile; the floors test
# (scripts/check-floors) names the offending line.

add_library(velmaro_warnings INTERFACE)
target_compile_options(velmaro_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wno-missing-field-initializers
  $<$<BOOL:${VELMARO_WERROR}>:-Werror>)

# velmaro_room(<target> DIR <folder> INCLUDE <include root> [EXCLUDE <folder>...] [DEPS <targets>...])
function(velmaro_room target)
  cmake_parse_arguments(ROOM "" "DIR;INCLUDE" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${ROOM_DIR}/*.cpp")
  foreach(excluded IN LISTS ROOM_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "^${excluded}/")
  endforeach()
  add_library(${target} STATIC ${sources})
  # Installed, every room's headers sit under one include root (see cmake/Install.cmake).
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${ROOM_INCLUDE}>)
  target_link_libraries(${target} PUBLIC ${ROOM_DEPS} PRIVATE $<BUILD_INTERFACE:velmaro_warnings>)
endfunction()
