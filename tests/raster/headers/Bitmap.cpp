// Compiles raster/Bitmap.h on its own: a public header must include what it needs.
#include "raster/Bitmap.h"
