#pragma once
// The design view (3D, reflection design): the pane where the user folds the
// model. Mouse and key events drive a CDesignController; of the three
// panes only this one redraws while the user highlights, selects and drags,
// and it tells whoever follows the design (the net view) through
// DesignChanged. Triangles that pass through each other are tinted, checked
// as often as the drag can afford (CIntersectionMonitor), and the count goes
// to the intersections pane. Escape during a drag puts the shape back as it
// was at the press. Records its width for the profile.

#include "design/DesignSession.h"
#include "panes/DesignController.h"
#include "panes/IntersectionMonitor.h"
#include "panes/SimulationMode.h"
#include "render/SimulationDrawing.h"
#include "widgets/GLPaneView.h"

#include <string>

class QTimer;

class CModelView : public CGLPaneView {
    Q_OBJECT
public:
    explicit CModelView(CDesignSession& session, QWidget* parent = nullptr);
    ~CModelView() override;

    // Hint 16 (a new model, already scaled by the open routine) and hint 1000
    // (the shape was replaced) attach the shape anew: the highlight and
    // selection are forgotten and the new shape is checked for intersections.
    void OnUpdate(int hint) override;

    const CDesignController& Controller() const { return controller_; }
    const CIntersectionMonitor& Intersections() const { return intersections_; }
    // Fit Model: the camera takes in the whole shape, looking as it does now.
    void FitModel();

    // "Simulate Fold": the view shows the current model's crease pattern
    // folded by the simulation instead of the design, and the left button
    // does nothing. False, with `why`, when the model has no sheet to fold.
    bool BeginSimulation(std::string& why);
    // Back to the design exactly as it was.
    void EndSimulation();
    bool Simulating() const { return simulation_.Active(); }
    // The slider and Play: the asked fold is solved beside the window and
    // shown when it arrives (SimulationChanged).
    void AskSimulation(double percent, FacetTargets targets);
    void PlaySimulation();
    CSimulationMode& Simulation() { return simulation_; }

signals:
    // After every accepted drag step (shapeChanged true) and every change of
    // the selection by a click, SPACE or Fix Shape (false). Never on a hover.
    void DesignChanged(bool shapeChanged);
    // After Fix Shape committed the shape.
    void ShapeFixed();
    // A new simulated form is on screen (the slider and Play follow it).
    void SimulationChanged();

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

    CDesignSession& session_;
    CDesignController controller_;
    CIntersectionMonitor intersections_;
    CSimulationMode simulation_;
    CSimulationArrays simulationArrays_;
    QTimer* simulationPoll_ = nullptr; // takes finished solves while one runs
};
