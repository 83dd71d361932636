# The archive library's entry point on arbitrary bytes. The library is built with the
# fuzzer's coverage instrumentation in this build, so the target links it as it is.
add_fuzz_target(pexlin
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pexlin_fuzz.cpp
  LIBS pexlin_static
  SEED_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pexlin_seeds.cpp
  SEED_LIBS fixtures)
target_compile_definitions(seeds_pexlin PRIVATE
  PEXLIN_TESTDATA="${CMAKE_SOURCE_DIR}/../shared/testdata/zip")
