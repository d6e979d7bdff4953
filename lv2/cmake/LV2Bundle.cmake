# Turns a module target into an LV2 bundle in the build tree, with its Turtle generated from
# the plug-in object itself:
#
#   <build directory>/lv2-bundles/<BUNDLE_NAME>.lv2/   (LV2_PATH=<build>/lv2-bundles uninstalled)
#     manifest.ttl  <BUNDLE_NAME>.ttl  presets.ttl  <BUNDLE_NAME>.so  LICENSE (the project's)
#
# add_lv2_bundle(<target> BUNDLE_NAME <name> LIBRARY_LINK <plug-in library>)
#
# The plug-in library defines MakePlug and PlugLV2Description; a generator program linked with
# it writes the Turtle after every build of the target. Only lv2_descriptor is exported.
# `install` puts the bundle into LV2_INSTALL_DIR.

set(LV2_INSTALL_DIR "lib/lv2" CACHE PATH
    "Where LV2 bundles are installed (relative to the install prefix, or absolute, e.g. ~/.lv2)")

function(add_lv2_bundle target)
  cmake_parse_arguments(B "" "BUNDLE_NAME;LIBRARY_LINK" "" ${ARGN})
  set(bundle "${CMAKE_BINARY_DIR}/lv2-bundles/${B_BUNDLE_NAME}.lv2")
  set(map "${CMAKE_CURRENT_BINARY_DIR}/${target}.exports.map")
  file(CONFIGURE OUTPUT "${map}" CONTENT "{\n  global:\n    lv2_descriptor;\n  local:\n    *;\n};\n")
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    OUTPUT_NAME "${B_BUNDLE_NAME}"
    SUFFIX ".so"
    LIBRARY_OUTPUT_DIRECTORY "${bundle}"
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS "${map}"
    LV2_BUNDLE_PATH "${bundle}")
  target_link_options(${target} PRIVATE "LINKER:--version-script=${map}" "LINKER:--no-undefined")

  set(generator ${target}_turtle)
  add_executable(${generator} ${PROJECT_SOURCE_DIR}/lv2/GenerateTurtle.cpp)
  target_link_libraries(${generator} PRIVATE "$<LINK_GROUP:RESCAN,${B_LIBRARY_LINK},kestrion_lv2>")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${PROJECT_SOURCE_DIR}/LICENSE" "${bundle}/LICENSE"
    COMMAND ${generator} "${bundle}" "${B_BUNDLE_NAME}.so" "${B_BUNDLE_NAME}.ttl"
    COMMENT "Writing the Turtle of ${B_BUNDLE_NAME}.lv2"
    VERBATIM)
  add_dependencies(${target} ${generator})

  install(TARGETS ${target} LIBRARY DESTINATION "${LV2_INSTALL_DIR}/${B_BUNDLE_NAME}.lv2")
  install(FILES "${bundle}/manifest.ttl" "${bundle}/${B_BUNDLE_NAME}.ttl" "${bundle}/presets.ttl"
                "${bundle}/LICENSE"
          DESTINATION "${LV2_INSTALL_DIR}/${B_BUNDLE_NAME}.lv2")
endfunction()
