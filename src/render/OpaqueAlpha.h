#pragma once
// A QOpenGLWidget draws into a framebuffer object whose alpha channel blending
// leaves below 1; QWidget::grab() then reads washed-out colours. Every pane ends
// its frame with this.

// Clears only the alpha channel of the current framebuffer to 1. The colour
// write mask and the clear colour are left as they were. Needs a current context.
void ClearAlphaToOpaque();
