// The window as a person's mouse and keyboard drive it: every press, move and
// key enters at the X server (XTest) and reaches the program through Qt's xcb
// input and the panes' native windows. The checks read what the program
// holds: faces, the fold angle pane, the selection, the title, the undo stack.

#include "GuiFixture.h"
#include "RealInput.h"
#include "ViewsFixture.h"

#include "document/Recovery.h"
#include "export/SheetObj.h"
#include "sheet/SheetLayout.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QPrintDialog>
#include <QScopeGuard>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolBar>
#include <QScreen>

#include <cstdio>
#include <functional>
#include <memory>

using namespace viewtest;
namespace ri = realinput;

namespace {

// Runs `drive` on the next modal dialog once it shows, from inside its own
// event loop, as a person answers it.
void WhenModal(std::function<void(QWidget*)> drive)
{
    // Polls without blocking: the test goes on to open the dialog meanwhile.
    auto* poll = new QTimer(qApp);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, ticks, drive] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            if (++*ticks > 1000)
                poll->deleteLater(); // none came in 20 s
            return;
        }
        poll->stop();
        poll->deleteLater();
        (void)QTest::qWaitForWindowExposed(modal);
        ri::Settle(50);
        QPointer<QWidget> open(modal);
        drive(modal);
        // A dialog the pointer failed to close must not hang the test.
        for (int i = 0; i < 300 && open && open->isVisible(); ++i)
            ri::Settle(10);
        if (open && open->isVisible()) {
            qWarning("a dialog stayed open: %s", open->metaObject()->className());
            if (auto* dialog = qobject_cast<QDialog*>(open.data()))
                dialog->reject();
        }
    });
    poll->start(20);
}

// The button of a message box or dialog whose text is `text`.
QAbstractButton* ButtonNamed(QWidget* dialog, const QString& text)
{
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        if (b->isVisible() && b->text().remove(QLatin1Char('&')) == text)
            return b;
    return nullptr;
}

void ClickButton(QWidget* dialog, const QString& text)
{
    if (QAbstractButton* b = ButtonNamed(dialog, text))
        ri::Click(b);
}

} // namespace

class RealInputTest : public GuiFixture {
    Q_OBJECT

    CModelView* View() const { return Frame()->DesignView(); }
    CDesignSession& Session() const { return Frame()->Session(); }
    const CViewCamera& Cam() const { return View()->Camera(); }
    size_t Faces() const
    {
        return g_pModel->designing ? g_pModel->working.TriangleCount()
                                   : static_cast<size_t>(g_pModel->faceCount);
    }
    QString FoldAnglePane() const
    {
        Frame()->UpdateCommandUI();
        return Frame()->PaneText(kPaneFoldAngle);
    }
    bool TitleMarked() const
    {
        Frame()->UpdateCommandUI();
        return Frame()->windowTitle().contains(QLatin1Char('*'));
    }

    void StartWindow()
    {
        Start();
        Frame()->resize(1000, 760);
        Frame()->OuterSplitter()->setSizes({640, 360});
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
    }

    // The window's menu command `id`, chosen with the pointer: the menu's
    // title in the bar, then the item.
    void ChooseMenuCommand(int id)
    {
        QAction* action = Frame()->Action(id);
        QMenu* menu = nullptr;
        for (QObject* o : action->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(o))
                menu = m;
        QVERIFY(menu);
        QMenuBar* bar = Frame()->menuBar();
        ri::Click(bar, bar->actionGeometry(menu->menuAction()).center());
        QTRY_VERIFY(menu->isVisible());
        ri::Click(menu, menu->actionGeometry(action).center());
    }

    // Hovers and clicks the corner whose projection is nearest to the pane
    // point p; returns it.
    CShapeCorner SelectNear(QPoint p)
    {
        CShapeCorner best;
        double bestD = 1e300;
        ForEachShapeCorner(*g_pModel, [&](int64_t seq, const CVector3& pos) {
            const QPoint q = PaneMouse(Cam(), pos);
            const double d = QPointF(q - p).manhattanLength();
            if (d < bestD) {
                bestD = d;
                best = {seq, pos};
            }
        });
        const QPoint at = PaneMouse(Cam(), best.pos);
        ri::MoveTo(View(), at + QPoint(30, 30));
        ri::MoveTo(View(), at);
        ri::Press(ri::kLeft);
        ri::Release(ri::kLeft);
        return best;
    }

    // Presses at `from`, moves by `by` in steps of about 3 pixels, releases
    // unless told not to.
    void DragBy(QPoint from, QPoint by, bool release = true)
    {
        ri::MoveTo(View(), from);
        ri::Press(ri::kLeft);
        const int steps = std::max(1, static_cast<int>(QPointF(by).manhattanLength() / 5));
        for (int k = 1; k <= steps; ++k)
            ri::MoveTo(View(), from + by * k / steps);
        if (release)
            ri::Release(ri::kLeft);
    }

    QPoint SelectedOnScreen() const { return PaneMouse(Cam(), *Session().SelectedPos()); }
    // Where a person aiming at the selected vertex may press: on it, or where
    // the Z handle's tip covers it when the handle is seen nearly end-on
    // (the press the pointer most often lands on then).
    QPoint PressOnSelected() const
    {
        const QPoint v = SelectedOnScreen();
        const QPoint z =
            PaneMouse(Cam(), *Session().SelectedPos() + CVector3(0, 0, CDesignSession::kHandleLength));
        return QLineF(v, z).length() <= CDesignController::kPickRadius ? z : v + QPoint(1, 1);
    }

    // A flat sheet of paper in millimetres, opened as the program opens files.
    void OpenFlatSheet(double width, double height, int cells)
    {
        const QString path = dir_->filePath(QStringLiteral("flat.obj"));
        std::FILE* f = std::fopen(path.toLocal8Bit().constData(), "w");
        QVERIFY(f && WriteSheetObj(f, PaperSheet(width, height, cells, false)));
        std::fclose(f);
        Frame()->OpenModelFile(path);
        QVERIFY(g_pModel);
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        SettleFrames();
    }

    // With the real boxes on, closing an unsaved design at the end of a test
    // would wait for an answer: the design counts as saved first.
    auto RealBoxes()
    {
        SetPromptHooks({});
        return qScopeGuard([this] {
            if (app_ && Frame() && g_pModel)
                Session().Document().Saved();
        });
    }

    // Everything the camera holds that a drag could change.
    static std::vector<double> CameraState(const CViewCamera& c)
    {
        std::vector<double> s(c.projection, c.projection + 16);
        s.push_back(c.distance);
        return s;
    }

private slots:
    void initTestCase()
    {
        if (!ri::Available())
            QSKIP("the X server has no XTest extension");
    }

    // New Sheet through its dialog with a cylinder bend, then the gestures on
    // the bent sheet in the view it opens in.
    void bentSheetFoldsUnderTheHand()
    {
        StartWindow();
        WhenModal([](QWidget* dialog) {
            auto* bend = dialog->findChild<QComboBox*>(QStringLiteral("SheetBend"));
            if (!bend)
                return;
            ri::Click(bend);
            (void)QTest::qWaitFor([bend] { return bend->view()->isVisible(); }, 2000);
            QAbstractItemView* list = bend->view();
            const int row = bend->findText(QStringLiteral("Cylinder"));
            const QRect r = list->visualRect(list->model()->index(row, 0));
            ri::Click(list->viewport(), r.center());
            if (auto* box = dialog->findChild<QDialogButtonBox*>())
                ri::Click(box->button(QDialogButtonBox::Ok));
        });
        ChooseMenuCommand(kCmdNewSheet);
        QTRY_VERIFY(g_pModel);
        QCOMPARE(Faces(), size_t(5040));
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        SettleFrames();
        QVERIFY(!TitleMarked());

        // A vertex a quarter in from the sheet's top-left corner on screen.
        double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
        ForEachShapeCorner(*g_pModel, [&](int64_t, const CVector3& p) {
            const QPoint q = PaneMouse(Cam(), p);
            x0 = std::min<double>(x0, q.x()), x1 = std::max<double>(x1, q.x());
            y0 = std::min<double>(y0, q.y()), y1 = std::max<double>(y1, q.y());
        });
        SelectNear(QPoint(int(x0 + (x1 - x0) / 4), int(y0 + (y1 - y0) / 4)));
        QVERIFY(Session().HasSelection());
        const size_t undo = g_pModel->undoStack.size();

        // The cursor says what a press does: the vertex moves, a tip takes its handle.
        ri::MoveTo(View(), PressOnSelected());
        QTRY_COMPARE(View()->Surface()->cursor().shape(), Qt::SizeAllCursor);
        const CVector3 at = *Session().SelectedPos();
        ri::MoveTo(View(), PaneMouse(Cam(), at + CVector3(CDesignSession::kHandleLength, 0, 0)));
        QTRY_COMPARE(View()->Surface()->cursor().shape(), Qt::PointingHandCursor);

        // The free drag folds, and the camera stays where it was.
        const std::vector<double> camera = CameraState(Cam());
        DragBy(PressOnSelected(), QPoint(30, 30));
        QCOMPARE(Session().Handle(), 0);
        QVERIFY2(Faces() > 5040, qPrintable(QString::number(Faces())));
        QCOMPARE(CameraState(Cam()), camera);
        QVERIFY(TitleMarked());
        QVERIFY(FoldAnglePane().startsWith(QLatin1String("Fold angle: ")));
        QCOMPARE(g_pModel->undoStack.size(), undo);
        // Every status pane shows its text whole, the degree sign included.
        // (The mouse help gives way when the window is too narrow for all.)
        for (QLabel* pane : Frame()->statusBar()->findChildren<QLabel*>())
            if (pane->isVisible() && pane->objectName() != QLatin1String("Pane59146"))
                QVERIFY2(pane->width() >= pane->sizeHint().width(), qPrintable(pane->text()));
        // No two panes lie over each other.
        QList<QLabel*> panes;
        for (QLabel* pane : Frame()->statusBar()->findChildren<QLabel*>())
            if (pane->isVisible())
                panes << pane;
        for (int i = 0; i < panes.size(); ++i)
            for (int j = i + 1; j < panes.size(); ++j)
                QVERIFY2(!panes[i]->geometry().intersects(panes[j]->geometry()),
                         qPrintable(panes[i]->text() + QStringLiteral(" / ") + panes[j]->text()));

        // Escape during a further drag: the shape as at the press, the
        // selection kept, the drag over.
        const std::vector<CVector3> folded = Corners(*g_pModel);
        const QString angle = FoldAnglePane();
        DragBy(SelectedOnScreen(), QPoint(-25, 10), false);
        QVERIFY(Corners(*g_pModel) != folded);
        ri::Key("Escape");
        QCOMPARE(Corners(*g_pModel), folded);
        QVERIFY(Session().HasSelection());
        ri::MoveTo(View(), SelectedOnScreen() + QPoint(-40, 0));
        QCOMPARE(Corners(*g_pModel), folded);
        ri::Release(ri::kLeft);
        QCOMPARE(Corners(*g_pModel), folded);
        Frame()->UpdateCommandUI();
        QCOMPARE(FoldAnglePane(), angle);

        // SPACE ends it; a vertex near the middle folds under the same drag,
        // and so does the X handle.
        ri::Key("space");
        QTRY_VERIFY(!Session().HasSelection());
        SelectNear(QPoint(int(View()->width() * 0.3), int(View()->height() * 0.45)));
        QVERIFY(Session().HasSelection());
        const size_t before = Faces();
        const std::vector<CVector3> shape = Corners(*g_pModel);
        DragBy(PressOnSelected(), QPoint(30, 30));
        QCOMPARE(Session().Handle(), 0);
        QVERIFY(Corners(*g_pModel) != shape);
        QVERIFY(Faces() != before || Session().AcceptedSteps() > 0);
        const int accepted = Session().AcceptedSteps();
        const CVector3 moved = *Session().SelectedPos();
        const QPoint tip = PaneMouse(Cam(), moved + CVector3(CDesignSession::kHandleLength, 0, 0));
        DragBy(tip, (tip - SelectedOnScreen()) / 2);
        QCOMPARE(Session().Handle(), 1);
        QVERIFY(Session().AcceptedSteps() > accepted);
        QCOMPARE(CameraState(Cam()), camera);

        // Shift held: every step lands on a multiple of 15 degrees.
        ri::KeyDown("Shift_L");
        DragBy(SelectedOnScreen(), QPoint(-20, 25));
        ri::KeyUp("Shift_L");
        Frame()->UpdateCommandUI();
        double shown = 0.0;
        QVERIFY(std::sscanf(FoldAnglePane().toUtf8().constData(), "Fold angle: %lf", &shown) == 1);
        QVERIFY2(std::fabs(std::remainder(shown, 15.0)) < 1e-6, qPrintable(FoldAnglePane()));
    }

    // A flat sheet: facing the camera the free drag folds flat; after the
    // camera has turned it still folds; the camera's own gestures move it.
    void flatSheetAndTheCamera()
    {
        StartWindow();
        OpenFlatSheet(200, 120, 20);
        QCOMPARE(Faces(), size_t(480));
        SelectNear(QPoint(View()->width() / 2, View()->height() / 2));
        QVERIFY(Session().HasSelection());
        DragBy(PressOnSelected(), QPoint(30, 10));
        QVERIFY(Faces() > 480);
        Frame()->UpdateCommandUI();
        QVERIFY2(FoldAnglePane().contains(QLatin1String("180.0")), qPrintable(FoldAnglePane()));
        // The handle on a flat sheet.
        const QPoint tip =
            PaneMouse(Cam(), *Session().SelectedPos() + CVector3(0, CDesignSession::kHandleLength, 0));
        const int accepted = Session().AcceptedSteps();
        DragBy(tip, (tip - SelectedOnScreen()) / 3);
        QCOMPARE(Session().Handle(), 2);
        QVERIFY(Session().AcceptedSteps() > accepted);
        ri::Key("space");
        QTRY_VERIFY(!Session().HasSelection());

        // Right button: the camera turns (on the sheet as opened).
        OpenFlatSheet(200, 120, 20);
        QCOMPARE(Faces(), size_t(480));
        const std::vector<double> facing = CameraState(Cam());
        const QPoint mid(View()->width() / 2, View()->height() / 2);
        ri::MoveTo(View(), mid);
        ri::Press(ri::kRight);
        for (int k = 1; k <= 8; ++k)
            ri::MoveTo(View(), mid + QPoint(5 * k, 0));
        ri::Release(ri::kRight);
        QVERIFY(CameraState(Cam()) != facing);

        // The free drag after the turn folds.
        SelectNear(mid + QPoint(-20, 0));
        QVERIFY(Session().HasSelection());
        const std::vector<double> turned = CameraState(Cam());
        DragBy(PressOnSelected(), QPoint(30, 30));
        QVERIFY2(Faces() > 480, qPrintable(QString::number(Faces())));
        QCOMPARE(CameraState(Cam()), turned);
        ri::Key("space");

        // The wheel and Shift + right zoom.
        const double distance = Cam().distance;
        ri::MoveTo(View(), mid);
        ri::Press(ri::kWheelUp);
        ri::Release(ri::kWheelUp);
        QTRY_VERIFY(Cam().distance != distance);
        const double wheeled = Cam().distance;
        ri::KeyDown("Shift_L");
        ri::Press(ri::kRight);
        for (int k = 1; k <= 6; ++k)
            ri::MoveTo(View(), mid + QPoint(0, 5 * k));
        ri::Release(ri::kRight);
        ri::KeyUp("Shift_L");
        QVERIFY(Cam().distance != wheeled);
    }

    // Simulate Fold from the toolbar, the fold percent slider dragged by the
    // pointer, Play there and back, and the design untouched on leaving.
    void simulationSliderAndPlay()
    {
        StartWindow();
        OpenFlatSheet(200, 120, 20);
        CDesignSession& session = Session();
        QVERIFY(session.SetHighlighted(NearestShapeCorner(*g_pModel, {0.3, 0.2, 0})));
        QVERIFY(session.EndLeftClick());
        // A fold of about 90 degrees: the vertex goes in and up by as much.
        QVERIFY(session.DragBy({-0.25, 0, 0.25}) == CDesignSession::DragOutcome::kAccepted);
        QVERIFY(std::fabs(*session.FoldAngle()) > 45 && std::fabs(*session.FoldAngle()) < 135);
        Frame()->SetActiveView(View());
        QVERIFY(Frame()->ExecuteCommand(kCmdFixShape));
        const std::vector<CVector3> design = Corners(*g_pModel);
        const size_t undo = g_pModel->undoStack.size();

        QToolBar* bar = Frame()->ToolBar();
        ri::Click(bar->widgetForAction(Frame()->Action(kCmdSimulateFold)));
        QTRY_VERIFY(View()->Simulating());
        QVERIFY(Frame()->SimulationBar()->isVisible());
        Frame()->UpdateCommandUI();
        QVERIFY(!Enabled(kCmdUndo));
        QTRY_VERIFY_WITH_TIMEOUT(View()->Simulation().Result(), 120000);
        QTRY_VERIFY_WITH_TIMEOUT(!View()->Simulation().Busy(), 120000);
        QVERIFY(View()->Simulation().Result()->converged);
        const QString deviation = Frame()->PaneText(kPaneDeviation);
        QVERIFY2(deviation.startsWith(QLatin1String("Deviation: ")), qPrintable(deviation));

        // The slider's handle, from 100% at its right end to the middle.
        auto* slider = Frame()->SimulationBar()->findChild<QSlider*>(QStringLiteral("SimulatePercent"));
        QVERIFY(slider);
        QCOMPARE(slider->value(), 100);
        QStyleOptionSlider opt;
        opt.initFrom(slider);
        opt.orientation = Qt::Horizontal;
        opt.minimum = slider->minimum();
        opt.maximum = slider->maximum();
        opt.sliderPosition = opt.sliderValue = slider->value();
        opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
        const QPoint handle =
            slider->style()
                ->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider)
                .center();
        ri::MoveTo(slider, handle);
        ri::Press(ri::kLeft);
        const int travel = handle.x() - slider->width() / 2;
        for (int k = 1; k <= 8; ++k)
            ri::MoveTo(slider, handle - QPoint(travel * k / 8, 0));
        ri::Release(ri::kLeft);
        QVERIFY2(slider->value() > 30 && slider->value() < 70, qPrintable(QString::number(slider->value())));
        QTRY_VERIFY_WITH_TIMEOUT(!View()->Simulation().Busy(), 120000);
        QCOMPARE(View()->Simulation().Result()->percent, double(slider->value()));
        if (qEnvironmentVariableIsSet("LINTORO_SIMULATION_SHOTS")) {
            QTest::qWait(300);
            GrabWindowWithPanes(Frame()).save(ArtefactPath(QStringLiteral("simulation-half.png")));
        }

        // Play folds from flat to the form and back, the slider following.
        int highest = 0, lowest = 100;
        const auto follow = connect(View(), &CModelView::SimulationChanged, this, [&] {
            highest = std::max(highest, slider->value());
            lowest = std::min(lowest, slider->value());
        });
        ri::Click(Frame()->SimulationBar()->widgetForAction(Frame()->Action(kCmdSimulatePlay)));
        QTRY_VERIFY(View()->Simulation().Playing());
        QTRY_VERIFY_WITH_TIMEOUT(!View()->Simulation().Playing(), 240000);
        disconnect(follow);
        QCOMPARE(highest, 100);
        QCOMPARE(lowest, 0);
        QCOMPARE(slider->value(), 0);

        // Leaving puts the design back exactly as it was.
        ri::Click(bar->widgetForAction(Frame()->Action(kCmdSimulateFold)));
        QTRY_VERIFY(!View()->Simulating());
        QVERIFY(!Frame()->SimulationBar()->isVisible());
        QCOMPARE(Corners(*g_pModel), design);
        QCOMPARE(g_pModel->undoStack.size(), undo);
        Frame()->UpdateCommandUI();
        QVERIFY(Enabled(kCmdUndo));
    }

    // The real message box of Save's question, answered with the pointer.
    void savesQuestionTakesCancelAndDiscard()
    {
        const auto real = RealBoxes();
        StartWindow();
        OpenFlatSheet(200, 120, 20);
        SelectNear(QPoint(View()->width() / 2, View()->height() / 2));
        DragBy(SelectedOnScreen(), QPoint(30, 10));
        QVERIFY(Frame()->Modified());

        QString asked;
        WhenModal([&asked](QWidget* box) {
            if (auto* m = qobject_cast<QMessageBox*>(box))
                asked = m->text();
            ClickButton(box, QStringLiteral("Cancel"));
        });
        Frame()->close();
        QVERIFY(asked.contains(QLatin1String("Save")) || !asked.isEmpty());
        QVERIFY(Frame()->isVisible());
        QVERIFY(Frame()->Modified());

        WhenModal([](QWidget* box) { ClickButton(box, QStringLiteral("Discard")); });
        Frame()->close();
        QTRY_VERIFY(!Frame()->isVisible());
    }

    // A design left behind by a program that ended without saving is offered
    // at the next start in a real box; Recover opens it.
    void recoveryOfferIsARealBox()
    {
        StartWindow();
        OpenFlatSheet(200, 120, 20);
        SelectNear(QPoint(View()->width() / 2, View()->height() / 2));
        DragBy(SelectedOnScreen(), QPoint(30, 10));
        const size_t faces = Faces();
        Frame()->WriteRecovery(true);
        const QString own = Frame()->RecoveryFile();
        QVERIFY(QFile::exists(own));
        // The same file under a process that is no longer running.
        const QString orphan = QFile::decodeName(
            RecoveryPath(QFile::encodeName(QFileInfo(own).path()).toStdString(), 4194000).c_str());
        QVERIFY(QFile::copy(own, orphan));
        Stop();
        QVERIFY(QFile::exists(orphan));

        const auto real = RealBoxes();
        QString asked;
        WhenModal([&asked](QWidget* box) {
            if (auto* m = qobject_cast<QMessageBox*>(box))
                asked = m->text();
            ClickButton(box, QStringLiteral("Recover"));
        });
        StartWindow();
        QVERIFY2(asked.contains(QLatin1String("flat.obj")), qPrintable(asked));
        QTRY_VERIFY(g_pModel);
        QVERIFY(Frame()->windowTitle().contains(QLatin1String("(recovered)")));
        QVERIFY(Frame()->Modified());
        QCOMPARE(Faces(), faces);
    }

    // Print's dialog and Export Crease Pattern's file dialog, opened from the
    // menu and cancelled with the pointer; the panes keep their pictures
    // while a dialog is over them.
    void printAndExportDialogsCancel()
    {
        const auto real = RealBoxes();
        StartWindow();
        OpenFlatSheet(200, 120, 20);
        const QRect pane(View()->mapToGlobal(QPoint(0, 0)), View()->size());

        // Crease Pattern Options first, then the printer's own dialog.
        bool printShown = false;
        QString firstTitle;
        WhenModal([&](QWidget* options) {
            firstTitle = options->windowTitle();
            ClickButton(options, QStringLiteral("OK"));
            // Once the options are gone: the printer's dialog comes next.
            WhenModal([&printShown](QWidget* dialog) {
                printShown = qobject_cast<QPrintDialog*>(dialog) != nullptr;
                ClickButton(dialog, QStringLiteral("Cancel"));
            });
        });
        ChooseMenuCommand(kCmdPrintCreasePattern);
        QTRY_VERIFY(printShown);
        QCOMPARE(firstTitle, QStringLiteral("Crease Pattern Options"));
        QTRY_VERIFY(!QApplication::activeModalWidget());

        bool fileShown = false;
        int litPixels = -1;
        WhenModal([&](QWidget* dialog) {
            fileShown = qobject_cast<QFileDialog*>(dialog) != nullptr;
            // What the screen shows of the design view beside the dialog.
            ri::Settle(300);
            const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            const QRect free = pane.adjusted(0, 0, 0, 0).intersected(screen.rect());
            litPixels = 0;
            for (int y = free.top(); y < free.bottom(); y += 4)
                for (int x = free.left(); x < free.right(); x += 4)
                    if (!dialog->frameGeometry().contains(x, y) && IsLitBlue(screen.pixelColor(x, y)))
                        ++litPixels;
            ClickButton(dialog, QStringLiteral("Cancel"));
        });
        ChooseMenuCommand(kCmdExportCreasePattern);
        QTRY_VERIFY(fileShown);
        QVERIFY2(litPixels > 50, qPrintable(QString::number(litPixels)));
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(g_pModel);
    }
};

QObject* MakeRealInputTest()
{
    return new RealInputTest;
}

#include "RealInputTest.moc"
