// Feeds arbitrary bytes to the PNG loader, both into a new bitmap and into a caller's bitmap
// that must come back untouched whenever the load fails.

#include "raster/PngLoader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  std::unique_ptr<Raster_IBitmap> loaded(Raster_LoadPNGFromMemory(data, size));
  if (loaded && (loaded->getWidth() <= 0 || loaded->getHeight() <= 0))
    std::abort();

  Raster_MemBitmap target(3, 2, 4);
  const int before[2] = {target.getWidth(), target.getHeight()};
  std::vector<Raster_Pixel> pixels(target.getBits(), target.getBits() + target.getRowSpan() * 2);
  if (!Raster_LoadPNGFromMemory(data, size, &target))
  {
    // A refused image leaves the caller's bitmap exactly as it was.
    if (target.getWidth() != before[0] || target.getHeight() != before[1] ||
        std::memcmp(pixels.data(), target.getBits(), pixels.size() * sizeof(Raster_Pixel)) != 0)
      std::abort();
  }
  return 0;
}
