// The real main window under Xvfb: commands and their enable rules, the open
// routine and its messages, the progress window, export, profile and drops.

#include "app/AboutDlg.h"
#include "app/AppState.h"
#include "app/KelmarApp.h"
#include "app/KelmarDoc.h"
#include "app/MainFrame.h"
#include "app/ProgressWnd.h"
#include "app/Prompts.h"
#include "import/Progress.h"
#include "support/Meshes.h"
#include "widgets/FrameView.h"
#include "widgets/KelmarzuView.h"
#include "widgets/ModelView.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {
QWidget* ProgressWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("CProgressWnd"))
            return w;
    return nullptr;
}

// A reader that succeeds at once with a small sheet.
OpenOutcome QuickRead(const std::string& path, IProgress*)
{
    OpenOutcome out;
    out.model = testmesh::Strip();
    out.model->fileName = path;
    out.result = kReadOk;
    out.isQwf = QString::fromStdString(path).endsWith(QLatin1String(".qwf"), Qt::CaseInsensitive);
    return out;
}

// A reader that reports progress until the user cancels (or gives up after a while).
struct SlowRead {
    bool mainWindowEnabledDuringRead = true;
    QStringList captions;
    QPoint windowPos;

    OpenOutcome operator()(const std::string&, IProgress* progress, QWidget* frame)
    {
        OpenOutcome out;
        progress->Begin("File Open");
        progress->SetRange(0, 100);
        progress->SetText("Loading...");
        for (int i = 1; i < 4000; ++i) {
            progress->SetPos(i / 40);
            if (QWidget* w = ProgressWindow()) {
                if (captions.isEmpty() || captions.last() != w->windowTitle())
                    captions << w->windowTitle();
                windowPos = w->pos();
            }
            mainWindowEnabledDuringRead = mainWindowEnabledDuringRead && frame->isEnabled();
            if (!progress->PeekAndPump() || progress->Cancelled()) {
                progress->End();
                out.result = kReadCancelled;
                out.message = ReadResultMessage(kReadCancelled);
                return out;
            }
            QThread::msleep(2);
        }
        progress->End();
        out.result = kReadFailed;
        out.message = ReadResultMessage(kReadFailed);
        return out;
    }
};
} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<CKelmarApp> app_;
    QStringList messages_;
    QStringList captions_;
    QList<FileRequest> fileRequests_;
    QString nextFile_;

    QString ProfilePath() const { return dir_->filePath(QStringLiteral("lintoro.ini")); }
    CMainFrame* Frame() const { return app_->MainFrame(); }
    QString Touch(const QString& name, const QByteArray& content = "x\n")
    {
        const QString path = dir_->filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }
    void Start(const QStringList& args = {})
    {
        app_ = std::make_unique<CKelmarApp>(ProfilePath().toStdString());
        QVERIFY(app_->InitInstance(args));
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(Frame()));
    }
    void Stop()
    {
        if (!app_)
            return;
        if (Frame())
            Frame()->close();
        app_->ExitInstance();
        app_.reset();
    }
    bool Enabled(int id) const { return Frame()->Action(id)->isEnabled(); }
    void Load(const QString& name)
    {
        Frame()->SetModelOpener(QuickRead);
        Frame()->OpenModelFile(dir_->filePath(name));
        Frame()->SetModelOpener(nullptr);
        Frame()->UpdateCommandUI();
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        messages_.clear();
        captions_.clear();
        fileRequests_.clear();
        nextFile_.clear();
        PromptHooks hooks;
        hooks.message = [this](const QString& caption, const QString& text) {
            captions_ << caption;
            messages_ << text;
        };
        hooks.file = [this](const FileRequest& r) {
            fileRequests_ << r;
            return nextFile_;
        };
        SetPromptHooks(hooks);
    }

    void cleanup()
    {
        Stop();
        SetPromptHooks({});
        g_pModel.reset();
        showEdges = false;
        showFaces = true;
        qwfModel = false;
    }

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
        QCOMPARE(Frame()->Action(kCmdFixShape)->text(), QStringLiteral("&Fix Shape (SPACE)"));
        QCOMPARE(Frame()->Action(kCmdExit)->text(), QStringLiteral("E&xit"));
        QCOMPARE(Frame()->Action(kCmdToolbar)->statusTip(), QStringLiteral("ﾂｰﾙ ﾊﾞｰの表示/非表示"));
        QCOMPARE(Frame()->Action(kCmdFixShape)->toolTip(), QStringLiteral("Fix the Shape"));

        QList<int> buttons;
        for (QAction* a : Frame()->ToolBar()->actions())
            buttons << (a->isSeparator() ? 0 : a->data().toInt());
        QCOMPARE(buttons, (QList<int>{kCmdOpen, kCmdExport, 0, kCmdShowFace, kCmdShowEdge, 0,
                                      kCmdFixShape, kCmdUndo}));

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
        for (int id : {kCmdExport, kCmdUndo, kCmdFixShape, kCmdShowEdge, kCmdShowFace})
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
        QVERIFY(g_pModel.get() != first);
    }

    void openFailuresShowTheirMessagesAndChangeNothing()
    {
        Start();
        Load(QStringLiteral("kept.obj"));
        CPolyModel* kept = g_pModel.get();
        const QStringList recent{QString::fromStdString(app_->RecentFiles()[0])};
        const int hints = Frame()->DesignView()->UpdateCount();

        Frame()->OpenModelFile(dir_->filePath(QStringLiteral("missing.obj")));
        Frame()->OpenModelFile(Touch(QStringLiteral("noextension")));
        Frame()->OpenModelFile(Touch(QStringLiteral("notes.txt")));
        Frame()->OpenModelFile(Touch(QStringLiteral("old.6ks")));
        QCOMPARE(messages_, (QStringList{"File open failed", "Cannot open this file",
                                         "Cannot open this file", "File open failed"}));
        for (const QString& c : captions_)
            QCOMPARE(c, QStringLiteral("Lintoro"));
        QCOMPARE(g_pModel.get(), kept);
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("kept.obj - TAVREN"));
        QCOMPARE(app_->RecentFiles().Size(), size_t(1));
        QCOMPARE(QString::fromStdString(app_->RecentFiles()[0]), recent[0]);
        QCOMPARE(Frame()->DesignView()->UpdateCount(), hints);
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
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("SHEET.OBJ - TAVREN"));
        QVERIFY(Frame()->isEnabled());
        QVERIFY(!ProgressWindow());
        CPolyModel* loaded = g_pModel.get();

        Frame()->OpenModelFile(Touch(QStringLiteral("quad.obj"),
                                     "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n"));
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
        QTimer::singleShot(150, this, [] {
            QWidget* w = ProgressWindow();
            QVERIFY(w && w->isVisible());
            QPushButton* button = w->findChild<QPushButton*>();
            QVERIFY(button);
            QCOMPARE(button->text(), QStringLiteral(" Cancel "));
            QTest::mouseClick(button, Qt::LeftButton);
        });
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
        QTimer::singleShot(150, this, [] {
            QWidget* w = ProgressWindow();
            QVERIFY(w);
            QTest::keyClick(w, Qt::Key_Escape);
        });
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
        QCOMPARE(fileRequests_[0].filter,
                 QStringLiteral("Model files (*.obj *.mqo);;Wavefront (*.obj);;Metasequoia (*.mqo)"));

        Load(QStringLiteral("m.obj"));
        const int hints = Frame()->DesignView()->UpdateCount();
        QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier); // empty stack: disabled
        QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(window, Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(Frame()->DesignView()->UpdateCount(), hints);
        QVERIFY(messages_.isEmpty());
        QCOMPARE(fileRequests_.size(), 1);

        // One saved state: Undo brings it back and tells the views.
        CPolyObject* saved = g_pModel->objects[0].get();
        g_pModel->undoStack.push_back(std::move(g_pModel->objects[0]));
        g_pModel->objects[0] = std::make_unique<CPolyObject>();
        Frame()->UpdateCommandUI();
        QVERIFY(Enabled(kCmdUndo));
        QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(g_pModel->objects[0].get(), saved);
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
        // First start: the right column is collapsed.
        QCOMPARE(Frame()->OuterSplitter()->sizes().value(1), 0);
        Frame()->setGeometry(90, 110, 820, 600);
        QTest::qWait(50);
        Frame()->OuterSplitter()->setSizes({500, 300});
        QTest::qWait(50);
        QCOMPARE(lastNetViewHeight, 200);
        Stop();

        const QString text = QString::fromStdString(
            CProfile(ProfilePath().toStdString()).GetString("Settings", "WindowPos"));
        QVERIFY2(text.startsWith(QLatin1String("2:1:")), qPrintable(text));
        QVERIFY2(text.endsWith(QLatin1String(":90:110:910:710")), qPrintable(text));

        Start();
        QCOMPARE(Frame()->geometry(), QRect(90, 110, 820, 600));
        QCOMPARE(Frame()->OuterSplitter()->sizes().value(1), 0);
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
        QTimer::singleShot(100, this, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("About"));
            for (QLabel* l : dialog->findChildren<QLabel*>())
                labels << l->text();
            QLineEdit* edit = dialog->findChild<QLineEdit*>();
            QVERIFY(edit);
            field = edit->text();
            readOnly = edit->isReadOnly();
            static_cast<QDialog*>(dialog)->accept();
        });
        QVERIFY(Frame()->ExecuteCommand(kCmdAbout));
        QCOMPARE(labels, (QStringList{"TAVREN", "Ver. 1.0.0", "Version of Opengl32.dll"}));
        QVERIFY(readOnly);
        QVERIFY2(field.contains(QRegularExpression(QStringLiteral("^\\d+\\.\\d+"))),
                 qPrintable(field));
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

    void panesClearToWhite()
    {
        Start();
        Frame()->OuterSplitter()->setSizes({500, 300});
        QTest::qWait(100);
        for (QOpenGLWidget* v : {static_cast<QOpenGLWidget*>(Frame()->DesignView()),
                                 static_cast<QOpenGLWidget*>(Frame()->NetView()),
                                 static_cast<QOpenGLWidget*>(Frame()->SectionView())}) {
            const QImage image = v->grabFramebuffer();
            QVERIFY(!image.isNull());
            QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2), QColor(Qt::white));
        }
        const QImage whole = Frame()->grab().toImage();
        const QPoint centre = Frame()->DesignView()->mapTo(Frame(), QPoint(100, 100));
        QCOMPARE(whole.pixelColor(centre), QColor(Qt::white));
    }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
