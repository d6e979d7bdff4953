# One redraw-timer tick of the Kestrion editor with only the clip light dirty, off screen.
if(NOT KESTRION_HAVE_GNUSTEP)
  return()
endif()
kestrion_add_bench(editor_tick_bench ${CMAKE_CURRENT_LIST_DIR}/EditorTickBench.cpp)
target_link_libraries(editor_tick_bench PRIVATE kestrion_plugin)
# The editor finds its bitmaps in the bundle of the build tree.
add_dependencies(editor_tick_bench Kestrion)
