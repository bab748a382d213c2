#include "export/PrintSides.h"

#include <algorithm>

void PlanPrintPages(const CPrintTiling& tiles, double paperWidth, bool front, bool back,
                    std::vector<CPrintPage>& out)
{
    out.clear();
    const double pw = tiles.printable.width, ph = tiles.printable.height;
    for (int row = 0; row < tiles.rows; ++row)
        for (int column = 0; column < tiles.columns; ++column) {
            const double left = tiles.PageLeft(column), top = tiles.PageTop(row);
            CPrintPage page;
            page.column = column;
            page.row = row;
            page.tx = -left;
            page.ty = -top;
            if (front)
                out.push_back(page);
            if (!back)
                continue;
            page.back = true;
            if (!front) {
                out.push_back(page);
                continue;
            }
            // The front page's point (px, py) shows x = left + px; behind it,
            // x' = paperWidth - left - px, at pw - px on the back page when
            // the sheet turns left to right, at (pw - px, ph - py) upside down
            // when it turns top to bottom.
            if (tiles.landscape) {
                page.sx = -1.0;
                page.tx = paperWidth - left;
                page.sy = -1.0;
                page.ty = top + ph;
            } else {
                page.tx = pw - (paperWidth - left);
            }
            out.push_back(page);
        }
}

bool SideLabelPlace(const CPrintPage& page, const CPageArea& printable, double paperWidth,
                    double paperHeight, double labelWidth, double labelHeight, double& x, double& y)
{
    constexpr double kGap = 1.0; // between the label and the drawing, millimetres
    const double x0 = std::max(0.0, std::min(page.PageX(0.0), page.PageX(paperWidth)));
    const double x1 = std::min(printable.width, std::max(page.PageX(0.0), page.PageX(paperWidth)));
    const double y0 = std::max(0.0, std::min(page.PageY(0.0), page.PageY(paperHeight)));
    const double y1 =
        std::min(printable.height, std::max(page.PageY(0.0), page.PageY(paperHeight)));
    const double h = labelHeight + kGap, w = labelWidth + kGap;
    const double left = std::clamp(x0, 0.0, std::max(0.0, printable.width - labelWidth));
    const double top = std::clamp(y0, 0.0, std::max(0.0, printable.height - labelHeight));
    if (printable.width < labelWidth || printable.height < labelHeight)
        return false;
    if (printable.height - y1 >= h) {
        x = left;
        y = y1 + kGap;
    } else if (y0 >= h) {
        x = left;
        y = y0 - h;
    } else if (printable.width - x1 >= w) {
        x = x1 + kGap;
        y = top;
    } else if (x0 >= w) {
        x = x0 - w;
        y = top;
    } else {
        return false;
    }
    return true;
}
