#include "app/PatternPrint.h"

#include "export/PatternDrawing.h"
#include "export/PrintSides.h"
#include "paper/PatternChains.h"

#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>

#include <vector>

namespace {

// Length of a crop mark's arms, millimetres.
constexpr double kCropMarkMm = 5.0;
// Room for a side's label ("Front", "Back") in 3 mm type.
constexpr double kLabelWidthMm = 12.0;
constexpr double kLabelHeightMm = 4.0;

CPageArea PrintableArea(const QPrinter& printer, QPageLayout::Orientation orientation)
{
    QPageLayout layout = printer.pageLayout();
    layout.setOrientation(orientation);
    const QRectF r = layout.paintRect(QPageLayout::Millimeter);
    return {r.width(), r.height()};
}

// One side's strokes, in the side's own millimetres.
void DrawSide(QPainter& painter, const CPatternDrawing& drawing, bool back)
{
    for (const CDrawnStroke& stroke : drawing.strokes) {
        const CDrawnLayer& layer = drawing.layers[stroke.layer];
        if (layer.back != back)
            continue;
        const auto at = [&](uint32_t k) {
            return QPointF(drawing.points[k].x, drawing.points[k].y);
        };
        QPainterPath path(at(stroke.begin));
        for (uint32_t k = stroke.begin + 1; k < stroke.end; ++k)
            path.lineTo(at(k));
        if (stroke.closed)
            path.closeSubpath();
        const CStrokeColour c = KindColour(layer.kind);
        QPen pen(QColor::fromRgbF(c.r, c.g, c.b, stroke.opacity));
        pen.setWidthF(drawing.strokeWidth);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.drawPath(path);
    }
}

void SetLabelFont(QPainter& painter)
{
    QFont font = painter.font();
    font.setPixelSize(3); // a unit is a millimetre here: about 8.5 pt on the page
    painter.setFont(font);
    QPen pen(Qt::black);
    pen.setWidthF(0.1);
    painter.setPen(pen);
}

// Crop marks at the corners of the page's own part of the paper, pointing
// away from it, in the front's millimetres.
void DrawCropMarks(QPainter& painter, const CPrintTiling& tiles, int column, int row,
                   double paperWidth, double paperHeight)
{
    SetLabelFont(painter);
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
}

} // namespace

bool PrintCreasePattern(QPrinter& printer, const CCreasePattern& pattern,
                        const CPatternOptions& options, std::string& error)
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

    CPatternDrawing drawing;
    BuildPatternDrawing(pattern, options, drawing);
    std::vector<CPrintPage> pages;
    PlanPrintPages(tiles, width, options.HasFront(), options.HasBack(), pages);
    const bool sideLabels = options.side != PatternSide::kFront;
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = "The printer could not be started.";
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const double dotsPerMm = printer.resolution() / 25.4;
    for (size_t i = 0; i < pages.size(); ++i) {
        const CPrintPage& page = pages[i];
        if (i && !printer.newPage()) {
            painter.end();
            error = "The printer could not start a new page.";
            return false;
        }
        painter.resetTransform();
        painter.scale(dotsPerMm, dotsPerMm);
        painter.save();
        painter.translate(page.tx, page.ty);
        painter.scale(page.sx, page.sy);
        DrawSide(painter, drawing, page.back);
        if (tiles.Tiled() && !page.back)
            DrawCropMarks(painter, tiles, page.column, page.row, width, height);
        painter.restore();
        // Labels upright in the page's own millimetres.
        SetLabelFont(painter);
        const QString side = QString::fromLatin1(SideLabel(page.back));
        double x = 1.0, y = 1.0;
        if (tiles.Tiled())
            painter.drawText(QRectF(x, y, 30.0, 5.0), Qt::AlignLeft | Qt::AlignTop,
                             QStringLiteral("%1/%2").arg(page.row + 1).arg(page.column + 1) +
                                 (sideLabels ? QStringLiteral(" ") + side : QString()));
        else if (sideLabels && SideLabelPlace(page, tiles.printable, width, height, kLabelWidthMm,
                                              kLabelHeightMm, x, y))
            painter.drawText(QRectF(x, y, kLabelWidthMm, kLabelHeightMm),
                             Qt::AlignLeft | Qt::AlignTop, side);
    }
    return painter.end();
}
