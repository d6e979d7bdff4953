# Turns a shared-library target into a .component bundle in the build tree:
#
#   <OUTPUT_DIRECTORY>/<BUNDLE_NAME>.component/
#     Contents/Info.plist            bundle keys and the AudioComponents array
#     Contents/MacOS/<EXECUTABLE>    the target's shared object
#     Contents/Resources/            RESOURCES, copied after every build
#
# add_component_bundle(<target>
#   IDENTIFIER <bundle identifier>
#   COMPONENT "<type>|<subtype>|<manufacturer>|<name>|<version>|<entry symbol>" ...
#   [BUNDLE_NAME <name>]          default: the target name
#   [EXECUTABLE <file name>]      default: the bundle name
#   [VERSION <a.b.c>]             CFBundleVersion, default: the project version
#   [OUTPUT_DIRECTORY <dir>]      default: COMPONENT_BUNDLE_OUTPUT_DIR (searched by the
#                                 component registry without installing)
#   [EXPORTS <symbol> ...]        further symbols to keep exported
#   [RESOURCES <file> ...]        files copied into Contents/Resources
#   [INSTALL])                    `install` puts the bundle into AUDIO_COMPONENT_INSTALL_DIR,
#                                 its run path KESTRION_INSTALL_RPATH (the installed platform
#                                 library's folder, set by the including project)
#
# type, subtype and manufacturer are four-character codes; version is the component's packed
# version as a decimal integer. Only the entry symbols (and EXPORTS) stay visible in the
# executable: the target is built with hidden visibility and a linker version script, so
# entries must be declared __attribute__((visibility("default"))) and extern "C".

set(COMPONENT_BUNDLE_OUTPUT_DIR "${CMAKE_BINARY_DIR}/Components")
set(AUDIO_COMPONENT_INSTALL_DIR "lib/audio-components" CACHE PATH
    "Where component bundles are installed (relative to the install prefix, or absolute)")
if(IS_ABSOLUTE "${AUDIO_COMPONENT_INSTALL_DIR}")
  set(AUDIO_COMPONENT_INSTALL_FULL_DIR "${AUDIO_COMPONENT_INSTALL_DIR}")
else()
  set(AUDIO_COMPONENT_INSTALL_FULL_DIR "${CMAKE_INSTALL_PREFIX}/${AUDIO_COMPONENT_INSTALL_DIR}")
endif()

function(_component_bundle_xml_escape out text)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(add_component_bundle target)
  cmake_parse_arguments(B "INSTALL" "IDENTIFIER;BUNDLE_NAME;EXECUTABLE;VERSION;OUTPUT_DIRECTORY"
                        "COMPONENT;EXPORTS;RESOURCES" ${ARGN})
  if(NOT B_IDENTIFIER)
    message(FATAL_ERROR "add_component_bundle(${target}): IDENTIFIER is required")
  endif()
  if(NOT B_COMPONENT)
    message(FATAL_ERROR "add_component_bundle(${target}): at least one COMPONENT is required")
  endif()
  get_target_property(kind ${target} TYPE)
  if(NOT kind STREQUAL "MODULE_LIBRARY" AND NOT kind STREQUAL "SHARED_LIBRARY")
    message(FATAL_ERROR "add_component_bundle(${target}): the target must be a MODULE or SHARED library")
  endif()
  if(NOT B_BUNDLE_NAME)
    set(B_BUNDLE_NAME ${target})
  endif()
  if(NOT B_EXECUTABLE)
    set(B_EXECUTABLE ${B_BUNDLE_NAME})
  endif()
  if(NOT B_VERSION)
    set(B_VERSION ${PROJECT_VERSION})
  endif()
  if(NOT B_OUTPUT_DIRECTORY)
    set(B_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/Components")
  endif()

  set(bundle "${B_OUTPUT_DIRECTORY}/${B_BUNDLE_NAME}.component")
  set(symbols ${B_EXPORTS})
  set(components "")
  foreach(entry_fields IN LISTS B_COMPONENT)
    string(REPLACE "|" ";" fields "${entry_fields}")
    list(LENGTH fields count)
    if(NOT count EQUAL 6)
      message(FATAL_ERROR "add_component_bundle(${target}): COMPONENT \"${entry_fields}\" needs six fields "
                          "type|subtype|manufacturer|name|version|entry")
    endif()
    list(GET fields 0 type)
    list(GET fields 1 subtype)
    list(GET fields 2 manufacturer)
    list(GET fields 3 name)
    list(GET fields 4 version)
    list(GET fields 5 entry)
    foreach(code IN ITEMS "${type}" "${subtype}" "${manufacturer}")
      string(LENGTH "${code}" length)
      if(NOT length EQUAL 4)
        message(FATAL_ERROR "add_component_bundle(${target}): \"${code}\" is not a four-character code")
      endif()
    endforeach()
    if(NOT version MATCHES "^[0-9]+$")
      message(FATAL_ERROR "add_component_bundle(${target}): version \"${version}\" is not an integer")
    endif()
    _component_bundle_xml_escape(name "${name}")
    _component_bundle_xml_escape(type "${type}")
    _component_bundle_xml_escape(subtype "${subtype}")
    _component_bundle_xml_escape(manufacturer "${manufacturer}")
    string(APPEND components
      "\t\t<dict>\n"
      "\t\t\t<key>type</key>\n\t\t\t<string>${type}</string>\n"
      "\t\t\t<key>subtype</key>\n\t\t\t<string>${subtype}</string>\n"
      "\t\t\t<key>manufacturer</key>\n\t\t\t<string>${manufacturer}</string>\n"
      "\t\t\t<key>name</key>\n\t\t\t<string>${name}</string>\n"
      "\t\t\t<key>version</key>\n\t\t\t<integer>${version}</integer>\n"
      "\t\t\t<key>factoryFunction</key>\n\t\t\t<string>${entry}</string>\n"
      "\t\t</dict>\n")
    list(APPEND symbols ${entry})
  endforeach()

  _component_bundle_xml_escape(id "${B_IDENTIFIER}")
  _component_bundle_xml_escape(bundle_name "${B_BUNDLE_NAME}")
  _component_bundle_xml_escape(executable "${B_EXECUTABLE}")
  set(plist
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n<dict>\n"
    "\t<key>CFBundleDevelopmentRegion</key>\n\t<string>English</string>\n"
    "\t<key>CFBundleExecutable</key>\n\t<string>${executable}</string>\n"
    "\t<key>CFBundleIdentifier</key>\n\t<string>${id}</string>\n"
    "\t<key>CFBundleInfoDictionaryVersion</key>\n\t<string>6.0</string>\n"
    "\t<key>CFBundleName</key>\n\t<string>${bundle_name}</string>\n"
    "\t<key>CFBundlePackageType</key>\n\t<string>BNDL</string>\n"
    "\t<key>CFBundleShortVersionString</key>\n\t<string>${B_VERSION}</string>\n"
    "\t<key>CFBundleVersion</key>\n\t<string>${B_VERSION}</string>\n"
    "\t<key>AudioComponents</key>\n\t<array>\n${components}\t</array>\n"
    "</dict>\n</plist>\n")
  string(JOIN "" plist ${plist})
  file(CONFIGURE OUTPUT "${bundle}/Contents/Info.plist" CONTENT "${plist}" @ONLY)
  file(MAKE_DIRECTORY "${bundle}/Contents/MacOS" "${bundle}/Contents/Resources")

  list(REMOVE_DUPLICATES symbols)
  list(JOIN symbols ";\n    " symbol_lines)
  set(map "${CMAKE_CURRENT_BINARY_DIR}/${target}.exports.map")
  file(CONFIGURE OUTPUT "${map}" CONTENT "{\n  global:\n    ${symbol_lines};\n  local:\n    *;\n};\n" @ONLY)

  set_target_properties(${target} PROPERTIES
    PREFIX ""
    SUFFIX ""
    OUTPUT_NAME "${B_EXECUTABLE}"
    LIBRARY_OUTPUT_DIRECTORY "${bundle}/Contents/MacOS"
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS "${map}")
  target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")

  if(B_RESOURCES)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${B_RESOURCES} "${bundle}/Contents/Resources/"
      COMMENT "Copying resources into ${B_BUNDLE_NAME}.component"
      VERBATIM)
  endif()
  set_target_properties(${target} PROPERTIES COMPONENT_BUNDLE_PATH "${bundle}")

  if(B_INSTALL)
    set(dest "${AUDIO_COMPONENT_INSTALL_DIR}/${B_BUNDLE_NAME}.component/Contents")
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${KESTRION_INSTALL_RPATH}")
    install(TARGETS ${target} LIBRARY DESTINATION "${dest}/MacOS")
    install(FILES "${bundle}/Contents/Info.plist" DESTINATION "${dest}")
    install(DIRECTORY "${bundle}/Contents/Resources" DESTINATION "${dest}")
  endif()
endfunction()
