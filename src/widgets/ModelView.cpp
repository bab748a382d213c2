#include "widgets/ModelView.h"

#include "app/AppState.h"

#include <QResizeEvent>

CModelView::CModelView(QWidget* parent) : CPaneView(parent) {}

CModelView::~CModelView() = default;

void CModelView::resizeEvent(QResizeEvent* event)
{
    lastDesignViewWidth = event->size().width();
    CPaneView::resizeEvent(event);
}
