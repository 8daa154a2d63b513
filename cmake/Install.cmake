# What `cmake --install` lays down: every room's headers under one include root (so the prefix
# gets include/velmaro/{Dispatch,Foundation,UIKit,UIKitTesting,Velmaro,Desk,CoreSimulator,NetworkCore}),
# the static libraries, the framework bundle, and the CMake package Velmaro (targets Velmaro::Velmaro,
# Velmaro::CoreSimulator, Velmaro::NetworkCore, Velmaro::UIKitTesting).
include(CMakePackageConfigHelpers)

set(VELMARO_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/velmaro)
set(VELMARO_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Velmaro)
set(VELMARO_INSTALL_BUNDLEDIR ${CMAKE_INSTALL_DATADIR}/velmaro/Velmaro.bundle)

install(TARGETS Dispatch Foundation UIKit UIKitTesting VelmaroCoreInterface VelmaroViews VelmaroScreens Velmaro
  Desk CoreSimulator NetworkCore
  EXPORT VelmaroTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${VELMARO_INSTALL_INCLUDEDIR})

foreach(room Dispatch Foundation UIKit UIKitTesting)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/Platform/${room} DESTINATION ${VELMARO_INSTALL_INCLUDEDIR}
    FILES_MATCHING PATTERN "*.h")
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Velmaro ${PROJECT_SOURCE_DIR}/Desk ${PROJECT_SOURCE_DIR}/CoreSimulator
  ${PROJECT_SOURCE_DIR}/NetworkCore
  DESTINATION ${VELMARO_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h" PATTERN "Resources" EXCLUDE)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Velmaro/Resources/ DESTINATION ${VELMARO_INSTALL_BUNDLEDIR})

install(EXPORT VelmaroTargets NAMESPACE Velmaro:: DESTINATION ${VELMARO_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VelmaroConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VelmaroConfig.cmake
  INSTALL_DESTINATION ${VELMARO_INSTALL_CMAKEDIR}
  PATH_VARS VELMARO_INSTALL_BUNDLEDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VelmaroConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VelmaroConfig.cmake ${PROJECT_BINARY_DIR}/VelmaroConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/VelmaroBuiltAgainstBundle.cpp.in
  DESTINATION ${VELMARO_INSTALL_CMAKEDIR})
