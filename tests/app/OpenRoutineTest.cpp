// Opening files in the real window: messages, cancelling through the progress
// window, recent files, drops and the command line.

#include "GuiFixture.h"

#include <QFileDialog>

using namespace guitest;

class OpenRoutineTest : public GuiFixture {
    Q_OBJECT

private slots:
    void successfulOpenReplacesModelTitleAndTellsEveryView()
    {
        Start();
        Load(QStringLiteral("first.obj"));
        CPolyModel* first = g_pModel.get();
        QVERIFY(first);
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("first.obj - TAVREN"));
        for (CPaneView* v : {static_cast<CPaneView*>(Frame()->DesignView()),
                             static_cast<CPaneView*>(Frame()->NetView()),
                             static_cast<CPaneView*>(Frame()->SectionView())})
            QCOMPARE(v->LastHint(), int(kHintNewModel));
        QVERIFY(!qwfModel);
        Load(QStringLiteral("slices.QWF"));
        QVERIFY(qwfModel);
        Load(QStringLiteral("plain.mqo"));
        QVERIFY(!qwfModel);
        // `first` is gone by now and its address may be handed out again, so
        // the file name tells the models apart.
        QVERIFY(QString::fromStdString(g_pModel->fileName).endsWith(QLatin1String("plain.mqo")));
    }

    void openFailuresShowTheirMessagesAndChangeNothing()
    {
        Start();
        Load(QStringLiteral("kept.obj"));
        CPolyModel* kept = g_pModel.get();
        const QStringList recent{QString::fromStdString(app_->RecentFiles()[0])};
        const int hints = Frame()->DesignView()->UpdateCount();

        const QString missing = dir_->filePath(QStringLiteral("missing.obj"));
        Frame()->OpenModelFile(missing);
        Frame()->OpenModelFile(Touch(QStringLiteral("noextension")));
        Frame()->OpenModelFile(Touch(QStringLiteral("notes.txt")));
        Frame()->OpenModelFile(Touch(QStringLiteral("old.6ks")));
        const QString empty = Touch(QStringLiteral("empty.fold"), "");
        Frame()->OpenModelFile(empty);
        QCOMPARE(messages_,
                 (QStringList{"File open failed", "Cannot open this file", "Cannot open this file",
                              "File open failed", "File open failed"}));
        QCOMPARE(informative_.size(), 5);
        QCOMPARE(informative_[0], missing + QStringLiteral(": No such file or directory"));
        QVERIFY(informative_[2].endsWith(QStringLiteral("notes.txt: there is no reader for "
                                                        "\".txt\" files")));
        QCOMPARE(informative_[4], empty + QStringLiteral(": the file is empty"));
        for (const QString& c : captions_)
            QCOMPARE(c, QStringLiteral("Lintoro"));
        QCOMPARE(g_pModel.get(), kept);
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("kept.obj - TAVREN"));
        QCOMPARE(app_->RecentFiles().Size(), size_t(1));
        QCOMPARE(QString::fromStdString(app_->RecentFiles()[0]), recent[0]);
        QCOMPARE(Frame()->DesignView()->UpdateCount(), hints);
    }

    void openDialogOffersEveryFormatAndAnyFile()
    {
        Start();
        PromptHooks hooks; // the real file dialog; messages still answered here
        hooks.message = [this](const QString&, const QString& text) { messages_ << text; };
        hooks.informative = [this](const QString& text) { informative_ << text; };
        SetPromptHooks(hooks);
        const QString slices = Touch(QStringLiteral("slices.qwf"), "x\n");
        QStringList filters;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll.stop();
            filters = dialog->nameFilters();
            dialog->selectNameFilter(filters.last());
            dialog->selectFile(slices);
            static_cast<QDialog*>(dialog)->accept(); // public on QDialog
        });
        poll.start();
        QVERIFY(Frame()->ExecuteCommand(kCmdOpen));
        QCOMPARE(
            filters,
            (QStringList{"All model files (*.obj *.mqo *.dxf *.rok *.3ds *.wrl *.qwf *.fold *.svg)",
                         "Wavefront (*.obj)", "Metasequoia (*.mqo)", "DXF (*.dxf)", "ROK (*.rok)",
                         "3DS (*.3ds)", "VRML (*.wrl)", "QWF (*.qwf)", "FOLD (*.fold)",
                         "SVG (*.svg)", "All files (*)"}));
        // A junk .qwf reaches its reader: the dialog let it through.
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(messages_[0], QStringLiteral("File open failed"));
        QVERIFY(informative_[0].startsWith(slices + QStringLiteral(": ")));
    }

    void extensionIsMatchedWithoutRegardToCase()
    {
        Start();
        Frame()->OpenModelFile(Touch(QStringLiteral("MODEL.OBJ"), "v 0 0 0\n"));
        Frame()->OpenModelFile(Touch(QStringLiteral("Shape.Mqo"), "x\n"));
        QCOMPARE(messages_.size(), 2);
        for (const QString& m : messages_)
            QVERIFY2(m != QLatin1String("Cannot open this file"), qPrintable(m));
    }

    void realObjFilesOpenThroughTheReader()
    {
        Start();
        QFile sample(QStringLiteral(LINTORO_SOURCE_DIR "/samples/sheet.obj"));
        QVERIFY(sample.open(QIODevice::ReadOnly));
        const QByteArray sheet = sample.readAll();
        const QString upper = Touch(QStringLiteral("SHEET.OBJ"), sheet);
        Frame()->OpenModelFile(upper);
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(QLatin1Char('|'))));
        QVERIFY(g_pModel);
        QVERIFY(g_pModel->faceCount > 0);
        // Scaled into the unit cube once, by the open routine: y spans -0.5..0.5 as read.
        QCOMPARE(g_pModel->unitScale, 0.5 * 1.0001);
        double reach = 0.0;
        for (const CPolyVertex* v : g_pModel->objects[0]->vertices)
            reach = std::max({reach, std::abs(v->pos.x), std::abs(v->pos.y), std::abs(v->pos.z)});
        QVERIFY(reach > 0.9998 && reach < 1.0);
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("SHEET.OBJ - TAVREN"));
        QVERIFY(Frame()->isEnabled());
        QVERIFY(!ProgressWindow());
        // The main window gets the activation back, so its shortcuts work at once.
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        CPolyModel* loaded = g_pModel.get();

        Frame()->OpenModelFile(
            Touch(QStringLiteral("quad.obj"), "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n"));
        QCOMPARE(messages_, QStringList{"Error: Please make all polygons triangle."});
        QCOMPARE(g_pModel.get(), loaded);

        // Opening the same file again reloads it and keeps one recent entry.
        Frame()->OpenModelFile(upper);
        QVERIFY(g_pModel.get() != loaded);
        QCOMPARE(app_->RecentFiles().Size(), size_t(1));
    }

    void cancelButtonKeepsThePreviousModel()
    {
        Start();
        Load(QStringLiteral("before.obj"));
        CPolyModel* before = g_pModel.get();
        SlowRead reader;
        Frame()->SetModelOpener([&](const std::string& p, IProgress* progress) {
            return reader(p, progress, Frame());
        });
        // Click once the caption shows a percentage: a fixed delay races the
        // read's start on a loaded machine.
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&poll] {
            QWidget* w = ProgressWindow();
            if (!w || !w->isVisible() || !w->windowTitle().endsWith(QLatin1String("%]")))
                return;
            poll.stop();
            QPushButton* button = w->findChild<QPushButton*>();
            QVERIFY(button);
            QCOMPARE(button->text(), QStringLiteral(" Cancel "));
            QTest::mouseClick(button, Qt::LeftButton);
        });
        poll.start();
        Frame()->OpenModelFile(dir_->filePath(QStringLiteral("slow.obj")));
        QCOMPARE(messages_, QStringList{"Canceled"});
        QCOMPARE(g_pModel.get(), before);
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("before.obj - TAVREN"));
        QVERIFY(!reader.mainWindowEnabledDuringRead);
        QVERIFY(Frame()->isEnabled());
        QVERIFY(!ProgressWindow());
        QVERIFY(!reader.captions.isEmpty());
        QVERIFY(reader.captions.last().startsWith(QLatin1String("File Open [")));
        QVERIFY(reader.captions.last().endsWith(QLatin1String("%]")));
        // The window was placed and its position written for the next read.
        CProfile profile(ProfilePath().toStdString());
        QCOMPARE(profile.GetInt("Settings", "X", -1), reader.windowPos.x());
        QCOMPARE(profile.GetInt("Settings", "Y", -1), reader.windowPos.y());
    }

    void escapeCancelsAndTheWindowReopensWhereItWas()
    {
        CProfile(ProfilePath().toStdString()).WriteInt("Settings", "X", 123);
        CProfile(ProfilePath().toStdString()).WriteInt("Settings", "Y", 77);
        Start();
        SlowRead reader;
        Frame()->SetModelOpener([&](const std::string& p, IProgress* progress) {
            return reader(p, progress, Frame());
        });
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&poll] {
            QWidget* w = ProgressWindow();
            if (!w || !w->isVisible())
                return;
            poll.stop();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        poll.start();
        Frame()->OpenModelFile(dir_->filePath(QStringLiteral("slow.obj")));
        QCOMPARE(messages_, QStringList{"Canceled"});
        QVERIFY(!g_pModel);
        QCOMPARE(reader.windowPos, QPoint(123, 77));
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("無題 - TAVREN"));
    }

    void recentFilesKeepOrderWithoutRepeats()
    {
        Start();
        Load(QStringLiteral("a.obj"));
        Load(QStringLiteral("b.obj"));
        Load(QStringLiteral("a.obj"));
        QCOMPARE(app_->RecentFiles().Size(), size_t(2));
        QVERIFY(QString::fromStdString(app_->RecentFiles()[0]).endsWith(QLatin1String("/a.obj")));
        QVERIFY(QString::fromStdString(app_->RecentFiles()[1]).endsWith(QLatin1String("/b.obj")));
        Frame()->UpdateCommandUI();
        QVERIFY(Frame()->Action(kCmdRecentFile1 + 1)->isVisible());
        QVERIFY(!Frame()->Action(kCmdRecentFile1 + 2)->isVisible());
        QVERIFY(Frame()->Action(kCmdRecentFile1 + 1)->text().startsWith(QLatin1String("&2 ")));

        // The menu entry reopens its file; the list survives a restart.
        Frame()->SetModelOpener(QuickRead);
        QVERIFY(Frame()->ExecuteCommand(kCmdRecentFile1 + 1));
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("b.obj - TAVREN"));
        Stop();
        Start();
        QCOMPARE(app_->RecentFiles().Size(), size_t(2));
        QVERIFY(QString::fromStdString(app_->RecentFiles()[0]).endsWith(QLatin1String("/b.obj")));
    }

    void droppedFilesOpenInTurn()
    {
        Start();
        QStringList opened;
        Frame()->SetModelOpener([&](const std::string& p, IProgress* progress) {
            opened << QString::fromStdString(p);
            if (opened.size() == 2) { // the middle one fails
                OpenOutcome bad;
                bad.message = ReadResultMessage(kReadNotTriangles);
                bad.result = kReadNotTriangles;
                return bad;
            }
            return QuickRead(p, progress);
        });
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(dir_->filePath(QStringLiteral("one.obj"))),
                      QUrl::fromLocalFile(dir_->filePath(QStringLiteral("two.obj"))),
                      QUrl::fromLocalFile(dir_->filePath(QStringLiteral("three.obj")))});
        // A drop reaches the window that accepted the drag's entry.
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(Frame(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Frame(), &drop);
        QCOMPARE(opened.size(), 3);
        QVERIFY(opened[0].endsWith(QLatin1String("one.obj")));
        QVERIFY(opened[2].endsWith(QLatin1String("three.obj")));
        QCOMPARE(messages_, QStringList{"Error: Please make all polygons triangle."});
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("three.obj - TAVREN"));
    }

    void commandLinePathIsOpenedWithoutItsQuotes()
    {
        QCOMPARE(CommandLinePath({"\"/tmp/my model.obj\""}), QStringLiteral("/tmp/my model.obj"));
        QCOMPARE(CommandLinePath({"/tmp/my", "model.obj"}), QStringLiteral("/tmp/my model.obj"));
        QCOMPARE(CommandLinePath({}), QString());
        // A missing file on the command line is reported and the program stays up.
        Start({QStringLiteral("\"") + dir_->filePath(QStringLiteral("gone.obj")) +
               QStringLiteral("\"")});
        QCOMPARE(messages_, QStringList{"File open failed"});
        QVERIFY(Frame()->isVisible());
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("無題 - TAVREN"));
        QVERIFY(app_->RecentFiles().Empty());
    }

    void progressWindowCaptionTextAndLifetime()
    {
        Start();
        CProfile profile(ProfilePath().toStdString());
        {
            // Operations before the window exists do nothing.
            CProgressWnd idle(Frame(), &profile);
            idle.SetText(QStringLiteral("ignored"));
            idle.SetRange(0, 10, 1);
            QCOMPARE(idle.MoveTo(5), 0);
            QVERIFY(idle.PeekAndPump(true));
            QVERIFY(!idle.HasWindow());
        }
        CProgressWnd progress(Frame(), &profile, QStringLiteral("File Open"), true);
        QVERIFY(progress.HasWindow());
        QVERIFY(progress.GoModal(QStringLiteral("Progress"), false));
        QVERIFY(!Frame()->isEnabled());
        QCOMPARE(progress.Window()->windowTitle(), QStringLiteral("File Open"));
        QStringList titles;
        connect(progress.Window(), &QWidget::windowTitleChanged,
                [&titles](const QString& t) { titles << t; });
        for (int pos : {10, 10, 11, 11, 400})
            progress.MoveTo(pos);
        QCOMPARE(titles, (QStringList{"File Open [10%]", "File Open [11%]", "File Open [100%]"}));
        progress.SetRange(0, 0, 1);
        progress.MoveTo(50);
        QCOMPARE(progress.State().LastPercent(), 0);

        progress.SetText(QString(700, QLatin1Char('&')));
        QCOMPARE(progress.StatusText(), QString(511, QLatin1Char('&')));
        progress.Window()->move(40, 60);
        progress.DestroyWindow();
        QVERIFY(Frame()->isEnabled());
        QVERIFY(!progress.HasWindow());
        QCOMPARE(profile.GetInt("Settings", "X", -1), 40);
        QCOMPARE(profile.GetInt("Settings", "Y", -1), 60);

        // A remembered place off the screen is not used: the window is centred.
        profile.WriteInt("Settings", "X", 5000);
        CProgressWnd centred(Frame(), &profile, QStringLiteral("File Open"), true);
        QVERIFY(centred.Window()->x() < 1280);
        QVERIFY(centred.Window()->geometry().intersects(Frame()->frameGeometry()));
    }
};

QObject* MakeOpenRoutineTest()
{
    return new OpenRoutineTest;
}

#include "OpenRoutineTest.moc"
