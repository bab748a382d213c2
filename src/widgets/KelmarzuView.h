#pragma once
// The net view: for a slice model the picked slice laid flat, for any other
// model the crease pattern of the shape being designed. Events go to the
// core's CNetViewController, the pattern's bookkeeping to CCreasePatternPane;
// drawing to the GL layer. Records its height for the profile.

#include "panes/CreasePatternPane.h"
#include "panes/NetViewController.h"
#include "widgets/PaneView.h"

class CDesignSession;

class CKelmarzuView : public CPaneView {
    Q_OBJECT
public:
    // `session`: the design session whose selected vertex the pattern marks.
    explicit CKelmarzuView(const CDesignSession& session, QWidget* parent = nullptr);
    ~CKelmarzuView() override;

    // Pan, zoom, sheet scale and the click anchors (read by tests).
    const CNetViewController& Controller() const { return controller_; }
    const CCreasePatternPane& Pattern() const { return pattern_; }
    // Frames painted so far.
    int FrameCount() const { return frameCount_; }

    // Hint 16 attaches the new model's pattern and fits its paper; every
    // other hint may have replaced the shape (Undo, Redo), so the pattern is
    // rebuilt before the next frame.
    void OnUpdate(int hint) override;
    // The design view folded (shapeChanged) or only changed its selection:
    // the pane redraws, in the former case once the pattern of the new shape
    // was built on the helper thread. Not a document hint, so the other panes
    // keep still during a drag.
    void FollowDesign(bool shapeChanged);

protected:
    void initializeGL() override;
    void paintGL() override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The current model is shown as a crease pattern rather than slices.
    static bool ShowsPattern();

    CNetViewController controller_;
    CCreasePatternPane pattern_;
    const CDesignSession& session_;
    int frameCount_ = 0;
};
