#pragma once
// Common shell of the three panes: a widget whose picture is drawn with
// OpenGL, that hears the document's change notifications through OnUpdate and
// can own commands (a handler and an enable rule per id) that the main window
// asks it first while it is the active view.
//
// The picture lives in a native OpenGL window inside the widget, not in an
// off-screen buffer composed onto the window: that composition cost about
// 10 ms a frame whatever was drawn. The window hands its input to the widget,
// so events, focus and commands stay the widget's as before.

#include "ui/CommandMap.h"

#include <QImage>
#include <QString>
#include <QWidget>

class QOpenGLContext;
class QWindow;
class CPaneSurface;

class CPaneView : public QWidget {
    Q_OBJECT
public:
    explicit CPaneView(QWidget* parent = nullptr);
    ~CPaneView() override;

    // Called for every change notification of the document (hint codes in
    // ui/AppState.h). The default redraws.
    virtual void OnUpdate(int hint);

    // Commands this view handles while it is the active view.
    CCommandMap& Commands() { return commands_; }
    const CCommandMap& Commands() const { return commands_; }

    // The last hint received and how many arrived, for the status of the pane.
    int LastHint() const { return lastHint_; }
    int UpdateCount() const { return updateCount_; }

    // Asks for the picture to be drawn again once the event loop runs; any
    // number of calls before then draw once.
    void update();
    // The pane's OpenGL context, or null before the pane was first shown.
    QOpenGLContext* context() const;
    // Makes the context current on the pane's surface (nothing before the
    // pane was first shown), and releases it.
    void makeCurrent();
    void doneCurrent();
    // Draws the picture as it is now and returns it (null before the pane
    // was first shown).
    QImage grabFramebuffer();
    // The native window the picture is drawn in, which the X server hands
    // the pointer's events to.
    QWindow* Surface() const;
    // The pointer's shape over the pane. The X server shows the native
    // window's cursor, not the widget's, so both take it.
    void SetPointerShape(Qt::CursorShape shape);

signals:
    // A text for the status bar's view pane; it lasts until the next idle pass.
    void StatusText(const QString& text);
    // Asks the document to call OnUpdate(hint) on every view, this one included.
    void UpdateAllViewsRequested(int hint);

protected:
    // Called with the context current: once when it is made, on each resize
    // (in logical pixels) and for each picture.
    virtual void initializeGL();
    virtual void resizeGL(int w, int h);
    virtual void paintGL();
    // Makes the whole framebuffer opaque so grabs read the colours drawn.
    void FinishFrame();

private:
    friend class CPaneSurface;

    CPaneSurface* surface_ = nullptr; // owned by its container, a child widget
    CCommandMap commands_;
    int lastHint_ = -1;
    int updateCount_ = 0;
};

// A whole window's picture with the panes' OpenGL pictures in place, which
// QWidget::grab() alone does not see.
QImage GrabWindowWithPanes(QWidget* window);
