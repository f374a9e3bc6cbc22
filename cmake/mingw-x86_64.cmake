# Cross toolchain for a 64-bit Windows build of the same sources (x86-64). It ships
# nothing: it runs the Windows tests under wine64 on machines that cannot start 32-bit
# programs. Windows keeps long at 32 bits there too; pointers are what differ.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORVANEL_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
