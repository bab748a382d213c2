#include "export/CreasePatternFile.h"

#include "export/AtomicFile.h"
#include "export/ExportFOLD.h"
#include "export/ExportSVG.h"
#include "model/PolyModel.h"
#include "paper/CreasePattern.h"

#include <cctype>

namespace {

bool EndsWith(const std::string& path, const char* ext)
{
    const std::string e(ext);
    if (path.size() < e.size())
        return false;
    for (size_t i = 0; i < e.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - e.size() + i])) != e[i])
            return false;
    return true;
}

} // namespace

bool WriteCreasePatternFile(const CPolyModel& model, const std::string& path, std::string& error)
{
    const bool fold = EndsWith(path, ".fold");
    if (!fold && !EndsWith(path, ".svg")) {
        error = "A crease pattern is written as .fold or .svg.";
        return false;
    }
    if (!model.paperInfo.has || model.objects.empty() ||
        model.paper.size() != 3 * model.objects[0]->faces.size()) {
        error =
            model.paperInfo.whyNot.empty() ? "This model has no paper." : model.paperInfo.whyNot;
        return false;
    }
    COriginFaces opened;
    BuildOriginFaces(model, opened);
    CFlatMesh scratch;
    CCreasePattern pattern;
    BuildCreasePattern(model.CurrentShape(scratch), opened, pattern);
    if (pattern.faces.empty()) {
        error = "The crease pattern is empty.";
        return false;
    }
    const CPaperStrain strain{model.paperInfo.strainMax, model.paperInfo.strainMean};
    const bool ok = fold ? ExportFoldFile(path, pattern, model.unitCentre, model.unitScale, strain)
                         : ExportSvgFile(path, pattern);
    if (!ok)
        error = kCannotWriteMessage;
    return ok;
}
