#include "widgets/FrameView.h"

CFrameView::CFrameView(QWidget* parent) : CPaneView(parent) {}

CFrameView::~CFrameView() = default;
