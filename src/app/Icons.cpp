#include "app/Icons.h"

#include "ui/CommandMap.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
// Images are drawn on a 16 x 15 grid at four times the size, so they stay
// crisp on dense screens.
constexpr int kScale = 4;

QPixmap Canvas()
{
    QPixmap pm(16 * kScale, 15 * kScale);
    pm.fill(Qt::transparent);
    return pm;
}

void Begin(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kScale, kScale);
}

QPixmap Folder()
{
    QPixmap pm = Canvas();
    QPainter p(&pm);
    Begin(p);
    p.setPen(QPen(QColor(120, 90, 20), 0.8));
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(QRectF(1.5, 4.5, 12, 8.5));
    p.drawRect(QRectF(1.5, 3, 5, 1.5));
    p.setBrush(QColor(250, 225, 140));
    QPainterPath flap;
    flap.moveTo(3.5, 6.5);
    flap.lineTo(15, 6.5);
    flap.lineTo(13.5, 13);
    flap.lineTo(1.5, 13);
    flap.closeSubpath();
    p.drawPath(flap);
    return pm;
}

QPixmap ExportSheet()
{
    QPixmap pm = Canvas();
    QPainter p(&pm);
    Begin(p);
    p.setPen(QPen(Qt::darkGray, 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 9, 12));
    p.setPen(QPen(QColor(30, 110, 30), 1.6));
    p.drawLine(QPointF(6, 7.5), QPointF(14, 7.5));
    p.drawLine(QPointF(11, 4.5), QPointF(14, 7.5));
    p.drawLine(QPointF(11, 10.5), QPointF(14, 7.5));
    return pm;
}

QPixmap Triangle(bool filled)
{
    QPixmap pm = Canvas();
    QPainter p(&pm);
    Begin(p);
    const QPointF pts[3] = {{8, 1.5}, {14.5, 13.5}, {1.5, 13.5}};
    if (filled) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 130, 200));
    } else {
        p.setPen(QPen(Qt::black, 1.2));
        p.setBrush(Qt::NoBrush);
    }
    p.drawPolygon(pts, 3);
    if (!filled) {
        p.drawLine(QPointF(8, 1.5), QPointF(8, 13.5));
    }
    return pm;
}

QPixmap FixPin()
{
    QPixmap pm = Canvas();
    QPainter p(&pm);
    Begin(p);
    p.setPen(QPen(QColor(20, 110, 20), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({{2.5, 8}, {6, 11.5}, {13.5, 3}}));
    return pm;
}

QPixmap UndoArrow()
{
    QPixmap pm = Canvas();
    QPainter p(&pm);
    Begin(p);
    p.setPen(QPen(QColor(30, 60, 140), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath arc;
    arc.moveTo(4, 5);
    arc.cubicTo(10, 2, 16, 6, 12, 12);
    p.drawPath(arc);
    p.setBrush(QColor(30, 60, 140));
    p.setPen(Qt::NoPen);
    const QPointF head[3] = {{1, 5.5}, {6, 2}, {6, 8.5}};
    p.drawPolygon(head, 3);
    return pm;
}
// A toolbar picture drawn by `draw` on a clear 16 x 15 ground.
template <class Draw> QPixmap ToolPicture(Draw&& draw)
{
    QPixmap pm(16, 15);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return pm;
}

// A sheet with a crease, half folded up: the simulation.
QPixmap HalfFolded()
{
    return ToolPicture([](QPainter& p) {
        p.setPen(QPen(QColor(40, 40, 90), 1));
        p.setBrush(QColor(200, 210, 245));
        p.drawPolygon(QPolygonF({{1, 13}, {8, 13}, {8, 4}, {1, 4}}));
        p.setBrush(QColor(150, 170, 235));
        p.drawPolygon(QPolygonF({{8, 13}, {14, 9}, {14, 1}, {8, 4}}));
    });
}

// A right-pointing triangle.
QPixmap PlayArrow()
{
    return ToolPicture([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 110, 50));
        p.drawPolygon(QPolygonF({{4, 2}, {13, 7.5}, {4, 13}}));
    });
}
} // namespace

QIcon CommandIcon(int id)
{
    switch (id) {
    case kCmdOpen:
        return QIcon(Folder());
    case kCmdExport:
        return QIcon(ExportSheet());
    case kCmdShowFace:
        return QIcon(Triangle(true));
    case kCmdShowEdge:
        return QIcon(Triangle(false));
    case kCmdFixShape:
        return QIcon(FixPin());
    case kCmdUndo:
        return QIcon(UndoArrow());
    case kCmdRedo:
        // The undo arrow turned the other way.
        return QIcon(UndoArrow().transformed(QTransform().scale(-1, 1)));
    case kCmdSimulateFold:
        return QIcon(HalfFolded());
    case kCmdSimulatePlay:
        return QIcon(PlayArrow());
    default:
        return QIcon();
    }
}

QIcon ApplicationIcon()
{
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 90), 2));
    p.setBrush(QColor(230, 235, 250));
    p.drawPolygon(QPolygonF({{8, 52}, {32, 8}, {56, 52}}));
    p.setPen(QPen(QColor(200, 60, 60), 2.5));
    QPainterPath crease;
    crease.moveTo(18, 40);
    crease.quadTo(32, 26, 46, 40);
    p.drawPath(crease);
    return QIcon(pm);
}
