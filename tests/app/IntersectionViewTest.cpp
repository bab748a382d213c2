// The design view's intersection warning with real mouse events on the sample
// sheet (a trough along y): a diagonal fold pushes a flap through the trough's
// wall and tints the colliding faces, a fold across y lays the flap flat on
// the trough and shows none; the status pane counts the pairs.

#include "ViewsFixture.h"

using namespace viewtest;

namespace {
// The tint over the lit material: clearly red, little green or blue. The
// highlight dot and the red handle are kept out of the pictures counted.
bool IsWarning(const QColor& c)
{
    return c.red() > 170 && c.green() < 140 && c.blue() < 140;
}

int WarningPixels(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += IsWarning(img.pixelColor(x, y));
    return n;
}
} // namespace

class IntersectionViewTest : public GuiFixture {
    Q_OBJECT

    QWindow* Win() const { return Frame()->windowHandle(); }
    CModelView* View() const { return Frame()->DesignView(); }
    QPoint At(QPoint p) const { return View()->mapTo(Frame(), p); }
    CDesignSession& Session() const { return Frame()->Session(); }
    const CViewCamera& Cam() const { return View()->Camera(); }
    QString Pane() const
    {
        Frame()->UpdateCommandUI();
        return Frame()->PaneText(kPaneIntersections);
    }

    void OpenSample()
    {
        Start();
        Frame()->resize(900, 700);
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        QCOMPARE(Pane(), QString()); // no model, no count
        Frame()->OpenModelFile(SamplePath());
        QVERIFY(g_pModel);
        Frame()->activateWindow(); // taken by the progress window
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        QCOMPARE(Pane(), QStringLiteral("Intersections: 0"));
    }

    // Hovers and clicks the corner nearest p.
    void Select(const CVector3& p)
    {
        const CShapeCorner c = NearestShapeCorner(*g_pModel, p);
        const QPoint m = PaneMouse(Cam(), c.pos);
        QTest::mouseMove(Win(), At(m + QPoint(30, 30)));
        QTest::mouseMove(Win(), At(m));
        QVERIFY(Session().HighlightedPos());
        QTest::mouseClick(Win(), Qt::LeftButton, {}, At(m));
        QVERIFY(Session().HasSelection());
    }

    // Drags the selected vertex's handle along `axis` by `lengths` handle
    // lengths in `steps` moves, then releases.
    void Drag(const CVector3& axis, double lengths, int steps)
    {
        const CVector3 at = *Session().SelectedPos();
        const QPoint base = PaneMouse(Cam(), at);
        const QPoint tip = PaneMouse(Cam(), at + axis * CDesignSession::kHandleLength);
        QTest::mousePress(Win(), Qt::LeftButton, {}, At(tip));
        QVERIFY(Session().Handle() != 0);
        const QPointF d = QPointF(tip - base) * lengths;
        QPoint last = tip;
        for (int k = 1; k <= steps; ++k) {
            last = tip + (d * k / steps).toPoint();
            QTest::mouseMove(Win(), At(last));
        }
        QTest::mouseRelease(Win(), Qt::LeftButton, {}, At(last));
    }

    // The pane without the handles or the highlight dot.
    QImage Plain(const QString& name)
    {
        QTest::keyClick(Win(), Qt::Key_Space);
        QImage img = View()->grabFramebuffer();
        [&] { QVERIFY(img.save(ArtefactPath(name), "PNG")); }();
        return img;
    }

private slots:
    void aFlapThroughTheWallIsTintedAndCounted()
    {
        OpenSample();
        QCOMPARE(WarningPixels(Plain(QStringLiteral("intersections-before.png"))), 0);

        Select({0.5, -0.5, 0});
        Drag({1, 0, 0}, 1.25, 5);
        Drag({0, 1, 0}, 2.25, 9);
        QVERIFY(Session().AcceptedSteps() > 0);
        const size_t count = View()->Intersections().Count();
        QVERIFY2(count > 0, qPrintable(Pane()));
        QCOMPARE(Pane(), QStringLiteral("Intersections: %1").arg(count));
        CWorkingShape scratch;
        QCOMPARE(count, CountSelfIntersections(g_pModel->CurrentShape(scratch)));

        const QImage img = Plain(QStringLiteral("intersections-through.png"));
        const int tinted = WarningPixels(img);
        QVERIFY2(tinted > 200, qPrintable(QString::number(tinted)));

        // Undo takes the fold back: nothing crosses, nothing tinted.
        QVERIFY(Frame()->ExecuteCommand(kCmdUndo));
        QCOMPARE(Pane(), QStringLiteral("Intersections: 0"));
        QCOMPARE(WarningPixels(Plain(QStringLiteral("intersections-undone.png"))), 0);
    }

    void aFlatFoldShowsNone()
    {
        OpenSample();
        Select({0.3, -0.5, 0});
        Drag({0, 1, 0}, 3.0, 12);
        QVERIFY(Session().AcceptedSteps() > 0);
        QVERIFY(g_pModel->working.TriangleCount() > 3200); // the crease split faces
        QVERIFY(Frame()->ExecuteCommand(kCmdFixShape));
        QCOMPARE(Pane(), QStringLiteral("Intersections: 0"));
        QCOMPARE(WarningPixels(Plain(QStringLiteral("intersections-flat.png"))), 0);
    }
};

QObject* MakeIntersectionViewTest()
{
    return new IntersectionViewTest;
}

#include "IntersectionViewTest.moc"
