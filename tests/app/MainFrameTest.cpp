// The main window under Xvfb: menus, toolbar, status bar, enable rules, commands,
// export, placement and the panes.

#include "GuiFixture.h"
#include "design/DesignStates.h"

using namespace guitest;

class MainFrameTest : public GuiFixture {
    Q_OBJECT

private slots:
    void menusToolbarAndStatusBarCarryTheirTexts()
    {
        Start();
        QStringList menus;
        for (QAction* a : Frame()->menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{"&File", "&Edit", "&View", "&Help"}));
        QCOMPARE(Frame()->Action(kCmdOpen)->text(), QStringLiteral("&Open...\tCtrl+O"));
        QCOMPARE(Frame()->Action(kCmdExport)->text(), QStringLiteral("&Export *.obj..."));
        QCOMPARE(Frame()->Action(kCmdUndo)->text(), QStringLiteral("&Undo (Ctrl+Z)"));
        QCOMPARE(Frame()->Action(kCmdRedo)->text(), QStringLiteral("&Redo (Ctrl+Y)"));
        QCOMPARE(Frame()->Action(kCmdFixShape)->text(), QStringLiteral("&Fix Shape (SPACE)"));
        QCOMPARE(Frame()->Action(kCmdExit)->text(), QStringLiteral("E&xit"));
        QCOMPARE(Frame()->Action(kCmdSave)->text(), QStringLiteral("&Save Design\tCtrl+S"));
        QCOMPARE(Frame()->Action(kCmdSaveAs)->text(), QStringLiteral("Save Design &As..."));
        QCOMPARE(Frame()->Action(kCmdFitModel)->text(), QStringLiteral("&Fit Model\tHome"));
        QCOMPARE(Frame()->Action(kCmdToolbar)->statusTip(), QStringLiteral("ﾂｰﾙ ﾊﾞｰの表示/非表示"));
        QCOMPARE(Frame()->Action(kCmdFixShape)->toolTip(), QStringLiteral("Fix the Shape"));

        QList<int> buttons;
        for (QAction* a : Frame()->ToolBar()->actions())
            buttons << (a->isSeparator() ? 0 : a->data().toInt());
        QCOMPARE(buttons, (QList<int>{kCmdOpen, kCmdExport, 0, kCmdShowFace, kCmdShowEdge, 0,
                                      kCmdFixShape, kCmdUndo, kCmdRedo, 0, kCmdSimulateFold}));

        QCOMPARE(Frame()->PaneText(kPaneRotateHelp),
                 QStringLiteral("Rotate:Right Drag/Zoom:Wheel or [Shift]+Right Drag/"
                                "Move:[Ctrl]+Right Drag"));
        QCOMPARE(Frame()->PaneText(0), QStringLiteral("Ready"));
        QStatusTipEvent tip(QStringLiteral("Export"));
        QApplication::sendEvent(Frame(), &tip);
        QCOMPARE(Frame()->PaneText(0), QStringLiteral("Export"));
        QStatusTipEvent none{QString()};
        QApplication::sendEvent(Frame(), &none);
        QCOMPARE(Frame()->PaneText(0), QStringLiteral("Ready"));

        // A view's status text lasts until the next idle pass.
        emit Frame()->DesignView()->StatusText(QStringLiteral("12 faces"));
        QCOMPARE(Frame()->PaneText(kPaneViewStatus), QStringLiteral("12 faces"));
        Frame()->UpdateCommandUI();
        QCOMPARE(Frame()->PaneText(kPaneViewStatus), QString());
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("無題 - TAVREN"));
    }

    void enableStatesBeforeAndAfterOpen()
    {
        Start();
        for (int id : {kCmdExport, kCmdUndo, kCmdRedo, kCmdFixShape, kCmdShowEdge, kCmdShowFace})
            QVERIFY2(!Enabled(id), qPrintable(QString::number(id)));
        for (int id : {kCmdOpen, kCmdToolbar, kCmdStatusbar, kCmdAbout, kCmdExit})
            QVERIFY2(Enabled(id), qPrintable(QString::number(id)));
        QVERIFY(Frame()->Action(kCmdShowFace)->isChecked());
        QVERIFY(!Frame()->Action(kCmdShowEdge)->isChecked());
        QVERIFY(!Enabled(kCmdRecentFile1));
        QCOMPARE(Frame()->Action(kCmdRecentFile1)->text(), QStringLiteral("Recently used files"));

        // A disabled command never runs, whatever the entry.
        QVERIFY(!Frame()->ExecuteCommand(kCmdExport));
        Frame()->Action(kCmdExport)->trigger();
        QVERIFY(fileRequests_.isEmpty());

        Load(QStringLiteral("sheet.obj"));
        for (int id : {kCmdExport, kCmdShowEdge, kCmdShowFace})
            QVERIFY2(Enabled(id), qPrintable(QString::number(id)));
        QVERIFY(!Enabled(kCmdUndo));     // a fresh model has an empty undo stack
        QVERIFY(!Enabled(kCmdFixShape)); // nothing claims it yet
        QVERIFY(Frame()->Action(kCmdShowFace)->isChecked());
        QVERIFY(Enabled(kCmdRecentFile1));
        QVERIFY(Frame()->Action(kCmdRecentFile1)->text().endsWith(QLatin1String("sheet.obj")));
    }

    void exportWritesTheShapeAndRemembersTheFile()
    {
        Start();
        Load(QStringLiteral("bunny.mqo"));
        nextFile_ = dir_->filePath(QStringLiteral("out.obj"));
        QVERIFY(Frame()->ExecuteCommand(kCmdExport));
        QCOMPARE(fileRequests_.size(), 1);
        QCOMPARE(fileRequests_[0].kind, FileRequest::kSave);
        QCOMPARE(fileRequests_[0].proposedName, QStringLiteral("bunny.obj"));
        QCOMPARE(fileRequests_[0].defaultSuffix, QStringLiteral("obj"));
        QCOMPARE(fileRequests_[0].filter, QStringLiteral("OBJ File (*.obj)"));
        QVERIFY(messages_.isEmpty());
        QFile out(nextFile_);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QVERIFY(out.readAll().startsWith("v 0 0 0\n"));
        QCOMPARE(QString::fromStdString(app_->RecentFiles()[0]), nextFile_);

        // Cancelling the dialog writes nothing.
        nextFile_.clear();
        QVERIFY(Frame()->ExecuteCommand(kCmdExport));
        QVERIFY(messages_.isEmpty());
    }

    void exportRefusesUnwritablePathsAndKeepsTheOldFile()
    {
        Start();
        Load(QStringLiteral("shape.obj"));
        const size_t recentBefore = app_->RecentFiles().Size();
        nextFile_ = dir_->filePath(QStringLiteral("no/such/folder/x.obj"));
        Frame()->ExecuteCommand(kCmdExport);
        nextFile_ = dir_->filePath(QStringLiteral("folder.obj"));
        QDir(dir_->path()).mkdir(QStringLiteral("folder.obj"));
        Frame()->ExecuteCommand(kCmdExport);

        // A write that fails part-way (a file size limit works for root too).
        nextFile_ = Touch(QStringLiteral("existing.obj"), "precious\n");
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit tight = old;
        tight.rlim_cur = 16;
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &tight);
        Frame()->ExecuteCommand(kCmdExport);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);

        const QString cannot = QStringLiteral("ファイルに書き込めません");
        QCOMPARE(messages_, (QStringList{cannot, cannot, cannot}));
        QFile kept(nextFile_);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("precious\n"));
        QCOMPARE(app_->RecentFiles().Size(), recentBefore);
    }

    void displayFlagsToggleAndTellTheViews()
    {
        Start();
        Load(QStringLiteral("m.obj"));
        QVERIFY(Frame()->ExecuteCommand(kCmdShowEdge));
        QVERIFY(showEdges);
        QCOMPARE(Frame()->NetView()->LastHint(), int(kHintDisplayFlags));
        QVERIFY(Frame()->Action(kCmdShowEdge)->isChecked());
        Frame()->Action(kCmdShowFace)->trigger();
        QVERIFY(!showFaces);
        QVERIFY(!Frame()->Action(kCmdShowFace)->isChecked());
        // The flags survive the next open.
        Load(QStringLiteral("n.obj"));
        QVERIFY(showEdges && !showFaces);

        QVERIFY(Frame()->ExecuteCommand(kCmdToolbar));
        QVERIFY(Frame()->ToolBar()->isHidden());
        QVERIFY(!Frame()->Action(kCmdToolbar)->isChecked());
        QVERIFY(Frame()->ExecuteCommand(kCmdStatusbar));
        QVERIFY(Frame()->statusBar()->isHidden());
    }

    void acceleratorsAndUndo()
    {
        Start();
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        QWindow* window = Frame()->windowHandle();

        QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(fileRequests_.size(), 1);
        QCOMPARE(fileRequests_[0].kind, FileRequest::kOpen);
        QVERIFY(fileRequests_[0].filter.startsWith(QStringLiteral("All model files (")));

        Load(QStringLiteral("m.obj"));
        const int hints = Frame()->DesignView()->UpdateCount();
        QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier); // empty stack: disabled
        QTest::keyClick(window, Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(Frame()->DesignView()->UpdateCount(), hints);
        QVERIFY(messages_.isEmpty());
        QCOMPARE(fileRequests_.size(), 1);
        // Ctrl+S is Save Design: the flat strip has paper, so it asks for a FOLD file.
        QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fileRequests_.size(), 2);
        QCOMPARE(fileRequests_[1].kind, FileRequest::kSave);
        QCOMPARE(fileRequests_[1].defaultSuffix, QStringLiteral("fold"));
        QCOMPARE(fileRequests_[1].title, QStringLiteral("Save Design"));

        // One saved state: Undo brings it back and tells the views.
        CPolyObject* saved = g_pModel->objects[0].get();
        CommitWorkingCopy(*g_pModel);
        // No explicit pass: the event loop going idle runs it.
        QEventLoop idle;
        QTimer::singleShot(50, &idle, &QEventLoop::quit);
        idle.exec();
        QVERIFY(Enabled(kCmdUndo));
        QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(g_pModel->objects[0].get(), saved);
        QVERIFY(!g_pModel->designing);
        QVERIFY(g_pModel->undoStack.empty());
        QCOMPARE(Frame()->DesignView()->LastHint(), int(kHintUndo));
        QVERIFY(!Enabled(kCmdUndo));
    }

    void fixShapeBelongsToTheActiveDesignView()
    {
        Start();
        Load(QStringLiteral("m.obj"));
        int runs = 0;
        bool selected = true;
        Frame()->DesignView()->Commands().Add(
            kCmdFixShape, [&] { ++runs; }, [&](CCmdUI& ui) { ui.Enable(selected); });
        QCOMPARE(Frame()->ActiveView(), static_cast<CPaneView*>(Frame()->DesignView()));
        Frame()->UpdateCommandUI();
        QVERIFY(Enabled(kCmdFixShape));
        QVERIFY(Frame()->ExecuteCommand(kCmdFixShape));
        QCOMPARE(runs, 1);

        selected = false;
        QVERIFY(!Frame()->ExecuteCommand(kCmdFixShape));
        selected = true;
        Frame()->SetActiveView(Frame()->SectionView());
        Frame()->UpdateCommandUI();
        QVERIFY(!Enabled(kCmdFixShape));
        QVERIFY(!Frame()->ExecuteCommand(kCmdFixShape));
        QCOMPARE(runs, 1);
    }

    void windowPlacementAndPaneSizesSurviveARestart()
    {
        Start();
        // First start: the design view takes 60 % of the width, the net view
        // half of the right column.
        const QList<int> outer = Frame()->OuterSplitter()->sizes();
        const int across = outer.value(0) + outer.value(1);
        QVERIFY2(std::abs(outer.value(0) - across * 3 / 5) <= 2,
                 qPrintable(QString::number(outer.value(0))));
        const QList<int> nested = Frame()->NestedSplitter()->sizes();
        QVERIFY(nested.value(0) > 0);
        QVERIFY2(std::abs(nested.value(0) - nested.value(1)) <= 8,
                 qPrintable(QStringLiteral("%1 %2").arg(nested.value(0)).arg(nested.value(1))));
        QCOMPARE(lastNetViewHeight, Frame()->NetView()->height());
        Frame()->setGeometry(90, 110, 820, 600);
        QTest::qWait(50);
        const auto total = [](QSplitter* s) { return s->sizes().value(0) + s->sizes().value(1); };
        Frame()->OuterSplitter()->setSizes({500, total(Frame()->OuterSplitter()) - 500});
        Frame()->NestedSplitter()->setSizes({180, total(Frame()->NestedSplitter()) - 180});
        QTest::qWait(50);
        QCOMPARE(lastDesignViewWidth, 500);
        QCOMPARE(lastNetViewHeight, 180);
        const int netHeight = lastNetViewHeight;
        Stop();

        const QString text = QString::fromStdString(
            CProfile(ProfilePath().toStdString()).GetString("Settings", "WindowPos"));
        QVERIFY2(text.startsWith(QLatin1String("2:1:")), qPrintable(text));
        QVERIFY2(text.endsWith(QLatin1String(":90:110:910:710")), qPrintable(text));

        // The next start shows the panes as they were left.
        Start();
        QCOMPARE(Frame()->geometry(), QRect(90, 110, 820, 600));
        QCOMPARE(Frame()->OuterSplitter()->sizes().value(0), 500);
        QCOMPARE(Frame()->DesignView()->width(), 500);
        // Resizes while the window settles are shared in proportion: a pixel of rounding.
        QVERIFY2(std::abs(Frame()->NetView()->height() - netHeight) <= 2,
                 qPrintable(QString::number(Frame()->NetView()->height())));
    }

    void malformedPlacementStillAppliesPaneSizes()
    {
        CProfile profile(ProfilePath().toStdString());
        profile.WriteString("Settings", "WindowPos", "0:1:-1:-1:-1:-1:10:20:810");
        profile.WriteString("Settings", "SplitWindowSize", "350:150");
        profile.WriteString("Elsewhere", "Kept", "yes");
        Start();
        QVERIFY(Frame()->geometry().topLeft() != QPoint(10, 20));
        Frame()->OuterSplitter()->setSizes({400, 300});
        QTest::qWait(50);
        QCOMPARE(Frame()->NetView()->height(), 150);
        Stop();
        QCOMPARE(CProfile(ProfilePath().toStdString()).GetString("Elsewhere", "Kept"),
                 std::string("yes"));
    }

    void aboutBoxShowsVersionAndOpenGL()
    {
        Start();
        QStringList labels;
        QString field;
        bool readOnly = false;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog)
                return; // not up yet on a busy machine
            poll.stop();
            QCOMPARE(dialog->windowTitle(), QStringLiteral("About"));
            for (QLabel* l : dialog->findChildren<QLabel*>())
                labels << l->text();
            QLineEdit* edit = dialog->findChild<QLineEdit*>();
            QVERIFY(edit);
            field = edit->text();
            readOnly = edit->isReadOnly();
            // The whole text shows: the field is as wide as its text and more.
            QVERIFY2(edit->contentsRect().width() >= edit->fontMetrics().horizontalAdvance(field),
                     qPrintable(QString::number(edit->width())));
            static_cast<QDialog*>(dialog)->accept();
        });
        poll.start();
        QVERIFY(Frame()->ExecuteCommand(kCmdAbout));
        QCOMPARE(labels, (QStringList{"TAVREN", "Ver. 1.0.0", "Version of Opengl32.dll"}));
        QVERIFY(readOnly);
        QVERIFY2(field.contains(QRegularExpression(QStringLiteral("^\\d+\\.\\d+"))),
                 qPrintable(field));
    }

    void panesClearToWhite()
    {
        Start();
        Frame()->OuterSplitter()->setSizes({500, 300});
        QTest::qWait(100);
        for (CPaneView* v : {static_cast<CPaneView*>(Frame()->DesignView()),
                             static_cast<CPaneView*>(Frame()->NetView()),
                             static_cast<CPaneView*>(Frame()->SectionView())}) {
            const QImage image = v->grabFramebuffer();
            QVERIFY(!image.isNull());
            QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2), QColor(Qt::white));
        }
        const QImage whole = GrabWindowWithPanes(Frame());
        const QPoint centre = Frame()->DesignView()->mapTo(Frame(), QPoint(100, 100));
        QCOMPARE(whole.pixelColor(centre), QColor(Qt::white));
    }
};

QObject* MakeMainFrameTest()
{
    return new MainFrameTest;
}

#include "MainFrameTest.moc"
