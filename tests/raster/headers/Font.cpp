// Compiles raster/Font.h on its own: a public header must include what it needs.
#include "raster/Font.h"
