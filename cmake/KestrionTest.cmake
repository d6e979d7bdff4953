# kestrion_add_test_suite(NAME name SOURCES ... [LIBS ...] [LABELS ...])
# One GoogleTest executable per source folder; every test case becomes a CTest test
# carrying the given labels (unit, gui, fuzz, concurrency). Suites labelled gui open windows:
# they run (and are listed) under xvfb-run with a 24-bit screen, one at a time.
function(kestrion_add_test_suite)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  set(properties LABELS "${T_LABELS}")
  # Under AddressSanitizer every test program carries LeakSanitizer suppressions for
  # GNUstep's own libraries (tests/LsanGnustep.cpp), which the editor view, the plug-in and
  # the component bundles load; built in, so that they hold when CTest lists the tests too.
  # Programs that open windows also unwind allocations fully: GNUstep's back end allocates
  # through libraries without frame pointers.
  if(KESTRION_SANITIZE MATCHES "address")
    target_sources(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/LsanGnustep.cpp)
    if("gui" IN_LIST T_LABELS)
      target_compile_definitions(${T_NAME} PRIVATE LSAN_FULL_UNWIND=1)
    endif()
  endif()
  # Under ThreadSanitizer, the lock order GNUstep keeps among its own locks is not reported
  # (tests/TsanGnustep.cpp).
  if(KESTRION_SANITIZE MATCHES "thread")
    target_sources(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/TsanGnustep.cpp)
  endif()
  if("gui" IN_LIST T_LABELS)
    find_program(XVFB_RUN xvfb-run REQUIRED)
    set_target_properties(${T_NAME} PROPERTIES
      CROSSCOMPILING_EMULATOR "${XVFB_RUN};-a;-s;-screen 0 1024x768x24")
    list(APPEND properties RESOURCE_LOCK xvfb)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ${properties}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

find_package(Threads REQUIRED)

