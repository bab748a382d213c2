#include "sheet/SheetBend.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

double SheetHeight(const SheetLayout& layout)
{
    return layout.height > 0.0 ? layout.height : layout.size * layout.rows / layout.cols;
}

// Wedges of the cone's fan: a quarter of them on each side, between a bottom
// corner and a top corner, so that every corner of the rectangle lies on a
// ruling and the rulings cut the bottom edge at equal steps.
int ConeWedges(const SheetLayout& layout)
{
    return 4 * std::max(1, static_cast<int>(std::lround(layout.cols / 4.0)));
}

// Where the bottom edge and ruling i of n meet, as the x of the flat sheet.
double ConeFoot(double width, int i, int n)
{
    return -width / 2.0 + width * i / n;
}

// The sine of the cone's half angle that makes the wedges, of flat angles
// `gaps`, turn through `total` radians about its axis; 0 when none does.
double ConeSine(const std::vector<double>& gaps, double total)
{
    auto turn = [&gaps](double s) {
        double sum = 0.0;
        for (const double g : gaps)
            sum += 2.0 * std::asin(std::min(1.0, std::sin(g / 2.0) / s));
        return sum;
    };
    double lo = 0.0;
    for (const double g : gaps)
        lo = std::max(lo, std::sin(g / 2.0));
    double hi = 1.0;
    // The turn falls as s grows: from at least pi at lo to the flat fan at 1.
    if (!(turn(hi) < total) || turn(lo) < total)
        return 0.0;
    for (int i = 0; i < 200 && hi - lo > 1e-17; ++i) {
        const double mid = (lo + hi) / 2.0;
        (turn(mid) > total ? lo : hi) = mid;
    }
    return (lo + hi) / 2.0;
}

CVector3 Turned(const CVector3& p)
{
    const double a = kBentSheetTurnDegrees * kDegree;
    const double c = std::cos(a), s = std::sin(a);
    return {c * p.x - s * p.y, s * p.x + c * p.y, p.z};
}

// Two triangles per cell of a grid of (rows + 1) points along each of
// `lines` + 1 rulings, numbered ruling by ruling; a ruling whose points all
// share one vertex (`single`) drops the triangle that would be a sliver.
void GridTriangles(int lines, int rows, const std::vector<int64_t>& first,
                   const std::vector<bool>& single, CSheetMesh& mesh)
{
    auto at = [&](int i, int k) { return first[i] + (single[i] ? 0 : k); };
    for (int k = 0; k < rows; ++k)
        for (int i = 0; i < lines; ++i) {
            const int64_t a = at(i, k), b = at(i + 1, k), e = at(i + 1, k + 1), d = at(i, k + 1);
            if (!single[i + 1])
                mesh.triangles.push_back({a, b, e});
            if (!single[i])
                mesh.triangles.push_back({a, e, d});
        }
}

// The fraction of the way along a ruling of row k, jittered along the ruling
// only (which keeps every cell flat) for inner points of a jittered layout.
double RowFraction(const SheetLayout& layout, int k, int i, int lines)
{
    double t = static_cast<double>(k) / layout.rows;
    if (layout.jittered && k > 0 && k < layout.rows && i > 0 && i < lines)
        t += kSheetJitter / layout.rows * SheetJitter(layout.seed, k, i, 1);
    return t;
}

void BuildCylinder(const SheetLayout& layout, CSheetMesh& mesh)
{
    const double width = layout.size, height = SheetHeight(layout);
    const int cols = layout.cols;
    // The cross-section is a regular polygon whose sides are the cells'
    // width, so that the strips are as wide as on the flat sheet.
    const double step = layout.bendDegrees * kDegree / cols;
    const double radius = width / cols / (2.0 * std::sin(step / 2.0));
    std::vector<int64_t> first;
    for (int c = 0; c <= cols; ++c) {
        first.push_back(static_cast<int64_t>(mesh.vertices.size()));
        const double angle = (c - cols / 2.0) * step;
        const double half = std::sin(angle / 2.0);
        for (int k = 0; k <= layout.rows; ++k) {
            const double v = -height / 2.0 + height * RowFraction(layout, k, c, cols);
            mesh.vertices.push_back(
                Turned({radius * std::sin(angle), v, 2.0 * radius * half * half}));
        }
    }
    GridTriangles(cols, layout.rows, first, std::vector<bool>(cols + 1, false), mesh);
}

bool BuildCone(const SheetLayout& layout, CSheetMesh& mesh)
{
    const double width = layout.size, height = SheetHeight(layout);
    const int n = ConeWedges(layout);
    // The apex of the flat fan lies on the centre line, a height below the bottom edge.
    const double apexY = -1.5 * height;
    std::vector<double> angle(n + 1), gaps(n);
    for (int i = 0; i <= n; ++i)
        angle[i] = std::atan2(ConeFoot(width, i, n), height);
    for (int i = 0; i < n; ++i)
        gaps[i] = angle[i + 1] - angle[i];
    const double s = ConeSine(gaps, layout.bendDegrees * kDegree);
    if (!(s > 0.0))
        return false;
    const double c = std::sqrt(std::max(0.0, 1.0 - s * s));
    // The cone's axis leans from +y towards +z, so the sheet's centre ruling
    // stays on the flat sheet's centre line and the sides curl up, as the
    // cylinder's do.
    const CVector3 axis(0.0, c, s), across(0.0, s, -c), side(1.0, 0.0, 0.0);
    const CVector3 apex(0.0, apexY, 0.0);
    double azimuth = 0.0;
    for (int i = 0; i < n; ++i)
        azimuth += 2.0 * std::asin(std::min(1.0, std::sin(gaps[i] / 2.0) / s));
    azimuth = -azimuth / 2.0;

    std::vector<int64_t> first;
    std::vector<bool> single;
    for (int i = 0; i <= n; ++i) {
        if (i > 0)
            azimuth += 2.0 * std::asin(std::min(1.0, std::sin(gaps[i - 1] / 2.0) / s));
        const CVector3 ruling =
            axis * c + (across * std::cos(azimuth) + side * std::sin(azimuth)) * s;
        // Along the ruling from the bottom edge to where it leaves the sheet:
        // the top edge, or a side for the rulings beyond the top corners.
        const double foot = ConeFoot(width, i, n);
        const double bottom = std::hypot(foot, height);
        double reach = 2.0; // in multiples of the distance to the bottom edge
        if (std::fabs(foot) > width / 4.0)
            reach = width / 2.0 / std::fabs(foot);
        const bool corner = i == 0 || i == n;
        first.push_back(static_cast<int64_t>(mesh.vertices.size()));
        single.push_back(corner);
        for (int k = 0; k <= (corner ? 0 : layout.rows); ++k) {
            const double t = RowFraction(layout, k, i, n);
            mesh.vertices.push_back(Turned(apex + ruling * (bottom * (1.0 + t * (reach - 1.0)))));
        }
    }
    GridTriangles(n, layout.rows, first, single, mesh);
    return true;
}

} // namespace

double SmallestConeBend(double width, double height)
{
    return 2.0 * std::atan2(width / 2.0, height) / kDegree;
}

std::string SheetBendProblem(const SheetLayout& layout)
{
    if (layout.bend == SheetBend::None)
        return "";
    const double angle = layout.bendDegrees;
    if (!std::isfinite(angle) || angle <= 0.0 || angle > kMaxBendDegrees)
        return "The bend takes an angle greater than 0 and at most 360 degrees.";
    if (layout.shape != SheetShape::Flat)
        return "Only a flat sheet can be bent.";
    if (layout.bend == SheetBend::Cone) {
        std::vector<double> gaps;
        const int n = ConeWedges(layout);
        const double height = SheetHeight(layout);
        for (int i = 0; i < n; ++i)
            gaps.push_back(std::atan2(ConeFoot(layout.size, i + 1, n), height) -
                           std::atan2(ConeFoot(layout.size, i, n), height));
        if (!(ConeSine(gaps, angle * kDegree) > 0.0)) {
            const double least = SmallestConeBend(layout.size, height);
            if (angle > least)
                return "This sheet cannot be rolled into a cone that far.";
            char text[160];
            std::snprintf(text, sizeof text,
                          "A cone bend of this sheet takes more than %.1f degrees.", least);
            return text;
        }
    }
    return "";
}

bool SheetLayoutValid(const SheetLayout& layout)
{
    if (layout.rows < 1 || layout.cols < 1 || layout.rows > kSheetMaxSide ||
        layout.cols > kSheetMaxSide)
        return false;
    if (2LL * layout.rows * layout.cols > kSheetMaxTriangles)
        return false;
    return std::isfinite(layout.size) && layout.size > 0.0 && std::isfinite(layout.height) &&
           layout.height >= 0.0 && SheetBendProblem(layout).empty();
}

bool BuildBentSheet(const SheetLayout& layout, CSheetMesh& mesh)
{
    mesh = CSheetMesh();
    if (!SheetLayoutValid(layout) || layout.bend == SheetBend::None ||
        !SheetBendProblem(layout).empty())
        return false;
    if (layout.bend == SheetBend::Cylinder) {
        BuildCylinder(layout, mesh);
        return true;
    }
    if (!BuildCone(layout, mesh)) {
        mesh = CSheetMesh();
        return false;
    }
    return true;
}
