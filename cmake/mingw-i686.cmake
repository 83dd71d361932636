# Cross-compiling the Windows deliverables with mingw-w64 (32-bit); the tests run under
# 32-bit Wine.
set(MINGW_PROCESSOR i686)
set(WINE_KIND win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
