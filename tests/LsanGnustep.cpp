// LeakSanitizer defaults for the test programs (cmake/KestrionTest.cmake), which may load
// GNUstep through the editor view, the plug-in or a component bundle. The Objective-C runtime and
// GNUstep's Foundation, AppKit and back end keep class tables, caches, the shared application and
// the display connection until the process ends and never free them. Only these libraries are
// named: a leak of the project's own memory still fails the test unless one of them allocated it.
// This list replaces the raster library's (raster/Font.cpp), so it carries fontconfig's line too.

extern "C" const char* __lsan_default_suppressions()
{
  return "leak:libfontconfig.so\n"
         "leak:libobjc.so\n"
         "leak:libgnustep-base.so\n"
         "leak:libgnustep-gui.so\n"
         "leak:libgnustep-back\n";
}

// The list of suppressions used is not printed: the command's own standard error, which the
// tests compare, stays its own. The back end reaches fontconfig and cairo, built without frame
// pointers: programs that open windows unwind fully, so that the GNUstep frames above them are
// seen.
extern "C" const char* __lsan_default_options()
{
#ifdef LSAN_FULL_UNWIND
  return "print_suppressions=0:fast_unwind_on_malloc=0";
#else
  return "print_suppressions=0";
#endif
}
