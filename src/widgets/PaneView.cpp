#include "widgets/PaneView.h"

#include "render/OpaqueAlpha.h"

#include <QCoreApplication>
#include <QEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWindow>
#include <QPainter>
#include <QSurfaceFormat>
#include <QVBoxLayout>

// The native OpenGL window of a pane. It draws through the pane's virtuals
// and passes every input event on to the pane widget.
class CPaneSurface : public QOpenGLWindow {
public:
    explicit CPaneSurface(CPaneView* pane)
        : QOpenGLWindow(QOpenGLWindow::NoPartialUpdate), pane_(pane)
    {
        // A click must not take the keyboard from the window the pane is in:
        // keys reach the pane as the focus widget there.
        setFlag(Qt::WindowDoesNotAcceptFocus);
        // A window's format asks for no depth buffer unless told; the
        // off-screen buffer the panes drew into had 24 bits.
        QSurfaceFormat format = QSurfaceFormat::defaultFormat();
        if (format.depthBufferSize() < 24)
            format.setDepthBufferSize(24);
        setFormat(format);
    }

    void Schedule()
    {
        // update() marks the window dirty but paints only after the platform's
        // idle delay (5 ms on X11); our own request paints on the next pass
        // of the event loop, as a widget's update does.
        QOpenGLWindow::update();
        if (!posted_) {
            posted_ = true;
            QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest),
                                        Qt::LowEventPriority);
        }
    }

    // Paints now if the window exists but was never painted, so that its
    // context exists.
    void EnsureContext()
    {
        if (isValid() || !handle())
            return;
        QOpenGLWindow::update();
        QEvent paint(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(this, &paint);
    }

protected:
    void initializeGL() override { pane_->initializeGL(); }
    void resizeGL(int w, int h) override { pane_->resizeGL(w, h); }
    void paintGL() override { pane_->paintGL(); }

    bool event(QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::UpdateRequest:
            posted_ = false;
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // What a click on a widget with a strong focus policy does.
            if (pane_->focusPolicy() & Qt::ClickFocus)
                pane_->setFocus(Qt::MouseFocusReason);
            [[fallthrough]];
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::DragLeave:
        case QEvent::Drop:
            // The window lies at the pane's origin at the pane's size, so the
            // positions need no mapping.
            QCoreApplication::sendEvent(pane_, e);
            return true;
        default:
            break;
        }
        return QOpenGLWindow::event(e);
    }

private:
    CPaneView* pane_;
    bool posted_ = false;
};

CPaneView::CPaneView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(0, 0);
    surface_ = new CPaneSurface(this);
    QWidget* container = QWidget::createWindowContainer(surface_, this);
    container->setFocusPolicy(Qt::NoFocus);
    // Events a test synthesises on the main window arrive at the container,
    // not the native window: with tracking on, plain moves pass on up to
    // the pane like every other mouse event the container ignores.
    container->setMouseTracking(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(container);
}

CPaneView::~CPaneView() = default;

void CPaneView::OnUpdate(int hint)
{
    lastHint_ = hint;
    ++updateCount_;
    update();
}

void CPaneView::update()
{
    surface_->Schedule();
}

QOpenGLContext* CPaneView::context() const
{
    return surface_->context();
}

void CPaneView::makeCurrent()
{
    surface_->makeCurrent();
}

void CPaneView::doneCurrent()
{
    surface_->doneCurrent();
}

QImage CPaneView::grabFramebuffer()
{
    // The native window takes a new size when the X server confirms it; a
    // grab right after a resize waits for that rather than read a picture of
    // the old size.
    for (int i = 0; i < 50 && surface_->handle() && surface_->size() != size(); ++i)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    surface_->EnsureContext();
    if (!surface_->isValid())
        return QImage();
    // Drawn into the back buffer and read from there before any swap.
    surface_->makeCurrent();
    paintGL();
    return surface_->grabFramebuffer();
}

void CPaneView::initializeGL() {}

void CPaneView::resizeGL(int /*w*/, int /*h*/) {}

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

QImage GrabWindowWithPanes(QWidget* window)
{
    QImage image = window->grab().toImage();
    QPainter painter(&image);
    for (CPaneView* pane : window->findChildren<CPaneView*>()) {
        if (!pane->isVisible())
            continue;
        const QImage picture = pane->grabFramebuffer();
        if (!picture.isNull())
            painter.drawImage(QRect(pane->mapTo(window, QPoint(0, 0)), pane->size()), picture);
    }
    return image;
}
