# The archive library's entry point on arbitrary bytes. The library's sources are compiled
# into the target itself, so that libFuzzer sees their coverage.
file(GLOB PEXLIN_FUZZ_LIBRARY CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/pexlin/src/*.cpp)
add_fuzz_target(pexlin
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pexlin_fuzz.cpp ${PEXLIN_FUZZ_LIBRARY}
  SEED_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pexlin_seeds.cpp
  SEED_LIBS fixtures)
target_include_directories(fuzz_pexlin PRIVATE
  ${CMAKE_SOURCE_DIR}/pexlin/include ${CMAKE_SOURCE_DIR}/pexlin/src)
target_compile_definitions(seeds_pexlin PRIVATE
  PEXLIN_TESTDATA="${CMAKE_SOURCE_DIR}/../shared/testdata/zip")
