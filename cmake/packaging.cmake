# Installation of the documentation, and the packages built from an installation with CPack:
#   Linux                  veldra_<version>_<arch>.deb and veldra-<version>-Linux.tar.gz: the
#                          development system (veldra, the reference toolchain under
#                          /usr/lib/veldra, the registry store that wires it, /etc/quenlow)
#   Windows (cross build)  veldra-<version>-win64.zip, veldra-<version>-win32.zip: veldra.exe
# The test preset "package" (tests/package) builds them all, checks what they hold and installs
# the .deb for real. Included at the end of the top-level CMakeLists.txt, after every install()
# rule of the program.

include(GNUInstallDirs)

# The manual page describes the POSIX build too (PATH, the registry store files), but a Windows
# user has no man(1); there the README is the documentation. Installed compressed, as man pages
# are on Debian.
if(NOT WIN32)
  set(manPage ${CMAKE_CURRENT_BINARY_DIR}/veldra.1.gz)
  add_custom_command(OUTPUT ${manPage}
                     COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/docs/veldra.1 > ${manPage}
                     DEPENDS ${PROJECT_SOURCE_DIR}/docs/veldra.1
                     COMMENT "Compressing the manual page")
  add_custom_target(manpage ALL DEPENDS ${manPage})
  install(FILES ${manPage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
  add_custom_command(OUTPUT ${changelog}
                     COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/docs/changelog > ${changelog}
                     DEPENDS ${PROJECT_SOURCE_DIR}/docs/changelog)
  add_custom_target(changelog ALL DEPENDS ${changelog})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/lintian-overrides DESTINATION share/lintian/overrides
          RENAME veldra)
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

# The program and its documentation; with VELDRA_INSTALL_TOOLCHAIN (preset package-linux) also
# the reference toolchain and the registry store that wires it. The stand-in toolchain
# (component "standin") is for tests and demonstrations and stays out of every package.
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB TGZ)
  # One tree for both packages: /usr, and the registry store in /etc. The .tar.gz holds it
  # below its top folder (usr/..., etc/...), for `tar -xzf ... -C / --strip-components=1`.
  set(CPACK_INSTALL_PREFIX /usr)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_SET_DESTDIR ON)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELDRA_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Depends from the libraries the programs need (dpkg-shlibdeps, package dpkg-dev), and from
# what the toolchain runs: the Debian packages of clang-cl, lld-link, llvm-lib and the mingw-w64
# headers it was built with (the COBOL translator is a Linux program: dpkg-shlibdeps finds its
# libraries), and Wine and its 64-bit half, which run what it builds (the installed system
# is meant to build and run a program with nothing more). Wine's 32-bit half, which runs x86
# programs, is only suggested: apt installs what a package recommends wherever it can, and on
# a kernel that runs no 32-bit program a wine32 present breaks Wine for every program.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(VELDRA_REFERENCE_DIR AND VELDRA_INSTALL_TOOLCHAIN)
  set(depends ${VELDRA_TOOLCHAIN_PACKAGES} wine wine64)
  list(JOIN depends ", " depends)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${depends}")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine32")
  # The registry store is the user's to change: a conffile, kept on upgrade, removed on purge.
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/conffiles "${VELDRA_SYSCONFDIR}/quenlow/registry.reg\n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/conffiles)
  set(CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}

This package is the whole development system for Linux hosts: veldra, the
entry-point names tool, a C compiler and linker for Windows (clang-cl and
lld-link with the mingw-w64 headers), the runtime libraries of x64 and x86,
and a COBOL compiler over GnuCOBOL. The registry store it installs in
/etc/quenlow puts them on veldra's PATH and LIB; programs run under Wine.")
endif()

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

include(CPack)
