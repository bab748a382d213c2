#include "app/CoreAdapters.h"

#include "design/DesignSession.h"
#include "design/DesignStates.h"
#include "export/ExportOBJ.h"
#include "model/PolyModel.h"

#include <sys/stat.h>
#include <unistd.h>

bool ExportShapeToFile(CPolyModel& model, const std::string& path)
{
    if ((model.objects.empty() && !model.designing) || path.empty())
        return false;
    // A file the user cannot write to (or something that is not a file) is
    // refused, as opening it for writing would be.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 &&
        (!S_ISREG(st.st_mode) || ::access(path.c_str(), W_OK) != 0))
        return false;
    return ExportObjFile(path, model);
}

bool StepBackShape(CPolyModel& model, CDesignSession* session)
{
    if (session && session->Model() == &model)
        return session->Undo();
    return StepBack(model);
}
