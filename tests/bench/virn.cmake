add_bench(virn SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_virn.cpp LIBS virn_static fixtures)
