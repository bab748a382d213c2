#include "app/CoreAdapters.h"

#include "export/ExportOBJ.h"
#include "model/PolyModel.h"

#include <sys/stat.h>
#include <unistd.h>

bool ExportShapeToFile(CPolyModel& model, const std::string& path)
{
    if (model.objects.empty() || path.empty())
        return false;
    // A file the user cannot write to (or something that is not a file) is
    // refused, as opening it for writing would be.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 &&
        (!S_ISREG(st.st_mode) || ::access(path.c_str(), W_OK) != 0))
        return false;
    return ExportObjFile(path, model);
}

void StepBackShape(CPolyModel& model)
{
    if (model.undoStack.empty())
        return;
    if (!model.objects.empty())
        model.objects.erase(model.objects.begin());
    model.objects.insert(model.objects.begin(), std::move(model.undoStack.back()));
    model.undoStack.pop_back();
}
