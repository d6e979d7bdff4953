# Editor surface: redrawing the plug-in's editor, whole and one knob.
kestrion_add_bench(graphics_bench ${CMAKE_CURRENT_LIST_DIR}/graphics_bench.cpp)
target_link_libraries(graphics_bench PRIVATE kestrion_graphics)
