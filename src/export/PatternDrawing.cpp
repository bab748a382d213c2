#include "export/PatternDrawing.h"

#include "export/ExportSVG.h"
#include "paper/PatternChains.h"

#include <algorithm>

namespace {

enum LayerSlot : uint32_t { kCut, kMountain, kValley, kBend, kSlotsPerSide };

constexpr CDrawnLayer kFrontLayers[kSlotsPerSide] = {
    {"cut", "CUT", CreaseKind::Boundary, false},
    {"mountain", "MOUNTAIN", CreaseKind::Mountain, false},
    {"valley", "VALLEY", CreaseKind::Valley, false},
    {"bend", "BEND", CreaseKind::Flat, false},
};
constexpr CDrawnLayer kBackLayers[kSlotsPerSide] = {
    {"back-cut", "BACK_CUT", CreaseKind::Boundary, true},
    {"back-mountain", "BACK_MOUNTAIN", CreaseKind::Mountain, true},
    {"back-valley", "BACK_VALLEY", CreaseKind::Valley, true},
    {"back-bend", "BACK_BEND", CreaseKind::Flat, true},
};

LayerSlot SlotOf(CreaseKind kind)
{
    switch (kind) {
    case CreaseKind::Mountain:
        return kMountain;
    case CreaseKind::Valley:
        return kValley;
    case CreaseKind::Flat:
        return kBend;
    case CreaseKind::Boundary:
        break;
    }
    return kCut;
}

class CDrawingBuilder {
public:
    CDrawingBuilder(const CCreasePattern& pattern, const CPatternOptions& options,
                    CPatternDrawing& out)
        : pattern_(pattern), options_(options), out_(out)
    {
    }

    void Run()
    {
        out_.width = pattern_.hi.u - pattern_.lo.u;
        out_.height = pattern_.hi.v - pattern_.lo.v;
        out_.strokeWidth = PatternStrokeWidth(pattern_);
        ChainPatternEdges(pattern_, IsDrawnEdge, creases_);
        if (options_.dashed) {
            meeting_.assign(pattern_.vertices.size(), 0);
            for (const CPatternEdge& e : pattern_.edges) {
                if (IsDrawnEdge(e))
                    for (const uint32_t v : {e.a, e.b})
                        meeting_[v] = static_cast<uint8_t>(std::min(meeting_[v] + 1, 3));
                if (e.kind == CreaseKind::Boundary) {
                    frontEdges_.push_back({At(e.a, false), At(e.b, false)});
                    backEdges_.push_back({At(e.a, true), At(e.b, true)});
                }
            }
        }
        if (options_.bends)
            ChainPatternEdges(pattern_, IsVisibleBend, bends_);
        if (options_.HasFront())
            DrawSide(false);
        if (options_.HasBack())
            DrawSide(true);
    }

private:
    void DrawSide(bool back)
    {
        side_ = static_cast<uint32_t>(out_.layers.size());
        const CDrawnLayer* layers = back ? kBackLayers : kFrontLayers;
        out_.layers.insert(out_.layers.end(), layers, layers + (options_.bends ? 4 : 3));
        for (const CPatternChains::Chain& chain : creases_.chains)
            if (Shows(chain.kind, back))
                DrawChain(creases_, chain, back);
        if (options_.bends)
            for (const CPatternChains::Chain& chain : bends_.chains)
                DrawChain(bends_, chain, back);
    }

    // Split shows each crease only on the side it folds towards.
    bool Shows(CreaseKind kind, bool back) const
    {
        if (options_.side != PatternSide::kSplit || kind == CreaseKind::Boundary)
            return true;
        return kind == (back ? CreaseKind::Mountain : CreaseKind::Valley);
    }

    CDrawnPoint At(uint32_t vertex, bool back) const
    {
        const CPaperPoint& p = pattern_.vertices[vertex];
        const double x = p.u - pattern_.lo.u;
        return {back ? out_.width - x : x, pattern_.hi.v - p.v};
    }

    uint32_t LayerOf(CreaseKind kind, bool back) const
    {
        // Seen from behind, a mountain is a valley and a valley a mountain.
        if (back && kind == CreaseKind::Mountain)
            kind = CreaseKind::Valley;
        else if (back && kind == CreaseKind::Valley)
            kind = CreaseKind::Mountain;
        return side_ + SlotOf(kind);
    }

    void DrawChain(const CPatternChains& chains, const CPatternChains::Chain& chain, bool back)
    {
        StrokeRuns(pattern_, chains, chain, runs_);
        const bool closed = runs_.size() == 1 && chains.Closed(chain);
        const uint32_t layer = LayerOf(chain.kind, back);
        const bool dashed = options_.dashed && (chain.kind == CreaseKind::Mountain ||
                                                chain.kind == CreaseKind::Valley);
        if (!dashed) {
            for (const CStrokeRun& run : runs_) {
                const uint32_t first = static_cast<uint32_t>(out_.points.size());
                const uint32_t last = closed ? run.end - 1 : run.end;
                for (uint32_t k = run.begin; k < last; ++k)
                    out_.points.push_back(At(chains.vertices[k], back));
                out_.strokes.push_back(
                    {first, static_cast<uint32_t>(out_.points.size()), layer, run.opacity, closed});
            }
            return;
        }
        // A crease's ends are where it stops and where other lines meet it:
        // the paper tears there first, so every such piece keeps its margins.
        uint32_t from = chain.begin;
        for (uint32_t k = chain.begin + 1; k < chain.end; ++k)
            if (k + 1 == chain.end || meeting_[chains.vertices[k]] > 2) {
                DashPiece(chains, from, k + 1, layer, back);
                from = k;
            }
    }

    // Dashes along chains.vertices[begin, end), with the opacity of the run
    // that holds each dash's middle.
    void DashPiece(const CPatternChains& chains, uint32_t begin, uint32_t end, uint32_t layer,
                   bool back)
    {
        line_.clear();
        for (uint32_t k = begin; k < end; ++k)
            line_.push_back(At(chains.vertices[k], back));
        runEnds_.clear();
        double along = 0.0;
        for (const CStrokeRun& run : runs_) {
            const uint32_t lo = std::max(run.begin, begin), hi = std::min(run.end, end);
            if (hi > lo)
                along += PolylineLength(line_.data() + (lo - begin), hi - lo);
            runEnds_.push_back(along);
        }
        DashSpans(along, options_.dash, options_.gap, options_.margin, dashes_);
        SpansAwayFromEdges(line_.data(), line_.size(), back ? backEdges_ : frontEdges_,
                           options_.margin, inside_);
        IntersectSpans(dashes_, inside_, pieces_);
        for (const CArcSpan& piece : pieces_) {
            const uint32_t first = static_cast<uint32_t>(out_.points.size());
            AppendPolylinePart(line_.data(), line_.size(), piece, out_.points);
            const double middle = (piece.from + piece.to) / 2.0;
            const size_t run =
                std::lower_bound(runEnds_.begin(), runEnds_.end(), middle) - runEnds_.begin();
            out_.strokes.push_back({first, static_cast<uint32_t>(out_.points.size()), layer,
                                    runs_[std::min(run, runs_.size() - 1)].opacity, false});
        }
    }

    const CCreasePattern& pattern_;
    const CPatternOptions& options_;
    CPatternDrawing& out_;
    CPatternChains creases_;
    CPatternChains bends_;
    std::vector<uint8_t> meeting_;                      // per vertex: drawn edges there, up to 3
    std::vector<CDrawnSegment> frontEdges_, backEdges_; // the paper's outline on each side
    uint32_t side_ = 0;                                 // the side's first layer
    std::vector<CStrokeRun> runs_;
    std::vector<CDrawnPoint> line_;
    std::vector<double> runEnds_;
    std::vector<CArcSpan> dashes_, inside_, pieces_;
};

} // namespace

bool CPatternDrawing::HasFront() const
{
    return std::any_of(layers.begin(), layers.end(), [](const CDrawnLayer& l) { return !l.back; });
}

bool CPatternDrawing::HasBack() const
{
    return std::any_of(layers.begin(), layers.end(), [](const CDrawnLayer& l) { return l.back; });
}

void BuildPatternDrawing(const CCreasePattern& pattern, const CPatternOptions& options,
                         CPatternDrawing& out)
{
    out = CPatternDrawing();
    CDrawingBuilder(pattern, options, out).Run();
}

const char* SideLabel(bool back)
{
    return back ? "Back" : "Front";
}
