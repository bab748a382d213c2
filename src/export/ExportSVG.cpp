#include "export/ExportSVG.h"

#include "export/AtomicFile.h"
#include "model/Buckets.h"
#include "paper/CreasePattern.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Two edges continue each other when their directions from the shared vertex
// are opposite within this sine.
constexpr double kCollinearSine = 1e-9;

void AppendNumber(std::string& out, double value)
{
    char text[32];
    const auto res = std::to_chars(text, text + sizeof text, value);
    out.append(text, res.ptr);
}

struct Run {
    uint32_t from;
    uint32_t to;
    double angleLength = 0.0; // sum of |fold angle| * length
    double length = 0.0;
};

class RunFinder {
public:
    explicit RunFinder(const CCreasePattern& p) : p_(p)
    {
        FillBuckets(p.vertices.size(), start_, at_, [&](auto&& put) {
            for (uint32_t i = 0; i < p.edges.size(); ++i) {
                const CPatternEdge& e = p.edges[i];
                if (e.kind != CreaseKind::Flat) {
                    put(e.a, i);
                    put(e.b, i);
                }
            }
        });
    }

    // The straight run of edges of one kind through edge i; marks them done.
    Run Through(uint32_t i, std::vector<uint8_t>& done) const
    {
        const CPatternEdge& e = p_.edges[i];
        Run run{e.a, e.b};
        Add(run, i);
        done[i] = 1;
        run.from = Extend(i, e.a, run, done);
        run.to = Extend(i, e.b, run, done);
        return run;
    }

private:
    uint32_t Other(const CPatternEdge& e, uint32_t v) const { return e.a == v ? e.b : e.a; }

    void Add(Run& run, uint32_t i) const
    {
        const CPatternEdge& e = p_.edges[i];
        const CPaperPoint& a = p_.vertices[e.a];
        const CPaperPoint& b = p_.vertices[e.b];
        const double len = std::hypot(b.u - a.u, b.v - a.v);
        run.length += len;
        run.angleLength += std::fabs(e.foldAngle) * len;
    }

    // Follows the run from edge i beyond vertex v; returns the far end.
    uint32_t Extend(uint32_t i, uint32_t v, Run& run, std::vector<uint8_t>& done) const
    {
        for (;;) {
            const uint32_t next = Continuation(i, v);
            if (next == UINT32_MAX || done[next])
                return v;
            done[next] = 1;
            Add(run, next);
            v = Other(p_.edges[next], v);
            i = next;
        }
    }

    // The one edge of i's kind at v that goes on straight from i; none when
    // there is no such edge or more than one.
    uint32_t Continuation(uint32_t i, uint32_t v) const
    {
        const CPatternEdge& e = p_.edges[i];
        const CPaperPoint& o = p_.vertices[v];
        const CPaperPoint& a = p_.vertices[Other(e, v)];
        const double au = a.u - o.u, av = a.v - o.v;
        const double alen = std::hypot(au, av);
        uint32_t found = UINT32_MAX;
        for (uint32_t k = start_[v]; k < start_[v + 1]; ++k) {
            const uint32_t j = at_[k];
            const CPatternEdge& f = p_.edges[j];
            if (j == i || f.kind != e.kind)
                continue;
            const CPaperPoint& b = p_.vertices[Other(f, v)];
            const double bu = b.u - o.u, bv = b.v - o.v;
            const double blen = std::hypot(bu, bv);
            const double dot = au * bu + av * bv;
            const double cross = au * bv - av * bu;
            if (dot < 0.0 && std::fabs(cross) <= kCollinearSine * alen * blen) {
                if (found != UINT32_MAX)
                    return UINT32_MAX;
                found = j;
            }
        }
        return found;
    }

    const CCreasePattern& p_;
    std::vector<uint32_t> start_;
    std::vector<uint32_t> at_;
};

const char* Colour(CreaseKind kind)
{
    switch (kind) {
    case CreaseKind::Mountain:
        return "#ff0000";
    case CreaseKind::Valley:
        return "#0000ff";
    default:
        return "#000000";
    }
}

} // namespace

std::string SvgDocument(const CCreasePattern& pattern)
{
    const double width = pattern.hi.u - pattern.lo.u;
    const double height = pattern.hi.v - pattern.lo.v;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
    AppendNumber(out, width);
    out += "mm\" height=\"";
    AppendNumber(out, height);
    out += "mm\" viewBox=\"0 0 ";
    AppendNumber(out, width);
    out += ' ';
    AppendNumber(out, height);
    // Thin enough not to merge neighbouring creases, thick enough to see.
    out += "\" fill=\"none\" stroke-linecap=\"round\" stroke-width=\"";
    AppendNumber(out, std::max(width, height) / 500.0);
    out += "\">\n";

    const RunFinder runs(pattern);
    std::vector<uint8_t> done(pattern.edges.size(), 0);
    auto point = [&](uint32_t v) {
        const CPaperPoint& p = pattern.vertices[v];
        AppendNumber(out, p.u - pattern.lo.u);
        out += ' ';
        AppendNumber(out, pattern.hi.v - p.v);
    };
    for (uint32_t i = 0; i < pattern.edges.size(); ++i) {
        const CreaseKind kind = pattern.edges[i].kind;
        if (done[i] || kind == CreaseKind::Flat)
            continue;
        const Run run = runs.Through(i, done);
        out += "<path stroke=\"";
        out += Colour(kind);
        if (kind != CreaseKind::Boundary) {
            const double mean = run.length > 0.0 ? run.angleLength / run.length : 0.0;
            out += "\" stroke-opacity=\"";
            AppendNumber(out, std::clamp(mean / 180.0, 0.1, 1.0));
        }
        out += "\" d=\"M ";
        point(run.from);
        out += " L ";
        point(run.to);
        out += "\"/>\n";
    }
    out += "</svg>\n";
    return out;
}

bool ExportSvgFile(const std::string& path, const CCreasePattern& pattern)
{
    std::string text;
    try {
        text = SvgDocument(pattern);
    } catch (const std::exception&) {
        return false; // out of memory: nothing written
    }
    return WriteFileReplacing(path, [&text](std::FILE* out) {
        return std::fwrite(text.data(), 1, text.size(), out) == text.size();
    });
}
