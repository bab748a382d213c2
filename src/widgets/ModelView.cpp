#include "widgets/ModelView.h"

#include "model/PolyModel.h"
#include "ui/AppState.h"

#include <QKeyEvent>

#include <QResizeEvent>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>

CModelView::CModelView(CDesignSession& session, QWidget* parent)
    : CGLPaneView(parent), session_(session), controller_(session_, Camera())
{
    simulationPoll_ = new QTimer(this);
    simulationPoll_->setInterval(10);
    connect(simulationPoll_, &QTimer::timeout, this, [this] {
        if (simulation_.Collect()) {
            update();
            emit SimulationChanged();
        }
        if (!simulation_.Busy())
            simulationPoll_->stop();
    });
    // Reaches a handler only while this pane is the active view.
    Commands().Add(
        kCmdFixShape,
        [this] {
            if (!controller_.FixShape())
                return;
            intersections_.Replaced(g_pModel.get(), controller_.ShapeRevision());
            update();
            emit DesignChanged(false); // committed as it stands: only the mark goes
            emit ShapeFixed();
        },
        [this](CCmdUI& ui) { ui.Enable(controller_.CanFixShape() && !simulation_.Active()); });
    // The main window asks this rule directly, whichever pane is active.
    Commands().Add(kPaneIntersections, nullptr,
                   [this](CCmdUI& ui) { ui.SetText(intersections_.PaneText(g_pModel.get())); });
    Commands().Add(kPaneFoldAngle, nullptr, [this](CCmdUI& ui) {
        std::string text;
        if (session_.HasSelection() && session_.FoldAngle()) {
            char buf[48];
            std::snprintf(buf, sizeof buf, "Fold angle: %.1f\u00b0", *session_.FoldAngle());
            text = buf;
        }
        ui.SetText(text);
    });
}

CModelView::~CModelView() = default;

bool CModelView::BeginSimulation(std::string& why)
{
    if (!g_pModel) {
        why = "There is no model to fold.";
        return false;
    }
    if (!simulation_.Begin(*g_pModel, why))
        return false;
    simulationPoll_->start();
    update();
    return true;
}

void CModelView::AskSimulation(double percent, FacetTargets targets)
{
    simulation_.Request(percent, targets);
    simulationPoll_->start();
}

void CModelView::PlaySimulation()
{
    simulation_.Play();
    simulationPoll_->start();
}

void CModelView::EndSimulation()
{
    simulationPoll_->stop();
    simulation_.End();
    update();
}

void CModelView::OnUpdate(int hint)
{
    // A model replaced from outside has a pattern of its own.
    if (hint == kHintNewModel || hint == kHintUndo)
        EndSimulation();
    // The shape (or the whole model) may have been replaced behind the
    // session's back: it lets go of every record it pointed at.
    if (hint == kHintNewModel || hint == kHintUndo) {
        controller_.AttachModel(g_pModel.get());
        intersections_.Replaced(g_pModel.get(), controller_.ShapeRevision());
    }
    CGLPaneView::OnUpdate(hint);
}

void CModelView::FitModel()
{
    if (!g_pModel)
        return;
    CVector3 lo{kDoubleMax, kDoubleMax, kDoubleMax}, hi{-kDoubleMax, -kDoubleMax, -kDoubleMax};
    ForEachShapeCorner(*g_pModel, [&](int64_t, const CVector3& p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    });
    Camera().FitBox(lo, hi);
    update();
}

void CModelView::resizeEvent(QResizeEvent* event)
{
    lastDesignViewWidth = event->size().width();
    CGLPaneView::resizeEvent(event);
}

void CModelView::keyPressEvent(QKeyEvent* event)
{
    if (simulation_.Active()) {
        CGLPaneView::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Escape && controller_.Dragging()) {
        intersections_.BeginStep();
        const bool changed = controller_.CancelDrag();
        intersections_.EndStep(g_pModel.get(), controller_.ShapeRevision());
        update();
        emit DesignChanged(changed);
        return;
    }
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        controller_.Space();
        update();
        emit DesignChanged(false);
        return;
    }
    CGLPaneView::keyPressEvent(event);
}

void CModelView::DrawContents()
{
    if (simulation_.Active()) {
        SimulationSceneState sim;
        sim.positions = &simulation_.ShownPositions();
        sim.tris = &simulation_.Pattern().tris;
        sim.strain = simulation_.Result() ? &simulation_.Result()->strain : nullptr;
        sim.ghost = &simulation_.DesignPositions();
        sim.showEdges = showEdges;
        sim.revision = simulation_.ShownRevision();
        simulationArrays_.Draw(sim);
        return;
    }
    DesignSceneState state;
    state.showFaces = showFaces;
    state.showEdges = showEdges;
    const CVector3* selected = session_.SelectedPos();
    state.highlighted = session_.HighlightedPos();
    state.selected = selected;
    state.shapeRevision = controller_.ShapeRevision();
    state.handleLength = CDesignSession::kHandleLength;
    if (intersections_.Current(g_pModel.get(), state.shapeRevision))
        state.warning = &intersections_.WarningTriangles();
    Renderer().DrawDesignContents(*g_pModel, state);
    if (selected)
        Renderer().DrawHandles(*selected, state.handleLength);
}

void CModelView::LeftButtonDown(int x, int y)
{
    if (simulation_.Active())
        return;
    controller_.LeftButtonDown(x, y);
}

void CModelView::ShowPressTarget(int x, int y)
{
    switch (controller_.TargetAt(x, y)) {
    case CDesignController::PressTarget::Vertex:
        SetPointerShape(Qt::SizeAllCursor);
        break;
    case CDesignController::PressTarget::Handle:
        SetPointerShape(Qt::PointingHandCursor);
        break;
    case CDesignController::PressTarget::None:
        SetPointerShape(Qt::ArrowCursor);
        break;
    }
}

void CModelView::LeftButtonUp(int x, int y)
{
    if (simulation_.Active())
        return;
    // The release also puts a vertex moved by rejected steps back on the
    // surface shown, so the pane redraws in either case.
    controller_.EndLeftClick();
    intersections_.Released(g_pModel.get(), controller_.ShapeRevision());
    update();
    ShowPressTarget(x, y);
    // A click may select a vertex; the shape itself stays as drawn.
    emit DesignChanged(false);
}

void CModelView::PlainMouseMove(int x, int y, const MouseState& s)
{
    if (simulation_.Active())
        return;
    if (!s.left) {
        if (controller_.UpdateHighlight(x, y))
            update();
        ShowPressTarget(x, y);
        return;
    }
    intersections_.BeginStep();
    const bool changed = controller_.Drag(x, y, s.shift);
    intersections_.EndStep(g_pModel.get(), controller_.ShapeRevision());
    if (changed) {
        update();
        emit DesignChanged(true);
    }
}
