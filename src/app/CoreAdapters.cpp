#include "app/CoreAdapters.h"

#include "design/DesignSession.h"
#include "design/DesignStates.h"
#include "base/AtomicFile.h"
#include "export/CreasePatternFile.h"
#include "export/ExportOBJ.h"
#include "export/SheetObj.h"
#include "sheet/SheetBend.h"
#include "model/PolyModel.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

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
                               std::string& message)
{
    return WriteCreasePatternFile(model, path, message);
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

OpenOutcome OpenSheetModel(const SheetLayout& layout, const std::string& scratchFolder,
                           IProgress* progress)
{
    OpenOutcome out;
    out.message = ReadResultMessage(kReadFailed);
    if (!SheetLayoutValid(layout)) {
        if (const std::string problem = SheetBendProblem(layout); !problem.empty())
            out.message = problem;
        return out;
    }
    const std::string path = (std::filesystem::path(scratchFolder) / "sheet.obj").string();
    std::FILE* stream = std::fopen(path.c_str(), "wb");
    if (!stream) {
        out.message = kCannotWriteMessage;
        return out;
    }
    const bool written = WriteSheetObj(stream, layout);
    const bool closed = std::fclose(stream) == 0;
    if (written && closed) {
        out = OpenModel(path, progress);
        if (out.model)
            out.model->fileName.clear(); // the scratch file goes; nothing to reopen
    } else {
        out.message = kCannotWriteMessage;
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return out;
}
