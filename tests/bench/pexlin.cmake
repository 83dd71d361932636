# The archive library's decoders against zlib and memcpy.
find_package(ZLIB REQUIRED)
add_bench(pexlin
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pexlin_bench.cpp
  LIBS pexlin_static fixtures ZLIB::ZLIB)
target_include_directories(bench_pexlin PRIVATE ${CMAKE_SOURCE_DIR}/tests/pexlin)
target_compile_definitions(bench_pexlin PRIVATE
  PEXLIN_TESTDATA="${CMAKE_SOURCE_DIR}/../shared/testdata/zip")
