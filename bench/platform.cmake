# Costs of the platform layer: host-call dispatch against a direct entry call, CF objects,
# event notification.
if(TARGET kestrion_platform)
  kestrion_add_bench(platform_bench ${CMAKE_CURRENT_LIST_DIR}/platform_bench.cpp)
  target_link_libraries(platform_bench PRIVATE kestrion_platform)
endif()
