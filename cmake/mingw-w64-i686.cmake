# Cross-compiles the Windows deliverables for 32-bit Windows (i686) with
# Debian's MinGW-w64: the control for 32-bit browser processes. This machine
# cannot run 32-bit Windows programs (no 32-bit Wine), so this tree is built
# and its binaries checked, not run.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
