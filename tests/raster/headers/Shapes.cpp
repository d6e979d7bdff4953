// Compiles raster/Shapes.h on its own: a public header must include what it needs.
#include "raster/Shapes.h"
