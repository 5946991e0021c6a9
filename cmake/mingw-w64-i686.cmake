# Cross build for 32-bit Windows with mingw-w64: the program as the development system ships it,
# which on 64-bit Windows runs under WOW64. Tests run under Wine where wine32 is installed.
set(MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
