#include "export/CreasePatternFile.h"

#include "base/AtomicFile.h"
#include "base/FileNames.h"
#include "export/ExportDXF.h"
#include "export/ExportFOLD.h"
#include "export/ExportPDF.h"
#include "export/ExportSVG.h"
#include "export/PatternDrawing.h"
#include "model/PolyModel.h"
#include "paper/CreasePattern.h"
#include "paper/PatternStrain.h"

CreasePatternFormat CreasePatternFormatOf(const std::string& path)
{
    if (HasExtension(path, ".fold"))
        return CreasePatternFormat::kFold;
    if (HasExtension(path, ".svg"))
        return CreasePatternFormat::kSvg;
    if (HasExtension(path, ".pdf"))
        return CreasePatternFormat::kPdf;
    if (HasExtension(path, ".dxf"))
        return CreasePatternFormat::kDxf;
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
    return CreasePatternBytes(model, pattern, format, CPatternOptions(), bytes);
}

bool CreasePatternBytes(const CPolyModel& model, const CCreasePattern& pattern,
                        CreasePatternFormat format, const CPatternOptions& options,
                        std::string& bytes)
{
    try {
        CPatternDrawing drawing;
        if (format != CreasePatternFormat::kFold)
            BuildPatternDrawing(pattern, options, drawing);
        switch (format) {
        case CreasePatternFormat::kFold: {
            // The strain of the frames as written, not of the model as opened.
            CFoldPlacement placement = FoldPlacementOf(model);
            const CPatternStrain strain = WrittenStrain(model, pattern);
            placement.strain = {strain.max, strain.mean};
            return FoldPatternText(pattern, placement, bytes);
        }
        case CreasePatternFormat::kSvg:
            bytes = SvgDocument(drawing);
            return true;
        case CreasePatternFormat::kPdf:
            return PdfDocument(drawing, bytes);
        case CreasePatternFormat::kDxf:
            bytes = DxfDocument(drawing);
            return true;
        case CreasePatternFormat::kUnknown:
            break;
        }
    } catch (const std::exception&) {
        // Out of memory: nothing made.
    }
    return false;
}

bool WriteCreasePatternFile(const CPolyModel& model, const std::string& path, std::string& error,
                            const CPatternOptions& options)
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
    if (!CreasePatternBytes(model, pattern, format, options, bytes) ||
        !WriteBytesReplacing(path, bytes)) {
        error = kCannotWriteMessage;
        return false;
    }
    return true;
}
