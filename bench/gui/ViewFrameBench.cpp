// Frames per second of the design view on generated sheets, under whatever X
// server DISPLAY names (Xvfb with Mesa's software renderer on the build
// machines). One frame is an update() served by the event loop, plus glFinish.
//   Redraw:        the camera moved, the face arrays are reused
//   RedrawRefold:  the shape changed (as after each accepted drag step), so
//                  the arrays are rebuilt before drawing

#include "export/SheetWriter.h"
#include "import/ModelFile.h"
#include "ui/AppState.h"
#include "widgets/ModelView.h"

#include <QApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QTemporaryDir>
#include <QWindow>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> g_dir;
std::unique_ptr<CModelView> g_view;
int g_loadedSide = -1;

// Opens a sheet of side x side cells (2 side^2 triangles) in the pane.
bool LoadSheet(int side)
{
    if (g_loadedSide == side)
        return true;
    SheetLayout layout;
    layout.rows = layout.cols = side;
    layout.shape = SheetShape::Cylinder;
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
    g_loadedSide = side;
    return true;
}

// One frame as the user gets it: update(), then the event loop paints the
// pane and puts it on the window.
void Frame()
{
    const int before = g_view->FrameCount();
    g_view->update();
    while (g_view->FrameCount() == before)
        QApplication::processEvents(QEventLoop::AllEvents);
    g_view->makeCurrent();
    g_view->context()->functions()->glFinish();
    g_view->doneCurrent();
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

// 71^2, 224^2 and 707^2 cells: about 10k, 100k and 1M triangles.
BENCHMARK(Redraw)->Arg(71)->Arg(224)->Arg(707)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RedrawRefold)->Arg(71)->Arg(224)->Arg(707)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    g_dir = std::make_unique<QTemporaryDir>();
    g_view = std::make_unique<CModelView>();
    g_view->resize(800, 600);
    g_view->show();
    for (int i = 0; i < 100 && !(g_view->windowHandle() && g_view->windowHandle()->isExposed());
         ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_view.reset();
    g_pModel.reset();
    return 0;
}
