# Shared build rules: warnings for our own code, and one library per room.
#
# The floors are the compiler's: each room gets an include root of its own in the build tree,
# build/<preset>/rooms/<target>/, where its public headers are staged (symbolic links to the
# source folders or files) under the names the code includes them by ("UIKit/UIView.h",
# "Velmaro/Helpers/Outlet.h"). A room's compile line holds its own root and the roots of the rooms
# it links, and nothing else of the tree, so an include from a room above fails to compile.
# Staging by the build rather than moving every header into <Room>/include/<Room>/ keeps the
# sources and every #include line where they are, and lets one source folder feed several rooms
# (the layer is four: core interface, helpers and views, screens, scenes and facade).
# Installed, every room's headers sit under one include root (see cmake/Install.cmake); the
# floors were checked when the kit was built. scripts/check-floors, run by the test suite, keeps
# the rules a compiler cannot see (tests, relative includes, rooms not yet built).

add_library(velmaro_warnings INTERFACE)
target_compile_options(velmaro_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wno-missing-field-initializers
  $<$<BOOL:${VELMARO_WERROR}>:-Werror>)

set(VELMARO_ROOMS_DIR ${PROJECT_BINARY_DIR}/rooms)

# velmaro_stage(<target> BASE <folder> PATHS <path>...): stages each path (a folder or a header,
# relative to BASE, and included by that relative name) into <target>'s own include root and puts
# the root on <target>'s public include path.
function(velmaro_stage target)
  cmake_parse_arguments(STAGE "" "BASE" "PATHS" ${ARGN})
  set(root ${VELMARO_ROOMS_DIR}/${target})
  # Links only: removing the root never reaches through them into the sources.
  file(REMOVE_RECURSE ${root})
  foreach(path IN LISTS STAGE_PATHS)
    get_filename_component(parent ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${STAGE_BASE}/${path} ${root}/${path} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}>)
endfunction()

# velmaro_room(<target> BASE <folder> SOURCES <folder or file>... EXPOSE <folder or header>...
#              [EXCLUDE <folder or file>...] [DEPS <targets>...])
# A static library of the .cpp files below the SOURCES folders (new files need no CMake edit) and
# the SOURCES files, all relative to BASE, whose include root exposes EXPOSE and the roots of DEPS.
function(velmaro_room target)
  cmake_parse_arguments(ROOM "" "BASE" "SOURCES;EXPOSE;EXCLUDE;DEPS" ${ARGN})
  set(sources)
  foreach(entry IN LISTS ROOM_SOURCES)
    if(IS_DIRECTORY ${ROOM_BASE}/${entry})
      file(GLOB_RECURSE found CONFIGURE_DEPENDS "${ROOM_BASE}/${entry}/*.cpp")
      list(APPEND sources ${found})
    else()
      list(APPEND sources ${ROOM_BASE}/${entry})
    endif()
  endforeach()
  foreach(excluded IN LISTS ROOM_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "^${ROOM_BASE}/${excluded}(/|$)")
  endforeach()
  add_library(${target} STATIC ${sources})
  velmaro_stage(${target} BASE ${ROOM_BASE} PATHS ${ROOM_EXPOSE})
  target_link_libraries(${target} PUBLIC ${ROOM_DEPS} PRIVATE $<BUILD_INTERFACE:velmaro_warnings>)
endfunction()
