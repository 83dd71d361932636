# IT sample decompression, and loading a large compressed IT module beside Debian's
# libxmp loading the same bytes (installed for this benchmark only).
find_library(XMP_LIBRARY xmp)
find_path(XMP_INCLUDE_DIR xmp.h)
if(XMP_LIBRARY AND XMP_INCLUDE_DIR)
  add_bench(it SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_it.cpp
            LIBS virn_static fixtures ${XMP_LIBRARY})
  target_include_directories(bench_it PRIVATE ${XMP_INCLUDE_DIR})
  target_compile_definitions(bench_it PRIVATE HAVE_LIBXMP=1)
else()
  message(STATUS "libxmp not found: bench_it runs without the comparison")
  add_bench(it SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_it.cpp LIBS virn_static fixtures)
endif()
