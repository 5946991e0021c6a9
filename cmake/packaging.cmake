# Installation of the documentation, and the packages built from an installation with CPack:
#   Linux                  veldra_<version>_<arch>.deb and veldra-<version>-Linux.tar.gz
#   Windows (cross build)  veldra-<version>-win64.zip
# The test preset "package" (tests/package) builds them all and checks what they hold. Included at the end of the
# top-level CMakeLists.txt, after every install() rule of the program.

include(GNUInstallDirs)

# The manual page describes the POSIX build too (PATH, the registry store files), but a Windows
# user has no man(1); there the README is the documentation.
if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/veldra.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
# OPTIONAL: a tree without the example store still installs and packages.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/resources/registry.example.reg
        DESTINATION ${CMAKE_INSTALL_DOCDIR} OPTIONAL)

set(VELDRA_PACKAGE_MAINTAINER "veldra maintainers <veldra@quenlow.invalid>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME veldra)
set(CPACK_PACKAGE_VENDOR "Quenlow")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(CPACK_PACKAGE_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(CPACK_PACKAGE_VERSION_PATCH ${PROJECT_VERSION_PATCH})
set(CPACK_PACKAGE_CONTACT ${VELDRA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "link driver of the Quenlow Orvanta COBOL development system")
# Debian shows these lines as they are: kept under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "veldra links object files, COBOL sources and C sources into one EXE or DLL.
It compiles and links nothing itself: it runs the COBOL compiler, the C
compiler, the entry-point names tool and the linker as child programs, with
command lines chosen from its options, and picks the runtime and system
libraries that fit the chosen runtime flavour.")
set(CPACK_STRIP_FILES ON)

# Only the program and its documentation: the stand-in toolchain (component "standin") is for
# tests and demonstrations and stays out of every package.
set(CPACK_COMPONENTS_ALL Unspecified)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB TGZ)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELDRA_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends from the libraries the binary needs (dpkg-shlibdeps, package dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

include(CPack)
