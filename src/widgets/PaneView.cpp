#include "widgets/PaneView.h"

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
    QOpenGLFunctions* gl = context()->functions();
    GLboolean mask[4];
    gl->glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    gl->glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    gl->glColorMask(mask[0], mask[1], mask[2], mask[3]);
}
