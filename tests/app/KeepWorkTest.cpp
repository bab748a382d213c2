// Keeping the designer's work: the question before a design is replaced,
// Save Design, the recovery file after a killed program, the face count of
// the shape on screen, the shared pane sizes and Fit Model.

#include "GuiFixture.h"
#include "design/DesignSession.h"
#include "view3d/ViewCamera.h"

#include <QDir>
#include <QProcess>
#include <QTextStream>

#include <cstdlib>

namespace {

const char* const kVictimVariable = "LINTORO_RECOVERY_VICTIM";

QString SamplePath()
{
    return QStringLiteral(LINTORO_SOURCE_DIR "/samples/sheet.obj");
}

// One fold of the opened sample and Fix Shape, as the user makes them.
// False when a step is refused.
bool FoldAndFix(CMainFrame* frame)
{
    CDesignSession& session = frame->Session();
    if (!session.SetHighlighted(NearestShapeCorner(*g_pModel, {0.3, 0.2, 0})) ||
        !session.EndLeftClick())
        return false;
    session.SetHandle(3);
    if (session.DragStep(2.0) != CDesignSession::DragOutcome::kAccepted)
        return false;
    frame->SetActiveView(frame->DesignView());
    return frame->ExecuteCommand(kCmdFixShape);
}

// Corners of the current shape in millimetres, one "x y z" line each.
QStringList FormLines()
{
    QStringList lines;
    ForEachShapeCorner(*g_pModel, [&](int64_t, const CVector3& p) {
        const CVector3 mm = p * g_pModel->unitScale + g_pModel->unitCentre;
        lines << QString::asprintf("%.17g %.17g %.17g", mm.x, mm.y, mm.z);
    });
    return lines;
}

// Every corner of `a` has one of `b` within `tol`.
bool Covered(const QStringList& a, const QStringList& b, double tol)
{
    std::vector<CVector3> points;
    for (const QString& line : b) {
        const QStringList f = line.split(QLatin1Char(' '));
        points.push_back({f[0].toDouble(), f[1].toDouble(), f[2].toDouble()});
    }
    for (const QString& line : a) {
        const QStringList f = line.split(QLatin1Char(' '));
        const CVector3 p{f[0].toDouble(), f[1].toDouble(), f[2].toDouble()};
        bool near = false;
        for (size_t i = 0; i < points.size() && !near; ++i) {
            const CVector3 d = p - points[i];
            near = d.x * d.x + d.y * d.y + d.z * d.z <= tol * tol;
        }
        if (!near)
            return false;
    }
    return true;
}

} // namespace

// The program the recovery test kills: opens the sample, folds, fixes the
// shape, waits for its recovery file, writes the form it holds beside it and
// says "ready".
int RunRecoveryVictimIfAsked(int argc, char** argv)
{
    const QByteArray folder = qgetenv(kVictimVariable);
    if (folder.isEmpty())
        return -1;
    QApplication qapp(argc, argv);
    CKelmarApp app((QString::fromUtf8(folder) + QStringLiteral("/victim.ini")).toStdString());
    if (!app.InitInstance({}))
        return 2;
    app.MainFrame()->OpenModelFile(SamplePath());
    if (!g_pModel)
        return 3;
    if (!FoldAndFix(app.MainFrame()))
        return 4;
    const QString recovery = app.MainFrame()->RecoveryFile();
    if (!QTest::qWaitFor([&] { return QFile::exists(recovery); }, 60000))
        return 5;
    QFile out(QString::fromUtf8(folder) + QStringLiteral("/expected.txt"));
    out.open(QIODevice::WriteOnly);
    out.write(FormLines().join(QLatin1Char('\n')).toUtf8());
    out.close();
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    return QApplication::exec(); // until killed
}

class KeepWorkTest : public GuiFixture {
    Q_OBJECT

private slots:
    void unsavedDesignIsAskedAboutSavedAndReopened()
    {
        Start();
        Frame()->OpenModelFile(SamplePath());
        QVERIFY(g_pModel && g_pModel->paperInfo.has);
        const int opened = g_pModel->faceCount;
        Frame()->UpdateCommandUI();
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("sheet.obj - TAVREN"));
        QCOMPARE(Frame()->PaneText(kPaneViewStatus), QStringLiteral("面数: %1").arg(opened));
        app_->OpenDocumentFile(SamplePath()); // nothing unsaved: no question
        QVERIFY(questions_.isEmpty());

        QVERIFY(FoldAndFix(Frame()));
        Frame()->UpdateCommandUI();
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("sheet.obj * - TAVREN"));
        // The pane counts the triangles the fold split, not those opened.
        const int folded = int(g_pModel->working.TriangleCount());
        QVERIFY(folded > opened);
        QCOMPARE(Frame()->PaneText(kPaneViewStatus), QStringLiteral("面数: %1").arg(folded));
        QTRY_VERIFY(QFile::exists(Frame()->RecoveryFile()));
        const QStringList form = FormLines();

        // Cancel leaves everything as it was, whichever way the design would go.
        const CPolyModel* model = g_pModel.get();
        answers_ = {QStringLiteral("Cancel"), QStringLiteral("Cancel"), QStringLiteral("Cancel")};
        QVERIFY(Frame()->ExecuteCommand(kCmdNewSheet));
        app_->OpenDocumentFile(SamplePath());
        Frame()->close();
        QCOMPARE(questions_, QStringList(3, QStringLiteral("Save changes to the design?")));
        QVERIFY(Frame()->isVisible());
        QCOMPARE(g_pModel.get(), model);
        QVERIFY(Frame()->Modified());

        // Exit, Save: a FOLD file (the suffix added), in the recent files.
        answers_ = {QStringLiteral("Save")};
        nextFile_ = dir_->filePath(QStringLiteral("design"));
        Frame()->close();
        QVERIFY(!Frame()->isVisible());
        const QString saved = dir_->filePath(QStringLiteral("design.fold"));
        QVERIFY(QFile::exists(saved));
        QCOMPARE(fileRequests_.last().filter, QStringLiteral("FOLD (*.fold)"));
        QVERIFY(!QFile::exists(Frame()->RecoveryFile()));
        QCOMPARE(QString::fromStdString(app_->RecentFiles()[0]), saved);
        Stop();

        Start();
        Frame()->OpenModelFile(saved);
        QVERIFY(g_pModel && g_pModel->paperInfo.has);
        QCOMPARE(Frame()->SavePath(), saved);
        QVERIFY(!Frame()->Modified());
        QVERIFY(Covered(FormLines(), form, 1e-6 * g_pModel->unitScale));
        QVERIFY(Covered(form, FormLines(), 1e-6 * g_pModel->unitScale));
    }

    void killedProgramsDesignIsRecovered()
    {
        QProcess victim;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kVictimVariable), dir_->path());
        victim.setProcessEnvironment(env);
        victim.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(victim.waitForStarted());
        QByteArray said;
        QVERIFY(QTest::qWaitFor(
            [&] {
                victim.waitForReadyRead(100);
                said += victim.readAllStandardOutput();
                return said.contains("ready") || victim.state() == QProcess::NotRunning;
            },
            240000));
        QVERIFY2(said.contains("ready"), qPrintable(QString::number(victim.exitCode())));
        ::kill(static_cast<pid_t>(victim.processId()), SIGKILL);
        QVERIFY(victim.waitForFinished());

        QFile expected(dir_->filePath(QStringLiteral("expected.txt")));
        QVERIFY(expected.open(QIODevice::ReadOnly));
        const QStringList form = QString::fromUtf8(expected.readAll()).split(QLatin1Char('\n'));
        answers_ = {QStringLiteral("Recover")};
        Start();
        QCOMPARE(questions_.size(), 1);
        QVERIFY(questions_[0].contains(QLatin1String("sheet.obj")));
        QVERIFY(g_pModel);
        QVERIFY(Frame()->Modified());
        Frame()->UpdateCommandUI();
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("sheet.obj (recovered) * - TAVREN"));
        QCOMPARE(app_->RecentFiles().Size(), size_t(0));
        QVERIFY(Covered(FormLines(), form, 1e-6 * g_pModel->unitScale));
        QVERIFY(Covered(form, FormLines(), 1e-6 * g_pModel->unitScale));
        // Now this program's file; a clean exit (Discard) removes it.
        QVERIFY(QFile::exists(Frame()->RecoveryFile()));
        Stop();
        QVERIFY(QDir(dir_->filePath(QStringLiteral("state/lintoro/recovery")))
                    .entryList(QDir::Files)
                    .isEmpty());
    }

    void resizesAreSharedAndNoPaneVanishes()
    {
        Start();
        Frame()->resize(1100, 800);
        QTest::qWait(100);
        Frame()->OuterSplitter()->setSizes({600, 500});
        QTest::qWait(50);
        const auto share = [this] {
            const QList<int> s = Frame()->OuterSplitter()->sizes();
            return double(s[0]) / (s[0] + s[1]);
        };
        const double before = share();
        Frame()->resize(500, 380);
        QTest::qWait(100);
        QVERIFY2(Frame()->DesignView()->width() >= 155,
                 qPrintable(QString::number(Frame()->DesignView()->width())));
        QVERIFY(Frame()->NetView()->width() >= 155);
        QVERIFY(Frame()->SectionView()->height() > 0);
        Frame()->resize(1100, 800);
        QTest::qWait(100);
        QVERIFY2(std::abs(share() - before) < 0.03, qPrintable(QString::number(share())));
    }

    void fitModelBringsTheShapeBackIntoView()
    {
        Start();
        Frame()->OpenModelFile(SamplePath());
        CViewCamera& cam = Frame()->DesignView()->Camera();
        cam.centre = {40.0, -30.0, 0.0};
        cam.SetupProjection();
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        QTest::keyClick(Frame()->windowHandle(), Qt::Key_Home);
        int outside = 0;
        ForEachShapeCorner(*g_pModel, [&](int64_t, const CVector3& p) {
            WindowPoint w;
            outside += !cam.ProjectToWindow(p, w) || w.x < 0 || w.y < 0 || w.x > cam.width ||
                       w.y > cam.height;
        });
        QCOMPARE(outside, 0);
    }
};

QObject* MakeKeepWorkTest()
{
    return new KeepWorkTest;
}

#include "KeepWorkTest.moc"
