#include "widgets/PaneView.h"

#include "render/OpaqueAlpha.h"

#include <QCoreApplication>
#include <QEvent>
#include <QExposeEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QResizeEvent>
#include <QSurfaceFormat>
#include <QVBoxLayout>
#include <QWindow>

#include <memory>

// The native OpenGL window of a pane. It draws through the pane's virtuals
// and passes every input event on to the pane widget. It is a plain window
// with a context of its own, so that a paint happens exactly when asked: once
// on the next pass of the event loop for any number of requests, and on an
// expose.
class CPaneSurface : public QWindow {
public:
    explicit CPaneSurface(CPaneView* pane) : pane_(pane)
    {
        setSurfaceType(QSurface::OpenGLSurface);
        // A click must not take the keyboard from the window the pane is in:
        // keys reach the pane as the focus widget there.
        setFlag(Qt::WindowDoesNotAcceptFocus);
        // A window's format asks for no depth buffer unless told.
        QSurfaceFormat format = QSurfaceFormat::defaultFormat();
        if (format.depthBufferSize() < 24)
            format.setDepthBufferSize(24);
        setFormat(format);
    }

    QOpenGLContext* Context() const { return context_.get(); }

    bool MakeCurrent()
    {
        if (!handle())
            return false;
        if (!context_) {
            auto context = std::make_unique<QOpenGLContext>();
            context->setFormat(requestedFormat());
            if (!context->create() || !context->makeCurrent(this))
                return false;
            context_ = std::move(context);
            pane_->initializeGL();
            resized_ = true;
            return true;
        }
        return context_->makeCurrent(this);
    }

    void DoneCurrent()
    {
        if (context_)
            context_->doneCurrent();
    }

    void Schedule()
    {
        if (posted_)
            return;
        posted_ = true;
        QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    }

    // Draws the picture into the back buffer, and shows it when `show`.
    bool Render(bool show)
    {
        if (!MakeCurrent())
            return false;
        if (resized_) {
            resized_ = false;
            pane_->resizeGL(width(), height());
        }
        pane_->paintGL();
        if (show)
            context_->swapBuffers(this);
        return true;
    }

protected:
    void exposeEvent(QExposeEvent*) override
    {
        if (isExposed())
            Render(true);
    }

    void resizeEvent(QResizeEvent*) override { resized_ = true; }

    bool event(QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::UpdateRequest:
            posted_ = false;
            if (isExposed())
                Render(true);
            return true;
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
        return QWindow::event(e);
    }

private:
    CPaneView* pane_;
    std::unique_ptr<QOpenGLContext> context_;
    bool posted_ = false;
    bool resized_ = true;
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

QWindow* CPaneView::Surface() const
{
    return surface_;
}

void CPaneView::SetPointerShape(Qt::CursorShape shape)
{
    if (cursor().shape() == shape && surface_->cursor().shape() == shape)
        return;
    setCursor(shape);
    surface_->setCursor(shape);
}

QOpenGLContext* CPaneView::context() const
{
    return surface_->Context();
}

void CPaneView::makeCurrent()
{
    surface_->MakeCurrent();
}

void CPaneView::doneCurrent()
{
    surface_->DoneCurrent();
}

QImage CPaneView::grabFramebuffer()
{
    // The native window takes a new size when the X server confirms it; a
    // grab right after a resize waits for that rather than read a picture of
    // the old size.
    for (int i = 0; i < 50 && surface_->handle() && surface_->size() != size(); ++i)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    // Drawn into the back buffer and read from there before any swap.
    if (!surface_->Render(false))
        return QImage();
    const qreal ratio = surface_->devicePixelRatio();
    const int w = qRound(surface_->width() * ratio);
    const int h = qRound(surface_->height() * ratio);
    QImage image(w, h, QImage::Format_RGBA8888);
    QOpenGLFunctions* gl = context()->functions();
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    image = image.mirrored().convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    return image;
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
