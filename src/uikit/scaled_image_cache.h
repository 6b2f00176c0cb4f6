#pragma once
// Parts of skin images as drawn at their size on screen, kept in surfaces like the paint
// target (X pixmaps on an X11 display). An animated page repaints its pictures ten times a
// second: drawing a kept part is a plain copy, where drawing the image itself filters it and,
// on X11, uploads it again on every paint.
#include <cairo.h>

#include "uikit/ui_types.h"

namespace kx58::ui {

// The part `src` of `image` drawn at `width` x `height`, ready to paint on `target` with
// an identity transform; null when it is not kept (too large, or a target it cannot be like),
// and the caller draws the image itself. A new reference: the caller destroys it. `image` must
// outlive the cache (the process's decoded images do).
cairo_surface_t* ScaledImagePart(cairo_surface_t* target, cairo_surface_t* image, const RECT& src, int width,
                                 int height);

// Forgets every kept part (a display going away, tests).
void ClearScaledImageParts();

}  // namespace kx58::ui
