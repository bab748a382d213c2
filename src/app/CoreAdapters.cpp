#include "app/CoreAdapters.h"

#include "design/DesignSession.h"
#include "design/DesignStates.h"
#include "export/CreasePatternFile.h"
#include "export/ExportOBJ.h"
#include "model/PolyModel.h"
#include "sheet/SheetBend.h"
#include "sheet/SheetModel.h"

#include <cstdio>
#include <new>

bool ExportShapeToFile(CPolyModel& model, const std::string& path)
{
    if ((model.objects.empty() && !model.designing) || path.empty())
        return false;
    return ExportObjFile(path, model);
}

bool StepBackShape(CPolyModel& model, CDesignSession* session)
{
    if (session && session->Model() == &model)
        return session->Undo();
    return StepBack(model);
}

bool StepForwardShape(CPolyModel& model, CDesignSession* session)
{
    if (session && session->Model() == &model)
        return session->Redo();
    return StepForward(model);
}

bool ExportCreasePatternToFile(const CPolyModel& model, const std::string& path,
                               std::string& message, const CPatternOptions& options)
{
    return WriteCreasePatternFile(model, path, message, options);
}

SheetLayout PaperSheetLayout(double width, double height, int cells, bool jittered, SheetBend bend,
                             double bendDegrees)
{
    return PaperSheet(width, height, cells, jittered, bend, bendDegrees);
}

std::string SheetTitle(double width, double height)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "Sheet %gx%g mm", width, height);
    return buf;
}

OpenOutcome OpenSheetModel(const SheetLayout& layout, IProgress* progress)
{
    OpenOutcome out;
    out.message = ReadResultMessage(kReadFailed);
    if (!SheetLayoutValid(layout)) {
        if (const std::string problem = SheetBendProblem(layout); !problem.empty())
            out.message = problem;
        return out;
    }
    // The sheet takes the place of the reading step; paper and scaling follow as for a file.
    OpenOptions options;
    options.reader = [&layout](const std::string&, IProgress*) {
        OpenOutcome read;
        read.message = ReadResultMessage(kReadFailed);
        try {
            auto model = std::make_unique<CPolyModel>();
            if (BuildSheetModel(layout, *model)) {
                read.result = kReadOk;
                read.message.clear();
                read.model = std::move(model);
            }
        } catch (const std::bad_alloc&) {
            // Too large for memory: the read fails as a file's would.
        }
        return read;
    };
    return OpenModel(std::string(), progress, options);
}
