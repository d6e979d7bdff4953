// Compiles raster/Blit.h on its own: a public header must include what it needs.
#include "raster/Blit.h"
