#pragma once
// The section view (3D slices in space): the camera and the hints of every 3D
// pane, the model's slices drawn in space, and a left click that picks the
// slice whose outline passes nearest to the pointer.

#include "widgets/GLPaneView.h"

class CFrameView : public CGLPaneView {
    Q_OBJECT
public:
    explicit CFrameView(QWidget* parent = nullptr);
    ~CFrameView() override;

protected:
    // Every slice's outlines, translucent fills and, for the picked slice,
    // its intersection lines; never the model's surface.
    void DrawContents() override;
    void LeftButtonDown(int x, int y) override;
    // A release within 3 pixels of the press is a click: the nearest outline
    // within 10 pixels makes its slice the picked one, and every view hears
    // hint 0 (also when nothing was near).
    void LeftButtonUp(int x, int y) override;
};
