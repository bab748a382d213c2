// The net view in the real main window: the bundled sample opened through
// the open routine, a slice picked, its picture checked pixel by pixel, parts
// marked by clicks and removed by Delete, pan and zoom by real events. The
// section view beside it: the slices in space, and a click that picks one.

#include "GuiFixture.h"

#include "model/CSlicePlane.h"
#include "slices/SliceParts.h"
#include "view3d/ViewCamera.h"

#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {

const char* kSample = LINTORO_SOURCE_DIR "/samples/slices.qwf";

struct Rgb {
    int r, g, b;
};

bool Near(QRgb p, Rgb want, int tolerance = 12)
{
    return std::abs(qRed(p) - want.r) <= tolerance && std::abs(qGreen(p) - want.g) <= tolerance &&
           std::abs(qBlue(p) - want.b) <= tolerance;
}

// Pixels that are plainly red: a marked outline, nothing else the pane draws.
int StrongRed(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            n += qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80;
        }
    return n;
}

bool AllWhite(const QImage& img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xffffff) != 0xffffff)
                return false;
    return true;
}

void SendMove(QWidget* w, QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::NoButton,
                  buttons, mods);
    QApplication::sendEvent(w, &e);
}

void SendWheel(QWidget* w, int delta)
{
    const QPoint at(w->width() / 2, w->height() / 2);
    QWheelEvent e(QPointF(at), QPointF(w->mapToGlobal(at)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

// Pixels that are plainly magenta: the picked slice's intersection lines.
int StrongMagenta(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            n += qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) > 200;
        }
    return n;
}

int NearBlack(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            n += qRed(p) < 60 && qGreen(p) < 60 && qBlue(p) < 60;
        }
    return n;
}

// The section view's outline segments in mouse coordinates (y down), each
// with its slice.
struct ScreenSegment {
    QPointF a, b;
    const CSlicePlane* slice;
};

std::vector<ScreenSegment> OutlineSegments(const CPolyModel& model, const CViewCamera& cam)
{
    std::vector<ScreenSegment> out;
    const auto mouse = [&cam](const PartVertex& pv, QPointF& at) {
        WindowPoint w;
        if (!cam.ProjectToWindow(CVector3(pv.x, pv.y, pv.z), w))
            return false;
        at = QPointF(w.x, cam.height - w.y);
        return true;
    };
    for (const auto& slice : model.planes)
        for (const auto& part : slice->parts)
            for (size_t i = 1; i < part->outline.size(); ++i) {
                ScreenSegment s{{}, {}, slice.get()};
                if (mouse(*part->outline[i - 1], s.a) && mouse(*part->outline[i], s.b))
                    out.push_back(s);
            }
    return out;
}

double Distance(const ScreenSegment& s, QPointF p)
{
    return PointSegmentDistance2D(s.a.x(), s.a.y(), s.b.x(), s.b.y(), p.x(), p.y());
}

} // namespace

class NetViewGuiTest : public GuiFixture {
    Q_OBJECT

    CKelmarzuView* Net() const { return Frame()->NetView(); }

    // The window with both right panes visible and the sample open.
    void OpenSample()
    {
        Start();
        ShowPanesAndOpen();
    }
    void ShowPanesAndOpen()
    {
        Frame()->resize(1100, 800);
        Frame()->OuterSplitter()->setSizes({400, 700});
        Frame()->NestedSplitter()->setSizes({460, 300});
        QCoreApplication::processEvents();
        Frame()->OpenModelFile(QString::fromUtf8(kSample));
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(QLatin1Char('|'))));
        QVERIFY(g_pModel);
        QVERIFY(qwfModel);
        QVERIFY(Net()->width() > 300 && Net()->height() > 300);
    }

    // What the section view's click does: pick a slice, tell every view.
    void Pick(size_t index)
    {
        g_pModel->pickedPlane = g_pModel->planes[index].get();
        app_->Document()->UpdateAllViews(kHintDisplayFlags);
    }

    QImage Grab() const
    {
        QImage img = Net()->grabFramebuffer();
        img.save(QStringLiteral("net-view-%1.png").arg(++shots_));
        return img;
    }

    // A (u, v) point of the picked slice in logical and device pixels.
    QPoint Window(double u, double v) const
    {
        double x = 0.0, y = 0.0;
        Net()->Controller().ToWindow(u, v, x, y);
        return QPoint(qRound(x), qRound(y));
    }
    QRgb PixelAt(const QImage& img, double u, double v) const
    {
        const QPoint p = Window(u, v) * Net()->devicePixelRatioF();
        return img.pixel(p);
    }

    // Whether a one-pixel line of `want` passes within a pixel of (u, v):
    // where a half pixel rounds depends on the pane's size.
    bool LineNear(const QImage& img, double u, double v, Rgb want) const
    {
        const QPoint p = Window(u, v) * Net()->devicePixelRatioF();
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (img.valid(p.x() + dx, p.y() + dy) &&
                    Near(img.pixel(p.x() + dx, p.y() + dy), want))
                    return true;
        return false;
    }

    // The middle of the part's first outline edge, where a click marks it.
    QPoint EdgeMiddle(const Spart& part) const
    {
        const PartVertex& a = *part.outline[0];
        const PartVertex& b = *part.outline[1];
        return Window((a.u + b.u) / 2, (a.v + b.v) / 2);
    }

    void PressDelete()
    {
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        Net()->setFocus();
        QTest::keyClick(Frame()->windowHandle(), Qt::Key_Delete);
    }

    mutable int shots_ = 0;

    CFrameView* Section() const { return Frame()->SectionView(); }

    QImage GrabSection() const
    {
        QImage img = Section()->grabFramebuffer();
        img.save(QStringLiteral("section-view-%1.png").arg(++shots_));
        return img;
    }

    // A whole pixel on some outline edge of a slice other than `avoid`,
    // well inside the pane, with every other slice's outline more than 14
    // pixels away.
    bool FindOutlinePoint(const CSlicePlane* avoid, QPoint& at, const CSlicePlane*& slice) const
    {
        const auto segments = OutlineSegments(*g_pModel, Section()->Camera());
        const QRect inside = Section()->rect().adjusted(20, 20, -20, -20);
        for (const ScreenSegment& s : segments) {
            if (s.slice == avoid)
                continue;
            for (double t : {0.5, 0.25, 0.75}) {
                const QPoint p = (s.a + (s.b - s.a) * t).toPoint();
                if (!inside.contains(p) || Distance(s, p) > 1.0)
                    continue;
                bool clear = true;
                for (const ScreenSegment& o : segments)
                    clear = clear && (o.slice == s.slice || Distance(o, p) > 14.0);
                if (clear) {
                    at = p;
                    slice = s.slice;
                    return true;
                }
            }
        }
        return false;
    }

private slots:
    void sectionViewClickPicksTheSliceTheNetViewShows()
    {
        OpenSample();
        QVERIFY(Section()->width() > 300 && Section()->height() > 200);
        QCOMPARE(g_pModel->pickedPlane, static_cast<CSlicePlane*>(nullptr));
        // Slices in space: outlines and fills, no intersection lines yet.
        QImage img = GrabSection();
        QVERIFY(!AllWhite(img));
        QVERIFY(NearBlack(img) > 50);
        QCOMPARE(StrongMagenta(img), 0);
        QVERIFY(AllWhite(Grab()));

        QPoint at;
        const CSlicePlane* target = nullptr;
        QVERIFY(FindOutlinePoint(nullptr, at, target));
        QVERIFY(!target->lines.empty());

        // A press and a release 4 pixels apart is a drag: nothing picked, no hint.
        const int netUpdates = Net()->UpdateCount();
        QTest::mousePress(Section(), Qt::LeftButton, {}, at + QPoint(0, 4));
        QTest::mouseRelease(Section(), Qt::LeftButton, {}, at);
        QCOMPARE(g_pModel->pickedPlane, static_cast<CSlicePlane*>(nullptr));
        QCOMPARE(Net()->UpdateCount(), netUpdates);

        // Three pixels still make a click: the slice under the pointer is
        // picked and every view hears hint 0.
        QTest::mousePress(Section(), Qt::LeftButton, {}, at + QPoint(3, 0));
        QTest::mouseRelease(Section(), Qt::LeftButton, {}, at);
        QCOMPARE(g_pModel->pickedPlane, target);
        QCOMPARE(Net()->UpdateCount(), netUpdates + 1);
        QCOMPARE(Net()->LastHint(), int(kHintDisplayFlags));
        QCOMPARE(Frame()->DesignView()->LastHint(), int(kHintDisplayFlags));
        // The net view now shows it flat, and the section view its lines.
        QImage net = Grab();
        QVERIFY(!AllWhite(net));
        QVERIFY(StrongMagenta(net) > 0);
        QVERIFY(StrongMagenta(GrabSection()) > 0);

        // Another slice's outline takes the pick over.
        QPoint other;
        const CSlicePlane* second = nullptr;
        QVERIFY(FindOutlinePoint(target, other, second));
        QTest::mouseClick(Section(), Qt::LeftButton, {}, other);
        QCOMPARE(g_pModel->pickedPlane, second);

        // More than 10 pixels from every outline: the pick stays, the hint
        // still goes out.
        const auto segments = OutlineSegments(*g_pModel, Section()->Camera());
        QPoint empty(-1, -1);
        for (int y = 20; y < Section()->height() - 20 && empty.x() < 0; y += 7)
            for (int x = 20; x < Section()->width() - 20 && empty.x() < 0; x += 7) {
                bool far = true;
                for (const ScreenSegment& s : segments)
                    far = far && Distance(s, QPointF(x, y)) > 12.0;
                if (far)
                    empty = QPoint(x, y);
            }
        QVERIFY(empty.x() >= 0);
        const int before = Net()->UpdateCount();
        QTest::mouseClick(Section(), Qt::LeftButton, {}, empty);
        QCOMPARE(g_pModel->pickedPlane, second);
        QCOMPARE(Net()->UpdateCount(), before + 1);
    }

    void pickedSliceIsDrawnFlat()
    {
        OpenSample();
        QVERIFY(AllWhite(Grab())); // nothing picked yet
        Pick(0);                   // axis 0: translucent red fills
        const CSlicePlane& s = *g_pModel->pickedPlane;
        QImage img = Grab();
        QVERIFY(!AllWhite(img));
        // The bounding rectangle's corner lies outside the round part.
        QVERIFY(LineNear(img, s.minU, s.minV, {0, 0, 255}));
        QVERIFY(LineNear(img, s.maxU, s.maxV, {0, 0, 255}));
        // A fill of alpha 0.6 over white, inside the part: the middle of a
        // triangle that is not a sliver.
        bool sawFill = false;
        for (const PartTriangle& t : s.parts[0]->triangles) {
            const double u = (t.v[0]->u + t.v[1]->u + t.v[2]->u) / 3;
            const double v = (t.v[0]->v + t.v[1]->v + t.v[2]->v) / 3;
            sawFill = sawFill || Near(PixelAt(img, u, v), {255, 148, 148}, 4);
        }
        QVERIFY(sawFill);
        // Intersection lines are drawn last, in magenta, over the fills.
        QVERIFY(!s.lines.empty());
        for (const auto& line : s.lines)
            QVERIFY(Near(PixelAt(img, (line->u1 + line->u2) / 2, (line->v1 + line->v2) / 2),
                         {255, 0, 255}));
        QCOMPARE(StrongRed(img), 0); // nothing is marked

        Pick(3); // axis 1: green fills
        img = Grab();
        bool sawGreen = false;
        for (const PartTriangle& t : g_pModel->pickedPlane->parts[0]->triangles) {
            const double u = (t.v[0]->u + t.v[1]->u + t.v[2]->u) / 3;
            const double v = (t.v[0]->v + t.v[1]->v + t.v[2]->v) / 3;
            sawGreen = sawGreen || Near(PixelAt(img, u, v), {148, 255, 148}, 4);
        }
        QVERIFY(sawGreen);
    }

    void clickMarksAPartAndDeleteRemovesIt()
    {
        OpenSample();
        Pick(3); // two parts, green fills
        CSlicePlane* slice = g_pModel->pickedPlane;
        QCOMPARE(slice->parts.size(), size_t(2));
        Spart* first = slice->parts[0].get();
        const QPoint edge = EdgeMiddle(*first);

        // A press and a release 4 pixels apart is a drag, not a click.
        QTest::mousePress(Net(), Qt::LeftButton, {}, edge);
        QTest::mouseRelease(Net(), Qt::LeftButton, {}, edge + QPoint(2, 3));
        QVERIFY(!first->marked);

        QTest::mouseClick(Net(), Qt::LeftButton, {}, edge);
        QVERIFY(first->marked);
        QVERIFY(!slice->parts[1]->marked);
        QVERIFY(StrongRed(Grab()) > 50);
        QTest::mouseClick(Net(), Qt::LeftButton, {}, edge); // twice: unmarked again
        QVERIFY(!first->marked);
        QCOMPARE(StrongRed(Grab()), 0);
        QTest::mouseClick(Net(), Qt::LeftButton, {}, edge);
        QVERIFY(first->marked);

        const int sectionUpdates = Frame()->SectionView()->UpdateCount();
        const int designUpdates = Frame()->DesignView()->UpdateCount();
        PressDelete();
        QCOMPARE(slice->parts.size(), size_t(1));
        QCOMPARE(g_pModel->pickedPlane, slice);
        // Every view hears hint 0.
        QCOMPARE(Frame()->SectionView()->UpdateCount(), sectionUpdates + 1);
        QCOMPARE(Frame()->DesignView()->UpdateCount(), designUpdates + 1);
        QCOMPARE(Frame()->SectionView()->LastHint(), int(kHintDisplayFlags));
        QImage img = Grab();
        QCOMPARE(StrongRed(img), 0);
        QVERIFY(!AllWhite(img));
        // The bounding rectangle shrank to the remaining part.
        double minU = kDoubleMax;
        for (const auto& pv : slice->parts[0]->outline)
            minU = std::min(minU, pv->u);
        QCOMPARE(slice->minU, minU);
        QVERIFY(LineNear(img, slice->minU, slice->minV, {0, 0, 255}));

        // The last part goes: the slice, its lines and their partners go too.
        size_t linesBefore = 0, partnered = 0;
        for (const auto& plane : g_pModel->planes)
            linesBefore += plane->lines.size();
        for (const auto& line : slice->lines)
            partnered += line->partner != nullptr;
        const size_t ownLines = slice->lines.size();
        const size_t planesBefore = g_pModel->planes.size();
        QTest::mouseClick(Net(), Qt::LeftButton, {}, EdgeMiddle(*slice->parts[0]));
        PressDelete();
        QCOMPARE(g_pModel->planes.size(), planesBefore - 1);
        QCOMPARE(g_pModel->pickedPlane, static_cast<CSlicePlane*>(nullptr));
        size_t linesAfter = 0;
        for (const auto& plane : g_pModel->planes) {
            QVERIFY(plane.get() != slice);
            linesAfter += plane->lines.size();
            for (const auto& line : plane->lines)
                QVERIFY(!line->partner || line->partner->partner == line.get());
        }
        QCOMPARE(linesAfter, linesBefore - ownLines - partnered);
        QVERIFY(AllWhite(Grab()));

        // With nothing picked, clicks and Delete do nothing.
        const int updates = Frame()->DesignView()->UpdateCount();
        QTest::mouseClick(Net(), Qt::LeftButton, {}, edge);
        PressDelete();
        QCOMPARE(Frame()->DesignView()->UpdateCount(), updates);
    }

    void zoomAndPanStayWithinTheirBounds()
    {
        Start();
        // Before any model: the wheel does nothing, a middle drag still pans.
        SendWheel(Net(), 120);
        QCOMPARE(Net()->Controller().zoom, 1.0);
        QTest::mousePress(Net(), Qt::MiddleButton, {}, QPoint(10, 10));
        SendMove(Net(), QPoint(20, 15), Qt::MiddleButton, {});
        QTest::mouseRelease(Net(), Qt::MiddleButton, {}, QPoint(20, 15));
        QCOMPARE(Net()->Controller().panX, 10.0);
        QCOMPARE(Net()->Controller().panY, -5.0);

        ShowPanesAndOpen();
        const CNetViewController& c = Net()->Controller();
        // Pan and zoom outlive the model change; drag back to no pan.
        QCOMPARE(c.panX, 10.0);
        QTest::mousePress(Net(), Qt::MiddleButton, {}, QPoint(20, 15));
        SendMove(Net(), QPoint(10, 10), Qt::MiddleButton, {});
        QTest::mouseRelease(Net(), Qt::MiddleButton, {}, QPoint(10, 10));
        QCOMPARE(c.panX, 0.0);
        QCOMPARE(c.panY, 0.0);

        // The sheet scale and the remembered height follow the pane's size.
        QCOMPARE(lastNetViewHeight, Net()->height());
        const double w = Net()->width() - 30, h = Net()->height() - 30;
        QCOMPARE(c.sheetScale, h / w > 1.414 ? w / 21 : h / 29.7);

        Pick(5);
        const CSlicePlane& s = *g_pModel->pickedPlane;
        const auto& line = *s.lines[0];
        const QPoint mark = Window((line.u1 + line.u2) / 2, (line.v1 + line.v2) / 2);
        QVERIFY(Near(Grab().pixel(mark * Net()->devicePixelRatioF()), {255, 0, 255}));

        // Ctrl+right drag: the picture follows the pointer.
        const QPoint from(200, 200);
        QTest::mousePress(Net(), Qt::RightButton, Qt::ControlModifier, from);
        SendMove(Net(), from + QPoint(30, 20), Qt::RightButton, Qt::ControlModifier);
        QTest::mouseRelease(Net(), Qt::RightButton, Qt::ControlModifier, from + QPoint(30, 20));
        QCOMPARE(c.panX, 30.0);
        QCOMPARE(c.panY, -20.0);
        QCOMPARE(Window((line.u1 + line.u2) / 2, (line.v1 + line.v2) / 2), mark + QPoint(30, 20));
        QVERIFY(Near(Grab().pixel((mark + QPoint(30, 20)) * Net()->devicePixelRatioF()),
                     {255, 0, 255}));

        // Wheel: one notch each way.
        SendWheel(Net(), -120);
        QCOMPARE(c.zoom, 0.88);
        SendWheel(Net(), 120);
        QCOMPARE(c.zoom, 0.88 * 1.12);
        // A huge turn toward the user shrinks the picture but never flips it.
        const double before = c.zoom;
        SendWheel(Net(), -5000);
        QVERIFY(c.zoom > 0.0 && c.zoom < before);
        SendWheel(Net(), 5000);
        QVERIFY(std::isfinite(c.zoom) && c.zoom > 0.0);

        // Shift+right drag up and left zooms out, never below the sheet bound.
        const double floor = 10.0 / (21.0 * c.sheetScale);
        QTest::mousePress(Net(), Qt::RightButton, Qt::ShiftModifier, from);
        QPoint at = from;
        for (int i = 0; i < 40; ++i) {
            at -= QPoint(20, 20);
            SendMove(Net(), at, Qt::RightButton, Qt::ShiftModifier);
            QVERIFY(c.zoom >= floor);
        }
        QTest::mouseRelease(Net(), Qt::RightButton, Qt::ShiftModifier, at);
        QVERIFY(c.zoom < 0.5); // it did zoom out
        // Dragging right and down zooms back in.
        const double small = c.zoom;
        QTest::mousePress(Net(), Qt::RightButton, Qt::ShiftModifier, from);
        SendMove(Net(), from + QPoint(10, 10), Qt::RightButton, Qt::ShiftModifier);
        QTest::mouseRelease(Net(), Qt::RightButton, Qt::ShiftModifier, from + QPoint(10, 10));
        QCOMPARE(c.zoom, small * 1.2);
        QVERIFY(!AllWhite(Grab()));
    }
};

QTEST_MAIN(NetViewGuiTest)
#include "NetViewGuiTest.moc"
