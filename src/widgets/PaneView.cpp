#include "widgets/PaneView.h"

#include "render/OpaqueAlpha.h"

#include <QOpenGLFunctions>

CPaneView::CPaneView(QWidget* parent) : QOpenGLWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(0, 0);
}

CPaneView::~CPaneView() = default;

void CPaneView::OnUpdate(int hint)
{
    lastHint_ = hint;
    ++updateCount_;
    update();
}

void CPaneView::initializeGL() {}

void CPaneView::paintGL()
{
    QOpenGLFunctions* gl = context()->functions();
    gl->glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    FinishFrame();
}

void CPaneView::FinishFrame()
{
    ClearAlphaToOpaque();
}
