include_guard(GLOBAL)

# korvan_window_area(<name> [APART <source>... [LINK <library>...]]): the
# static library korvan_<name> of every source in the calling folder, a set
# of windows the main window opens. It builds on the dialog framework
# alone; the shell links it. Sources named after APART are left to a
# library of their own, which korvan_<name> then links with those after
# LINK.
function(korvan_window_area name)
  cmake_parse_arguments(AREA "" "" "APART;LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(apart ${AREA_APART})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${apart})
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_library(korvan_${name} STATIC ${sources})
  target_link_libraries(korvan_${name} PUBLIC ${AREA_LINK} korvan_gui korvan_schema korvan_tools korvan_widgets)
endfunction()
