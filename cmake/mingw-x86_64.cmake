# The same Windows code and tests built for x86_64, for machines whose kernel cannot run
# 32-bit programs (so 32-bit Wine cannot start there). The deliverables stay 32-bit; this
# build only lets their code and tests run somewhere, under 64-bit Wine.
set(MINGW_PROCESSOR x86_64)
set(WINE_KIND win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
