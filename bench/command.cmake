# The `kestrion` command end to end on long files: real-time factor (file I/O included) and
# the peak resident memory of the process, for a 10-minute and a 60-minute stereo render.
#   command_bench [minutes ...]     (default: 10 60)
if(NOT TARGET kestrion OR KESTRION_SANITIZE)
  return()
endif()
kestrion_add_bench(command_bench CommandBench.cpp)
target_link_libraries(command_bench PRIVATE PkgConfig::SNDFILE)
target_compile_definitions(command_bench PRIVATE KESTRION_COMMAND="$<TARGET_FILE:kestrion>")
add_dependencies(command_bench kestrion)
