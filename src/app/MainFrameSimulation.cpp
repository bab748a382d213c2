// "Simulate Fold": the view mode's toolbar (fold percent, Play, targets),
// its status pane, and the offer made when a flat crease pattern opens.

#include "app/MainFrame.h"
#include "app/Prompts.h"
#include "model/PolyModel.h"
#include "ui/AppState.h"
#include "widgets/ModelView.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>

#include <cmath>

namespace {
const char* const kTargetsDesign = "To the design";
const char* const kTargetsPaper = "Paper alone";

// A flat model with mountains or valleys of its own: a crease pattern that
// nothing has folded yet.
bool IsFlatCreasePattern(const CPolyModel& model)
{
    bool creases = false;
    for (const CEdgeRecord& r : model.edgeRecords)
        creases = creases || r.assignment == EdgeAssignment::Mountain ||
                  r.assignment == EdgeAssignment::Valley;
    return creases && model.bboxMax.z - model.bboxMin.z <= 1e-9 * (1.0 + model.unitScale);
}
} // namespace

void CMainFrame::CreateSimulationBar()
{
    simulationBar_ = new QToolBar(QStringLiteral("Simulation"), this);
    simulationBar_->setObjectName(QStringLiteral("SimulationBar"));
    simulationBar_->addWidget(new QLabel(QStringLiteral(" Fold "), simulationBar_));
    percentSlider_ = new QSlider(Qt::Horizontal, simulationBar_);
    percentSlider_->setObjectName(QStringLiteral("SimulatePercent"));
    percentSlider_->setRange(0, 100);
    percentSlider_->setValue(100);
    percentSlider_->setFixedWidth(180);
    simulationBar_->addWidget(percentSlider_);
    percentLabel_ = new QLabel(QStringLiteral("100%"), simulationBar_);
    percentLabel_->setMinimumWidth(percentLabel_->fontMetrics().horizontalAdvance(
        QStringLiteral(" 100% ")));
    simulationBar_->addWidget(percentLabel_);
    simulationBar_->addAction(actions_.at(kCmdSimulatePlay));
    targetsBox_ = new QComboBox(simulationBar_);
    targetsBox_->setObjectName(QStringLiteral("SimulateTargets"));
    targetsBox_->addItems({QString::fromUtf8(kTargetsDesign), QString::fromUtf8(kTargetsPaper)});
    simulationBar_->addWidget(targetsBox_);
    addToolBar(Qt::TopToolBarArea, simulationBar_);
    simulationBar_->setVisible(false);

    connect(percentSlider_, &QSlider::valueChanged, this, [this](int value) {
        modelView_->Simulation().Stop();
        percentLabel_->setText(QStringLiteral("%1%").arg(value));
        modelView_->AskSimulation(value, SimulationTargets());
    });
    connect(targetsBox_, &QComboBox::currentIndexChanged, this, [this](int) {
        modelView_->AskSimulation(percentSlider_->value(), SimulationTargets());
    });
    connect(modelView_, &CModelView::SimulationChanged, this, &CMainFrame::FollowSimulation);
}

void CMainFrame::RegisterSimulationCommands()
{
    commands_.Add(
        kCmdSimulateFold, [this] { OnSimulateFold(); },
        [this](CCmdUI& ui) {
            ui.Enable(g_pModel != nullptr);
            ui.SetCheck(modelView_->Simulating());
        });
    commands_.Add(
        kCmdSimulatePlay, [this] { OnSimulatePlay(); },
        [this](CCmdUI& ui) { ui.Enable(modelView_->Simulating()); });
}

FacetTargets CMainFrame::SimulationTargets() const
{
    return targetsBox_ && targetsBox_->currentIndex() == 1 ? FacetTargets::Paper
                                                           : FacetTargets::Design;
}

void CMainFrame::OnSimulateFold()
{
    if (modelView_->Simulating()) {
        modelView_->EndSimulation();
        simulationBar_->setVisible(false);
        deviationPane_->setVisible(false);
        UpdateCommandUI();
        return;
    }
    std::string why;
    if (!modelView_->BeginSimulation(why)) {
        ShowMessage(this, QString::fromStdString(why));
        return;
    }
    {
        const QSignalBlocker quiet(percentSlider_);
        const QSignalBlocker quietTargets(targetsBox_);
        percentSlider_->setValue(100);
        percentLabel_->setText(QStringLiteral("100%"));
        targetsBox_->setCurrentIndex(0);
    }
    // Without designed bends the two kinds of target are the same.
    targetsBox_->setEnabled(modelView_->Simulation().HasBendTargets());
    simulationBar_->setVisible(true);
    deviationPane_->setText(QString());
    deviationPane_->setVisible(true);
    SetActiveView(modelView_);
    UpdateCommandUI();
}

void CMainFrame::OnSimulatePlay()
{
    if (!modelView_->Simulating())
        return;
    if (modelView_->Simulation().Playing()) {
        modelView_->Simulation().Stop();
        return;
    }
    modelView_->PlaySimulation();
}

void CMainFrame::FollowSimulation()
{
    const CSimulationMode& sim = modelView_->Simulation();
    const CSimResult* result = sim.Result();
    if (!result)
        return;
    // Play moves the slider with the fold it shows; a drag of the slider
    // already put it where the person wants it.
    if (sim.Playing() || !sim.Busy()) {
        const QSignalBlocker quiet(percentSlider_);
        percentSlider_->setValue(static_cast<int>(std::lround(result->percent)));
        percentLabel_->setText(QStringLiteral("%1%").arg(std::lround(result->percent)));
    }
    // A long solve shows its load steps as they come: say how far it is.
    if (sim.Busy() && !sim.Playing())
        SetMessagePane(QStringLiteral("Folding: %1%").arg(std::lround(result->percent)));
    else
        SetMessagePane(QString());
    QString text = QString::fromStdString(sim.DeviationText());
    if (!result->converged)
        text += text.isEmpty() ? QStringLiteral("Not converged") : QStringLiteral(", not converged");
    FitStatusPane(deviationPane_, text);
    deviationPane_->setText(text);
}

void CMainFrame::OfferSimulation()
{
    if (g_pModel && IsFlatCreasePattern(*g_pModel))
        SetMessagePane(QStringLiteral("A crease pattern: View > Simulate Fold folds it"));
}
