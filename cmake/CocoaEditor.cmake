# Building the editor view into component bundles (needs cmake/GNUstep.cmake first).
#
# Every bundle with an editor registers its Objective-C classes with the host's one runtime,
# so each bundle compiles the Cocoa classes under names of its own:
#
# kestrion_add_cocoa_editor(<library> SUFFIX <suffix>)
#   A static library of IGraphicsMac and its Cocoa classes, named IGraphicsCocoa<suffix>,
#   IGraphicsMenuRcvr<suffix>, IGraphicsNSMenu<suffix>, CocoaFormatter<suffix> and
#   CustomCocoaWindow<suffix>. Code that links it is compiled with KESTRION_EDITOR.
#
# kestrion_add_cocoa_view_factory(<bundle target> CLASS <name>)
#   Puts the Cocoa view factory, registered as <name>, into a component bundle. The name must
#   be the one the plug-in passes in its IEffectInstanceInfo.

function(kestrion_add_cocoa_editor name)
  cmake_parse_arguments(E "" "SUFFIX" "" ${ARGN})
  set(dir ${PROJECT_SOURCE_DIR}/graphics)
  add_library(${name} STATIC
    ${dir}/BundleBitmaps.cpp
    ${dir}/CocoaFormatter.mm
    ${dir}/CocoaPopupMenu.mm
    ${dir}/CustomCocoaWindow.mm
    ${dir}/IGraphicsCocoa.mm
    ${dir}/IGraphicsMac.mm)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE COCOA_CLASS_SUFFIX=${E_SUFFIX}
                             INTERFACE KESTRION_EDITOR)
  target_link_libraries(${name} PUBLIC kestrion_graphics kestrion_platform
                        kestrion_platform_appkit GNUstep::GUI)
endfunction()

function(kestrion_add_cocoa_view_factory target)
  cmake_parse_arguments(F "" "CLASS" "" ${ARGN})
  # An object library: nothing refers to the class by symbol, and it must still be linked.
  set(factory ${target}_cocoa_view_factory)
  add_library(${factory} OBJECT ${PROJECT_SOURCE_DIR}/au/CocoaViewFactory.mm)
  target_compile_definitions(${factory} PRIVATE AU_COCOA_VIEW_FACTORY=${F_CLASS})
  target_link_libraries(${factory} PUBLIC kestrion_au GNUstep::GUI)
  target_link_libraries(${target} PRIVATE ${factory} GNUstep::GUI)
endfunction()
