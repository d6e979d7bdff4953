// Blits between bitmaps: 1:1, scaled and rotated, plus whole-bitmap copy and masked
// clearing. Everything is clipped to the destination (and to the source: pixels outside
// the source bitmap are never read); empty or fully clipped areas draw nothing. Null
// bitmaps are ignored. Opacity and mode as in raster/Blend.h; opacity 0 draws nothing.
// Calls on different destination bitmaps may run on different threads at once (sources
// are only read). No call allocates memory except a scaled or rotated blit whose source
// and destination are the same bitmap, which works from a copy.
#pragma once

#include "raster/Bitmap.h"
#include "raster/Blend.h"

// Combines the source rectangle (srcx, srcy, srcw, srch) 1:1 into dest at (dstx, dsty).
// Source and destination may be the same bitmap, with overlapping areas.
void Raster_Blit(Raster_IBitmap* dest, Raster_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
                 int srcw, int srch, float alpha, int mode);

// Resamples the source rectangle into the destination rectangle (dstx, dsty, dstw, dsth).
// Pixel centres map linearly between the two rectangles; which source pixel a destination
// pixel shows depends only on its place within the destination rectangle, so the same
// blit gives the same pixels wherever it lands, clipped or not. Nearest neighbour by
// default (a centre exactly on the edge between two source pixels takes the right or
// lower one: 8 pixels stretched to 17 show source pixel 4 at pixel 8);
// with kRasterModeFilterBilinear each pixel interpolates its four nearest source pixels,
// weighting colours by their alpha so transparent neighbours leave no dark fringes, and
// never reading beyond the source rectangle (its edge pixels are repeated).
void Raster_ScaledBlit(Raster_IBitmap* dest, Raster_IBitmap* src, int dstx, int dsty, int dstw,
                       int dsth, float srcx, float srcy, float srcw, float srch, float alpha,
                       int mode);

// Draws the source rectangle into the destination rectangle rotated by angle radians
// (positive turns clockwise on screen) about the rectangle's centre moved by
// (rotXCentre, rotYCentre). Only pixels inside the destination rectangle are written.
// With clipToSourceRect, destination pixels that map outside the source rectangle are
// left alone and nothing outside it is sampled; otherwise the whole source bitmap may be
// sampled. Filtering, edges and independence of where the rectangle lands as for
// Raster_ScaledBlit.
void Raster_RotatedBlit(Raster_IBitmap* dest, Raster_IBitmap* src, int dstx, int dsty, int dstw,
                        int dsth, float srcx, float srcy, float srcw, float srch, float angle,
                        bool clipToSourceRect, float alpha, int mode, float rotXCentre,
                        float rotYCentre);

// Resizes dest to src's size and copies every pixel. False (dest unchanged) when either
// is null or dest cannot take the size; copying a bitmap onto itself is a no-op success.
bool Raster_Copy(Raster_IBitmap* dest, Raster_IBitmap* src);

// Each pixel p of the clipped rectangle becomes (p AND keepMask) OR orBits.
void Raster_ClearRect(Raster_IBitmap* dest, int x, int y, int w, int h, Raster_Pixel keepMask,
                      Raster_Pixel orBits);
