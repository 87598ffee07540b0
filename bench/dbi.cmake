# Reading order lines through the database layer against a plain ODBC loop
# on the same private server (scripts/db; needs its environment).
add_executable(bench_dbi ${CMAKE_CURRENT_LIST_DIR}/bench_dbi.cpp)
target_link_libraries(bench_dbi PRIVATE korvan_schema korvan_tools benchmark::benchmark)
