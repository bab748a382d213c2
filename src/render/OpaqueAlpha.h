#pragma once
// Blending leaves the framebuffer's alpha below 1 where it drew: a grab that
// keeps alpha then reads washed-out colours, and a window with an alpha
// channel would let the desktop show through. Every pane ends its frame with
// this.

// Clears only the alpha channel of the current framebuffer to 1. The colour
// write mask and the clear colour are left as they were. Needs a current context.
void ClearAlphaToOpaque();
