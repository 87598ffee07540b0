# The room screen and the order-line window on a year of order lines
# against a tenth of it. Needs a display and the private server's
# environment (scripts/db env).
if(TARGET korvan_gui_test_support)
  add_executable(bench_rooms ${CMAKE_CURRENT_LIST_DIR}/bench_rooms.cpp)
  target_link_libraries(bench_rooms PRIVATE korvan_gui_test_support benchmark::benchmark)
endif()
