// Frames per second of the design view on generated sheets, under whatever X
// server DISPLAY names (Xvfb with Mesa's software renderer on the build
// machines). One frame is an update() served by the event loop, plus glFinish.
//   Redraw:        the camera moved, the face arrays are reused
//   RedrawRefold:  the shape changed (as after each accepted drag step), so
//                  the arrays are rebuilt before drawing
//   DragFrame:     a mouse move on the selected vertex's handle, through the
//                  fold, the design view's arrays and picture and the net
//                  view's pattern and picture, until both panes finished
//   GLFloor:       what the machine can do at all: the same triangles drawn
//                  once from client arrays with two-sided lighting in a bare
//                  OpenGL window of the design view's size (no widget);
//                  arg 1 moves the camera, arg 2 rewrites the positions, arg 3
//                  moves the camera in a bare QOpenGLWidget instead (what the
//                  panes were), arg 4 in a bare QOpenGLWindow inside a widget
//                  container (as the panes draw now)
//   FoldStep, ArrayRefresh: the fold step and the face arrays' refresh alone,
//                  the pair the refresh is held against
//
// LINTORO_BENCH_SHOTS=DIR saves both panes after the drags as PNGs, to
// compare pictures across changes of the drawing code.

#include "export/SheetObj.h"
#include "fold/ReflectionOperation.h"
#include "import/ModelFile.h"
#include "model/CSlicePlane.h"
#include "render/FaceArrays.h"
#include "ui/AppState.h"
#include "widgets/KelmarzuView.h"
#include "widgets/ModelView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QOpenGLWindow>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWindow>
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <type_traits>

namespace {

constexpr int kPaneWidth = 800;
constexpr int kPaneHeight = 600;

std::unique_ptr<QTemporaryDir> g_dir;
// The session outlives the panes that hold it, as in the main window.
CDesignSession g_session;
std::unique_ptr<CModelView> g_view;
std::unique_ptr<CKelmarzuView> g_net;
int g_loadedSide = -1;

double ThreadSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

void WaitExposed(QWindow* w)
{
    for (int i = 0; i < 100 && !(w && w->isExposed()); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Opens a sheet of side x side cells (2 side^2 triangles) in both panes.
bool LoadSheet(int side)
{
    if (g_loadedSide == side)
        return true;
    SheetLayout layout;
    layout.rows = layout.cols = side;
    layout.shape = SheetShape::QuarterCylinder;
    const std::string path = g_dir->filePath(QStringLiteral("sheet%1.obj").arg(side)).toStdString();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = WriteSheetObj(f, layout);
    if (std::fclose(f) != 0 || !written)
        return false;
    OpenOutcome out = OpenModel(path, nullptr);
    if (out.result != kReadOk || !out.model)
        return false;
    g_pModel = std::move(out.model);
    g_view->OnUpdate(kHintNewModel);
    g_net->OnUpdate(kHintNewModel);
    g_loadedSide = side;
    return true;
}

template <class Pane> void Finish(Pane* w)
{
    w->makeCurrent();
    w->context()->functions()->glFinish();
    w->doneCurrent();
}

// One frame as the user gets it: update(), then the event loop paints the
// pane and puts it on the window.
void Frame()
{
    const int before = g_view->FrameCount();
    g_view->update();
    while (g_view->FrameCount() == before)
        QApplication::processEvents(QEventLoop::AllEvents);
    Finish(g_view.get());
}

void Run(benchmark::State& state, bool refold)
{
    if (!LoadSheet(static_cast<int>(state.range(0)))) {
        state.SkipWithError("cannot make the sheet");
        return;
    }
    Frame(); // arrays built once
    for (auto _ : state) {
        if (refold)
            g_view->OnUpdate(kHintUndo); // drops the arrays as a new shape does
        else
            g_view->Camera().Wheel(0);
        Frame();
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = static_cast<double>(g_pModel->faceCount);
}

void Redraw(benchmark::State& state)
{
    Run(state, false);
}
void RedrawRefold(benchmark::State& state)
{
    Run(state, true);
}

// Mouse position (logical pixels, y down) of a model point in the design view.
QPointF PaneMouse(const CVector3& p)
{
    const CViewCamera& cam = g_view->Camera();
    WindowPoint w;
    if (!cam.ProjectToWindow(p, w))
        return {-1000, -1000};
    return {std::round(w.x), std::round(cam.height - w.y)};
}

void Mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, at, g_view->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(g_view.get(), &e);
}

// Selects the corner projecting nearest the pane's middle and presses on its
// X handle's tip; returns the tip and the handle's screen direction.
bool StartDrag(QPointF& tip, QPointF& along)
{
    const CViewCamera& cam = g_view->Camera();
    CVector3 best;
    double bestD = 1e300;
    for (const CPolyVertex* v : g_pModel->objects[0]->vertices) {
        const QPointF m = PaneMouse(v->pos);
        const double dx = m.x() - cam.width * 0.5, dy = m.y() - cam.height * 0.5;
        if (dx * dx + dy * dy < bestD) {
            bestD = dx * dx + dy * dy;
            best = v->pos;
        }
    }
    const QPointF at = PaneMouse(best);
    Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    const CVector3* sel = g_session.SelectedPos();
    if (!sel)
        return false;
    tip = PaneMouse(*sel + CVector3{CDesignSession::kHandleLength, 0, 0});
    along = tip - PaneMouse(*sel);
    const double length = std::hypot(along.x(), along.y());
    if (!(length > 0.0))
        return false;
    along /= length;
    Mouse(QEvent::MouseButtonPress, tip, Qt::LeftButton, Qt::LeftButton);
    return g_session.Handle() == 1;
}

void DragFrame(benchmark::State& state)
{
    if (!LoadSheet(static_cast<int>(state.range(0)))) {
        state.SkipWithError("cannot make the sheet");
        return;
    }
    Frame();
    QPointF tip, along;
    if (!StartDrag(tip, along)) {
        state.SkipWithError("cannot pick the handle");
        return;
    }
    // The first steps size the fold's, the arrays' and the pattern's buffers.
    for (int w = 1; w <= 3; ++w) {
        const int netBefore = g_net->FrameCount();
        Mouse(QEvent::MouseMove, tip + along * (1.0 + w), Qt::NoButton, Qt::LeftButton);
        QElapsedTimer waited;
        waited.start();
        while (g_net->FrameCount() == netBefore && waited.elapsed() < 2000)
            QApplication::processEvents(QEventLoop::AllEvents);
    }
    const double prepare0 = g_view->PrepareSeconds();
    const double pattern0 = g_net->Pattern().BuildSeconds();
    const int designFrames0 = g_view->FrameCount();
    const int netFrames0 = g_net->FrameCount();
    double cpu = 0.0, event = 0.0, patternInEvent = 0.0;
    int64_t k = 0;
    for (auto _ : state) {
        // Back and forth along the handle, 2 pixels a move, 4 to 44 pixels out.
        const int phase = static_cast<int>(k++ % 40);
        const double f = 4.0 + 2.0 * (phase < 20 ? phase : 40 - phase);
        const int accepted = g_session.AcceptedSteps();
        const int designBefore = g_view->FrameCount();
        const int netBefore = g_net->FrameCount();
        const double p0 = g_net->Pattern().BuildSeconds();
        const double t0 = ThreadSeconds();
        Mouse(QEvent::MouseMove, tip + along * f, Qt::NoButton, Qt::LeftButton);
        event += ThreadSeconds() - t0;
        patternInEvent += g_net->Pattern().BuildSeconds() - p0;
        // A refused step redraws nothing.
        while (g_session.AcceptedSteps() != accepted &&
               (g_view->FrameCount() == designBefore || g_net->FrameCount() == netBefore))
            QApplication::processEvents(QEventLoop::AllEvents);
        Finish(g_view.get());
        Finish(g_net.get());
        cpu += ThreadSeconds() - t0;
    }
    if (const char* dir = std::getenv("LINTORO_BENCH_SHOTS")) {
        // The same fold whatever the iteration count, so shots compare across builds.
        const int designBefore = g_view->FrameCount();
        const int netBefore = g_net->FrameCount();
        Mouse(QEvent::MouseMove, tip + along * 25.0, Qt::NoButton, Qt::LeftButton);
        while (g_view->FrameCount() == designBefore || g_net->FrameCount() == netBefore)
            QApplication::processEvents(QEventLoop::AllEvents);
        const QString side = QString::number(state.range(0));
        g_view->grabFramebuffer().save(QDir(dir).filePath("design" + side + ".png"));
        g_net->grabFramebuffer().save(QDir(dir).filePath("net" + side + ".png"));
    }
    Mouse(QEvent::MouseButtonRelease, tip, Qt::LeftButton, Qt::NoButton);
    const double n = static_cast<double>(std::max<int64_t>(state.iterations(), 1));
    const double arrays = g_view->PrepareSeconds() - prepare0;
    const double pattern = g_net->Pattern().BuildSeconds() - pattern0;
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = static_cast<double>(g_pModel->working.TriangleCount());
    // Main-thread CPU: the whole iteration (GL calls included), the mouse
    // move's handling (the fold and the check, the pattern's part taken
    // out), the face arrays, the pattern's part, and their sum: the work
    // outside GL calls.
    state.counters["cpu_ms"] = 1e3 * cpu / n;
    // Pictures drawn per mouse move: one each when nothing is drawn twice.
    state.counters["design_paints"] = (g_view->FrameCount() - designFrames0) / n;
    state.counters["net_paints"] = (g_net->FrameCount() - netFrames0) / n;
    state.counters["step_ms"] = 1e3 * (event - patternInEvent) / n;
    state.counters["arrays_ms"] = 1e3 * arrays / n;
    state.counters["pattern_ms"] = 1e3 * pattern / n;
    state.counters["outside_gl_ms"] = 1e3 * (event - patternInEvent + arrays + pattern) / n;
    state.counters["accepted"] = g_session.AcceptedSteps() / n;

    // The next run starts from the loaded sheet again.
    g_loadedSide = -1;
}

// A bare top-level OpenGL window: no widget, no off-screen buffer.
class FloorWindow : public QWindow {
public:
    FloorWindow()
    {
        setSurfaceType(QSurface::OpenGLSurface);
        resize(kPaneWidth, kPaneHeight);
        create();
        context_.setFormat(requestedFormat());
        context_.create();
    }
    bool Begin() { return isExposed() && context_.makeCurrent(this); }
    void End()
    {
        context_.swapBuffers(this);
        glFinish();
    }

private:
    QOpenGLContext context_;
};

std::unique_ptr<FloorWindow> g_floor;

// The cylinder sheet's triangles, one copy each, as the floor draws them.
void FloorArrays(int side, std::vector<float>& pos, std::vector<float>& nrm)
{
    pos.clear();
    nrm.clear();
    auto at = [side](int i, int j, float& x, float& y, float& z) {
        const double a = 3.14159265358979 * i / side;
        x = static_cast<float>(std::cos(a));
        y = static_cast<float>(2.0 * j / side - 1.0);
        z = static_cast<float>(std::sin(a));
    };
    auto put = [&](int i, int j) {
        float x, y, z;
        at(i, j, x, y, z);
        pos.insert(pos.end(), {x, y, z});
        nrm.insert(nrm.end(), {x, 0.0f, z});
    };
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) {
            for (auto [a, b] : {std::pair{i, j}, {i + 1, j}, {i + 1, j + 1}})
                put(a, b);
            for (auto [a, b] : {std::pair{i, j}, {i + 1, j + 1}, {i, j + 1}})
                put(a, b);
        }
}

// The floor's fixed state; the context must be current.
void SetUpFloorGL()
{
    glViewport(0, 0, kPaneWidth, kPaneHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.4, 0.4, -0.3, 0.3, 1.0, 30.0);
    glClearColor(1, 1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    const GLfloat diffuse[] = {0.45f, 0.45f, 1.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
}

// One floor frame: clear, the camera turned by `angle` degrees, one draw.
void DrawFloor(const std::vector<float>& pos, const std::vector<float>& nrm, double angle)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(0, 0, -5);
    glRotated(angle, 0.3, 1, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, pos.data());
    glNormalPointer(GL_FLOAT, 0, nrm.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(pos.size() / 3));
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// The floor's frame drawn by one of Qt's OpenGL classes: a bare
// QOpenGLWidget (what its off-screen buffer and the composition onto the
// window add), or a bare QOpenGLWindow inside a widget container (no
// off-screen buffer, but a widget around it, as the panes have).
template <class Base> class FloorPainter : public Base {
public:
    const std::vector<float>* pos = nullptr;
    const std::vector<float>* nrm = nullptr;
    double angle = 0.0;
    int frames = 0;

    // One frame with the camera turned a little further, until finished.
    void Turn()
    {
        angle += 0.5;
        const int before = frames;
        Base::update();
        if constexpr (std::is_base_of_v<QWindow, Base>) {
            // As the panes ask: now, not after the platform's idle delay.
            QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest));
        }
        while (frames == before)
            QApplication::processEvents(QEventLoop::AllEvents);
        Finish(this);
    }

protected:
    void paintGL() override
    {
        if (!pos)
            return; // shown before the benchmark handed its arrays over
        SetUpFloorGL();
        DrawFloor(*pos, *nrm, angle);
        ++frames;
    }
};
using FloorWidget = FloorPainter<QOpenGLWidget>;
using FloorGLWindow = FloorPainter<QOpenGLWindow>;

std::unique_ptr<FloorWidget> g_floorWidget;
FloorGLWindow* g_floorGLWindow = nullptr; // owned by its container
std::unique_ptr<QWidget> g_floorContainer;

// The floor drawn by `w`, one frame per iteration.
template <class Floor>
void TurnFloor(benchmark::State& state, Floor& w, const std::vector<float>& pos,
               const std::vector<float>& nrm)
{
    w.pos = &pos;
    w.nrm = &nrm;
    for (auto _ : state)
        w.Turn();
}

// Arg 1: the camera turns; 2: the positions are rewritten before each frame
// (in the bare window); 3: the camera turns in a bare QOpenGLWidget; 4: in a
// bare QOpenGLWindow inside a widget container.
void GLFloor(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    const bool rewrite = state.range(1) == 2;
    const bool widget = state.range(1) == 3;
    const bool contained = state.range(1) == 4;
    std::vector<float> pos, nrm;
    FloorArrays(side, pos, nrm);
    const std::vector<float> source = pos;
    double angle = 0.0;
    if (contained) {
        if (!g_floorContainer) {
            g_floorGLWindow = new FloorGLWindow;
            g_floorContainer = std::make_unique<QWidget>();
            auto* layout = new QVBoxLayout(g_floorContainer.get());
            layout->setContentsMargins(0, 0, 0, 0);
            layout->addWidget(QWidget::createWindowContainer(g_floorGLWindow));
            g_floorContainer->resize(kPaneWidth, kPaneHeight);
            g_floorContainer->show();
            WaitExposed(g_floorGLWindow);
        }
        TurnFloor(state, *g_floorGLWindow, pos, nrm);
    } else if (widget) {
        if (!g_floorWidget) {
            g_floorWidget = std::make_unique<FloorWidget>();
            g_floorWidget->resize(kPaneWidth, kPaneHeight);
            g_floorWidget->show();
            WaitExposed(g_floorWidget->windowHandle());
        }
        TurnFloor(state, *g_floorWidget, pos, nrm);
    } else {
        if (!g_floor) {
            g_floor = std::make_unique<FloorWindow>();
            g_floor->show();
            WaitExposed(g_floor.get());
        }
        if (!g_floor->Begin()) {
            state.SkipWithError("no exposed OpenGL window");
            return;
        }
        SetUpFloorGL();
        for (auto _ : state) {
            if (rewrite) {
                // As after a step: every position written again before the draw.
                const float s = 1.0f + 1e-6f * static_cast<float>(static_cast<int>(angle) & 1);
                for (size_t i = 0; i < pos.size(); ++i)
                    pos[i] = source[i] * s;
            }
            angle += rewrite ? 1.0 : 0.5;
            DrawFloor(pos, nrm, rewrite ? 30.0 : angle);
            g_floor->End();
        }
        if (const char* dir = std::getenv("LINTORO_BENCH_SHOTS")) {
            // The floor's picture, to check it covers as many pixels as the pane's.
            DrawFloor(pos, nrm, 30.0);
            QImage shot(kPaneWidth, kPaneHeight, QImage::Format_RGBA8888);
            glReadPixels(0, 0, kPaneWidth, kPaneHeight, GL_RGBA, GL_UNSIGNED_BYTE, shot.bits());
            shot.mirrored().save(
                QDir(dir).filePath(QStringLiteral("floor%1-%2.png").arg(side).arg(state.range(1))));
            g_floor->End();
        }
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = static_cast<double>(pos.size() / 9);
}

// The working shape of a fresh sheet, folded from a middle corner.
struct FoldSetup {
    CWorkingShape base, working;
    CFoldWorkspace fold;
    CSlicePlane plane{0};
    CVector3 start;
    explicit FoldSetup(int side)
    {
        LoadSheet(side);
        FlatFromObject(*g_pModel->objects[0], nullptr, base);
        start = base.pos[3 * (base.TriangleCount() / 2)];
        fold.SetBase(base);
    }
    void Step(int64_t k)
    {
        const double l = 0.05 + 0.002 * static_cast<double>(k % 40);
        fold.Step(working, plane, start, start + CVector3{l, 0, 0});
    }
};

void FoldStep(benchmark::State& state)
{
    FoldSetup s(static_cast<int>(state.range(0)));
    int64_t k = 0;
    for (auto _ : state)
        s.Step(k++);
    state.counters["triangles"] = static_cast<double>(s.working.TriangleCount());
}

void ArrayRefresh(benchmark::State& state)
{
    FoldSetup s(static_cast<int>(state.range(0)));
    s.Step(0);
    CFaceArrays arrays;
    for (auto _ : state) {
        arrays.Build(s.working);
        benchmark::DoNotOptimize(arrays.Positions().data());
    }
    state.counters["triangles"] = static_cast<double>(s.working.TriangleCount());
}

// 71^2, 224^2 and 707^2 cells: about 10k, 100k and 1M triangles.
BENCHMARK(Redraw)->Arg(71)->Arg(224)->Arg(707)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RedrawRefold)->Arg(71)->Arg(224)->Arg(707)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DragFrame)->Arg(71)->Arg(224)->Arg(707)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GLFloor)
    ->ArgsProduct({{71, 224, 707}, {1, 2, 3, 4}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(FoldStep)->Arg(71)->Arg(224)->Arg(707)->Unit(benchmark::kMillisecond);
BENCHMARK(ArrayRefresh)->Arg(71)->Arg(224)->Arg(707)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    g_dir = std::make_unique<QTemporaryDir>();
    g_view = std::make_unique<CModelView>(g_session);
    g_net = std::make_unique<CKelmarzuView>(g_session);
    QObject::connect(g_view.get(), &CModelView::DesignChanged, g_net.get(),
                     &CKelmarzuView::FollowDesign);
    g_view->resize(kPaneWidth, kPaneHeight);
    g_net->resize(kPaneWidth / 2, kPaneHeight);
    g_net->move(kPaneWidth + 20, 0);
    g_view->show();
    g_net->show();
    WaitExposed(g_view->windowHandle());
    WaitExposed(g_net->windowHandle());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_floor.reset();
    g_floorWidget.reset();
    g_floorContainer.reset();
    g_net.reset();
    g_view.reset();
    g_pModel.reset();
    return 0;
}
