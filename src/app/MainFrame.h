#pragma once
// The main window: toolbar, status bar, menus and the three panes in an outer
// splitter (design view | nested splitter of net view over 3D view). It owns
// the open routine, the Open/Export/Undo/Show Edge/Show Face commands and the
// idle update pass that enables, ticks and retexts every command's items.

#include "app/NewSheetDlg.h"
#include "app/Prompts.h"
#include "document/Recovery.h"
#include "import/ModelFile.h"
#include "simulate/FoldSolver.h"
#include "paper/PatternStrain.h"
#include "ui/CommandMap.h"
#include "widgets/PaneView.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <optional>

struct CPatternOptions;
class CKelmarApp;
class CKelmarDoc;
class CDesignSession;
class CModelView;
class CKelmarzuView;
class CFrameView;
class QAction;
class QComboBox;
class QLabel;
class QSlider;
class QSplitter;
class QTimer;
class QToolBar;
struct WindowPlacement;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Reads a model file with progress: the reading step of the open routine.
    using ModelOpener = ModelReader;

    CMainFrame(CKelmarApp* app, CKelmarDoc* doc);
    ~CMainFrame() override;

    // Builds the menus, toolbar, status bar and panes and applies the saved
    // placement. False when a part cannot be created.
    bool Create();

    // The open routine: reads the file into a fresh model and scales it into
    // [-1, 1]^3 (the core's OpenModel); only on success the model becomes
    // current, the title and recent files change and the views hear hint 16.
    // Every failure shows its message and changes nothing.
    void OpenModelFile(const QString& path);
    // Replaces the reading step (tests use slow or scripted readers); the
    // scaling still follows.
    void SetModelOpener(ModelOpener opener) { opener_ = std::move(opener); }

    // The route of every command: active view, document, main window, application.
    CCmdUI QueryCommand(int id) const;
    // Runs the command only when its rule enables it; returns whether it ran.
    bool ExecuteCommand(int id);
    // The idle pass: asks every command's rule and updates its items.
    void UpdateCommandUI();

    QAction* Action(int id) const;
    QToolBar* ToolBar() const { return toolBar_; }
    QToolBar* SimulationBar() const { return simulationBar_; }
    QSplitter* OuterSplitter() const { return outer_; }
    QSplitter* NestedSplitter() const { return nested_; }
    CModelView* DesignView() const { return modelView_; }
    // The design session: the panes get it when they are made.
    CDesignSession& Session() const { return *session_; }
    CKelmarzuView* NetView() const { return netView_; }
    CFrameView* SectionView() const { return frameView_; }
    CPaneView* ActiveView() const { return activeView_; }
    void SetActiveView(CPaneView* view);
    // Text of a status bar pane by id (kPaneRotateHelp, kPaneViewStatus,
    // kPaneIntersections, kPaneFoldAngle, kPanePaperStrain) or 0 for the message pane.
    QString PaneText(int id) const;
    CCommandMap& Commands() { return commands_; }

    // Unsaved changes of the design (the design session counts them).
    bool Modified() const;
    // Before the design is replaced or the window closes: with unsaved
    // changes asks "Save changes to the design?" (Save, Discard, Cancel).
    // True when the caller may go on: nothing to save, saved, or discarded.
    bool MaybeSaveChanges();
    // Save Design (choosePath false: the design's own file when it has one)
    // and Save Design As. FOLD with the paper; OBJ for a model without.
    // True when written; the design is then unchanged and in the recent files.
    bool SaveDesign(bool choosePath);
    // Where Save Design writes without asking; empty when it asks.
    const QString& SavePath() const { return savePath_; }

    // Recovery: how often an unsaved design is written (60 s by default).
    void SetRecoveryInterval(int milliseconds);
    // Writes the recovery file now when there are unsaved changes not yet in
    // it; `wait` returns only once it is on disk.
    void WriteRecovery(bool wait);
    // This program's recovery file (it may not exist).
    QString RecoveryFile() const;
    // At start: offers the newest recovery file of a program that is no
    // longer running. Recover opens it as "<name> (recovered)" with unsaved
    // changes; Discard deletes it; Escape keeps it for the next start.
    void OfferRecovery();
    // A termination signal: no question; an unsaved design is written to the
    // recovery file, which is kept, and the window closes.
    void CloseForSignal();

    // Placement as the profile stores it, and the reverse.
    WindowPlacement CurrentPlacement() const;
    void ApplyPlacement(const WindowPlacement& wp);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    bool CreateToolBar();
    bool CreateStatusBar();
    bool CreateClient();
    void RegisterCommands();
    void LoadWindowSettings();
    void SaveWindowSettings();
    void UpdateTitle();
    // Reads `absolute` with progress and makes it the current model (views
    // hear hint 16). Shows the failure and returns false otherwise.
    bool InstallModelFrom(const QString& absolute, bool addToRecent);
    // A design fresh from disk: no unsaved changes, no recovery file.
    void StartDocument(const QString& savePath, const QString& originalName);
    void RemoveRecoveryFile();
    // Splitter resizes share the change between the panes.
    void ShareResize(QSplitter* splitter);
    void SetMessagePane(const QString& text);

    void OnOpen();
    FileRequest SaveRequest(const char* filter, const char* suffix) const;
    void OnExport();
    void OnExportCreasePattern();
    void OnPrintCreasePattern();
    // Crease Pattern Options from the last choice in the profile; the new
    // choice goes back there. False when the user cancelled.
    bool AskCreasePatternOptions(CPatternOptions& options);
    void OnNewSheet();
    void OnUndo();
    void OnRedo();
    void OnFitModel();
    void OnShowEdge();
    void OnShowFace();
    void OnShowBends();
    // Simulate Fold (MainFrameSimulation.cpp).
    void CreateSimulationBar();
    void RegisterSimulationCommands();
    FacetTargets SimulationTargets() const;
    void OnSimulateFold();
    void OnSimulatePlay();
    void FollowSimulation();
    void OfferSimulation();

    CKelmarApp* app_;
    CKelmarDoc* doc_;
    CCommandMap commands_;
    std::unique_ptr<CDesignSession> session_;
    std::map<int, QAction*> actions_;
    QToolBar* toolBar_ = nullptr;
    QSplitter* outer_ = nullptr;
    QSplitter* nested_ = nullptr;
    CModelView* modelView_ = nullptr;
    CKelmarzuView* netView_ = nullptr;
    CFrameView* frameView_ = nullptr;
    QPointer<CPaneView> activeView_;
    QLabel* rotatePane_ = nullptr;
    QLabel* viewPane_ = nullptr;
    QLabel* intersectionsPane_ = nullptr;
    QLabel* foldAnglePane_ = nullptr;
    QLabel* strainPane_ = nullptr;
    QLabel* deviationPane_ = nullptr;
    CShapeStrainCache strainCache_; // what strainPane_ shows
    QLabel* messagePane_ = nullptr;
    QToolBar* simulationBar_ = nullptr;
    QSlider* percentSlider_ = nullptr;
    QLabel* percentLabel_ = nullptr;
    QComboBox* targetsBox_ = nullptr;
    ModelOpener opener_;
    bool readInProgress_ = false;
    bool updating_ = false;
    // Pane sizes waiting for their splitter's first layout: kNoPending, a
    // saved size, or kFirstStartShare for the first-start shares.
    static constexpr int kNoPending = -1;
    static constexpr int kFirstStartShare = -2;
    int pendingDesignViewWidth_ = kNoPending;
    int pendingNetViewHeight_ = kNoPending;
    // What New Sheet offered last, offered again next time.
    NewSheetChoice lastSheet_;

    QString savePath_;
    QString originalName_; // what the design came from, recorded in recovery files
    bool recovered_ = false;
    bool shownModified_ = false;
    bool closingForSignal_ = false;
    QTimer* recoveryTimer_ = nullptr;
    std::unique_ptr<CRecoveryWriter> recoveryWriter_;
    uint64_t recoveryChanges_ = 0; // Changes() in the last recovery write
};

// Widens a status pane, if need be, so that `text` shows whole in it, frame
// and indent included; it never narrows one.
void FitStatusPane(QLabel* pane, const QString& text);
