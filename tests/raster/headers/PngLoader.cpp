// Compiles raster/PngLoader.h on its own: a public header must include what it needs.
#include "raster/PngLoader.h"
