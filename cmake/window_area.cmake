include_guard(GLOBAL)

# korvan_window_area(<name>): the static library korvan_<name> of every
# source in the calling folder, a set of windows the main window opens.
# The main window and these windows need each other at link time.
function(korvan_window_area name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target korvan_${name})
  add_library(${target} STATIC ${sources})
  target_link_libraries(${target} PUBLIC korvan_gui korvan_shell korvan_schema korvan_tools korvan_widgets)
  set_property(TARGET ${target} APPEND PROPERTY LINK_INTERFACE_MULTIPLICITY 3)
  if(TARGET korvan_shell)
    target_link_libraries(korvan_shell PUBLIC ${target})
  endif()
endfunction()
