# Install rules: the library, its public headers, the tools, a CMake package (QVOBase::qvobase, and the
# programs QVOBase::qvolog and QVOBase::qvopipe when the tools are built) and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS qvobase EXPORT QVOBaseTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET qvolog)
  install(TARGETS qvolog qvopipe EXPORT QVOBaseTargets RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
if(WIN32 AND QVO_RUNTIME_DLLS)
  install(FILES ${QVO_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(QVO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QVOBase)
install(EXPORT QVOBaseTargets NAMESPACE QVOBase:: DESTINATION ${QVO_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QVOBaseConfig.cmake.in
  ${PROJECT_BINARY_DIR}/QVOBaseConfig.cmake INSTALL_DESTINATION ${QVO_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QVOBaseConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QVOBaseConfig.cmake ${PROJECT_BINARY_DIR}/QVOBaseConfigVersion.cmake
  DESTINATION ${QVO_CMAKE_DIR})

# The pkg-config file finds the prefix from its own folder, so an unpacked package works where it lies.
file(RELATIVE_PATH QVO_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" QVO_PC_TO_PREFIX "${QVO_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/qvobase.pc.in ${PROJECT_BINARY_DIR}/qvobase.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qvobase.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
