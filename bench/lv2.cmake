# Kestrion's LV2 plug-in beside its peer, the Calf Transient Designer, in one liblilv host on
# the same drum material: throughput at three block sizes, at both plug-ins' defaults and at a
# working setting. Needs liblilv and the peer (Debian calf-plugins); skipped without them.
pkg_check_modules(LILV IMPORTED_TARGET lilv-0)
if(NOT TARGET KestrionLV2 OR NOT LILV_FOUND)
  return()
endif()
get_target_property(lv2_bench_bundle KestrionLV2 LV2_BUNDLE_PATH)
add_executable(lv2_bench Lv2PeerBench.cpp)
target_include_directories(lv2_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(lv2_bench PRIVATE PkgConfig::LILV kestrion_identity)
target_compile_definitions(lv2_bench PRIVATE KESTRION_LV2_BUNDLE="${lv2_bench_bundle}/"
                                             PEER_LV2_BUNDLE="/usr/lib/lv2/calf.lv2/")
add_dependencies(lv2_bench KestrionLV2)
