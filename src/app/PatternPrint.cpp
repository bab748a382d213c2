#include "app/PatternPrint.h"

#include "export/ExportSVG.h"
#include "export/PrintTiles.h"
#include "paper/CreasePattern.h"
#include "paper/PatternChains.h"

#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>

#include <vector>

namespace {

// Length of a crop mark's arms, millimetres.
constexpr double kCropMarkMm = 5.0;

CPageArea PrintableArea(const QPrinter& printer, QPageLayout::Orientation orientation)
{
    QPageLayout layout = printer.pageLayout();
    layout.setOrientation(orientation);
    const QRectF r = layout.paintRect(QPageLayout::Millimeter);
    return {r.width(), r.height()};
}

// The pattern in paper millimetres, y down from the paper's top edge, as the
// SVG and the PDF draw it.
void DrawPattern(QPainter& painter, const CCreasePattern& pattern, const CPatternChains& chains)
{
    std::vector<CStrokeRun> runs;
    const auto at = [&](uint32_t k) {
        const CPaperPoint& p = pattern.vertices[chains.vertices[k]];
        return QPointF(p.u - pattern.lo.u, pattern.hi.v - p.v);
    };
    for (const CPatternChains::Chain& chain : chains.chains) {
        StrokeRuns(pattern, chains, chain, runs);
        const bool closed = runs.size() == 1 && chains.Closed(chain);
        const CStrokeColour c = KindColour(chain.kind);
        for (const CStrokeRun& run : runs) {
            QPainterPath path(at(run.begin));
            for (uint32_t k = run.begin + 1; k < run.end; ++k)
                path.lineTo(at(k));
            if (closed)
                path.closeSubpath();
            QPen pen(QColor::fromRgbF(c.r, c.g, c.b, run.opacity));
            pen.setWidthF(PatternStrokeWidth(pattern));
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            painter.setPen(pen);
            painter.drawPath(path);
        }
    }
}

// Crop marks at the corners of the page's own part of the paper, pointing
// away from it, and the page's "row/column" in its top-left corner.
void DrawPageMarks(QPainter& painter, const CPrintTiling& tiles, int column, int row,
                   double paperWidth, double paperHeight)
{
    QPen pen(Qt::black);
    pen.setWidthF(0.1);
    painter.setPen(pen);
    const double x0 = tiles.PageLeft(column), y0 = tiles.PageTop(row);
    const double x1 = tiles.OwnRight(column, paperWidth);
    const double y1 = tiles.OwnBottom(row, paperHeight);
    for (const double x : {x0, x1})
        for (const double y : {y0, y1}) {
            const double dx = x == x0 ? -kCropMarkMm : kCropMarkMm;
            const double dy = y == y0 ? -kCropMarkMm : kCropMarkMm;
            painter.drawLine(QPointF(x, y), QPointF(x + dx, y));
            painter.drawLine(QPointF(x, y), QPointF(x, y + dy));
        }
    QFont font = painter.font();
    font.setPixelSize(3); // a unit is a millimetre here: about 8.5 pt on the page
    painter.setFont(font);
    painter.drawText(QRectF(x0 + 1.0, y0 + 1.0, 30.0, 5.0), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("%1/%2").arg(row + 1).arg(column + 1));
}

} // namespace

bool PrintCreasePattern(QPrinter& printer, const CCreasePattern& pattern, std::string& error)
{
    const double width = pattern.hi.u - pattern.lo.u;
    const double height = pattern.hi.v - pattern.lo.v;
    const CPrintTiling tiles =
        PlanPrintTiles(width, height, PrintableArea(printer, QPageLayout::Portrait),
                       PrintableArea(printer, QPageLayout::Landscape));
    if (tiles.PageCount() == 0) {
        error = "The printer's pages are too small to print the crease pattern on.";
        return false;
    }
    printer.setPageOrientation(tiles.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setFullPage(false); // the painter's origin is the printable area's corner

    CPatternChains chains;
    ChainPatternEdges(pattern, IsDrawnEdge, chains);
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = "The printer could not be started.";
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const double dotsPerMm = printer.resolution() / 25.4;
    for (int row = 0; row < tiles.rows; ++row)
        for (int column = 0; column < tiles.columns; ++column) {
            if ((row || column) && !printer.newPage()) {
                painter.end();
                error = "The printer could not start a new page.";
                return false;
            }
            painter.resetTransform();
            painter.scale(dotsPerMm, dotsPerMm);
            painter.translate(-tiles.PageLeft(column), -tiles.PageTop(row));
            DrawPattern(painter, pattern, chains);
            if (tiles.Tiled())
                DrawPageMarks(painter, tiles, column, row, width, height);
        }
    return painter.end();
}
