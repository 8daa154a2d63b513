# Shared build rules: warnings for our own code, and one library per room whose sources are
# every .cpp below its folder (new files need no CMake edit).

add_library(velmaro_warnings INTERFACE)
target_compile_options(velmaro_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wno-missing-field-initializers
  $<$<BOOL:${VELMARO_WERROR}>:-Werror>)

# velmaro_room(<target> DIR <folder> [DEPS <targets>...])
function(velmaro_room target)
  cmake_parse_arguments(ROOM "" "DIR" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${ROOM_DIR}/*.cpp")
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/Platform)
    target_link_libraries(${target} PUBLIC ${ROOM_DEPS} PRIVATE velmaro_warnings)
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/Platform)
    target_link_libraries(${target} INTERFACE ${ROOM_DEPS})
  endif()
endfunction()
