#pragma once
// The Kestrion editor's surface: the macOS editor window and view for a plug-in, sized and
// refreshed as asked, whose bitmaps come from the Kestrion bundle's resources.

class IEffectAU;
class IGraphicsMac;

// The surface for plug, width x height pixels, checking for redraws fps times a second
// (0: the editor's default), with the Kestrion bundle identifier set. Exists only in builds
// that have the editor (KESTRION_EDITOR).
IGraphicsMac* MakeGraphics(IEffectAU* plug, int width, int height, int fps);
