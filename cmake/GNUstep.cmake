# GNUstep's AppKit and Foundation for the editor view, compiled by g++ as Objective-C++.
#
# Defines the imported target GNUstep::GUI from `gnustep-config --objc-flags` and
# `--gui-libs`. Its include folders are system folders, so GNUstep's own headers never warn
# in our builds; its definitions and Objective-C options apply to Objective-C++ sources only,
# so C++ files that share a target with .mm files are compiled as before.
#
# Sets KESTRION_HAVE_GNUSTEP when the target exists.
set(KESTRION_HAVE_GNUSTEP OFF)
find_program(GNUSTEP_CONFIG gnustep-config)
if(NOT GNUSTEP_CONFIG OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  return()
endif()

execute_process(COMMAND ${GNUSTEP_CONFIG} --objc-flags
  OUTPUT_VARIABLE _gs_cflags OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${GNUSTEP_CONFIG} --gui-libs
  OUTPUT_VARIABLE _gs_libs OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(_gs_cflags UNIX_COMMAND "${_gs_cflags}")
separate_arguments(_gs_libs UNIX_COMMAND "${_gs_libs}")

set(_gs_includes "")
set(_gs_defines "")
set(_gs_options "")
foreach(flag ${_gs_cflags})
  if(flag MATCHES "^-I(.+)$")
    if(NOT CMAKE_MATCH_1 STREQUAL "." AND EXISTS "${CMAKE_MATCH_1}")
      list(APPEND _gs_includes "${CMAKE_MATCH_1}")
    endif()
  elseif(flag MATCHES "^-D(.+)$")
    list(APPEND _gs_defines "${CMAKE_MATCH_1}")
  elseif(flag MATCHES "^-f(constant-string-class=.*|objc-exceptions|exceptions)$")
    list(APPEND _gs_options "${flag}")
  endif()
  # Dependency files, optimisation, debug and warning choices stay the build's own.
endforeach()
# Cocoa's method signatures are fixed, and delegate and event methods often ignore some of
# their arguments.
list(APPEND _gs_options -Wno-unused-parameter)

set(_gs_link "")
foreach(flag ${_gs_libs})
  if(flag MATCHES "^-L(.+)$")
    if(EXISTS "${CMAKE_MATCH_1}")
      list(APPEND _gs_link "${flag}")
    endif()
  elseif(flag MATCHES "^-l")
    list(APPEND _gs_link "${flag}")
  endif()
endforeach()

# The same g++ as the C++ sources (GNUstep's runtime is gcc's); it needs gobjc++.
set(CMAKE_OBJCXX_COMPILER "${CMAKE_CXX_COMPILER}" CACHE FILEPATH "Objective-C++ compiler")
execute_process(COMMAND ${CMAKE_OBJCXX_COMPILER} -x objective-c++ -fsyntax-only -
  INPUT_FILE /dev/null RESULT_VARIABLE _gs_objcxx_missing OUTPUT_QUIET ERROR_QUIET)
if(_gs_objcxx_missing)
  return()
endif()
enable_language(OBJCXX)
set(CMAKE_OBJCXX_STANDARD 17)
set(CMAKE_OBJCXX_STANDARD_REQUIRED ON)
set(CMAKE_OBJCXX_EXTENSIONS OFF)

add_library(GNUstep::GUI INTERFACE IMPORTED GLOBAL)
set_target_properties(GNUstep::GUI PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${_gs_includes}"
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${_gs_includes}"
  INTERFACE_COMPILE_DEFINITIONS "$<$<COMPILE_LANGUAGE:OBJCXX>:${_gs_defines}>"
  INTERFACE_COMPILE_OPTIONS "$<$<COMPILE_LANGUAGE:OBJCXX>:${_gs_options}>"
  INTERFACE_LINK_LIBRARIES "${_gs_link}")
set(KESTRION_HAVE_GNUSTEP ON)
