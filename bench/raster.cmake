# Raster layer: the editor's blits and text.
kestrion_add_bench(raster_bench ${CMAKE_CURRENT_LIST_DIR}/raster_bench.cpp)
target_link_libraries(raster_bench PRIVATE kestrion_raster)
