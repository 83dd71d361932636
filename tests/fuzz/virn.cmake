add_fuzz_target(virn
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_virn.cpp
  LIBS virn_static
  SEED_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/seeds_from_fixtures.cpp
  SEED_LIBS fixtures)
