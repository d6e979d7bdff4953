// Pixels, lines, arcs, circles, rectangles and convex polygons drawn in one colour.
// Coordinates are destination pixels; pixel (x, y) is the point (x, y), so a circle
// centred on (10, 10) is centred on that pixel. Everything is clipped to the bitmap and
// nothing is written outside it; null bitmaps, empty shapes and opacity 0 draw nothing.
// The colour is combined like a source pixel of a blit (raster/Blend.h): with
// kRasterModeUseSourceAlpha its own alpha weights it. Anti-aliased edges scale the
// opacity by the pixel's coverage. No call allocates memory; calls on different
// destination bitmaps may run on different threads at once.
#pragma once

#include "raster/Bitmap.h"
#include "raster/Blend.h"

void Raster_PutPixel(Raster_IBitmap* dest, int x, int y, Raster_Pixel colour, float alpha, int mode);
// The pixel at (x, y); 0 outside the bitmap.
Raster_Pixel Raster_GetPixel(Raster_IBitmap* dest, int x, int y);

// Line from (x1, y1) to (x2, y2), both end points drawn, each pixel once. Without
// anti-aliasing one pixel per step along the longer axis; with it, the two pixels
// straddling the exact line share the coverage.
void Raster_Line(Raster_IBitmap* dest, int x1, int y1, int x2, int y2, Raster_Pixel colour,
                 float alpha, int mode, bool antiAlias);

// Arc outline of radius r. Angles in radians, 0 pointing up and growing clockwise, as for
// the editor's radial lines; the arc runs from minAngle to maxAngle (swapped when given
// the other way round; a span of 2 pi or more is the full circle).
void Raster_Arc(Raster_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
                Raster_Pixel colour, float alpha, int mode, bool antiAlias);
void Raster_Circle(Raster_IBitmap* dest, float cx, float cy, float r, Raster_Pixel colour, float alpha,
                   int mode, bool antiAlias);
// Disc of the pixels no further than r from the centre (with anti-aliasing, an edge
// fading out over the half pixel beyond r).
void Raster_FillCircle(Raster_IBitmap* dest, float cx, float cy, float r, Raster_Pixel colour,
                       float alpha, int mode, bool antiAlias);

// Outline of the w x h rectangle at (x, y) (covering x .. x + w - 1) with circular corners
// whose centres lie cornerRadius pixels inside the corners. The radius is limited to
// what the rectangle can hold. Each pixel is drawn once.
void Raster_RoundRect(Raster_IBitmap* dest, int x, int y, int w, int h, int cornerRadius,
                      Raster_Pixel colour, float alpha, int mode, bool antiAlias);

// Fills exactly the pixels x .. x + w - 1, y .. y + h - 1.
void Raster_FillRect(Raster_IBitmap* dest, int x, int y, int w, int h, Raster_Pixel colour, float alpha,
                     int mode);

// Fills every pixel inside or on the edges of the polygon (vertices included).
void Raster_FillTriangle(Raster_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3,
                         Raster_Pixel colour, float alpha, int mode);
// Polygon of n points (xs[i], ys[i]), meant to be convex; for other shapes every row is
// filled between its leftmost and rightmost edge crossing.
void Raster_FillConvexPolygon(Raster_IBitmap* dest, const int* xs, const int* ys, int n,
                              Raster_Pixel colour, float alpha, int mode);
