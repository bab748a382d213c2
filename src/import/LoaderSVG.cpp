#include "import/LoaderSVG.h"

#include "import/CreaseArrangement.h"
#include "import/FileBytes.h"
#include "import/LoaderFOLD.h"
#include "import/ReadFailure.h"
#include "import/SvgPath.h"
#include "import/XmlScanner.h"
#include "model/Progress.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

// Lines whose ends are this close (mm) meet: far below what paper shows, far
// above what a drawing program's rounding leaves.
constexpr double kSnapMm = 0.01;
constexpr double kFlattenMm = 0.05;
constexpr double kLargestSheetMm = 1e6;
constexpr double kSmallestSheetMm = 1.0;

// The crease kind a stroke colour stands for, or 0 for a colour that is none
// of them (guides, grey construction lines, white).
char KindOfColour(const CRgb& c)
{
    const int hi = std::max({c.r, c.g, c.b}), lo = std::min({c.r, c.g, c.b});
    if (hi - lo < 64)
        return hi < 64 ? 'B' : 0;
    const int mid = (hi + lo) / 2;
    const int bits = (c.r > mid ? 4 : 0) | (c.g > mid ? 2 : 0) | (c.b > mid ? 1 : 0);
    switch (bits) {
    case 4:
        return 'M';
    case 1:
        return 'V';
    case 6:
        return 'F';
    case 2:
        return 'C';
    case 5:
        return 'U';
    default:
        return 0;
    }
}

const std::string* Find(const std::vector<CXmlAttribute>& attributes, std::string_view name)
{
    for (const CXmlAttribute& a : attributes)
        if (a.name == name)
            return &a.value;
    return nullptr;
}

// A presentation property: the style attribute wins over the attribute.
std::optional<std::string_view> Property(const std::vector<CXmlAttribute>& attributes,
                                         std::string_view name)
{
    if (const std::string* style = Find(attributes, "style"))
        if (auto v = StyleProperty(*style, name))
            return v;
    if (const std::string* v = Find(attributes, name))
        return std::string_view(*v);
    return std::nullopt;
}

// A coordinate in user units; one with a unit is taken as its CSS pixels.
double Number(const std::vector<CXmlAttribute>& attributes, std::string_view name, bool& ok)
{
    const std::string* v = Find(attributes, name);
    if (!v)
        return 0.0;
    if (const std::optional<double> n = ParseSvgNumber(*v); n && v->find('%') == std::string::npos)
        return *n;
    const std::optional<double> mm = ParseSvgLengthMm(*v);
    if (!mm)
        ok = false;
    return mm ? *mm * 96.0 / 25.4 : 0.0;
}

bool EndsWith(std::string_view s, std::string_view end)
{
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

class SvgWalker : public IXmlVisitor {
public:
    void Open(std::string_view name, const std::vector<CXmlAttribute>& attributes) override
    {
        State s = stack_.empty() ? State{} : stack_.back();
        if (stack_.empty() && name != "svg" && !EndsWith(name, ":svg"))
            Fail("the root element is not <svg>");
        if (stack_.empty())
            s.transform = RootTransform(attributes);
        static const char* const unseen[] = {"defs",   "clipPath", "mask",     "symbol",
                                             "marker", "pattern",  "metadata", "title",
                                             "desc",   "style",    "script",   "text"};
        for (const char* u : unseen)
            if (name == u)
                s.hidden = true;
        if (const auto display = Property(attributes, "display"); display && *display == "none")
            s.hidden = true;
        if (const std::string* t = Find(attributes, "transform")) {
            const std::optional<CSvgTransform> m = ParseSvgTransform(*t);
            if (!m)
                Fail("<" + std::string(name) + "> has a transform that cannot be read");
            else
                s.transform = s.transform.Then(*m);
        }
        if (const auto stroke = Property(attributes, "stroke"))
            s.stroke = std::string(*stroke);
        if (const auto opacity = Property(attributes, "stroke-opacity"))
            if (const std::optional<double> v = ParseSvgNumber(*opacity))
                s.opacity = std::clamp(*v, 0.0, 1.0);
        stack_.push_back(s);
        if (!s.hidden && !failed_)
            Shape(name, attributes, s);
    }

    void Close() override { stack_.pop_back(); }

    bool Failed() const { return failed_; }
    const std::string& Why() const { return why_; }
    const std::vector<CCreaseLine>& Lines() const { return lines_; }

private:
    struct State {
        CSvgTransform transform;
        std::string stroke; // empty: none set
        double opacity = 1.0;
        bool hidden = false;
    };

    void Fail(std::string why)
    {
        if (!failed_)
            why_ = std::move(why);
        failed_ = true;
    }

    // User units of the root to millimetres, v up: the viewBox fitted into
    // width and height (centred, uniform unless preserveAspectRatio="none").
    CSvgTransform RootTransform(const std::vector<CXmlAttribute>& attributes)
    {
        std::optional<double> w, h;
        if (const std::string* v = Find(attributes, "width"))
            w = ParseSvgLengthMm(*v);
        if (const std::string* v = Find(attributes, "height"))
            h = ParseSvgLengthMm(*v);
        std::vector<double> box;
        const std::string* vb = Find(attributes, "viewBox");
        const bool hasBox =
            vb && ParseSvgPoints(*vb, box) && box.size() == 4 && box[2] > 0 && box[3] > 0;
        double sx = 25.4 / 96.0, sy = sx, tx = 0.0, ty = 0.0;
        if (hasBox) {
            if (w && !h)
                h = *w * box[3] / box[2];
            else if (h && !w)
                w = *h * box[2] / box[3];
            if (w && h) {
                sx = *w / box[2];
                sy = *h / box[3];
                const std::string* keep = Find(attributes, "preserveAspectRatio");
                if (!keep || keep->find("none") == std::string::npos) {
                    sx = sy = std::min(sx, sy);
                    tx = (*w - box[2] * sx) / 2.0;
                    ty = (*h - box[3] * sy) / 2.0;
                }
            } else {
                w = box[2] * sx;
                h = box[3] * sy;
            }
            tx -= box[0] * sx;
            ty -= box[1] * sy;
        }
        const double top = h ? *h : 0.0;
        return {sx, 0.0, 0.0, -sy, tx, top - ty};
    }

    void Shape(std::string_view name, const std::vector<CXmlAttribute>& attributes, const State& s)
    {
        if (s.stroke.empty())
            return;
        const std::optional<CRgb> colour = ParseSvgColour(s.stroke);
        const char kind = colour ? KindOfColour(*colour) : 0;
        if (!kind)
            return;
        std::vector<CPolyline> runs;
        bool ok = true;
        const auto poly = [&](const std::vector<double>& xy, bool closed) {
            CPolyline& run = runs.emplace_back();
            for (size_t k = 0; k + 1 < xy.size(); k += 2)
                run.push_back(s.transform.Apply(xy[k], xy[k + 1]));
            if (closed && !run.empty())
                run.push_back(run.front());
        };
        const std::string what = "<" + std::string(name) + ">";
        if (name == "line") {
            poly({Number(attributes, "x1", ok), Number(attributes, "y1", ok),
                  Number(attributes, "x2", ok), Number(attributes, "y2", ok)},
                 false);
        } else if (name == "polyline" || name == "polygon") {
            std::vector<double> xy;
            const std::string* points = Find(attributes, "points");
            ok = points && ParseSvgPoints(*points, xy);
            poly(xy, name == "polygon");
        } else if (name == "rect") {
            const double x = Number(attributes, "x", ok), y = Number(attributes, "y", ok);
            const double w = Number(attributes, "width", ok), h = Number(attributes, "height", ok);
            poly({x, y, x + w, y, x + w, y + h, x, y + h}, true);
        } else if (name == "path" || name == "circle" || name == "ellipse") {
            std::string d;
            if (name == "path") {
                if (const std::string* data = Find(attributes, "d"))
                    d = *data;
            } else {
                // Two half arcs: the outline a path would draw.
                const double cx = Number(attributes, "cx", ok), cy = Number(attributes, "cy", ok);
                const double rx = Number(attributes, name == "circle" ? "r" : "rx", ok);
                const double ry = Number(attributes, name == "circle" ? "r" : "ry", ok);
                char text[320];
                std::snprintf(text, sizeof text,
                              "M%.17g %.17gA%.17g %.17g 0 1 0 %.17g %.17g"
                              "A%.17g %.17g 0 1 0 %.17g %.17gZ",
                              cx - rx, cy, rx, ry, cx + rx, cy, rx, ry, cx - rx, cy);
                if (ok && rx > 0.0 && ry > 0.0)
                    d = text;
            }
            std::string why;
            if (!FlattenSvgPath(d, s.transform, limits_, runs, why)) {
                Fail(what + ": " + why);
                return;
            }
        } else {
            return;
        }
        if (!ok) {
            Fail(what + " has a coordinate that cannot be read");
            return;
        }
        const double angle = kind == 'M'   ? -180.0 * s.opacity
                             : kind == 'V' ? 180.0 * s.opacity
                                           : 0.0;
        // Points closer than the snap distance merge, so a run drawn in tiny
        // steps stays one connected line instead of vanishing step by step.
        for (const CPolyline& run : runs) {
            const size_t first = lines_.size();
            CPaperPoint from = run.empty() ? CPaperPoint{} : run[0];
            for (size_t k = 0; k < run.size(); ++k) {
                if (!std::isfinite(run[k].u) || !std::isfinite(run[k].v)) {
                    Fail(what + " has a coordinate out of range");
                    return;
                }
                if (std::hypot(run[k].u - from.u, run[k].v - from.v) > kSnapMm) {
                    lines_.push_back({from, run[k], kind, angle});
                    from = run[k];
                }
            }
            if (lines_.size() > first && !run.empty())
                lines_.back().b = run.back();
        }
        if (lines_.size() > limits_.maxPoints)
            Fail("too many line segments");
    }

    std::vector<State> stack_;
    std::vector<CCreaseLine> lines_;
    CFlattenLimits limits_{kFlattenMm};
    bool failed_ = false;
    std::string why_;
};

// The arrangement as the crease-pattern frame of a FOLD file, so the sheet is
// built, triangulated and its edges recorded exactly as a FOLD pattern's are.
std::string AsFold(const CCreaseGraph& graph)
{
    nlohmann::json doc;
    doc["file_spec"] = 1.2;
    doc["frame_classes"] = {"creasePattern"};
    doc["frame_unit"] = "mm";
    nlohmann::json coords = nlohmann::json::array(), faces = nlohmann::json::array();
    for (const CPaperPoint& p : graph.vertices)
        coords.push_back({p.u, p.v});
    for (const std::vector<uint32_t>& f : graph.faces)
        faces.push_back(f);
    nlohmann::json edges = nlohmann::json::array(), kinds = nlohmann::json::array(),
                   angles = nlohmann::json::array();
    for (const CCreaseEdge& e : graph.edges) {
        edges.push_back({e.a, e.b});
        kinds.push_back(std::string(1, e.assignment));
        angles.push_back(e.angle);
    }
    doc["vertices_coords"] = std::move(coords);
    doc["faces_vertices"] = std::move(faces);
    doc["edges_vertices"] = std::move(edges);
    doc["edges_assignment"] = std::move(kinds);
    doc["edges_foldAngle"] = std::move(angles);
    return doc.dump();
}

} // namespace

ReadResult ReadSVGText(CPolyModel& model, std::string_view text)
{
    try {
        SvgWalker walker;
        std::string why;
        if (!ScanXml(text, walker, why))
            return RefuseRead(model, "not an SVG file: " + why);
        if (walker.Failed())
            return RefuseRead(model, walker.Why());
        const std::vector<CCreaseLine>& lines = walker.Lines();
        double lu = 1e300, lv = 1e300, hu = -1e300, hv = -1e300;
        for (const CCreaseLine& l : lines) {
            lu = std::min({lu, l.a.u, l.b.u});
            lv = std::min({lv, l.a.v, l.b.v});
            hu = std::max({hu, l.a.u, l.b.u});
            hv = std::max({hv, l.a.v, l.b.v});
        }
        const double extent = std::max(hu - lu, hv - lv);
        if (!lines.empty() && !(extent <= kLargestSheetMm))
            return RefuseRead(model, "the drawing is too large to be a sheet (over 1 km across)");
        if (!lines.empty() && extent < kSmallestSheetMm)
            return RefuseRead(model, "the drawing is too small to be a sheet (under 1 mm across)");
        CCreaseGraph graph;
        if (!ArrangeCreases(lines, kSnapMm, graph, why))
            return RefuseRead(model, why);
        return ReadFOLDText(model, AsFold(graph));
    } catch (const std::exception&) {
        return RefuseRead(model, "not a valid SVG file: out of memory");
    }
}

ReadResult ReadSVG(CPolyModel& model, const std::string& path, IProgress* progress)
{
    return ReadWholeFile(model, path, progress, ReadSVGText);
}

ReadResult CPolyModel::ReadSVG(const std::string& path, IProgress* progress)
{
    return ::ReadSVG(*this, path, progress);
}
