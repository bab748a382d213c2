#include "SampleQwf.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <numbers>
#include <stdexcept>
#include <utility>
#include <vector>

namespace sampleqwf {
namespace {

using Vec = std::array<double, 3>;

struct Mesh {
    std::vector<Vec> vertices;
    std::vector<std::array<int, 3>> faces; // 0-based
};

// Torus around the z axis, kept inside [-1, 1]^3. Angles are offset by part
// of a step so no vertex lies on any of the cutting planes below.
Mesh Torus(int ring, int tube, double major, double minor)
{
    Mesh m;
    const double twoPi = 2.0 * std::numbers::pi;
    for (int i = 0; i < ring; ++i) {
        const double theta = twoPi * (i + 0.5) / ring;
        for (int j = 0; j < tube; ++j) {
            const double phi = twoPi * (j + 0.25) / tube;
            const double r = major + minor * std::cos(phi);
            m.vertices.push_back({r * std::cos(theta), r * std::sin(theta), minor * std::sin(phi)});
        }
    }
    auto at = [&](int i, int j) { return (i % ring) * tube + (j % tube); };
    for (int i = 0; i < ring; ++i) {
        for (int j = 0; j < tube; ++j) {
            m.faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            m.faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
    return m;
}

struct Point {
    Vec p;
    double u = 0.0, v = 0.0;
};

struct Line {
    Point a, b;
    int partnerSlice = -1, partnerIndex = -1;
};

struct Slice {
    int axis = 0;
    double offset = 0.0;
    Vec corners[4];
    std::vector<std::vector<Point>> loops; // each closed: last repeats first
    std::vector<Line> lines;

    // Square at the offset, the same corner order as a fresh plane of this axis.
    void SetUp(int a, double c)
    {
        axis = a;
        offset = c;
        static const double preset[3][4][3] = {
            {{0, -1, 1}, {0, 1, 1}, {0, 1, -1}, {0, -1, -1}},
            {{-1, 0, 1}, {-1, 0, -1}, {1, 0, -1}, {1, 0, 1}},
            {{-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0}},
        };
        for (int k = 0; k < 4; ++k) {
            for (int d = 0; d < 3; ++d)
                corners[k][d] = preset[a][k][d];
            corners[k][a] = c;
        }
    }

    // Plane coordinates along the square's edges from corner 0: u towards
    // corner 3, v towards corner 1, both 0..2 over the square.
    Point Place(const Vec& p) const
    {
        Point out;
        out.p = p;
        for (int d = 0; d < 3; ++d) {
            out.u += (p[d] - corners[0][d]) * (corners[3][d] - corners[0][d]) / 2.0;
            out.v += (p[d] - corners[0][d]) * (corners[1][d] - corners[0][d]) / 2.0;
        }
        return out;
    }
};

// Traces the closed loops where the plane (coordinate axis = offset) cuts
// the mesh. Each crossing edge gives one point; triangles link them.
void Cut(const Mesh& mesh, Slice& slice)
{
    const int a = slice.axis;
    auto side = [&](int vi) {
        const double s = mesh.vertices[vi][a] - slice.offset;
        if (std::fabs(s) < 1e-9)
            throw std::runtime_error("a vertex lies on a cutting plane");
        return s;
    };
    using Edge = std::pair<int, int>;
    std::map<Edge, std::vector<Edge>> links; // edge -> edges it is joined to
    std::vector<Edge> order;                 // first-seen order keeps output stable
    for (const auto& f : mesh.faces) {
        std::vector<Edge> crossing;
        for (int k = 0; k < 3; ++k) {
            const int i = f[k], j = f[(k + 1) % 3];
            if ((side(i) > 0) != (side(j) > 0))
                crossing.push_back({std::min(i, j), std::max(i, j)});
        }
        if (crossing.size() != 2)
            continue;
        for (int k = 0; k < 2; ++k) {
            if (!links.count(crossing[k]))
                order.push_back(crossing[k]);
            links[crossing[k]].push_back(crossing[1 - k]);
        }
    }
    auto pointOn = [&](const Edge& e) {
        const Vec& p = mesh.vertices[e.first];
        const Vec& q = mesh.vertices[e.second];
        const double t = side(e.first) / (side(e.first) - side(e.second));
        Vec r;
        for (int d = 0; d < 3; ++d)
            r[d] = p[d] + (q[d] - p[d]) * t;
        r[a] = slice.offset;
        return slice.Place(r);
    };
    std::map<Edge, bool> used;
    for (const Edge& start : order) {
        if (used[start])
            continue;
        std::vector<Point> loop;
        Edge prev{-1, -1}, cur = start;
        for (;;) {
            used[cur] = true;
            loop.push_back(pointOn(cur));
            const auto& next = links[cur];
            const Edge step = next[0] == prev ? next[1] : next[0];
            prev = cur;
            cur = step;
            if (cur == start)
                break;
        }
        loop.push_back(loop.front());
        slice.loops.push_back(std::move(loop));
    }
}

// Where the line shared by slices a and b runs inside a's loops (even-odd),
// one pair of lines per piece.
void Cross(std::vector<Slice>& slices, int ia, int ib)
{
    Slice& a = slices[ia];
    Slice& b = slices[ib];
    const int free = 3 - a.axis - b.axis;
    std::vector<double> ts;
    for (const auto& loop : a.loops) {
        for (size_t k = 0; k + 1 < loop.size(); ++k) {
            const Vec& p = loop[k].p;
            const Vec& q = loop[k + 1].p;
            const double sp = p[b.axis] - b.offset, sq = q[b.axis] - b.offset;
            if ((sp > 0) != (sq > 0))
                ts.push_back(p[free] + (q[free] - p[free]) * sp / (sp - sq));
        }
    }
    std::sort(ts.begin(), ts.end());
    for (size_t k = 0; k + 1 < ts.size(); k += 2) {
        Vec p{}, q{};
        p[a.axis] = q[a.axis] = a.offset;
        p[b.axis] = q[b.axis] = b.offset;
        p[free] = ts[k];
        q[free] = ts[k + 1];
        Line onA{a.Place(p), a.Place(q), ib, static_cast<int>(b.lines.size())};
        Line onB{b.Place(p), b.Place(q), ia, static_cast<int>(a.lines.size())};
        a.lines.push_back(onA);
        b.lines.push_back(onB);
    }
}

void Append(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void Append(std::string& out, const char* format, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0)
        out.append(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

// Fixed six decimals; a negative zero is written as zero.
double Tidy(double x)
{
    return std::fabs(x) < 5e-7 ? 0.0 : x;
}

} // namespace

std::string SampleText()
{
    const Mesh mesh = Torus(40, 16, 0.68, 0.28);
    const std::pair<int, double> cuts[] = {
        {0, -0.5}, {0, 0.05}, {0, 0.55}, {1, -0.2}, {1, 0.35}, {2, 0.07},
    };
    std::vector<Slice> slices;
    for (const auto& [axis, offset] : cuts) {
        slices.emplace_back();
        slices.back().SetUp(axis, offset);
        Cut(mesh, slices.back());
    }
    for (size_t i = 0; i < slices.size(); ++i)
        for (size_t j = i + 1; j < slices.size(); ++j)
            if (slices[i].axis != slices[j].axis)
                Cross(slices, static_cast<int>(i), static_cast<int>(j));

    // Ids run 1, 2, 3 ... in file order over all slices.
    std::vector<int> firstId(slices.size() + 1, 1);
    for (size_t i = 0; i < slices.size(); ++i)
        firstId[i + 1] = firstId[i] + static_cast<int>(slices[i].lines.size());

    std::string out;
    out += "# Lintoro sample: a torus cut by six axis planes\n";
    out += "# Each slice lists its square, its parts and the lines it shares with others.\n";
    out += "version 1\n";
    for (const Slice& s : slices) {
        Append(out, "sp %d", s.axis);
        for (const Vec& c : s.corners)
            Append(out, " %g %g %g", Tidy(c[0]), Tidy(c[1]), Tidy(c[2]));
        out += "\n";
        for (const auto& loop : s.loops) {
            out += "pa\n";
            for (const Point& pt : loop)
                Append(out, "v %.6f %.6f %.6f %.6f %.6f\n", Tidy(pt.p[0]), Tidy(pt.p[1]),
                       Tidy(pt.p[2]), Tidy(pt.u), Tidy(pt.v));
            out += "/pa\n";
        }
        for (const Line& l : s.lines) {
            Append(out, "e %d %.6f %.6f %.6f %.6f %.6f %.6f",
                   firstId[l.partnerSlice] + l.partnerIndex, Tidy(l.a.p[0]), Tidy(l.a.p[1]),
                   Tidy(l.a.p[2]), Tidy(l.b.p[0]), Tidy(l.b.p[1]), Tidy(l.b.p[2]));
            Append(out, " %.6f %.6f %.6f %.6f\n", Tidy(l.a.u), Tidy(l.a.v), Tidy(l.b.u),
                   Tidy(l.b.v));
        }
        out += "/sp\n";
    }
    out += "model\n";
    for (const Vec& v : mesh.vertices)
        Append(out, "v %.6f %.6f %.6f\n", Tidy(v[0]), Tidy(v[1]), Tidy(v[2]));
    for (const auto& f : mesh.faces)
        Append(out, "f %d %d %d\n", f[0] + 1, f[1] + 1, f[2] + 1);
    return out;
}

} // namespace sampleqwf
