#include "widgets/FrameView.h"

#include "model/PolyModel.h"
#include "slices/SectionPick.h"
#include "ui/AppState.h"
#include "view3d/gl/SliceRenderer.h"

CFrameView::CFrameView(QWidget* parent) : CGLPaneView(parent) {}

CFrameView::~CFrameView() = default;

void CFrameView::DrawContents()
{
    DrawSectionSlices(*g_pModel, devicePixelRatioF());
}

void CFrameView::LeftButtonDown(int x, int y)
{
    Camera().downX = x;
    Camera().downY = y;
}

void CFrameView::LeftButtonUp(int x, int y)
{
    if (SectionViewClick(g_pModel.get(), Camera(), x, y))
        emit UpdateAllViewsRequested(kHintDisplayFlags);
}
