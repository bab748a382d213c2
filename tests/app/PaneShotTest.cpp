// Pictures of the design view grabbed from its framebuffer under Xvfb, with
// the pixels that matter checked and the PNGs kept in the build folder.

#include "ViewsFixture.h"

using namespace viewtest;

class PaneShotTest : public GuiFixture {
    Q_OBJECT

    QWindow* Win() const { return Frame()->windowHandle(); }
    QPoint At(QWidget* pane, QPoint p) const { return pane->mapTo(Frame(), p); }
    CModelView* View() const { return Frame()->DesignView(); }
    CDesignSession& Session() const { return Frame()->Session(); }
    const CViewCamera& Cam() const { return View()->Camera(); }

    QImage Shot(const QString& name)
    {
        QImage img = View()->grabFramebuffer();
        [&] { QVERIFY(img.save(ArtefactPath(name), "PNG")); }();
        return img;
    }

    void OpenSample()
    {
        Start();
        Frame()->resize(900, 700);
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        Frame()->OpenModelFile(SamplePath());
        QVERIFY(g_pModel);
        Frame()->activateWindow(); // taken by the progress window
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
    }

    // Pane position of the middle of the sheet's bounding box.
    QPoint SheetMiddle() const
    {
        CVector3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
        for (const CPolyVertex* v : g_pModel->objects[0]->vertices) {
            lo = {std::min(lo.x, v->pos.x), std::min(lo.y, v->pos.y), std::min(lo.z, v->pos.z)};
            hi = {std::max(hi.x, v->pos.x), std::max(hi.y, v->pos.y), std::max(hi.z, v->pos.z)};
        }
        return PaneMouse(Cam(), (lo + hi) * 0.5);
    }

private slots:
    void sheetIsLitBlueOnWhiteWithTheHighlightInRed()
    {
        OpenSample();
        const double dpr = View()->devicePixelRatioF();
        QImage img = Shot(QStringLiteral("design-sheet.png"));
        QCOMPARE(img.width(), int(View()->width() * dpr));
        QVERIFY2(IsWhite(PixelAt(img, QPoint(3, 3), dpr)),
                 qPrintable(Describe(img.pixelColor(3, 3))));
        const QPoint mid = SheetMiddle();
        const QColor face = PixelAt(img, mid, dpr);
        QVERIFY2(IsLitBlue(face), qPrintable(Describe(face)));

        // Hover a vertex: a red dot under the pointer.
        const CShapeCorner v = MiddleVertex(*g_pModel, Cam());
        const QPoint p = PaneMouse(Cam(), v.pos);
        QTest::mouseMove(Win(), At(View(), p));
        QVERIFY(Session().HighlightedPos());
        img = Shot(QStringLiteral("design-highlight.png"));
        const QColor dot = PixelAt(img, p, dpr);
        QVERIFY2(IsPure(dot, 1, 0, 0), qPrintable(Describe(dot)));
        // Four pixels away the sheet shows again (the dot is 8 pixels wide).
        QVERIFY(IsLitBlue(PixelAt(img, p + QPoint(0, 7), dpr)));

        // Without faces only the dot stays on white.
        QVERIFY(Frame()->ExecuteCommand(kCmdShowFace));
        QVERIFY(!showFaces);
        img = Shot(QStringLiteral("design-no-faces.png"));
        QVERIFY(IsWhite(PixelAt(img, mid + QPoint(3, 3), dpr)));
        QVERIFY(IsPure(PixelAt(img, p, dpr), 1, 0, 0));

        // Edges drawn black over the faces.
        QVERIFY(Frame()->ExecuteCommand(kCmdShowFace));
        QVERIFY(Frame()->ExecuteCommand(kCmdShowEdge));
        QVERIFY(showEdges);
        img = Shot(QStringLiteral("design-edges.png"));
        int dark = 0;
        for (int dx = -12; dx <= 12; ++dx)
            for (int dy = -12; dy <= 12; ++dy) {
                const QColor c = PixelAt(img, mid + QPoint(dx, dy), dpr);
                dark += c.red() < 80 && c.green() < 80 && c.blue() < 80;
            }
        QVERIFY2(dark > 10, qPrintable(QString::number(dark)));
    }

    void handlesShowTheirColoursAtTheTips()
    {
        OpenSample();
        const double dpr = View()->devicePixelRatioF();
        // Turn the camera so the Z handle does not point at the viewer.
        const QPoint mid(View()->width() / 2, View()->height() / 2);
        QTest::mousePress(Win(), Qt::RightButton, {}, At(View(), mid));
        QTest::mouseEvent(QTest::MouseMove, Win(), Qt::NoButton, {},
                          At(View(), mid + QPoint(120, 80)));
        QTest::mouseRelease(Win(), Qt::RightButton, {}, At(View(), mid + QPoint(120, 80)));
        QVERIFY(Cam().trackball.qCur.w < 1.0f);

        const CShapeCorner v = MiddleVertex(*g_pModel, Cam());
        const CVector3 at = v.pos;
        const QPoint p = PaneMouse(Cam(), at);
        QTest::mouseMove(Win(), At(View(), p));
        QTest::mouseClick(Win(), Qt::LeftButton, {}, At(View(), p));
        QVERIFY(Session().HasSelection());
        QImage img = Shot(QStringLiteral("design-handles.png"));

        // Inside each cone, just past the handle's end.
        const double L = CDesignSession::kHandleLength;
        const CVector3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        const int rgb[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        for (int i = 0; i < 3; ++i) {
            const QPoint tip = PaneMouse(Cam(), at + axes[i] * (L + 0.02));
            const QColor c = PixelAt(img, tip, dpr);
            QVERIFY2(IsPure(c, rgb[i][0], rgb[i][1], rgb[i][2]),
                     qPrintable(QString::number(i) + Describe(c)));
        }
        // The sphere at the vertex in the handle material: lit red.
        const QColor ball = PixelAt(img, p, dpr);
        QVERIFY2(ball.red() > 150 && ball.green() < 60 && ball.blue() < 60,
                 qPrintable(Describe(ball)));
    }

    void foldedSheetIsDrawnFolded()
    {
        OpenSample();
        const double dpr = View()->devicePixelRatioF();
        const CShapeCorner v = MiddleVertex(*g_pModel, Cam());
        const CVector3 at = v.pos;
        const QPoint p = PaneMouse(Cam(), at);
        QTest::mouseMove(Win(), At(View(), p));
        QTest::mouseClick(Win(), Qt::LeftButton, {}, At(View(), p));
        QVERIFY(Session().HasSelection());
        const QImage before = View()->grabFramebuffer();
        // A long step along X straight through the session: a big fold.
        Session().SetHandle(1);
        QVERIFY(Session().DragStep(-2.5) == CDesignSession::DragOutcome::kAccepted);
        View()->update();
        QTest::keyClick(Win(), Qt::Key_Space);
        const QImage img = Shot(QStringLiteral("design-folded.png"));
        QVERIFY(IsWhite(PixelAt(img, QPoint(3, 3), dpr)));
        // A quarter of the unit cube went over: the picture changed a lot, and
        // the folded part still shows lit blue.
        int changed = 0, blue = 0;
        for (int y = 0; y < img.height(); y += 4)
            for (int x = 0; x < img.width(); x += 4) {
                changed += img.pixel(x, y) != before.pixel(x, y);
                blue += IsLitBlue(img.pixelColor(x, y));
            }
        QVERIFY2(changed > 500, qPrintable(QString::number(changed)));
        QVERIFY(blue > 500);
    }
};

QObject* MakePaneShotTest()
{
    return new PaneShotTest;
}

#include "PaneShotTest.moc"
