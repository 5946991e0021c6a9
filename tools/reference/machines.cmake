# machines.table (beside this file) for CMake: VELDRA_MACHINES, the machines' names, the default
# first, and for each name VELDRA_MACHINE_<name>_MINGW (mingw-w64's triple) and
# VELDRA_MACHINE_<name>_LIBRARY (the variable along which veldra's links find its libraries).
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/machines.table veldra_rows REGEX "^[^#]")
set(VELDRA_MACHINES)
foreach(veldra_row ${veldra_rows})
  string(REGEX REPLACE "[ \t]+" ";" veldra_row "${veldra_row}")
  list(GET veldra_row 0 veldra_name)
  list(APPEND VELDRA_MACHINES ${veldra_name})
  list(GET veldra_row 2 VELDRA_MACHINE_${veldra_name}_MINGW)
  list(GET veldra_row 9 VELDRA_MACHINE_${veldra_name}_LIBRARY)
endforeach()
