# Start-up of the real program: time from process start until the main
# window is shown with the database connected, and the statements sent
# until then and shortly after. Needs a display and the private
# server's environment (scripts/db env).
if(TARGET korvan AND TARGET korvan_test_support)
  add_executable(bench_shell ${CMAKE_CURRENT_LIST_DIR}/bench_shell.cpp)
  find_package(X11 REQUIRED)
  target_link_libraries(bench_shell PRIVATE korvan_test_support korvan_schema benchmark::benchmark X11::X11)
  target_compile_definitions(bench_shell PRIVATE KORVAN_BINARY="$<TARGET_FILE:korvan>")
  add_dependencies(bench_shell korvan)
endif()
