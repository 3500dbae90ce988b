# cpack: a ZIP of the Windows DLL, import library and headers; on Linux a .tar.gz and a Debian package of
# the library and its headers, CMake package and pkg-config file.
set(CPACK_PACKAGE_NAME QVOBase)
set(CPACK_PACKAGE_VENDOR QVOBase)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Foundation class library: strings, log, files, threads, processes, named pipes, utilities")
set(CPACK_PACKAGE_CONTACT "QVOBase developers <qvobase@localhost>")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win32)
else()
  set(CPACK_GENERATOR TGZ DEB)
endif()
# The archives unpack to QVOBase-<version>-<system>/ with bin/ (Windows DLLs), lib/, include/,
# lib/cmake/QVOBase and lib/pkgconfig, usable wherever they lie.
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)

# The Debian package qvobase_<version>_<arch>.deb installs the same tree under /usr.
set(CPACK_DEBIAN_PACKAGE_NAME qvobase)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
include(CPack)
