#include "export/ExportPDF.h"

#include "export/ExportSVG.h"
#include "paper/CreasePattern.h"
#include "paper/PatternChains.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <vector>

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

void DrawPattern(cairo_t* cr, const CCreasePattern& pattern)
{
    cairo_scale(cr, kPointsPerMm, kPointsPerMm);
    cairo_set_line_width(cr, PatternStrokeWidth(pattern));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    ForEachStroke(pattern, [&](const CPatternChains& chains, const CPatternChains::Chain& chain,
                               const CStrokeRun& run, bool closed) {
        const CStrokeColour colour = KindColour(chain.kind);
        const uint32_t last = closed ? run.end - 1 : run.end;
        for (uint32_t k = run.begin; k < last; ++k) {
            const CPaperPoint& p = pattern.vertices[chains.vertices[k]];
            // As the SVG: the paper's v grows upwards, the page's y down.
            (k == run.begin ? cairo_move_to : cairo_line_to)(cr, p.u - pattern.lo.u,
                                                             pattern.hi.v - p.v);
        }
        if (closed)
            cairo_close_path(cr);
        cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, run.opacity);
        cairo_stroke(cr);
    });
}

} // namespace

bool PdfDocument(const CCreasePattern& pattern, std::string& out)
{
    out.clear();
    const double width = (pattern.hi.u - pattern.lo.u) * kPointsPerMm;
    const double height = (pattern.hi.v - pattern.lo.v) * kPointsPerMm;
    if (!(width > 0.0) || !(height > 0.0) || !std::isfinite(width) || !std::isfinite(height))
        return false;
    cairo_surface_t* surface =
        cairo_pdf_surface_create_for_stream(AppendBytes, &out, width, height);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "Lintoro");
    cairo_t* cr = cairo_create(surface);
    DrawPattern(cr, pattern);
    cairo_show_page(cr);
    const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const bool ok = drawn && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}
