#include "export/CreasePatternFile.h"

#include "export/AtomicFile.h"
#include "export/ExportFOLD.h"
#include "export/ExportPDF.h"
#include "export/ExportSVG.h"
#include "model/PolyModel.h"
#include "paper/CreasePattern.h"
#include "paper/PatternStrain.h"

#include <nlohmann/json.hpp>

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

CreasePatternFormat CreasePatternFormatOf(const std::string& path)
{
    if (EndsWith(path, ".fold"))
        return CreasePatternFormat::kFold;
    if (EndsWith(path, ".svg"))
        return CreasePatternFormat::kSvg;
    if (EndsWith(path, ".pdf"))
        return CreasePatternFormat::kPdf;
    return CreasePatternFormat::kUnknown;
}

bool BuildModelCreasePattern(const CPolyModel& model, CCreasePattern& pattern, std::string& error)
{
    if (!model.paperInfo.has || model.objects.empty() ||
        model.paper.size() != 3 * model.objects[0]->faces.size()) {
        error =
            model.paperInfo.whyNot.empty() ? "This model has no paper." : model.paperInfo.whyNot;
        return false;
    }
    COriginFaces opened;
    BuildOriginFaces(model, opened);
    CFlatMesh scratch;
    BuildCreasePattern(model.CurrentShape(scratch), opened, pattern);
    if (pattern.faces.empty()) {
        error = "The crease pattern is empty.";
        return false;
    }
    return true;
}

bool CreasePatternBytes(const CPolyModel& model, const CCreasePattern& pattern,
                        CreasePatternFormat format, std::string& bytes)
{
    try {
        switch (format) {
        case CreasePatternFormat::kFold: {
            // The strain of the frames as written, not of the model as opened.
            const CPatternStrain strain = WrittenStrain(model, pattern);
            bytes =
                FoldDocument(pattern, model.unitCentre, model.unitScale, {strain.max, strain.mean})
                    .dump(1);
            bytes += '\n';
            return true;
        }
        case CreasePatternFormat::kSvg:
            bytes = SvgDocument(pattern);
            return true;
        case CreasePatternFormat::kPdf:
            return PdfDocument(pattern, bytes);
        case CreasePatternFormat::kUnknown:
            break;
        }
    } catch (const std::exception&) {
        // Out of memory: nothing made.
    }
    return false;
}

bool WriteCreasePatternFile(const CPolyModel& model, const std::string& path, std::string& error)
{
    const CreasePatternFormat format = CreasePatternFormatOf(path);
    if (format == CreasePatternFormat::kUnknown) {
        error = kCreasePatternFormatsMessage;
        return false;
    }
    CCreasePattern pattern;
    if (!BuildModelCreasePattern(model, pattern, error))
        return false;
    std::string bytes;
    if (!CreasePatternBytes(model, pattern, format, bytes) || !WriteBytesReplacing(path, bytes)) {
        error = kCannotWriteMessage;
        return false;
    }
    return true;
}
