#include "export/CreasePatternFile.h"

#include "base/AtomicFile.h"
#include "base/FileNames.h"
#include "export/ExportFOLD.h"
#include "export/ExportPDF.h"
#include "export/ExportSVG.h"
#include "model/PolyModel.h"
#include "paper/CreasePattern.h"

CreasePatternFormat CreasePatternFormatOf(const std::string& path)
{
    if (HasExtension(path, ".fold"))
        return CreasePatternFormat::kFold;
    if (HasExtension(path, ".svg"))
        return CreasePatternFormat::kSvg;
    if (HasExtension(path, ".pdf"))
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
    CWorkingShape scratch;
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
        case CreasePatternFormat::kFold:
            return FoldPatternText(pattern, FoldPlacementOf(model), bytes);
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
