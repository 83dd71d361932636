# The Windows benchmark, win_bench.exe (tests/bench/bench-windows builds it and runs it under
# Wine): pexlin.dll against zlib, and IT decompression through VIRN.dll. Built on demand
# (target win_bench), and by default only with VIRN_BENCH. zlib 1.2.13 comes from Debian's
# source package, compiled here by the same compiler with the same flags as the DLLs; only
# this program links it, and its source is fetched when the program is first built, so a
# build that never builds the benchmark never needs it.
if(NOT WIN32)
  return() # the native benchmarks include every *.cmake here
endif()

set(ZLIB_BENCH_CACHE /var/cache/quorvel
    CACHE PATH "Where scripts/fetch-debian-source keeps zlib's source for the Windows benchmark")
set(zlib_copy ${CMAKE_CURRENT_BINARY_DIR}/zlib-1.2.13)
set(zlib_sources adler32 crc32 deflate inffast inflate inftrees trees zutil)
list(TRANSFORM zlib_sources PREPEND ${zlib_copy}/)
list(TRANSFORM zlib_sources APPEND .c)
# Copied into the build tree: what cleaning a build tree removes must be its own.
add_custom_command(OUTPUT ${zlib_sources}
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source zlib 1.2.13 ${ZLIB_BENCH_CACHE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zlib_copy}
  COMMAND sh -c "cp '${ZLIB_BENCH_CACHE}/zlib-1.2.13'/*.[ch] '${zlib_copy}/'"
  COMMENT "zlib 1.2.13 from Debian's source package, for the Windows benchmark")
add_library(zlib_bench STATIC EXCLUDE_FROM_ALL ${zlib_sources})
target_include_directories(zlib_bench PUBLIC ${zlib_copy})
target_compile_options(zlib_bench PRIVATE -w) # third-party code

add_executable(win_bench win_bench.cpp win_run_clock.cpp win_pexlin_vs_zlib.cpp win_it_decode.cpp)
if(NOT VIRN_BENCH)
  set_target_properties(win_bench PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
target_include_directories(win_bench PRIVATE ${CMAKE_SOURCE_DIR}/pexlin/include
                                             ${CMAKE_SOURCE_DIR}/virn/include)
target_link_libraries(win_bench PRIVATE fixtures zlib_bench)
target_compile_options(win_bench PRIVATE ${OWN_WARNINGS})
target_link_options(win_bench PRIVATE ${WIN32_STATIC_LINK})
# The DLLs it times sit beside it, copied whenever it is built (never stale ones).
add_custom_target(win_bench_dlls
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:pexlin_dll> $<TARGET_FILE:virn_dll>
          ${CMAKE_CURRENT_BINARY_DIR}
  DEPENDS pexlin_dll virn_dll)
add_dependencies(win_bench win_bench_dlls)
