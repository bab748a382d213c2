// The whole main road on the sample sheet with real mouse and key events:
// open, hover, select, drag the X handle, release, SPACE or Fix Shape, Undo,
// export; and which panes redraw on the way.

#include "ViewsFixture.h"

#include <QFile>
#include <QTextStream>

using namespace viewtest;

class DesignRoadTest : public GuiFixture {
    Q_OBJECT

    QWindow* Win() const { return Frame()->windowHandle(); }
    QPoint At(QWidget* pane, QPoint p) const { return pane->mapTo(Frame(), p); }
    // Moves carry the keys held, as the camera reads them at each move.
    void Move(QWidget* pane, QPoint p, Qt::KeyboardModifiers k = {})
    {
        QTest::mouseEvent(QTest::MouseMove, Win(), Qt::NoButton, k, At(pane, p));
    }
    void Press(QWidget* pane, QPoint p, Qt::MouseButton b = Qt::LeftButton,
               Qt::KeyboardModifiers k = {})
    {
        QTest::mousePress(Win(), b, k, At(pane, p));
    }
    void Release(QWidget* pane, QPoint p, Qt::MouseButton b = Qt::LeftButton,
                 Qt::KeyboardModifiers k = {})
    {
        QTest::mouseRelease(Win(), b, k, At(pane, p));
    }
    void Click(QWidget* pane, QPoint p)
    {
        Press(pane, p);
        Release(pane, p);
    }
    CDesignSession& Session() const { return Frame()->Session(); }
    const CViewCamera& Cam() const { return Frame()->DesignView()->Camera(); }

    // Starts the window with the design view and the right column side by side
    // and opens the sample sheet.
    void OpenSample()
    {
        Start();
        Frame()->resize(1000, 700);
        Frame()->OuterSplitter()->setSizes({640, 360});
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        Frame()->OpenModelFile(SamplePath());
        QVERIFY(g_pModel);
        // The progress window took the activation; with no window manager
        // nothing hands it back, and shortcuts and click focus need it.
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        SettleFrames();
    }

    // Hover the vertex nearest the pane's middle and click it; returns its position.
    CVector3 SelectMiddleVertex()
    {
        CModelView* view = Frame()->DesignView();
        const CVector3 at = MiddleVertex(*g_pModel, Cam()).pos;
        const QPoint p = PaneMouse(Cam(), at);
        Move(view, p + QPoint(40, 40));
        Move(view, p);
        [&] { QVERIFY(Session().HighlightedPos() && *Session().HighlightedPos() == at); }();
        Click(view, p);
        return at;
    }

    // Presses on the X tip and moves along its screen direction by `fraction`
    // of the handle's screen length, in `steps` moves; returns the last point.
    QPoint DragX(const CVector3& at, double fraction, int steps)
    {
        CModelView* view = Frame()->DesignView();
        const QPoint base = PaneMouse(Cam(), at);
        const QPoint tip = PaneMouse(Cam(), at + CVector3{CDesignSession::kHandleLength, 0, 0});
        Press(view, tip);
        const QPointF d = QPointF(tip - base) * fraction;
        QPoint last = tip;
        for (int k = 1; k <= steps; ++k) {
            last = tip + (d * k / steps).toPoint();
            Move(view, last);
        }
        Release(view, last);
        return last;
    }

private slots:
    void foldLiveThenSpaceAndUndoBringBackTheLoadedShape()
    {
        OpenSample();
        CModelView* view = Frame()->DesignView();
        QCOMPARE(g_pModel->faceCount, 3200);
        // The count stays past the idle pass, until the next open.
        Frame()->UpdateCommandUI();
        QCOMPARE(Frame()->PaneText(kPaneViewStatus), QStringLiteral("面数: 3200"));
        // The view scaled the sheet into the unit cube.
        for (const CPolyVertex* v : g_pModel->objects[0]->vertices)
            QVERIFY(std::fabs(v->pos.x) <= 1 + 1e-9 && std::fabs(v->pos.y) <= 1 + 1e-9);
        const std::vector<CVector3> loaded = Corners(*g_pModel);
        // The net view has drawn the opened sheet's pattern once.
        CKelmarzuView* net = Frame()->NetView();
        QTRY_VERIFY(!net->Pattern().Stale());
        const int sectionFrames = Frame()->SectionView()->FrameCount();
        const int netUpdates = net->UpdateCount();
        const int netFrames = net->FrameCount();
        const int netBuilds = net->Pattern().BuildCount();
        const int designFrames = view->FrameCount();

        const CVector3 at = SelectMiddleVertex();
        QVERIFY(Session().HasSelection());
        QCOMPARE(*Session().SelectedPos(), at);
        QCOMPARE(g_pModel->undoStack.size(), size_t(1));
        Frame()->UpdateCommandUI();
        QVERIFY(Enabled(kCmdFixShape));
        QVERIFY(Enabled(kCmdUndo));

        DragX(at, 0.6, 6);
        QCOMPARE(Session().Handle(), 1);
        QVERIFY(Session().AcceptedSteps() > 0);
        QVERIFY(Session().HasSelection());
        const CVector3 now = *Session().SelectedPos();
        QVERIFY2(now.x > at.x + 0.05 && now.x < at.x + 0.2, qPrintable(QString::number(now.x)));
        QVERIFY(std::fabs(now.y - at.y) < 1e-9 && std::fabs(now.z - at.z) < 1e-9);
        QVERIFY(Corners(*g_pModel) != loaded);

        // The design view drew while the user worked, and the net view
        // followed with the crease pattern: on the design view's own
        // notification rather than a document hint, so the section view kept
        // still, and with at most one pattern build per accepted step.
        QTest::qWait(30);
        QVERIFY(view->FrameCount() > designFrames);
        QCOMPARE(Frame()->SectionView()->FrameCount(), sectionFrames);
        QCOMPARE(net->UpdateCount(), netUpdates);
        QVERIFY(net->FrameCount() > netFrames);
        const int builds = net->Pattern().BuildCount() - netBuilds;
        QVERIFY2(builds >= 1 && builds <= Session().AcceptedSteps(),
                 qPrintable(QString::number(builds)));

        // SPACE ends the fold without committing; the folded shape stays.
        const std::vector<CVector3> folded = Corners(*g_pModel);
        QTest::keyClick(Win(), Qt::Key_Space);
        QVERIFY(!Session().HasSelection());
        QVERIFY(!Session().HighlightedPos());
        QCOMPARE(Corners(*g_pModel), folded);
        QCOMPARE(g_pModel->undoStack.size(), size_t(1));

        Frame()->UpdateCommandUI();
        QVERIFY(!Enabled(kCmdFixShape));
        QVERIFY(Enabled(kCmdUndo));
        QTest::keyClick(Win(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Corners(*g_pModel), loaded);
        QVERIFY(g_pModel->undoStack.empty());
        QCOMPARE(view->LastHint(), int(kHintUndo));
        Frame()->UpdateCommandUI();
        QVERIFY(!Enabled(kCmdUndo));

        // The next fold starts again from the loaded shape.
        const CVector3 again = SelectMiddleVertex();
        QCOMPARE(again, at);
        QVERIFY(Session().HasSelection());
    }

    void undoWhileDraggingForgetsTheSelection()
    {
        OpenSample();
        const std::vector<CVector3> loaded = Corners(*g_pModel);
        const CVector3 at = SelectMiddleVertex();
        CModelView* view = Frame()->DesignView();
        const QPoint tip = PaneMouse(Cam(), at + CVector3{CDesignSession::kHandleLength, 0, 0});
        Press(view, tip);
        Move(view, tip + QPoint(12, 0));
        QTest::keyClick(Win(), Qt::Key_Z, Qt::ControlModifier); // button still held
        QVERIFY(!Session().HasSelection());
        Move(view, tip + QPoint(24, 0));
        Release(view, tip + QPoint(24, 0));
        QCOMPARE(Corners(*g_pModel), loaded);
        QVERIFY(g_pModel->undoStack.empty());
    }

    // The X server gives the pointer's events to the pane's native window,
    // not to the main window the other tests send them to.
    void eventsOnThePanesOwnWindowReachThePane()
    {
        OpenSample();
        Click(Frame()->SectionView(), QPoint(20, 20));
        QCOMPARE(Frame()->ActiveView(), static_cast<CPaneView*>(Frame()->SectionView()));
        QWindow* surface = Frame()->DesignView()->Surface();
        const CVector3 at = MiddleVertex(*g_pModel, Cam()).pos;
        const QPoint p = PaneMouse(Cam(), at);
        QTest::mouseMove(surface, p + QPoint(30, 30));
        QTest::mouseMove(surface, p);
        QVERIFY(Session().HighlightedPos() && *Session().HighlightedPos() == at);
        QTest::mouseClick(surface, Qt::LeftButton, {}, p);
        QVERIFY(Session().HasSelection());
        // The click gave the pane the keyboard, as a click on a widget does.
        QCOMPARE(Frame()->ActiveView(), static_cast<CPaneView*>(Frame()->DesignView()));
        QTest::keyClick(Win(), Qt::Key_Space);
        QVERIFY(!Session().HasSelection());
    }

    void fixShapeOnlyWhileTheDesignViewIsActive()
    {
        OpenSample();
        const CVector3 at = SelectMiddleVertex();
        Frame()->UpdateCommandUI();
        QVERIFY(Enabled(kCmdFixShape));

        QWidget* section = Frame()->SectionView();
        QVERIFY(section->width() > 20 && section->height() > 20);
        Click(section, QPoint(section->width() / 2, section->height() / 2));
        QCOMPARE(Frame()->ActiveView(), static_cast<CPaneView*>(Frame()->SectionView()));
        Frame()->UpdateCommandUI();
        QVERIFY(!Enabled(kCmdFixShape));
        QVERIFY(!Frame()->ExecuteCommand(kCmdFixShape));
        QVERIFY(Session().HasSelection()); // still selected, only not reachable

        // Back in the design view (a press away from the handles picks none).
        Click(Frame()->DesignView(), QPoint(5, 5));
        QCOMPARE(Frame()->ActiveView(), static_cast<CPaneView*>(Frame()->DesignView()));
        QCOMPARE(Session().Handle(), 0);
        Frame()->UpdateCommandUI();
        QVERIFY(Enabled(kCmdFixShape));

        DragX(at, 0.5, 5);
        QVERIFY(Session().AcceptedSteps() > 0);
        const std::vector<CVector3> folded = Corners(*g_pModel);
        Frame()->Action(kCmdFixShape)->trigger();
        QVERIFY(!Session().HasSelection());
        QCOMPARE(g_pModel->undoStack.size(), size_t(2));
        Frame()->UpdateCommandUI();
        QVERIFY(!Enabled(kCmdFixShape));
        // Undo after Fix Shape shows the same folded shape; the next one the loaded.
        QVERIFY(Frame()->ExecuteCommand(kCmdUndo));
        QCOMPARE(Corners(*g_pModel), folded);
        QVERIFY(Frame()->ExecuteCommand(kCmdUndo));
        QVERIFY(g_pModel->undoStack.empty());

        // Redo takes both steps again: from the keyboard (both keys) and the menu.
        const std::vector<CVector3> loaded = Corners(*g_pModel);
        Frame()->UpdateCommandUI();
        QVERIFY(Enabled(kCmdRedo));
        QTest::keyClick(Win(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Corners(*g_pModel), folded);
        QCOMPARE(Frame()->DesignView()->LastHint(), int(kHintUndo));
        QTest::keyClick(Win(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Corners(*g_pModel), folded);
        QCOMPARE(g_pModel->undoStack.size(), size_t(2));
        Frame()->UpdateCommandUI();
        QVERIFY(!Enabled(kCmdRedo));
        QVERIFY(Frame()->ExecuteCommand(kCmdUndo));
        QVERIFY(Frame()->ExecuteCommand(kCmdUndo));
        QCOMPARE(Corners(*g_pModel), loaded);
        Frame()->UpdateCommandUI();
        Frame()->Action(kCmdRedo)->trigger();
        QCOMPARE(Corners(*g_pModel), folded);
    }

    void exportAfterAFoldWritesTheFoldedShape()
    {
        OpenSample();
        const std::vector<CVector3> loaded = Corners(*g_pModel);
        const CVector3 at = SelectMiddleVertex();
        DragX(at, 0.7, 7);
        QVERIFY(Session().AcceptedSteps() > 0);
        QTest::keyClick(Win(), Qt::Key_Space);

        nextFile_ = dir_->filePath(QStringLiteral("folded.obj"));
        QVERIFY(Frame()->ExecuteCommand(kCmdExport));
        QVERIFY(messages_.isEmpty());
        QFile file(nextFile_);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        std::vector<CVector3> written;
        int faceLines = 0;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QStringList parts = in.readLine().split(' ', Qt::SkipEmptyParts);
            if (parts.value(0) == QLatin1String("v") && parts.size() == 4)
                written.push_back({parts[1].toDouble(), parts[2].toDouble(), parts[3].toDouble()});
            else if (parts.value(0) == QLatin1String("f"))
                ++faceLines;
        }
        QVERIFY(g_pModel->designing);
        const CWorkingShape& shape = g_pModel->working;
        QCOMPARE(written.size(), shape.CornerCount());
        QCOMPARE(faceLines, int(shape.TriangleCount()));
        for (size_t i = 0; i < written.size(); ++i) {
            const CVector3& p = shape.pos[i];
            QVERIFY2(std::fabs(written[i].x - p.x) < 1e-5 && std::fabs(written[i].y - p.y) < 1e-5 &&
                         std::fabs(written[i].z - p.z) < 1e-5,
                     qPrintable(QString::number(i)));
        }
        // And it is not the loaded sheet: the crease added faces.
        QVERIFY(shape.TriangleCount() > loaded.size() / 3);
    }

    void noModelMeansOnlyTheWheelMovesTheCamera()
    {
        Start();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        CModelView* view = Frame()->DesignView();
        const double distance = Cam().distance;
        const QPoint mid(view->width() / 2, view->height() / 2);
        Press(view, mid, Qt::RightButton);
        Move(view, mid + QPoint(50, 20));
        Release(view, mid + QPoint(50, 20), Qt::RightButton);
        QCOMPARE(Cam().trackball.qCur.w, 1.0f);
        QCOMPARE(Cam().distance, distance);
        QWheelEvent wheel(QPointF(mid), QPointF(view->mapToGlobal(mid)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        QCOMPARE(Cam().distance, distance + 0.24);
    }

    void cameraDragsTurnZoomAndPanOnlyTheirPane()
    {
        OpenSample();
        CModelView* view = Frame()->DesignView();
        const QPoint mid(view->width() / 2, view->height() / 2);
        const int sectionFrames = Frame()->SectionView()->FrameCount();

        Press(view, mid, Qt::RightButton, Qt::ShiftModifier);
        Move(view, mid + QPoint(10, 10), Qt::ShiftModifier);
        Release(view, mid + QPoint(10, 10), Qt::RightButton, Qt::ShiftModifier);
        QVERIFY(std::fabs(Cam().distance - (-5.0 + 0.2)) < 1e-12);

        const CVector3 centre = Cam().centre;
        Press(view, mid, Qt::RightButton, Qt::ControlModifier);
        Move(view, mid + QPoint(100, 0), Qt::ControlModifier);
        Release(view, mid + QPoint(100, 0), Qt::RightButton, Qt::ControlModifier);
        QVERIFY(std::fabs(Cam().centre.x - (centre.x - 1.0)) < 1e-9);

        Press(view, mid, Qt::RightButton);
        Move(view, mid + QPoint(60, 0));
        Release(view, mid + QPoint(60, 0), Qt::RightButton);
        QVERIFY(Cam().trackball.qCur.y != 0.0f);
        QTest::qWait(30);
        QCOMPARE(Frame()->SectionView()->FrameCount(), sectionFrames);

        // A new open puts the camera back.
        Frame()->OpenModelFile(SamplePath());
        QCOMPARE(Cam().distance, -5.0);
        QCOMPARE(Cam().trackball.qCur.w, 1.0f);
        QCOMPARE(Cam().centre.x, 0.0);
    }
};

QObject* MakeDesignRoadTest()
{
    return new DesignRoadTest;
}

#include "DesignRoadTest.moc"
