# Cross toolchain for the 32-bit Windows build (i686): the program that ships.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORVANEL_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
