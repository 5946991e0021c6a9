# The package, decided in this file alone: what an installation holds, and the packages CPack
# builds from it:
#   Linux                  veldra_<version>_<arch>.deb and veldra-<version>-Linux.tar.gz: the
#                          development system (veldra, the reference toolchain under
#                          /usr/lib/veldra, the registry store that wires it, /etc/quenlow)
#   Windows (cross build)  veldra-<version>-win64.zip, veldra-<version>-win32.zip: veldra.exe
# The test preset "package" (tests/package) builds them all, checks what they hold against
# what this file derived, and installs the .deb for real.
#
# Included at the end of the top-level CMakeLists.txt, after every install() rule of the
# program; and at install time by the registry store's install(CODE) rule, with
# VELDRA_STORE_FILE, VELDRA_STORE_KEY (the product's version key) and VELDRA_STORE_TOOLCHAIN
# set, when it writes the store and nothing else.

if(DEFINED VELDRA_STORE_FILE)
  # The machine-wide registry store that wires an installed reference toolchain into veldra's
  # runs. veldra copies these settings into its environment before it reads its command line,
  # so that it and every tool it runs find the toolchain with nothing exported by hand:
  #   maker-wide key      fills only what is unset: LIB and LIB64 empty, PATH the system's
  #   COBOL component     replaces: PATH, LIB and LIB64 with the toolchain's folders first and
  #                       the user's own after them (REG_EXPAND_SZ, expanded at import)
  # So a user's LIB keeps its folders behind the toolchain's, and the toolchain's cl and link
  # come before anything on the user's PATH (coreutils' link among it).
  if(NOT VELDRA_STORE_TOOLCHAIN OR NOT VELDRA_STORE_KEY)
    message(FATAL_ERROR "the registry store needs VELDRA_STORE_TOOLCHAIN and VELDRA_STORE_KEY")
  endif()
  # A REG_EXPAND_SZ value line of a REGEDIT4 file: the text's bytes and a terminator, in hex,
  # continued over lines of at most about 80 columns.
  function(veldra_expand_value name text out)
    string(HEX "${text}" hex)
    string(REGEX REPLACE "(..)" "\\1," hex "${hex}")
    set(line "\"${name}\"=hex(2):")
    set(result "")
    string(REGEX MATCHALL "..," bytes "${hex}00,")
    foreach(byte ${bytes})
      string(LENGTH "${line}" length)
      if(length GREATER 74)
        string(APPEND result "${line}\\\n")
        set(line "  ")
      endif()
      string(APPEND line "${byte}")
    endforeach()
    string(REGEX REPLACE ",$" "" line "${line}")
    set(${out} "${result}${line}\n" PARENT_SCOPE)
  endfunction()

  set(bin "${VELDRA_STORE_TOOLCHAIN}/bin")
  set(lib "${VELDRA_STORE_TOOLCHAIN}/lib")
  veldra_expand_value(PATH "${bin}:%PATH%" path)
  # Each machine's libraries along its variable (machines.table), in the order of the names.
  include(${CMAKE_CURRENT_LIST_DIR}/../tools/reference/machines.cmake)
  set(variables)
  foreach(machine ${VELDRA_MACHINES})
    set(variable ${VELDRA_MACHINE_${machine}_LIBRARY})
    list(APPEND variables ${variable})
    set(machine_of_${variable} ${machine})
  endforeach()
  list(SORT variables)
  set(defaults "")
  set(libraries "")
  foreach(variable ${variables})
    set(text "${lib}/${machine_of_${variable}};%${variable}%")
    veldra_expand_value(${variable} "${text}" value)
    string(APPEND defaults "\"${variable}\"=\"\"\n")
    string(APPEND libraries "; \"${text}\"\n${value}")
  endforeach()

  file(WRITE "${VELDRA_STORE_FILE}" "REGEDIT4

; The settings of the Quenlow Orvanta development system, which veldra copies into its
; environment at start-up (see veldra(1), ENVIRONMENT). Installed with the package: your
; changes are kept when it is upgraded. While this file holds Software\\Quenlow, the personal
; store (~/.config/quenlow/registry.reg) is not read.

; Defaults for every component: set only where the variable is not set yet.
[HKEY_LOCAL_MACHINE\\Software\\Quenlow\\Environment]
\"PATH\"=\"/usr/local/bin:/usr/bin:/bin\"
${defaults}
[HKEY_LOCAL_MACHINE\\Software\\Quenlow\\${VELDRA_STORE_KEY}]

; The COBOL component: the toolchain's programs first on PATH, its libraries first on LIB
; (x86) and LIB64 (x64), each followed by the variable's value as veldra found it.
[HKEY_LOCAL_MACHINE\\Software\\Quenlow\\${VELDRA_STORE_KEY}\\COBOL\\Environment]
; \"${bin}:%PATH%\"
${path}${libraries}")
  return()
endif()

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

# The reference toolchain (tools/reference), installed as Debian keeps a package's helper
# programs: under <prefix>/lib/veldra, never cl or link beside the system's own programs
# (coreutils has a link). The registry store puts its bin folder first on PATH for veldra.
# Its own components (reference, registry), which a plain install leaves out; the Linux
# packages take them (preset package-linux).
if(VELDRA_REFERENCE_DIR)
  include(${PROJECT_SOURCE_DIR}/tools/reference/machines.cmake)
  set(VELDRA_TOOLCHAIN_DIR lib/veldra CACHE STRING
      "Where the reference toolchain is installed, relative to the installation prefix")
  option(VELDRA_INSTALL_TOOLCHAIN "Install the reference toolchain and its registry store by default" OFF)
  set(exclude EXCLUDE_FROM_ALL)
  if(VELDRA_INSTALL_TOOLCHAIN)
    set(exclude "")
  endif()
  # The Windows programs and DLLs are read by Wine, never run by the system: not executable.
  install(DIRECTORY ${VELDRA_REFERENCE_DIR}/ DESTINATION ${VELDRA_TOOLCHAIN_DIR}
          COMPONENT reference ${exclude} USE_SOURCE_PERMISSIONS
          PATTERN kit.stamp EXCLUDE PATTERN missing EXCLUDE
          PATTERN "*.dll" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
          PATTERN "*.exe" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  if(CMAKE_STRIP)
    install(CODE "execute_process(COMMAND ${CMAKE_STRIP}
      \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${VELDRA_TOOLCHAIN_DIR}/bin/tessor COMMAND_ERROR_IS_FATAL ANY)"
      COMPONENT reference ${exclude})
  endif()
  # The header overlay names its folders by their full paths: made again where they are installed.
  set(dest ${VELDRA_TOOLCHAIN_DIR}/include)
  foreach(machine ${VELDRA_MACHINES})
    install(CODE "execute_process(COMMAND ${VELDRA_BASH} ${PROJECT_SOURCE_DIR}/tools/reference/make-headers.sh
      ${VELDRA_MINGW_ROOT}/${VELDRA_MACHINE_${machine}_MINGW}/include \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${dest}/${machine}
      \${CMAKE_INSTALL_PREFIX}/${dest}/${machine} COMMAND_ERROR_IS_FATAL ANY)"
      COMPONENT reference ${exclude})
  endforeach()
  install(CODE "set(VELDRA_STORE_FILE \"\$ENV{DESTDIR}${VELDRA_SYSCONFDIR}/quenlow/registry.reg\")
    set(VELDRA_STORE_KEY \"${VELDRA_PRODUCT_KEY}\\\\${VELDRA_PRODUCT_MAJOR}.${VELDRA_PRODUCT_MINOR}\")
    set(VELDRA_STORE_TOOLCHAIN \"\${CMAKE_INSTALL_PREFIX}/${VELDRA_TOOLCHAIN_DIR}\")
    include(${CMAKE_CURRENT_LIST_FILE})"
    COMPONENT registry ${exclude})

  # What the installed toolchain runs, as the Debian packages that hold it (for the .deb's
  # Depends): the compiler, linker and librarian, and the mingw-w64 headers that the header
  # stand-ins include. Written to toolchain-packages.txt, which the package test holds the
  # .deb's Depends against.
  set(toolchainPackages "")
  find_program(DPKG_QUERY dpkg-query)
  if(DPKG_QUERY)
    set(headers)
    foreach(machine ${VELDRA_MACHINES})
      list(APPEND headers ${VELDRA_MINGW_ROOT}/${VELDRA_MACHINE_${machine}_MINGW}/include/windows.h)
    endforeach()
    foreach(path ${VELDRA_CLANG_CL} ${VELDRA_LLD_LINK} ${VELDRA_LLVM_LIB} ${VELDRA_LLVM_READOBJ}
                 ${headers})
      file(REAL_PATH ${path} real)
      foreach(file ${path} ${real})
        execute_process(COMMAND ${DPKG_QUERY} -S ${file} OUTPUT_VARIABLE owner
                        RESULT_VARIABLE status ERROR_QUIET)
        if(status EQUAL 0)
          string(REGEX REPLACE "[:,].*" "" owner "${owner}")
          list(APPEND toolchainPackages ${owner})
        endif()
      endforeach()
    endforeach()
    list(REMOVE_DUPLICATES toolchainPackages)
  endif()
  list(JOIN toolchainPackages "\n" lines)
  file(WRITE ${CMAKE_BINARY_DIR}/toolchain-packages.txt "${lines}\n")
endif()

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
  set(depends ${toolchainPackages} wine wine64)
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
