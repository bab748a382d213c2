#include "widgets/KelmarzuView.h"

#include "design/DesignSession.h"
#include "render/SliceRenderer.h"
#include "ui/AppState.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>

CKelmarzuView::CKelmarzuView(const CDesignSession& session, QWidget* parent)
    : CPaneView(parent), session_(session)
{
}

CKelmarzuView::~CKelmarzuView() = default;

void CKelmarzuView::initializeGL()
{
    InitNetViewGL();
}

bool CKelmarzuView::ShowsPattern()
{
    return g_pModel && !qwfModel;
}

void CKelmarzuView::OnUpdate(int hint)
{
    if (hint == kHintNewModel) {
        pattern_.Attach(ShowsPattern() ? g_pModel.get() : nullptr);
        // Slice models keep the pan and zoom they had.
        if (ShowsPattern())
            pattern_.Fit(controller_);
    } else {
        pattern_.Invalidate();
    }
    CPaneView::OnUpdate(hint);
}

void CKelmarzuView::FollowDesign(bool shapeChanged)
{
    if (shapeChanged) {
        pattern_.Invalidate();
        if (ShowsPattern() && pattern_.Model() == g_pModel.get() && pattern_.HasPaper()) {
            // Built beside the design view's drawing; the pane redraws once it is ready.
            pattern_.RefreshOnHelper([this] {
                QMetaObject::invokeMethod(
                    this, [this] { update(); }, Qt::QueuedConnection);
            });
            return;
        }
    }
    update();
}

void CKelmarzuView::paintGL()
{
    ++frameCount_;
    if (ShowsPattern() && pattern_.Model() == g_pModel.get()) {
        // A build still running on the helper leaves the last pattern (one
        // step behind) and redraws the pane when it is done.
        pattern_.SetShowBends(showBends);
        pattern_.RefreshUnlessBuilding();
        std::optional<CPaperPoint> selected;
        if (session_.Model() == g_pModel.get())
            selected = CCreasePatternPane::CornerPaper(*g_pModel, session_.SelectedCorner());
        DrawNetPattern(controller_, pattern_, selected ? &*selected : nullptr, devicePixelRatioF());
        return;
    }
    const CSlicePlane* slice = nullptr;
    if (g_pModel && !g_pModel->planes.empty())
        slice = g_pModel->pickedPlane;
    DrawNetView(controller_, slice, devicePixelRatioF());
}

void CKelmarzuView::resizeEvent(QResizeEvent* event)
{
    controller_.Resize(event->size().width(), event->size().height());
    lastNetViewHeight = event->size().height();
    // Until the user pans or zooms, the paper keeps filling the pane.
    if (ShowsPattern() && pattern_.FitUntouched(controller_))
        pattern_.Fit(controller_);
    CPaneView::resizeEvent(event);
}

void CKelmarzuView::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    switch (event->button()) {
    case Qt::LeftButton:
        controller_.LeftDown(p.x(), p.y(), qwfModel);
        break;
    case Qt::MiddleButton:
        controller_.MiddleDown(p.x(), p.y());
        break;
    case Qt::RightButton:
        // The pattern pans and zooms with the right button as slices do.
        controller_.RightDown(p.x(), p.y(), qwfModel || ShowsPattern());
        break;
    default:
        break;
    }
    CPaneView::mousePressEvent(event);
}

void CKelmarzuView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        if (controller_.LeftUp(g_pModel.get(), p.x(), p.y()))
            update();
    }
    CPaneView::mouseReleaseEvent(event);
}

void CKelmarzuView::mouseMoveEvent(QMouseEvent* event)
{
    NetViewButtons b;
    b.right = event->buttons() & Qt::RightButton;
    b.middle = event->buttons() & Qt::MiddleButton;
    b.ctrl = event->modifiers() & Qt::ControlModifier;
    b.shift = event->modifiers() & Qt::ShiftModifier;
    const QPoint p = event->position().toPoint();
    if (controller_.MouseMove(p.x(), p.y(), b))
        update();
    CPaneView::mouseMoveEvent(event);
}

void CKelmarzuView::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta != 0 && controller_.Wheel(delta, g_pModel != nullptr))
        update();
    event->accept();
}

void CKelmarzuView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        if (controller_.DeleteKey(g_pModel.get()))
            emit UpdateAllViewsRequested(kHintDisplayFlags);
        event->accept();
        return;
    }
    CPaneView::keyPressEvent(event);
}
