// Compiles raster/Blend.h on its own: a public header must include what it needs.
#include "raster/Blend.h"
