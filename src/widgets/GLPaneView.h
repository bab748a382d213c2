#pragma once
// What the two 3D panes share: the camera with its right/middle-button and
// wheel mapping, the scene drawing around each pane's own contents, the
// reaction to the document's hints and the status texts of a new model.
// The left button and the plain mouse move are each pane's own.

#include "render/SceneRenderer.h"
#include "view3d/ViewCamera.h"
#include "widgets/PaneView.h"

#include <string>

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

class CGLPaneView : public CPaneView {
    Q_OBJECT
public:
    explicit CGLPaneView(QWidget* parent = nullptr);
    // Frees the pane's display lists while its context still exists.
    ~CGLPaneView() override;

    // Hint 16 resets the camera and from then on shows the face count of
    // the shape on screen; every hint redraws this pane.
    void OnUpdate(int hint) override;

    const CViewCamera& Camera() const { return camera_; }
    CViewCamera& Camera() { return camera_; }
    // Frames painted so far (each paintGL).
    int FrameCount() const { return frameCount_; }
    // Seconds the drawing spent refreshing its face arrays so far.
    double PrepareSeconds() const { return renderer_.RefreshSeconds(); }
    // The text this pane keeps in the view status pane ("" before any open):
    // the faces of the shape as it is now, folds and steps back included.
    std::string ViewStatus() const;

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    // The pane's contents between the scene set-up and its end; called only
    // while a model is loaded.
    virtual void DrawContents() {}
    // Left button and plain moves; called only while a model is loaded.
    virtual void LeftButtonDown(int /*x*/, int /*y*/) {}
    virtual void LeftButtonUp(int /*x*/, int /*y*/) {}
    // A move that no camera row took (no right or middle button); `s` holds
    // the left button and the Shift and Ctrl keys.
    virtual void PlainMouseMove(int x, int y, const MouseState& s);

    CSceneRenderer& Renderer() { return renderer_; }

private:
    CViewCamera camera_;
    CSceneRenderer renderer_;
    bool showsFaceCount_ = false;
    int frameCount_ = 0;
    bool glReady_ = false;
};
