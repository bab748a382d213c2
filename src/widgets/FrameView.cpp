#include "widgets/FrameView.h"

CFrameView::CFrameView(QWidget* parent) : CGLPaneView(parent) {}

CFrameView::~CFrameView() = default;

void CFrameView::LeftButtonDown(int x, int y) {
    Camera().downX = x;
    Camera().downY = y;
}
