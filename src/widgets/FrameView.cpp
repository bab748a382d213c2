#include "widgets/FrameView.h"

#include "model/PolyModel.h"
#include "panes/SectionPick.h"
#include "ui/AppState.h"
#include "render/SliceRenderer.h"

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
    const CViewCamera& cam = Camera();
    const WindowProjection project = [&cam](const CVector3& p, double& wx, double& wy) {
        return cam.ProjectToWindow(p, wx, wy);
    };
    if (SectionViewClick(g_pModel.get(), cam.downX, cam.downY, x, y, cam.height, project))
        emit UpdateAllViewsRequested(kHintDisplayFlags);
}
