# cpack: a ZIP of the Windows DLL, import library and headers; a .tar.gz of the Linux library and its packages.
set(CPACK_PACKAGE_NAME QVOBase)
set(CPACK_PACKAGE_VENDOR QVOBase)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win32)
else()
  set(CPACK_GENERATOR TGZ)
endif()
# QVOBase-<version>-<system>/ with bin/ (Windows DLLs), lib/, include/, lib/cmake/QVOBase and lib/pkgconfig.
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
