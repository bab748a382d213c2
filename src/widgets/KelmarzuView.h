#pragma once
// The net view: the picked slice of the current model laid flat. Events go
// to the core's CNetViewController; drawing to the GL layer. Records its
// height for the profile.

#include "slices/NetViewController.h"
#include "widgets/PaneView.h"

class CKelmarzuView : public CPaneView {
    Q_OBJECT
public:
    explicit CKelmarzuView(QWidget* parent = nullptr);
    ~CKelmarzuView() override;

    // Pan, zoom, sheet scale and the click anchors (read by tests).
    const CNetViewController& Controller() const { return controller_; }

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
    CNetViewController controller_;
};
