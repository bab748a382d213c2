#include "widgets/KelmarzuView.h"

#include "app/AppState.h"

#include <QResizeEvent>

CKelmarzuView::CKelmarzuView(QWidget* parent) : CPaneView(parent) {}

CKelmarzuView::~CKelmarzuView() = default;

void CKelmarzuView::resizeEvent(QResizeEvent* event)
{
    lastNetViewHeight = event->size().height();
    CPaneView::resizeEvent(event);
}
