// Prints the file the platform library was loaded from, then the registry's search path: the
// registry tests run it against the build tree's library and against a copy of it elsewhere.
#include <CoreServices/ComponentBundles.h>

#include <dlfcn.h>

#include <cstdio>

int main()
{
  Dl_info info;
  const bool found = dladdr(reinterpret_cast<void*>(&GetComponentSearchPath), &info) != 0;
  std::printf("%s\n%s\n", found && info.dli_fname ? info.dli_fname : "?", GetComponentSearchPath());
  return 0;
}
