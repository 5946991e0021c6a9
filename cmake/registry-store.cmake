# Writes the machine-wide registry store that wires an installed reference toolchain into
# veldra's runs, at install time:
#   cmake -DVELDRA_STORE_FILE=<file> -DVELDRA_STORE_TOOLCHAIN=<installed toolchain> -P ...
# (or included from an install(CODE) rule with both variables set).
#
# veldra copies these settings into its environment before it reads its command line, so that
# it and every tool it runs find the toolchain with nothing exported by hand:
#   maker-wide key      fills only what is unset: LIB and LIB64 empty, PATH the system's
#   COBOL component     replaces: PATH, LIB and LIB64 with the toolchain's folders first and
#                       the user's own after them (REG_EXPAND_SZ, expanded at import)
# So a user's LIB keeps its folders behind the toolchain's, and the toolchain's cl and link come
# before anything on the user's PATH (coreutils' link among it).

if(NOT VELDRA_STORE_FILE OR NOT VELDRA_STORE_TOOLCHAIN)
  message(FATAL_ERROR "registry-store.cmake: VELDRA_STORE_FILE and VELDRA_STORE_TOOLCHAIN are needed")
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
[HKEY_LOCAL_MACHINE\\Software\\Quenlow\\Orvanta\\5.0]

; The COBOL component: the toolchain's programs first on PATH, its libraries first on LIB
; (x86) and LIB64 (x64), each followed by the variable's value as veldra found it.
[HKEY_LOCAL_MACHINE\\Software\\Quenlow\\Orvanta\\5.0\\COBOL\\Environment]
; \"${bin}:%PATH%\"
${path}${libraries}")
