// The main window's command table, its idle update pass and its command
// handlers: New Sheet, Open (with the open routine), Save Design, Export,
// Undo, Fit Model and the display flags.

#include "app/CoreAdapters.h"
#include "app/Icons.h"
#include "app/KelmarApp.h"
#include "app/KelmarDoc.h"
#include "app/MainFrame.h"
#include "app/NewSheetDlg.h"
#include "app/ProgressWnd.h"
#include "app/Prompts.h"
#include "base/AtomicFile.h"
#include "export/CreasePatternFile.h"
#include "paper/CreasePattern.h"
#include "paper/PaperLayout.h"
#include "ui/AppState.h"
#include "widgets/ModelView.h"
#include "widgets/PaneView.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>

namespace {
struct MenuItem {
    int id; // 0 for a separator
    const char* text;
};

const MenuItem kFileMenu[] = {
    {kCmdNewSheet, "&New Sheet...\tCtrl+N"},
    {kCmdOpen, "&Open...\tCtrl+O"},
    {kCmdSave, "&Save Design\tCtrl+S"},
    {kCmdSaveAs, "Save Design &As..."},
    {kCmdExport, "&Export *.obj..."},
    {kCmdExportCreasePattern, "Export &Crease Pattern..."},
    {kCmdPrintCreasePattern, "&Print Crease Pattern..."},
    {0, nullptr},
    {kCmdRecentFile1 + 0, "Recently used files"},
    {kCmdRecentFile1 + 1, ""},
    {kCmdRecentFile1 + 2, ""},
    {kCmdRecentFile1 + 3, ""},
    {0, nullptr},
    {kCmdExit, "E&xit"},
};
const MenuItem kEditMenu[] = {
    {kCmdUndo, "&Undo (Ctrl+Z)"},
    {kCmdRedo, "&Redo (Ctrl+Y)"},
    {kCmdFixShape, "&Fix Shape (SPACE)"},
    {0, nullptr},
    {kCmdFoldBehind, "Fold Flat Flaps &Behind"},
};
const MenuItem kViewMenu[] = {
    {kCmdShowEdge, "Show &Edge"},
    {kCmdShowFace, "Show &Face"},
    {kCmdShowBends, "Show &Bends"},
    {kCmdFitModel, "&Fit Model\tHome"},
    {kCmdSimulateFold, "Simulate Fold"},
    {0, nullptr},
    {kCmdToolbar, "&Toolbar"},
    {kCmdStatusbar, "&Statusbar"},
};
const MenuItem kHelpMenu[] = {
    {kCmdAbout, "&About..."},
};
// On the simulation's own toolbar only.
const MenuItem kSimulationItems[] = {
    {kCmdSimulatePlay, "Play"},
};

// Toolbar, left to right; 0 is a separator.
const int kToolbarButtons[] = {kCmdOpen,     kCmdExport, 0,        kCmdShowFace,    kCmdShowEdge, 0,
                               kCmdFixShape, kCmdUndo,   kCmdRedo, 0, kCmdSimulateFold};

struct Accelerator {
    QKeyCombination key;
    int id;
};

// Every format the open routine reads, together first; then OBJ and MQO under
// the names they have always had, one entry per other format, and any file.
QString OpenFilter()
{
    QStringList all, each;
    const QString obj = QStringLiteral("*.obj"), mqo = QStringLiteral("*.mqo");
    all << obj << mqo;
    each << QStringLiteral("Wavefront (*.obj)") << QStringLiteral("Metasequoia (*.mqo)");
    for (const ModelFormat& f : ReadableModelFormats()) {
        const QString pattern = QStringLiteral("*") + QString::fromLatin1(f.ext);
        if (pattern == obj || pattern == mqo)
            continue;
        all << pattern;
        each << QStringLiteral("%1 (%2)").arg(QString::fromLatin1(f.name), pattern);
    }
    return QStringLiteral("All model files (%1);;").arg(all.join(QLatin1Char(' '))) +
           each.join(QStringLiteral(";;")) + QStringLiteral(";;All files (*)");
}
const char* const kExportFilter = "OBJ File (*.obj)";

// The name a save dialog proposes: the model's file name with `suffix`, or
// "sheet" for a model that came from no file (New Sheet).
QString ProposedName(const QString& modelPath, const char* suffix)
{
    QString base = QFileInfo(modelPath).completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("sheet");
    return base + QLatin1Char('.') + QLatin1String(suffix);
}

bool IsCheckable(int id)
{
    return id == kCmdShowEdge || id == kCmdShowFace || id == kCmdShowBends ||
           id == kCmdFoldBehind || id == kCmdToolbar || id == kCmdStatusbar ||
           id == kCmdSimulateFold;
}
} // namespace

void CMainFrame::CreateActions()
{
    const auto make = [this](const MenuItem& item) {
        if (item.id == 0 || actions_.count(item.id))
            return;
        auto* action = new QAction(QString::fromUtf8(item.text), this);
        action->setData(item.id);
        if (const CommandText* t = FindCommandText(item.id)) {
            action->setStatusTip(QString::fromUtf8(t->prompt));
            action->setToolTip(QString::fromUtf8(t->tooltip));
        }
        action->setIcon(CommandIcon(item.id));
        action->setIconVisibleInMenu(false);
        action->setCheckable(IsCheckable(item.id));
        action->setEnabled(false);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
        actions_[item.id] = action;
    };
    for (const MenuItem& m : kFileMenu)
        make(m);
    for (const MenuItem& m : kEditMenu)
        make(m);
    for (const MenuItem& m : kViewMenu)
        make(m);
    for (const MenuItem& m : kHelpMenu)
        make(m);
    for (const MenuItem& m : kSimulationItems)
        make(m);

    // The accelerator table: separate from the menu items, as the item texts
    // carry their own key hints.
    const Accelerator accelerators[] = {
        {Qt::CTRL | Qt::Key_O, kCmdOpen},
        {Qt::CTRL | Qt::Key_Z, kCmdUndo},
        {Qt::CTRL | Qt::Key_Y, kCmdRedo},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, kCmdRedo},
        {Qt::ALT | Qt::Key_Backspace, kCmdEditUndoDoc},
        {Qt::CTRL | Qt::Key_S, kCmdSave},
        {Qt::CTRL | Qt::Key_N, kCmdNewSheet},
        {QKeyCombination(Qt::Key_Home), kCmdFitModel},
    };
    for (const Accelerator& a : accelerators) {
        auto* shortcut = new QShortcut(QKeySequence(a.key), this);
        shortcut->setContext(Qt::WindowShortcut);
        const int id = a.id;
        connect(shortcut, &QShortcut::activated, this, [this, id] { ExecuteCommand(id); });
    }
}

void CMainFrame::CreateMenus()
{
    const auto fill = [this](const char* title, const auto& items) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(title));
        for (const MenuItem& item : items) {
            if (item.id == 0)
                menu->addSeparator();
            else
                menu->addAction(actions_.at(item.id));
        }
        // The pass also runs before a menu opens, so what it shows is current.
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    };
    fill("&File", kFileMenu);
    fill("&Edit", kEditMenu);
    fill("&View", kViewMenu);
    fill("&Help", kHelpMenu);
}

bool CMainFrame::CreateToolBar()
{
    toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("Toolbar128"));
    toolBar_->setIconSize(QSize(16, 15));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar_->setMovable(true);
    toolBar_->setFloatable(true);
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : kToolbarButtons) {
        if (id == 0)
            toolBar_->addSeparator();
        else
            toolBar_->addAction(actions_.at(id));
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
    return true;
}

void CMainFrame::RegisterCommands()
{
    const auto haveModel = [](CCmdUI& ui) { ui.Enable(g_pModel != nullptr); };
    commands_.Add(kCmdOpen, [this] { OnOpen(); });
    commands_.Add(
        kCmdExport, [this] { OnExport(); }, haveModel);
    commands_.Add(
        kCmdExportCreasePattern, [this] { OnExportCreasePattern(); }, haveModel);
    commands_.Add(
        kCmdPrintCreasePattern, [this] { OnPrintCreasePattern(); }, haveModel);
    commands_.Add(kCmdNewSheet, [this] { OnNewSheet(); });
    commands_.Add(
        kCmdSave, [this] { SaveDesign(false); }, haveModel);
    commands_.Add(
        kCmdSaveAs, [this] { SaveDesign(true); }, haveModel);
    commands_.Add(
        kCmdFitModel, [this] { OnFitModel(); }, haveModel);
    // The simulation shows the design as it stands: editing waits until it ends.
    commands_.Add(
        kCmdUndo, [this] { OnUndo(); },
        [this](CCmdUI& ui) {
            ui.Enable(g_pModel && !g_pModel->undoStack.empty() && !modelView_->Simulating());
        });
    commands_.Add(
        kCmdRedo, [this] { OnRedo(); },
        [this](CCmdUI& ui) {
            ui.Enable(g_pModel && !g_pModel->redoStack.empty() && !modelView_->Simulating());
        });
    RegisterSimulationCommands();
    commands_.Add(
        kCmdShowEdge, [this] { OnShowEdge(); },
        [](CCmdUI& ui) {
            ui.Enable(g_pModel != nullptr);
            ui.SetCheck(showEdges);
        });
    commands_.Add(
        kCmdShowFace, [this] { OnShowFace(); },
        [](CCmdUI& ui) {
            ui.Enable(g_pModel != nullptr);
            ui.SetCheck(showFaces);
        });
    commands_.Add(
        kCmdShowBends, [this] { OnShowBends(); },
        [](CCmdUI& ui) {
            ui.Enable(g_pModel != nullptr);
            ui.SetCheck(showBends);
        });
    // The session keeps the choice across selections, as the menu shows it.
    commands_.Add(
        kCmdFoldBehind, [this] { session_->SetFoldFlatBehind(!session_->FoldFlatBehind()); },
        [this](CCmdUI& ui) { ui.SetCheck(session_->FoldFlatBehind()); });
    commands_.Add(
        kCmdToolbar, [this] { toolBar_->setVisible(!toolBar_->isVisible()); },
        [this](CCmdUI& ui) { ui.SetCheck(toolBar_->isVisible()); });
    commands_.Add(
        kCmdStatusbar, [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
        [this](CCmdUI& ui) { ui.SetCheck(statusBar()->isVisible()); });
}

QAction* CMainFrame::Action(int id) const
{
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

CCmdUI CMainFrame::QueryCommand(int id) const
{
    const CCommandMap* view = activeView_ ? &activeView_->Commands() : nullptr;
    return CCommandRoute({view, &doc_->Commands(), &commands_, &app_->Commands()}).Query(id);
}

bool CMainFrame::ExecuteCommand(int id)
{
    if (readInProgress_ || !isEnabled())
        return false;
    const CCommandMap* view = activeView_ ? &activeView_->Commands() : nullptr;
    const bool ran =
        CCommandRoute({view, &doc_->Commands(), &commands_, &app_->Commands()}).Execute(id);
    UpdateCommandUI();
    return ran;
}

void CMainFrame::UpdateCommandUI()
{
    if (updating_ || readInProgress_)
        return;
    updating_ = true;
    for (const auto& [id, action] : actions_) {
        const CCmdUI ui = QueryCommand(id);
        action->setEnabled(ui.Enabled());
        if (ui.Checked() && action->isCheckable())
            action->setChecked(*ui.Checked());
        else if (action->isCheckable())
            action->setChecked(false);
        const bool recent = id >= kCmdRecentFile1 && id < kCmdRecentFile1 + kRecentFileCount;
        if (ui.Text())
            action->setText(QString::fromStdString(*ui.Text()));
        if (recent)
            action->setVisible(id == kCmdRecentFile1 || ui.Text().has_value());
    }
    const CCmdUI pane = QueryCommand(kPaneViewStatus);
    if (viewPane_) {
        viewPane_->setEnabled(pane.Enabled());
        if (pane.Text())
            viewPane_->setText(QString::fromStdString(*pane.Text()));
    }
    if (shownModified_ != Modified())
        UpdateTitle();
    // The design view's own count, whichever pane is active.
    if (intersectionsPane_ && modelView_) {
        CCmdUI count;
        modelView_->Commands().Update(kPaneIntersections, count);
        const QString text = QString::fromStdString(count.Text().value_or(std::string()));
        if (intersectionsPane_->text() != text) {
            FitStatusPane(intersectionsPane_, text);
            intersectionsPane_->setText(text);
        }
    }
    if (foldAnglePane_ && modelView_) {
        CCmdUI angle;
        modelView_->Commands().Update(kPaneFoldAngle, angle);
        const QString text = QString::fromStdString(angle.Text().value_or(std::string()));
        if (foldAnglePane_->text() != text) {
            FitStatusPane(foldAnglePane_, text);
            foldAnglePane_->setText(text);
        }
    }
    // Paper stretched past noticing says by how much, in a pane of its own.
    if (strainPane_) {
        // Measured on the form as a crease pattern file would have it, after folds too.
        QString text;
        const CPatternStrain* strain =
            g_pModel && g_pModel->paperInfo.has ? &strainCache_.For(*g_pModel) : nullptr;
        if (strain && strain->max > kStrainUnnoticed)
            text = QStringLiteral("Paper strain: %1% max, %2% mean")
                       .arg(100.0 * strain->max, 0, 'g', 3)
                       .arg(100.0 * strain->mean, 0, 'g', 3);
        if (strainPane_->text() != text) {
            FitStatusPane(strainPane_, text);
            strainPane_->setText(text);
        }
        strainPane_->setVisible(!text.isEmpty());
    }
    updating_ = false;
}

void CMainFrame::OnOpen()
{
    FileRequest request;
    request.kind = FileRequest::kOpen;
    request.filter = OpenFilter();
    if (!MaybeSaveChanges())
        return;
    const QString path = AskFilePath(this, request);
    if (!path.isEmpty())
        OpenModelFile(path);
}

void CMainFrame::OpenModelFile(const QString& path)
{
    if (readInProgress_)
        return;
    const QString absolute = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    if (!InstallModelFrom(absolute, true))
        return;
    doc_->SetTitle(QFileInfo(absolute).fileName());
    doc_->UpdateAllViews(kHintNewModel);
    // Save Design writes back only to a design file, never over a model of another kind.
    const bool design = absolute.endsWith(QLatin1String(".fold"), Qt::CaseInsensitive) &&
                        g_pModel && HasPaper(*g_pModel);
    StartDocument(design ? absolute : QString(), QFileInfo(absolute).fileName());
    OfferSimulation();
}

bool CMainFrame::InstallModelFrom(const QString& absolute, bool addToRecent)
{
    const std::string file = QFile::encodeName(absolute).toStdString();
    OpenOutcome out;
    {
        CProgressWnd progress(this, &app_->Profile());
        readInProgress_ = true;
        OpenOptions options;
        options.reader = opener_;
        out = OpenModel(file, &progress, options);
        progress.DestroyWindow();
        readInProgress_ = false;
    }
    if (out.result != kReadOk || !out.model) {
        std::string message = out.message;
        if (message.empty() && out.result == kReadOk)
            message = ReadResultMessage(kReadFailed);
        if (!message.empty())
            ShowMessage(this, QString::fromStdString(message),
                        QString::fromStdString(OpenFailureDetail(file, out)));
        return false;
    }
    g_pModel = std::move(out.model);
    qwfModel = out.isQwf;
    const std::string& name = g_pModel->fileName.empty() ? file : g_pModel->fileName;
    if (addToRecent)
        app_->AddToRecentFileList(QFile::decodeName(name.c_str()));
    return true;
}

// A save dialog for the current model's output, beside the file it came from.
FileRequest CMainFrame::SaveRequest(const char* filter, const char* suffix) const
{
    const QString modelPath = QFile::decodeName(g_pModel->fileName.c_str());
    FileRequest request;
    request.kind = FileRequest::kSave;
    request.filter = QString::fromUtf8(filter);
    request.defaultSuffix = QString::fromLatin1(suffix);
    request.proposedName = ProposedName(modelPath, suffix);
    if (!modelPath.isEmpty())
        request.folder = QFileInfo(modelPath).absolutePath();
    return request;
}

void CMainFrame::OnExport()
{
    if (!g_pModel)
        return;
    const QString path = AskFilePath(this, SaveRequest(kExportFilter, "obj"));
    if (path.isEmpty())
        return;
    if (!ExportShapeToFile(*g_pModel, QFile::encodeName(path).toStdString())) {
        ShowMessage(this, QString::fromUtf8(kCannotWriteMessage));
        return;
    }
    app_->AddToRecentFileList(path);
}

void CMainFrame::OnNewSheet()
{
    if (readInProgress_ || !MaybeSaveChanges())
        return;
    CNewSheetDlg dialog(this, lastSheet_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    lastSheet_ = dialog.Choice();
    const NewSheetChoice& c = lastSheet_;
    const SheetLayout layout =
        PaperSheetLayout(c.width, c.height, c.cells, c.jittered, c.bend, c.bendDegrees);
    OpenOutcome out;
    {
        CProgressWnd progress(this, &app_->Profile());
        readInProgress_ = true;
        out = OpenSheetModel(layout, &progress);
        progress.DestroyWindow();
        readInProgress_ = false;
    }
    if (out.result != kReadOk || !out.model) {
        if (!out.message.empty())
            ShowMessage(this, QString::fromStdString(out.message));
        return;
    }
    // As if the sheet had been opened, only with no file behind it.
    g_pModel = std::move(out.model);
    qwfModel = false;
    doc_->SetTitle(QString::fromStdString(SheetTitle(c.width, c.height)));
    doc_->UpdateAllViews(kHintNewModel);
    StartDocument(QString(), doc_->Title());
}

void CMainFrame::OnUndo()
{
    // Through the design session, which holds pointers into the shape.
    if (g_pModel)
        StepBackShape(*g_pModel, session_.get());
    doc_->UpdateAllViews(kHintUndo);
}

void CMainFrame::OnRedo()
{
    if (g_pModel)
        StepForwardShape(*g_pModel, session_.get());
    // The views take a redone shape as they take an undone one.
    doc_->UpdateAllViews(kHintUndo);
}
