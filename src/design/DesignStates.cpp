#include "design/DesignStates.h"

#include "model/PolyModel.h"

#include <memory>
#include <utility>

void CopyAsWorkingCopy(const CPolyObject& source, CPolyObject& target) {
    target.Clear();
    target.faces.reserve(source.faces.size());
    for (const CPolyFace* sf : source.faces) {
        CPolyFace* f = target.AddFace();
        for (const CFaceCorner* sc : sf->corners)
            f->AddCorner(target.AddVertex(sc->vertex->pos));
        f->ComputePlane();
    }
}

void CommitWorkingCopy(CPolyModel& model) {
    if (model.objects.empty())
        return;
    auto copy = std::make_unique<CPolyObject>();
    CopyAsWorkingCopy(*model.objects.front(), *copy);
    model.undoStack.push_back(std::move(model.objects.front()));
    for (size_t i = 1; i < model.objects.size(); ++i)
        model.retiredObjects.push_back(std::move(model.objects[i]));
    model.objects.clear();
    model.objects.push_back(std::move(copy));
}

bool RestoreWorkingCopy(CPolyModel& model) {
    if (model.objects.empty() || model.undoStack.empty())
        return false;
    CopyAsWorkingCopy(*model.undoStack.back(), *model.objects.front());
    return true;
}

bool StepBack(CPolyModel& model) {
    if (model.undoStack.empty())
        return false;
    std::unique_ptr<CPolyObject> top = std::move(model.undoStack.back());
    model.undoStack.pop_back();
    if (!model.objects.empty())
        model.objects.erase(model.objects.begin()); // destroys the working object
    model.objects.push_back(std::move(top));
    return true;
}
