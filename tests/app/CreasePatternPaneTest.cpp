// New Sheet through its dialog, the net view drawing the crease pattern as
// the user folds, and Export Crease Pattern: real events, framebuffer pixels
// and the written files read back.

#include "ViewsFixture.h"

#include "app/NewSheetDlg.h"
#include "base/AtomicFile.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QWheelEvent>
#include <nlohmann/json.hpp>

using namespace viewtest;

namespace {
// Pixels of the pane that are plainly red (mountain) or blue (valley).
int CreasePixels(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            n += IsPure(c, 255, 0, 0) || IsPure(c, 0, 0, 255);
        }
    return n;
}

int BlackPixels(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += IsPure(img.pixelColor(x, y), 0, 0, 0);
    return n;
}

bool IsCreaseColour(const QColor& c)
{
    return IsPure(c, 255, 0, 0) || IsPure(c, 0, 0, 255);
}

bool IsLineColour(const QColor& c)
{
    return IsCreaseColour(c) || IsPure(c, 0, 0, 0);
}

// Walks the window segment a -> b (logical pixels) in half device pixels and
// counts the places where neither the pixel under the line nor the ones a
// device pixel either side of it across the line pass `ok`. Places outside
// the image, within 3 device pixels of the ends or within 10 logical pixels
// of `avoid` do not count.
int GapsAlong(const QImage& img, double dpr, QPointF a, QPointF b, bool (*ok)(const QColor&),
              QPointF avoid)
{
    const QPointF d = (b - a) * dpr;
    const double len = std::hypot(d.x(), d.y());
    const QPointF n(-d.y() / std::max(len, 1e-9), d.x() / std::max(len, 1e-9));
    int gaps = 0;
    for (double s = 3.0; s <= len - 3.0; s += 0.5) {
        const QPointF p = a * dpr + d * (s / len);
        if (QLineF(p, avoid * dpr).length() < 10.0 * dpr)
            continue;
        bool inside = false, seen = false;
        for (const double o : {0.0, -1.0, 1.0}) {
            const QPointF q = p + n * o;
            const QPoint px(int(std::floor(q.x())), int(std::floor(q.y())));
            if (!img.rect().contains(px))
                continue;
            inside = true;
            seen = seen || ok(img.pixelColor(px));
        }
        gaps += inside && !seen;
    }
    return gaps;
}

// Pixels of the bends' faint grey.
int BendPixels(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            n += std::abs(c.red() - 204) < 8 && std::abs(c.green() - 204) < 8 &&
                 std::abs(c.blue() - 204) < 8;
        }
    return n;
}

int CountKind(const CCreasePattern& p, CreaseKind kind)
{
    int n = 0;
    for (const CPatternEdge& e : p.edges)
        n += e.kind == kind;
    return n;
}
} // namespace

class CreasePatternPaneTest : public GuiFixture {
    Q_OBJECT

    QWindow* Win() const { return Frame()->windowHandle(); }
    QPoint At(QWidget* pane, QPoint p) const { return pane->mapTo(Frame(), p); }
    CModelView* Design() const { return Frame()->DesignView(); }
    CKelmarzuView* Net() const { return Frame()->NetView(); }
    CDesignSession& Session() const { return Frame()->Session(); }
    const CViewCamera& Cam() const { return Design()->Camera(); }
    void Move(QPoint p)
    {
        QTest::mouseEvent(QTest::MouseMove, Win(), Qt::NoButton, {}, At(Design(), p));
    }

    void StartWide()
    {
        Start();
        Frame()->resize(1000, 700);
        Frame()->OuterSplitter()->setSizes({600, 400});
        Frame()->NestedSplitter()->setSizes({320, 300});
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
    }

    // Runs New Sheet, answering its dialog with `fill` (which may check the
    // values offered); true when the dialog was seen and accepted.
    bool NewSheet(const std::function<void(QDialog*)>& fill)
    {
        bool seen = false;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->windowTitle() != QLatin1String("New Sheet"))
                return;
            poll.stop();
            seen = true;
            fill(dialog);
            dialog->accept();
        });
        poll.start();
        const bool ran = Frame()->ExecuteCommand(kCmdNewSheet);
        // The progress window took the activation.
        Frame()->activateWindow();
        return ran && seen && QTest::qWaitForWindowActive(Frame());
    }

    // Hovers and clicks the vertex nearest the design view's middle, then
    // drags its X handle by `fraction` of the handle in `steps` moves.
    void FoldMiddleVertex(double fraction, int steps)
    {
        const CVector3 at = MiddleVertex(*g_pModel, Cam()).pos;
        const QPoint p = PaneMouse(Cam(), at);
        // The pattern of the sheet as opened is built beside the window first.
        QTRY_VERIFY(!Net()->Pattern().Stale());
        const int builds = Net()->Pattern().BuildCount();
        Move(p + QPoint(30, 30));
        Move(p);
        QTest::mouseClick(Win(), Qt::LeftButton, {}, At(Design(), p));
        QVERIFY(Session().HasSelection());
        QTest::qWait(20);
        // Hovering and selecting build nothing.
        QCOMPARE(Net()->Pattern().BuildCount(), builds);

        const QPoint tip = PaneMouse(Cam(), at + CVector3{CDesignSession::kHandleLength, 0, 0});
        QTest::mousePress(Win(), Qt::LeftButton, {}, At(Design(), tip));
        const QPointF d = QPointF(tip - p) * fraction;
        QPoint last = tip;
        for (int k = 1; k <= steps; ++k) {
            last = tip + (d * k / steps).toPoint();
            Move(last);
        }
        QTest::mouseRelease(Win(), Qt::LeftButton, {}, At(Design(), last));
        QVERIFY(Session().AcceptedSteps() > 0);
    }

private slots:
    void newSheetOffersA4AndStartsADesignOnTheChosenSheet()
    {
        StartWide();
        Frame()->UpdateCommandUI();
        QVERIFY(Enabled(kCmdNewSheet));
        QVERIFY(!Enabled(kCmdExportCreasePattern));
        QCOMPARE(Frame()->Action(kCmdNewSheet)->text(), QStringLiteral("&New Sheet...\tCtrl+N"));
        QCOMPARE(Frame()->Action(kCmdExportCreasePattern)->text(),
                 QStringLiteral("Export &Crease Pattern..."));

        NewSheetChoice offered;
        QString layoutOffered;
        QVERIFY(NewSheet([&](QDialog* d) {
            auto* w = d->findChild<QDoubleSpinBox*>(QStringLiteral("SheetWidth"));
            auto* h = d->findChild<QDoubleSpinBox*>(QStringLiteral("SheetHeight"));
            auto* cells = d->findChild<QSpinBox*>(QStringLiteral("SheetCells"));
            auto* layout = d->findChild<QComboBox*>(QStringLiteral("SheetLayout"));
            QVERIFY(w && h && cells && layout);
            offered = {w->value(), h->value(), cells->value(), layout->currentIndex() == 1};
            layoutOffered = layout->currentText();
            w->setValue(150);
            h->setValue(100);
            cells->setValue(30);
            layout->setCurrentIndex(1);
        }));
        QCOMPARE(offered.width, 210.0);
        QCOMPARE(offered.height, 297.0);
        QCOMPARE(offered.cells, 60);
        QCOMPARE(layoutOffered, QStringLiteral("Regular"));

        QVERIFY(g_pModel);
        QVERIFY(!qwfModel);
        QCOMPARE(g_pModel->faceCount, 2 * 30 * 20);
        QVERIFY(g_pModel->paperInfo.has);
        QCOMPARE(g_pModel->paperInfo.width, 150.0);
        QCOMPARE(g_pModel->paperInfo.height, 100.0);
        QCOMPARE(Frame()->windowTitle(), QStringLiteral("Sheet 150x100 mm - TAVREN"));
        QCOMPARE(Design()->LastHint(), int(kHintNewModel));
        QCOMPARE(Net()->LastHint(), int(kHintNewModel));
        for (const CPolyVertex* v : g_pModel->objects[0]->vertices)
            QVERIFY(std::fabs(v->pos.x) <= 1 + 1e-9 && std::fabs(v->pos.y) <= 1 + 1e-9);
        // Jittered: some inner grid point is off its regular place (5 mm cells).
        bool off = false;
        for (const CPaperPoint& p : g_pModel->paper)
            off = off || std::fabs(p.u / 5.0 - std::round(p.u / 5.0)) > 1e-6;
        QVERIFY(off);
    }

    void netViewFollowsTheFoldAndExportWritesThePattern()
    {
        StartWide();
        QVERIFY(NewSheet([](QDialog*) {})); // 210 x 297 mm, 60 cells
        QVERIFY(Net()->height() > 100 && Net()->width() > 100);
        const double dpr = Net()->devicePixelRatioF();

        // The flat sheet: its outline in black, no creases yet.
        QTRY_VERIFY(!Net()->Pattern().Stale());
        QImage img = Net()->grabFramebuffer();
        img.save(ArtefactPath(QStringLiteral("net-sheet.png")), "PNG");
        QVERIFY(BlackPixels(img) > 0);
        QCOMPARE(CreasePixels(img), 0);

        FoldMiddleVertex(0.6, 6);
        const CCreasePattern& p = Net()->Pattern().Pattern();
        QTRY_VERIFY(!Net()->Pattern().Stale());
        QVERIFY(CountKind(p, CreaseKind::Mountain) + CountKind(p, CreaseKind::Valley) > 0);
        img = Net()->grabFramebuffer();
        img.save(ArtefactPath(QStringLiteral("net-folded.png")), "PNG");
        QVERIFY(CreasePixels(img) > 0);

        // The selected vertex's paper point is marked in green.
        const std::optional<CPaperPoint> at =
            CCreasePatternPane::CornerPaper(*g_pModel, Session().SelectedCorner());
        QVERIFY(at);
        double u, v, x, y;
        Net()->Pattern().PaperToPlane(*at, u, v);
        Net()->Controller().ToWindow(u, v, x, y);
        int green = 0;
        for (int dy = -7; dy <= 7; ++dy)
            for (int dx = -7; dx <= 7; ++dx) {
                const QPoint q(int(x) + dx, int(y) + dy);
                if (!img.rect().contains(q * dpr))
                    continue;
                const QColor px = PixelAt(img, q, dpr);
                green += px.green() > 120 && px.red() < 60 && px.blue() < 60;
            }
        QVERIFY2(green > 4, qPrintable(QString::number(green)));

        // FOLD by the chosen name, with the keys a FOLD reader looks for.
        nextFile_ = dir_->filePath(QStringLiteral("pattern.fold"));
        Frame()->UpdateCommandUI();
        QVERIFY(Enabled(kCmdExportCreasePattern));
        QVERIFY(Frame()->ExecuteCommand(kCmdExportCreasePattern));
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('\n')));
        QCOMPARE(fileRequests_.size(), 1);
        QVERIFY(fileRequests_[0].filter.contains(QLatin1String("*.fold")));
        QVERIFY(fileRequests_[0].filter.contains(QLatin1String("*.svg")));
        QCOMPARE(fileRequests_[0].proposedName, QStringLiteral("sheet.fold"));
        QFile file(nextFile_);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const nlohmann::json doc = nlohmann::json::parse(file.readAll().toStdString());
        for (const char* key : {"file_spec", "vertices_coords", "edges_vertices",
                                "edges_assignment", "faces_vertices"})
            QVERIFY2(doc.contains(key), key);
        QCOMPARE(doc["edges_vertices"].size(), doc["edges_assignment"].size());
        int creases = 0;
        for (const auto& a : doc["edges_assignment"])
            creases += a == "M" || a == "V";
        QCOMPARE(creases, CountKind(p, CreaseKind::Mountain) + CountKind(p, CreaseKind::Valley));

        // An unwritable place gets the usual message.
        nextFile_ = QStringLiteral("/nonexistent-folder/pattern.fold");
        QVERIFY(Frame()->ExecuteCommand(kCmdExportCreasePattern));
        QCOMPARE(messages_, QStringList{QString::fromUtf8(kCannotWriteMessage)});

        // Fix Shape keeps the pattern; Undo takes the fold away again.
        Design()->setFocus();
        Frame()->SetActiveView(Design());
        QVERIFY(Frame()->ExecuteCommand(kCmdFixShape));
        QTest::qWait(20);
        QVERIFY(CreasePixels(Net()->grabFramebuffer()) > 0);
        QVERIFY(Frame()->ExecuteCommand(kCmdUndo));
        QVERIFY(Frame()->ExecuteCommand(kCmdUndo));
        QTRY_VERIFY(!Net()->Pattern().Stale());
        QCOMPARE(CountKind(p, CreaseKind::Mountain) + CountKind(p, CreaseKind::Valley), 0);
        QCOMPARE(CreasePixels(Net()->grabFramebuffer()), 0);
    }

    void aBentSheetTakesAFreeDragAndShowsItsFoldAngle()
    {
        StartWide();
        QVERIFY(NewSheet([](QDialog* d) {
            auto* bend = d->findChild<QComboBox*>(QStringLiteral("SheetBend"));
            auto* angle = d->findChild<QDoubleSpinBox*>(QStringLiteral("SheetBendAngle"));
            QVERIFY(bend && angle);
            QCOMPARE(bend->currentText(), QStringLiteral("None"));
            QCOMPARE(angle->value(), 90.0);
            QVERIFY(!angle->isEnabled());
            bend->setCurrentIndex(1);
            QCOMPARE(bend->currentText(), QStringLiteral("Cylinder"));
            QVERIFY(angle->isEnabled());
        }));
        QVERIFY(g_pModel && g_pModel->paperInfo.has);
        QVERIFY(std::fabs(g_pModel->paperInfo.width - 210.0) < 1e-9);
        QVERIFY(std::fabs(g_pModel->paperInfo.height - 297.0) < 1e-9);
        auto pane = [this] {
            Frame()->UpdateCommandUI();
            return Frame()->PaneText(kPaneFoldAngle);
        };

        const QPoint p = PaneMouse(Cam(), MiddleVertex(*g_pModel, Cam()).pos);
        Move(p + QPoint(30, 30));
        Move(p);
        QTest::mouseClick(Win(), Qt::LeftButton, {}, At(Design(), p));
        QVERIFY(Session().HasSelection());
        QCOMPARE(pane(), QString());
        // A press by the vertex drags it freely.
        QTest::mousePress(Win(), Qt::LeftButton, {}, At(Design(), p + QPoint(2, 1)));
        QVERIFY(Design()->Controller().FreeDragging());
        for (int k = 1; k <= 5; ++k)
            Move(p + QPoint(-12 * k, -8 * k));
        QVERIFY(Session().FoldAngle());
        QCOMPARE(pane(),
                 QStringLiteral("Fold angle: %1\u00b0").arg(*Session().FoldAngle(), 0, 'f', 1));
        // Shift snaps it to a multiple of 15 degrees.
        const int before = Session().AcceptedSteps();
        for (int k = 1; k <= 3; ++k)
            QTest::mouseEvent(QTest::MouseMove, Win(), Qt::NoButton, Qt::ShiftModifier,
                              At(Design(), p + QPoint(-60 - 7 * k, -40 + 5 * k)));
        QVERIFY(Session().AcceptedSteps() > before);
        QVERIFY2(std::fabs(std::remainder(*Session().FoldAngle(), 15.0)) < 1e-6,
                 qPrintable(pane()));
        QTest::mouseRelease(Win(), Qt::LeftButton, {}, At(Design(), p + QPoint(-81, -25)));
        QTest::keyClick(Win(), Qt::Key_Space);
        QCOMPARE(pane(), QString());
    }

    // Gaps along the net view's lines at its current zoom; the long creases
    // and the whole outline are walked.
    int NetLineGaps(const QString& shot, QPointF avoid)
    {
        const CCreasePatternPane& view = Net()->Pattern();
        const CPatternChains& lines = view.Lines();
        const QImage img = Net()->grabFramebuffer();
        img.save(ArtefactPath(shot), "PNG");
        const auto window = [&](uint32_t k) {
            double u, v, x, y;
            view.PaperToPlane(view.Pattern().vertices[lines.vertices[k]], u, v);
            Net()->Controller().ToWindow(u, v, x, y);
            return QPointF(x, y);
        };
        int gaps = 0, walked = 0;
        for (const CPatternChains::Chain& c : lines.chains) {
            const bool outline = c.kind == CreaseKind::Boundary;
            if (!outline && QLineF(window(c.begin), window(c.end - 1)).length() < 100.0)
                continue;
            ++walked;
            for (uint32_t k = c.begin; k + 1 < c.end; ++k)
                gaps += GapsAlong(img, Net()->devicePixelRatioF(), window(k), window(k + 1),
                                  outline ? IsLineColour : IsCreaseColour, avoid);
        }
        return walked >= 2 ? gaps : -1;
    }

    void netViewLinesHaveNoGapsAtOneAndTwoTimesZoom()
    {
        StartWide();
        QVERIFY(NewSheet([](QDialog*) {})); // 210 x 297 mm, 60 cells
        FoldMiddleVertex(0.6, 6);
        QTRY_VERIFY(!Net()->Pattern().Stale());
        double u, v, x, y;
        Net()->Pattern().PaperToPlane(
            *CCreasePatternPane::CornerPaper(*g_pModel, Session().SelectedCorner()), u, v);
        Net()->Controller().ToWindow(u, v, x, y);
        QCOMPARE(NetLineGaps(QStringLiteral("net-lines-1x.png"), QPointF(x, y)), 0);

        // Twice the zoom: the wheel's factor is 1 + delta / 1000.
        const QPointF centre(Net()->width() / 2.0, Net()->height() / 2.0);
        QWheelEvent wheel(centre, Net()->mapToGlobal(centre), QPoint(), QPoint(0, 1000),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Net(), &wheel);
        QCOMPARE(Net()->Controller().zoom, 2.0);
        QTest::qWait(20);
        Net()->Pattern().PaperToPlane(
            *CCreasePatternPane::CornerPaper(*g_pModel, Session().SelectedCorner()), u, v);
        Net()->Controller().ToWindow(u, v, x, y);
        QCOMPARE(NetLineGaps(QStringLiteral("net-lines-2x.png"), QPointF(x, y)), 0);
    }

    void showBendsDrawsTheSheetsBendsFaintly()
    {
        StartWide();
        Frame()->OpenModelFile(SamplePath()); // bent a quarter turn: bends everywhere
        QVERIFY(g_pModel && g_pModel->paperInfo.has);
        Frame()->UpdateCommandUI();
        QAction* bends = Frame()->Action(kCmdShowBends);
        QCOMPARE(bends->text(), QStringLiteral("Show &Bends"));
        QVERIFY(bends->isEnabled() && bends->isCheckable() && !bends->isChecked());
        QTest::qWait(20);
        QCOMPARE(BendPixels(Net()->grabFramebuffer()), 0);
        QVERIFY(Frame()->ExecuteCommand(kCmdShowBends));
        QVERIFY(bends->isChecked());
        QTest::qWait(20);
        const QImage img = Net()->grabFramebuffer();
        img.save(ArtefactPath(QStringLiteral("net-bends.png")), "PNG");
        QVERIFY(BendPixels(img) > 100);
        QVERIFY(Frame()->ExecuteCommand(kCmdShowBends));
        QVERIFY(!bends->isChecked());
        QTest::qWait(20);
        QCOMPARE(BendPixels(Net()->grabFramebuffer()), 0);
    }

    void printTilesAnA3PatternOverA4Pages()
    {
        StartWide();
        QVERIFY(NewSheet([](QDialog* d) {
            d->findChild<QDoubleSpinBox*>(QStringLiteral("SheetWidth"))->setValue(297);
            d->findChild<QDoubleSpinBox*>(QStringLiteral("SheetHeight"))->setValue(420);
            d->findChild<QSpinBox*>(QStringLiteral("SheetCells"))->setValue(20);
        }));
        Frame()->UpdateCommandUI();
        QCOMPARE(Frame()->Action(kCmdPrintCreasePattern)->text(),
                 QStringLiteral("&Print Crease Pattern..."));
        QVERIFY(Enabled(kCmdPrintCreasePattern));
        const QString pdf = dir_->filePath(QStringLiteral("print.pdf"));
        QSizeF portrait, landscape;
        nextPrint_ = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setPageSize(QPageSize(QPageSize::A4));
            QPageLayout layout = printer.pageLayout();
            layout.setOrientation(QPageLayout::Portrait);
            portrait = layout.paintRect(QPageLayout::Millimeter).size();
            layout.setOrientation(QPageLayout::Landscape);
            landscape = layout.paintRect(QPageLayout::Millimeter).size();
            return true;
        };
        QVERIFY(Frame()->ExecuteCommand(kCmdPrintCreasePattern));
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('\n')));
        const auto along = [](double paper, double printable) {
            return std::max(1, int(std::ceil((paper - 10.0) / (printable - 10.0))));
        };
        const int expected =
            std::min(along(297, portrait.width()) * along(420, portrait.height()),
                     along(297, landscape.width()) * along(420, landscape.height()));
        QVERIFY(expected > 1);
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        if (!info.waitForStarted())
            QSKIP("pdfinfo (poppler-utils) is not installed");
        QVERIFY(info.waitForFinished());
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        const QRegularExpressionMatch pages =
            QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
        QVERIFY2(pages.hasMatch(), qPrintable(out));
        QCOMPARE(pages.captured(1).toInt(), expected);
    }

    void modelWithoutPaperSaysWhyInsteadOfAskingForAFile()
    {
        StartWide();
        Frame()->SetModelOpener([](const std::string& path, IProgress*) {
            OpenOutcome out;
            out.model = testmesh::Cube();
            out.model->fileName = path;
            out.result = out.model->BuildTopology() ? kReadOk : kReadFailed;
            return out;
        });
        Frame()->OpenModelFile(dir_->filePath(QStringLiteral("cube.obj")));
        Frame()->SetModelOpener(nullptr);
        QVERIFY(g_pModel);
        QVERIFY(!g_pModel->paperInfo.has);
        const QString why = QString::fromStdString(g_pModel->paperInfo.whyNot);
        QVERIFY(!why.isEmpty());
        Frame()->UpdateCommandUI();
        QVERIFY(Enabled(kCmdExportCreasePattern));
        QVERIFY(Frame()->ExecuteCommand(kCmdExportCreasePattern));
        QCOMPARE(messages_, QStringList{why});
        QVERIFY(fileRequests_.isEmpty());
        bool asked = false;
        nextPrint_ = [&](QPrinter&) { return asked = true; };
        QVERIFY(Frame()->ExecuteCommand(kCmdPrintCreasePattern));
        QCOMPARE(messages_, (QStringList{why, why}));
        QVERIFY(!asked);
        // Nothing to draw in the net view either.
        QTest::qWait(20);
        const QImage img = Net()->grabFramebuffer();
        QCOMPARE(BlackPixels(img) + CreasePixels(img), 0);
    }
};

QObject* MakeCreasePatternPaneTest()
{
    return new CreasePatternPaneTest;
}

#include "CreasePatternPaneTest.moc"
