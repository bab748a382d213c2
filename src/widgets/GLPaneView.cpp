#include "widgets/GLPaneView.h"

#include "ui/AppState.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <cstdio>

namespace {

MouseState StateOf(const QMouseEvent& e)
{
    MouseState s;
    const Qt::MouseButtons b = e.buttons();
    s.left = b.testFlag(Qt::LeftButton);
    s.right = b.testFlag(Qt::RightButton);
    s.middle = b.testFlag(Qt::MiddleButton);
    const Qt::KeyboardModifiers k = e.modifiers();
    s.shift = k.testFlag(Qt::ShiftModifier);
    s.ctrl = k.testFlag(Qt::ControlModifier);
    return s;
}

int X(const QMouseEvent& e)
{
    return static_cast<int>(e.position().x());
}
int Y(const QMouseEvent& e)
{
    return static_cast<int>(e.position().y());
}

} // namespace

CGLPaneView::CGLPaneView(QWidget* parent) : CPaneView(parent)
{
    camera_.Resize(width(), height());
    // The idle pass asks the active view first: the face count of the last
    // open stays readable instead of being emptied at once.
    Commands().Add(kPaneViewStatus, nullptr, [this](CCmdUI& ui) {
        ui.Enable(true);
        ui.SetText(ViewStatus());
    });
}

CGLPaneView::~CGLPaneView()
{
    if (glReady_ && context()) {
        makeCurrent();
        renderer_.ReleaseGL();
        doneCurrent();
    }
}

void CGLPaneView::OnUpdate(int hint)
{
    if (hint == kHintNewModel) {
        camera_.ResetCamera();
        camera_.Resize(width(), height());
        showsFaceCount_ = true;
    }
    if (showsFaceCount_ && hint != kHintDisplayFlags)
        emit StatusText(QString::fromStdString(ViewStatus()));
    CPaneView::OnUpdate(hint);
}

std::string CGLPaneView::ViewStatus() const
{
    if (!showsFaceCount_)
        return std::string();
    // While designing, the shape is the working copy, whose folds split
    // triangles; before that it is the model as opened.
    long long faces = 0;
    if (g_pModel)
        faces = g_pModel->designing ? static_cast<long long>(g_pModel->working.TriangleCount())
                                    : g_pModel->faceCount;
    char text[64];
    std::snprintf(text, sizeof text, "面数: %lld", faces);
    return text;
}

void CGLPaneView::initializeGL()
{
    // A reparented pane gets a new context: its lists are built again.
    renderer_.InitGL();
    glReady_ = true;
}

void CGLPaneView::resizeGL(int w, int h)
{
    // The camera works in the mouse's logical pixels, as the pane's size is.
    (void)w;
    (void)h;
    camera_.Resize(width(), height());
}

void CGLPaneView::paintGL()
{
    ++frameCount_;
    renderer_.BeginScene(camera_, devicePixelRatioF());
    if (g_pModel)
        DrawContents();
    renderer_.EndScene();
}

void CGLPaneView::mousePressEvent(QMouseEvent* event)
{
    if (!g_pModel)
        return;
    // The camera stays still while the left button drags.
    if (event->button() == Qt::RightButton && !event->buttons().testFlag(Qt::LeftButton))
        camera_.RightButtonDown(X(*event), Y(*event), StateOf(*event));
    else if (event->button() == Qt::LeftButton)
        LeftButtonDown(X(*event), Y(*event));
}

void CGLPaneView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!g_pModel)
        return;
    if (event->button() == Qt::RightButton)
        camera_.RightButtonUp();
    else if (event->button() == Qt::LeftButton)
        LeftButtonUp(X(*event), Y(*event));
}

void CGLPaneView::mouseMoveEvent(QMouseEvent* event)
{
    if (!g_pModel)
        return;
    const MouseState s = StateOf(*event);
    // The camera stays still while the left button drags.
    if (!s.left && camera_.MouseMove(X(*event), Y(*event), s) != CameraMove::None) {
        update();
        return;
    }
    if (!s.right && !s.middle)
        PlainMouseMove(X(*event), Y(*event), s);
}

void CGLPaneView::PlainMouseMove(int x, int y, const MouseState& s)
{
    if (s.left)
        return;
    camera_.lastX = x;
    camera_.lastY = y;
}

void CGLPaneView::wheelEvent(QWheelEvent* event)
{
    // The wheel works with or without a model.
    if (camera_.Wheel(event->angleDelta().y()))
        update();
    event->accept();
}
