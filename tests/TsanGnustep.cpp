// ThreadSanitizer defaults for the test programs (cmake/KestrionTest.cmake), which may load
// GNUstep through the editor view or the plug-in. GNUstep sets its classes up under the
// Objective-C runtime's lock and takes Foundation's own locks inside, and elsewhere the other
// way round: a lock order of GNUstep's own, reported as a potential deadlock the first time a
// class is used. Only deadlock reports with a frame in these libraries are suppressed; races,
// and lock orders among the project's own locks, are still reported.

extern "C" const char* __tsan_default_suppressions()
{
  return "deadlock:libobjc.so\n"
         "deadlock:libgnustep-base.so\n";
}
