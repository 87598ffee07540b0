include_guard(GLOBAL)

# korvan_window_area(<name>): the static library korvan_<name> of every
# source in the calling folder, a set of windows the main window opens.
# It builds on the dialog framework alone; the shell links it.
function(korvan_window_area name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_library(korvan_${name} STATIC ${sources})
  target_link_libraries(korvan_${name} PUBLIC korvan_gui korvan_schema korvan_tools korvan_widgets)
endfunction()
