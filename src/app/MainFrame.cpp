#include "app/MainFrame.h"

#include "app/Icons.h"
#include "app/KelmarApp.h"
#include "app/KelmarDoc.h"
#include "app/WindowSettings.h"
#include "ui/AppState.h"
#include "widgets/FrameView.h"
#include "widgets/KelmarzuView.h"
#include "widgets/ModelView.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

namespace {
const char* const kRotateHelp =
    "Rotate:Right Drag/Zoom:Wheel or [Shift]+Right Drag/Move:[Ctrl]+Right Drag";
} // namespace

CMainFrame::CMainFrame(CKelmarApp* app, CKelmarDoc* doc)
    : app_(app), doc_(doc), session_(std::make_unique<CDesignSession>())
{
    setWindowIcon(ApplicationIcon());
    setObjectName(QStringLiteral("CMainFrame"));
}

CMainFrame::~CMainFrame()
{
    if (doc_) {
        doc_->RemoveView(modelView_);
        doc_->RemoveView(netView_);
        doc_->RemoveView(frameView_);
    }
    // The panes hold the session, which goes with this object's members,
    // before the window would delete its children.
    delete takeCentralWidget();
}

bool CMainFrame::Create()
{
    if (!CreateClient())
        return false;
    CreateActions();
    CreateMenus();
    if (!CreateToolBar() || !CreateStatusBar())
        return false;
    CreateSimulationBar();
    RegisterCommands();
    setAcceptDrops(true);
    connect(doc_, &CKelmarDoc::TitleChanged, this, [this] { UpdateTitle(); });
    UpdateTitle();
    LoadWindowSettings();
    // Recovery writes while the design has unsaved changes, and at each Fix Shape.
    recoveryTimer_ = new QTimer(this);
    recoveryTimer_->setInterval(60 * 1000);
    connect(recoveryTimer_, &QTimer::timeout, this, [this] { WriteRecovery(false); });
    recoveryTimer_->start();
    connect(modelView_, &CModelView::ShapeFixed, this, [this] { WriteRecovery(false); });

    // The pane the user last clicked is the active view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (CPaneView* v : {static_cast<CPaneView*>(modelView_), static_cast<CPaneView*>(netView_),
                             static_cast<CPaneView*>(frameView_)})
            if (now == v)
                SetActiveView(v);
    });
    // Idle update pass: whenever the event loop is about to wait.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &CMainFrame::UpdateCommandUI);
    UpdateCommandUI();
    return true;
}

bool CMainFrame::CreateClient()
{
    outer_ = new QSplitter(Qt::Horizontal, this);
    outer_->setObjectName(QStringLiteral("OuterSplitter"));
    nested_ = new QSplitter(Qt::Vertical, outer_);
    nested_->setObjectName(QStringLiteral("NestedSplitter"));
    nested_->setFrameShape(QFrame::StyledPanel);
    modelView_ = new CModelView(*session_, outer_);
    modelView_->resize(1000, 1000);
    outer_->insertWidget(0, modelView_);
    netView_ = new CKelmarzuView(*session_, nested_);
    frameView_ = new CFrameView(nested_);
    nested_->addWidget(netView_);
    nested_->addWidget(frameView_);
    // The net view follows each fold step directly, not through the
    // document, so the section view keeps still while the user drags.
    connect(modelView_, &CModelView::DesignChanged, netView_, &CKelmarzuView::FollowDesign);
    outer_->setChildrenCollapsible(true);
    nested_->setChildrenCollapsible(true);
    // Resizes are shared in proportion (ShareResize); the stretch factors
    // only split what rounding leaves.
    outer_->setStretchFactor(0, 1);
    outer_->setStretchFactor(1, 1);
    nested_->setStretchFactor(0, 1);
    nested_->setStretchFactor(1, 1);
    setCentralWidget(outer_);
    for (CPaneView* v : {static_cast<CPaneView*>(modelView_), static_cast<CPaneView*>(netView_),
                         static_cast<CPaneView*>(frameView_)}) {
        doc_->AddView(v);
        connect(v, &CPaneView::StatusText, this, [this](const QString& text) {
            if (viewPane_)
                viewPane_->setText(text);
        });
    }
    activeView_ = modelView_;
    modelView_->setFocus();
    return true;
}

void FitStatusPane(QLabel* pane, const QString& text)
{
    const QString shown = pane->text();
    pane->setText(text);
    const int width = pane->sizeHint().width();
    pane->setText(shown);
    if (width > pane->minimumWidth())
        pane->setMinimumWidth(width);
}

bool CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    rotatePane_ = new QLabel(QString::fromUtf8(kRotateHelp), bar);
    rotatePane_->setObjectName(QStringLiteral("Pane59146"));
    viewPane_ = new QLabel(QStringLiteral(" "), bar);
    viewPane_->setObjectName(QStringLiteral("Pane59147"));
    intersectionsPane_ = new QLabel(QString(), bar);
    intersectionsPane_->setObjectName(QStringLiteral("Pane59148"));
    foldAnglePane_ = new QLabel(QString(), bar);
    foldAnglePane_->setObjectName(QStringLiteral("Pane59149"));
    strainPane_ = new QLabel(QString(), bar);
    strainPane_->setObjectName(QStringLiteral("Pane59151"));
    strainPane_->setVisible(false);
    deviationPane_ = new QLabel(QString(), bar);
    deviationPane_->setObjectName(QStringLiteral("Pane59152"));
    deviationPane_->setVisible(false);
    messagePane_ = new QLabel(QStringLiteral("Ready"), bar);
    messagePane_->setObjectName(QStringLiteral("MessagePane"));
    const QScreen* screen = QGuiApplication::primaryScreen();
    messagePane_->setFixedWidth(screen ? screen->size().width() / 4 : 320);
    for (QLabel* pane :
         {rotatePane_, viewPane_, intersectionsPane_, foldAnglePane_, strainPane_, deviationPane_,
          messagePane_})
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // The mouse help is the one pane that gives way when the window is too
    // narrow for all; every other has room for the longest text it shows,
    // frame and indent included.
    rotatePane_->setMinimumWidth(1);
    FitStatusPane(intersectionsPane_, QStringLiteral("Intersections: 000000"));
    FitStatusPane(foldAnglePane_, QStringLiteral("Fold angle: -000.0\u00b0"));
    FitStatusPane(strainPane_, QStringLiteral("Paper strain: 0.000% max, 0.000% mean"));
    FitStatusPane(deviationPane_, QStringLiteral("Deviation: 00.00% (max 00.00%) at 00%"));
    bar->addWidget(rotatePane_, 0);
    bar->addWidget(viewPane_, 1);
    bar->addWidget(intersectionsPane_, 0);
    bar->addWidget(foldAnglePane_, 0);
    bar->addWidget(strainPane_, 0);
    bar->addWidget(deviationPane_, 0);
    bar->addWidget(messagePane_, 0);
    bar->setSizeGripEnabled(true);
    return true;
}

void CMainFrame::SetActiveView(CPaneView* view)
{
    if (view)
        activeView_ = view;
}

QString CMainFrame::PaneText(int id) const
{
    switch (id) {
    case kPaneRotateHelp:
        return rotatePane_ ? rotatePane_->text() : QString();
    case kPaneViewStatus:
        return viewPane_ ? viewPane_->text() : QString();
    case kPaneIntersections:
        return intersectionsPane_ ? intersectionsPane_->text() : QString();
    case kPaneFoldAngle:
        return foldAnglePane_ ? foldAnglePane_->text() : QString();
    case kPaneDeviation:
        return deviationPane_ && deviationPane_->isVisibleTo(deviationPane_->parentWidget())
                   ? deviationPane_->text()
                   : QString();
    case kPanePaperStrain:
        return strainPane_ && strainPane_->isVisibleTo(strainPane_->parentWidget())
                   ? strainPane_->text()
                   : QString();
    default:
        return messagePane_ ? messagePane_->text() : QString();
    }
}

void CMainFrame::SetMessagePane(const QString& text)
{
    if (messagePane_)
        messagePane_->setText(text.isEmpty() ? QStringLiteral("Ready") : text);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched != outer_ && watched != nested_) || event->type() != QEvent::Resize)
        return QMainWindow::eventFilter(watched, event);
    // A saved size (>= 0) is kept within the splitter; on a first start the
    // panes get their shares instead. Later resizes are shared in proportion.
    auto* splitter = static_cast<QSplitter*>(watched);
    const bool across = splitter == outer_;
    int& pending = across ? pendingDesignViewWidth_ : pendingNetViewHeight_;
    const int extent = across ? splitter->width() : splitter->height();
    if (pending != kNoPending && extent > 0) {
        const int total = std::max(0, extent - splitter->handleWidth());
        const int first =
            FirstPaneSize(total, pending, across ? kFirstDesignViewShare : kFirstNetViewShare);
        pending = kNoPending;
        splitter->setSizes({first, total - first});
    } else if (pending == kNoPending) {
        ShareResize(splitter);
    }
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::event(QEvent* event)
{
    // Prompts go to our own message pane, so the other panes stay visible.
    if (event->type() == QEvent::StatusTip) {
        SetMessagePane(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::ShareResize(QSplitter* splitter)
{
    // Seen before the splitter lays itself out: sizes() are still the old ones.
    const QList<int> sizes = splitter->sizes();
    if (sizes.size() != 2)
        return;
    const int extent =
        splitter->orientation() == Qt::Horizontal ? splitter->width() : splitter->height();
    const int total = std::max(0, extent - splitter->handleWidth());
    if (total == sizes[0] + sizes[1])
        return;
    const int first = ProportionalFirstPane(sizes[0], sizes[1], total);
    splitter->setSizes({first, total - first});
}

void CMainFrame::UpdateTitle()
{
    shownModified_ = Modified();
    setWindowTitle(doc_->Title() + (shownModified_ ? QStringLiteral(" *") : QString()) +
                   QStringLiteral(" - TAVREN"));
}

WindowPlacement CMainFrame::CurrentPlacement() const
{
    WindowPlacement wp;
    const QRect normal =
        isMaximized() || isMinimized() || isFullScreen() ? normalGeometry() : geometry();
    wp.showCmd = isMinimized()   ? WindowPlacement::kShowMinimized
                 : isMaximized() ? WindowPlacement::kShowMaximized
                                 : WindowPlacement::kShowNormal;
    wp.left = normal.left();
    wp.top = normal.top();
    wp.right = normal.left() + normal.width();
    wp.bottom = normal.top() + normal.height();
    return wp;
}

void CMainFrame::ApplyPlacement(const WindowPlacement& wp)
{
    const int width = wp.right - wp.left;
    const int height = wp.bottom - wp.top;
    if (width <= 0 || height <= 0)
        return;
    QRect rect(wp.left, wp.top, width, height);
    // A rectangle left on a screen that is gone comes back onto the primary one.
    bool onScreen = false;
    for (const QScreen* s : QGuiApplication::screens())
        onScreen = onScreen || s->availableGeometry().intersects(rect);
    if (!onScreen)
        if (const QScreen* s = QGuiApplication::primaryScreen())
            rect.moveTopLeft(s->availableGeometry().topLeft());
    setGeometry(rect);
}

void CMainFrame::LoadWindowSettings()
{
    const std::optional<WindowPlacement> wp = ::LoadWindowSettings(app_->Profile());
    // The system's default placement: three quarters of the screen, centred.
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect area = s->availableGeometry();
        QRect rect(0, 0, area.width() * 3 / 4, area.height() * 3 / 4);
        rect.moveCenter(area.center());
        setGeometry(rect);
    }
    // Splitters scale sizes given before they are laid out, so the pane sizes
    // are applied at each splitter's first resize.
    const bool saved = HasSavedSplitSize(app_->Profile());
    pendingDesignViewWidth_ = saved ? std::max(0, lastDesignViewWidth) : kFirstStartShare;
    pendingNetViewHeight_ = saved ? std::max(0, lastNetViewHeight) : kFirstStartShare;
    outer_->installEventFilter(this);
    nested_->installEventFilter(this);
    // The launcher's show command wins over the saved one: only the normal
    // rectangle is restored.
    if (wp)
        ApplyPlacement(*wp);
}

void CMainFrame::SaveWindowSettings()
{
    WindowPlacement wp = CurrentPlacement();
    wp.flags |= WindowPlacement::kRestoreToMaximized;
    ::SaveWindowSettings(app_->Profile(), wp);
    CProfile& profile = app_->Profile();
    profile.WriteInt("ControlBars\\State-Bar0", "Visible", toolBar_ && toolBar_->isVisible());
    profile.WriteInt("ControlBars\\State-Bar1", "Visible", statusBar()->isVisible());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A reader is still on the stack below the progress window's pump.
    if (readInProgress_) {
        event->ignore();
        return;
    }
    if (!closingForSignal_) {
        if (!MaybeSaveChanges()) {
            event->ignore();
            return;
        }
        // A clean end: nothing left to recover.
        RemoveRecoveryFile();
    }
    recoveryTimer_->stop();
    SaveWindowSettings();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (!readInProgress_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    // One question for the whole drop.
    if (paths.isEmpty() || !MaybeSaveChanges())
        return;
    for (const QString& path : paths) {
        activateWindow();
        OpenModelFile(path);
    }
}

void CMainFrame::OnFitModel()
{
    if (modelView_)
        modelView_->FitModel();
}

void CMainFrame::OnShowEdge()
{
    showEdges = !showEdges;
    doc_->UpdateAllViews(kHintDisplayFlags);
}

void CMainFrame::OnShowFace()
{
    showFaces = !showFaces;
    doc_->UpdateAllViews(kHintDisplayFlags);
}

void CMainFrame::OnShowBends()
{
    showBends = !showBends;
    doc_->UpdateAllViews(kHintDisplayFlags);
}
