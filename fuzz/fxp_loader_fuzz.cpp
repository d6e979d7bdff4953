// Feeds arbitrary bytes to the FXP loader of a chunk-using and of a parameter-form plug-in.
// Besides the sanitizers' checks, a refused file must leave the plug-in exactly as it was.

#include "tests/framework/TestEffect.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  for (bool chunks : {false, true})
  {
    KestrionLikeEffect fx(chunks, 3);
    fx.PrepareAsLoadTarget();
    const std::string before = StateFingerprint(fx);
    if (!fx.LoadProgramFromFXPData(data, size) && StateFingerprint(fx) != before)
      __builtin_trap();
  }
  return 0;
}
