# Cost per frame of a stereo render through the Audio Unit host API (Kestrion.component with a
# render callback), against ProcessDoubleReplacing alone on the same signal, and the heap
# allocations per render. Not built with sanitizers: it counts allocations by standing in for
# malloc.
if(NOT TARGET Kestrion OR KESTRION_SANITIZE)
  return()
endif()
kestrion_add_bench(au_bench AuRenderBench.cpp)
target_link_libraries(au_bench PRIVATE kestrion_plugin kestrion_platform)
get_target_property(au_bench_bundle Kestrion COMPONENT_BUNDLE_PATH)
if(NOT au_bench_bundle)
  set(au_bench_bundle "${COMPONENT_BUNDLE_OUTPUT_DIR}/Kestrion.component")
endif()
target_compile_definitions(au_bench PRIVATE KESTRION_BUNDLE_PATH="${au_bench_bundle}")
# The counting malloc must also serve the bundle loaded at run time.
set_target_properties(au_bench PROPERTIES ENABLE_EXPORTS ON)
add_dependencies(au_bench Kestrion)
