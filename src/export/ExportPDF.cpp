#include "export/ExportPDF.h"

#include "export/ExportSVG.h"
#include "export/PatternDrawing.h"
#include "paper/PatternChains.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    try {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    } catch (const std::exception&) {
        return CAIRO_STATUS_NO_MEMORY; // cairo reports it; no exception crosses C
    }
    return CAIRO_STATUS_SUCCESS;
}

// One side's strokes in page millimetres; the back of a landscape page is
// turned upside down as well, as a long-edge flip turns it.
void DrawSide(cairo_t* cr, const CPatternDrawing& drawing, bool back)
{
    cairo_identity_matrix(cr);
    cairo_scale(cr, kPointsPerMm, kPointsPerMm);
    if (back && BackTurnedOnPage(drawing.width, drawing.height)) {
        cairo_translate(cr, drawing.width, drawing.height);
        cairo_scale(cr, -1.0, -1.0);
    }
    cairo_set_line_width(cr, drawing.strokeWidth);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (const CDrawnStroke& stroke : drawing.strokes) {
        const CDrawnLayer& layer = drawing.layers[stroke.layer];
        if (layer.back != back)
            continue;
        for (uint32_t k = stroke.begin; k < stroke.end; ++k)
            (k == stroke.begin ? cairo_move_to : cairo_line_to)(cr, drawing.points[k].x,
                                                                drawing.points[k].y);
        if (stroke.closed)
            cairo_close_path(cr);
        const CStrokeColour colour = KindColour(layer.kind);
        cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, stroke.opacity);
        cairo_stroke(cr);
    }
}

} // namespace

bool PdfDocument(const CCreasePattern& pattern, std::string& out)
{
    CPatternDrawing drawing;
    BuildPatternDrawing(pattern, CPatternOptions(), drawing);
    return PdfDocument(drawing, out);
}

bool PdfDocument(const CPatternDrawing& drawing, std::string& out)
{
    out.clear();
    const double width = drawing.width * kPointsPerMm;
    const double height = drawing.height * kPointsPerMm;
    if (!(width > 0.0) || !(height > 0.0) || !std::isfinite(width) || !std::isfinite(height))
        return false;
    cairo_surface_t* surface =
        cairo_pdf_surface_create_for_stream(AppendBytes, &out, width, height);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "Lintoro");
    cairo_t* cr = cairo_create(surface);
    for (const bool back : {false, true})
        if (back ? drawing.HasBack() : drawing.HasFront()) {
            DrawSide(cr, drawing, back);
            cairo_show_page(cr);
        }
    const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const bool ok = drawn && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}
