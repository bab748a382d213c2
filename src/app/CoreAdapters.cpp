#include "app/CoreAdapters.h"

#include "design/DesignSession.h"
#include "design/DesignStates.h"
#include "export/ExportOBJ.h"
#include "model/PolyModel.h"

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
