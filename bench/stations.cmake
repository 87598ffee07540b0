# Many stations at once on the order operations, against the private
# server (scripts/db; needs its environment); checks afterwards that
# nothing was lost or written twice, and exits non-zero if so.
if(TARGET korvan_orders AND TARGET korvan_test_support)
  find_package(Threads REQUIRED)
  add_executable(bench_stations ${CMAKE_CURRENT_LIST_DIR}/bench_stations.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stations/common.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stations/house.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stations/station.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stations/killer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stations/follower.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stations/rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stations/run.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stations/report.cpp)
  target_link_libraries(bench_stations PRIVATE korvan_orders korvan_test_support Threads::Threads)
endif()
