# What `make install` (cmake --install) puts where, below CMAKE_INSTALL_PREFIX (/usr/local):
#   lib/libkestrion_platform.so.<version>   the platform library, with its SOVERSION link, and
#                                            its AppKit additions (when the editor view is built)
#   lib/audio-components/Kestrion.component  the Audio Unit bundle (AUDIO_COMPONENT_INSTALL_DIR)
#   lib/lv2/Kestrion.lv2                     the LV2 bundle (LV2_INSTALL_DIR, e.g. ~/.lv2)
#   bin/kestrion                             the command, when it is part of the build, with
#                                            the editor window module it loads from beside it
# The bundles install themselves (add_component_bundle INSTALL, add_lv2_bundle). Installed
# files never refer to the build tree: their run paths name the prefix's library folder only.
install(TARGETS kestrion_platform LIBRARY DESTINATION lib)
if(TARGET kestrion_platform_appkit)
  install(TARGETS kestrion_platform_appkit LIBRARY DESTINATION lib)
endif()
if(TARGET kestrion)
  set_target_properties(kestrion PROPERTIES INSTALL_RPATH "${KESTRION_INSTALL_RPATH}")
  install(TARGETS kestrion RUNTIME DESTINATION bin)
endif()
if(TARGET kestrion-editor-window)
  set_target_properties(kestrion-editor-window PROPERTIES INSTALL_RPATH "${KESTRION_INSTALL_RPATH}")
  install(TARGETS kestrion-editor-window LIBRARY DESTINATION bin)
endif()
