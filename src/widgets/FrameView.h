#pragma once
// The section view (3D slices in space): the camera and the hints of every 3D
// pane; a left click records the press position for the slice pick.

#include "widgets/GLPaneView.h"

class CFrameView : public CGLPaneView {
    Q_OBJECT
public:
    explicit CFrameView(QWidget* parent = nullptr);
    ~CFrameView() override;

protected:
    void LeftButtonDown(int x, int y) override;
};
