#include "export/PrintTiles.h"

#include <algorithm>
#include <cmath>

namespace {

// Pages along one axis; 0 when the printable side cannot hold a tile.
int CountAlong(double paper, double printable)
{
    if (!(printable > 0.0) || !std::isfinite(paper) || !std::isfinite(printable))
        return 0;
    if (paper <= printable)
        return 1;
    if (printable <= kTileOverlapMm)
        return 0;
    // Rounding noise (a 420 mm side on 410 mm steps) must not add a page.
    const double pages = (paper - kTileOverlapMm) / (printable - kTileOverlapMm);
    return std::max(1, static_cast<int>(std::ceil(pages - 1e-9)));
}

CPrintTiling Plan(double paperWidth, double paperHeight, const CPageArea& area, bool landscape)
{
    CPrintTiling t;
    t.columns = CountAlong(paperWidth, area.width);
    t.rows = CountAlong(paperHeight, area.height);
    if (t.columns == 0 || t.rows == 0)
        t.columns = t.rows = 0;
    t.landscape = landscape;
    t.printable = area;
    return t;
}

} // namespace

double CPrintTiling::PageLeft(int column) const
{
    return column * (printable.width - kTileOverlapMm);
}

double CPrintTiling::PageTop(int row) const
{
    return row * (printable.height - kTileOverlapMm);
}

double CPrintTiling::OwnRight(int column, double paperWidth) const
{
    return column + 1 < columns ? PageLeft(column + 1) : paperWidth;
}

double CPrintTiling::OwnBottom(int row, double paperHeight) const
{
    return row + 1 < rows ? PageTop(row + 1) : paperHeight;
}

CPrintTiling PlanPrintTiles(double paperWidth, double paperHeight, const CPageArea& portrait,
                            const CPageArea& landscape)
{
    const CPrintTiling upright = Plan(paperWidth, paperHeight, portrait, false);
    const CPrintTiling turned = Plan(paperWidth, paperHeight, landscape, true);
    if (turned.PageCount() == 0)
        return upright;
    if (upright.PageCount() == 0 || turned.PageCount() < upright.PageCount())
        return turned;
    return upright;
}
