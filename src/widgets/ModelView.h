#pragma once
// The design view (3D, reflection design): the pane where the user folds the
// model. Mouse and key events drive a CDesignController; of the three
// panes only this one redraws while the user highlights, selects and drags,
// and it tells whoever follows the design (the net view) through
// DesignChanged. Triangles that pass through each other are tinted, checked
// as often as the drag can afford (CIntersectionMonitor), and the count goes
// to the intersections pane. Escape during a drag puts the shape back as it
// was at the press. Records its width for the profile.

#include "design/DesignController.h"
#include "design/DesignSession.h"
#include "design/IntersectionMonitor.h"
#include "widgets/GLPaneView.h"

class CModelView : public CGLPaneView {
    Q_OBJECT
public:
    explicit CModelView(QWidget* parent = nullptr);
    ~CModelView() override;

    // Hint 16 scales the new model into the unit cube and attaches it; hint
    // 1000 forgets the highlight and selection (the shape was replaced). Both
    // check the new shape for intersections.
    void OnUpdate(int hint) override;

    // The design session the main window's Undo goes through.
    CDesignSession& Session() { return session_; }
    const CDesignController& Controller() const { return controller_; }
    const CIntersectionMonitor& Intersections() const { return intersections_; }
    // Fit Model: the camera takes in the whole shape, looking as it does now.
    void FitModel();

signals:
    // After every accepted drag step (shapeChanged true) and every change of
    // the selection by a click, SPACE or Fix Shape (false). Never on a hover.
    void DesignChanged(bool shapeChanged);
    // After Fix Shape committed the shape.
    void ShapeFixed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void DrawContents() override;
    void LeftButtonDown(int x, int y) override;
    void LeftButtonUp(int x, int y) override;
    void PlainMouseMove(int x, int y, const MouseState& s) override;

private:
    // The cursor says what a press there would do: move the vertex, take a handle.
    void ShowPressTarget(int x, int y);

    CDesignSession session_;
    CDesignController controller_;
    CIntersectionMonitor intersections_;
};
