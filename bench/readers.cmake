# The XML and INI readers against plain scans of the same text.
add_executable(bench_readers ${CMAKE_CURRENT_LIST_DIR}/bench_readers.cpp)
target_link_libraries(bench_readers PRIVATE korvan_readers korvan_core benchmark::benchmark)
