#include "import/LoaderROK.h"

#include "import/FileBytes.h"
#include "import/ReadFailure.h"
#include "import/StringSeparator.h"
#include "import/WordScanner.h"
#include "base/Buckets.h"

#include <algorithm>
#include <functional>
#include <queue>

namespace {

bool IsSectionKeyword(std::string_view w)
{
    return w == "POINT" || w == "LINE0" || w == "FACE0" || w == "END00" || w == "PALC0";
}

enum class Step { kOk, kFail, kCancel };

// Words of the file with the progress kept up to date.
class RokWords {
public:
    RokWords(std::string_view bytes, ProgressScope& progress)
        : scanner_(bytes), percent_(bytes.size()), progress_(progress)
    {
    }

    size_t Position() const { return scanner_.Position(); }

    // Next word; kFail at end of input.
    Step Next(std::string_view& word)
    {
        if (!percent_.Update(progress_, scanner_.Position()))
            return Step::kCancel;
        return scanner_.Next(word) ? Step::kOk : Step::kFail;
    }
    bool AtEnd(std::string_view& word, Step& step)
    {
        step = Next(word);
        return step != Step::kOk;
    }
    // Next word inside a record: a section keyword there means the record was cut short.
    Step Field(std::string_view& word)
    {
        const Step s = Next(word);
        if (s == Step::kOk && IsSectionKeyword(word))
            return Step::kFail;
        return s;
    }
    Step Fields(int count, std::string_view* words)
    {
        for (int i = 0; i < count; ++i)
            if (const Step s = Field(words[i]); s != Step::kOk)
                return s;
        return Step::kOk;
    }

private:
    WordScanner scanner_;
    ReadPercent percent_;
    ProgressScope& progress_;
};

struct Line {
    int a; // 1-based point numbers
    int b;
};

// The corners of a face from its line numbers, in the order the lines meet.
Step AddCornersFromLines(CPolyFace* face, const std::vector<Line>& lines,
                         const std::vector<CPolyVertex*>& points, const std::vector<int>& numbers)
{
    const int pointCount = static_cast<int>(points.size());
    auto valid = [&](int p) { return p >= 1 && p <= pointCount; };
    int prev = 0;
    int cand = 0;
    for (size_t k = 0; k < numbers.size(); ++k) {
        const int e = numbers[k];
        if (e < 1 || static_cast<size_t>(e) > lines.size())
            return Step::kFail;
        const Line& line = lines[static_cast<size_t>(e) - 1];
        if (!valid(line.a) || !valid(line.b))
            return Step::kFail;
        bool otherIsB;
        if (k == 0) {
            cand = line.a - 1;
            prev = cand;
            otherIsB = true;
        } else if (line.a == prev + 1) {
            cand = line.b - 1;
            prev = cand;
            otherIsB = true;
        } else if (line.b == prev + 1) {
            cand = line.a - 1;
            prev = cand;
            otherIsB = false;
        } else {
            prev = cand;
            otherIsB = line.a == cand + 1;
        }
        face->AddCorner(points[static_cast<size_t>(cand)]);
        cand = (otherIsB ? line.b : line.a) - 1;
    }
    return Step::kOk;
}

Step ReadRok(RokWords& words, CPolyModel& model)
{
    CPolyObject* object = model.AddObject();
    std::string_view w;
    Step step;

    do {
        if (words.AtEnd(w, step))
            return step == Step::kCancel ? step : Step::kOk; // nothing to read: no faces
    } while (w != "POINT");

    int32_t nextId = 1;
    std::string_view rec[8];
    for (;;) {
        if (const Step s = words.Next(rec[0]); s != Step::kOk)
            return s;
        if (rec[0] == "LINE0")
            break;
        if (IsSectionKeyword(rec[0]))
            return Step::kFail;
        if (const Step s = words.Fields(7, rec + 1); s != Step::kOk)
            return s;
        const CVector3 p(LeadingDouble(rec[5]), -LeadingDouble(rec[6]), -LeadingDouble(rec[7]));
        object->AddVertex(p)->id = nextId++;
        // Points no face uses still count for the box.
        model.bboxMin = {std::min(model.bboxMin.x, p.x), std::min(model.bboxMin.y, p.y),
                         std::min(model.bboxMin.z, p.z)};
        model.bboxMax = {std::max(model.bboxMax.x, p.x), std::max(model.bboxMax.y, p.y),
                         std::max(model.bboxMax.z, p.z)};
    }

    std::vector<Line> lines;
    for (;;) {
        if (const Step s = words.Next(rec[0]); s != Step::kOk)
            return s;
        if (rec[0] == "FACE0")
            break;
        if (IsSectionKeyword(rec[0]))
            return Step::kFail;
        if (const Step s = words.Fields(3, rec + 1); s != Step::kOk)
            return s;
        lines.push_back({LeadingInt(rec[0]), LeadingInt(rec[1])});
    }

    std::vector<int> numbers;
    for (;;) {
        if (const Step s = words.Next(rec[0]); s != Step::kOk)
            return s;
        if (rec[0] == "END00")
            break;
        if (IsSectionKeyword(rec[0]))
            return Step::kFail;
        if (const Step s = words.Fields(2, rec + 1); s != Step::kOk)
            return s;
        const int count = LeadingInt(rec[0]);
        if (count < 0)
            return Step::kFail;
        CPolyFace* face = object->AddFace();
        face->material = LeadingInt(rec[1]);
        numbers.clear();
        // Grows with what is actually in the file, never by the announced count.
        for (int k = 0; k < count; ++k) {
            if (const Step s = words.Field(w); s != Step::kOk)
                return s;
            numbers.push_back(LeadingInt(w));
        }
        if (const Step s = AddCornersFromLines(face, lines, object->vertices, numbers);
            s != Step::kOk)
            return s;
        face->CleanCorners();
        face->ComputePlane();
    }

    for (;;) {
        if (words.AtEnd(w, step))
            return step == Step::kCancel ? step : Step::kOk;
        if (w != "PALC0")
            continue;
        if (const Step s = words.Field(w); s != Step::kOk)
            return s;
        const int count = LeadingInt(w);
        if (count < 0)
            return Step::kFail;
        for (int r = 0; r < count; ++r) {
            if (const Step s = words.Fields(7, rec); s != Step::kOk)
                return s;
            CMaterial m;
            for (int k = 0; k < 3; ++k) {
                m.values[k] = static_cast<float>(LeadingDouble(rec[1 + k]) / 255.0);
                m.values[4 + k] = static_cast<float>(LeadingDouble(rec[4 + k]) / 255.0);
            }
            m.values[3] = 1.0f;
            m.values[7] = 1.0f;
            m.values[11] = 1.0f;
            m.values[15] = 1.0f;
            model.materials.push_back(m);
        }
    }
}

} // namespace

ReadResult CPolyModel::ReadROK(const std::string& path, IProgress* progress)
{
    fileName = path;
    LoaderROK loader(path, this, progress);
    return loader.Read();
}

LoaderROK::LoaderROK(const std::string& file, CPolyModel* target, IProgress* display)
    : path(file), model(target), progress(display, "File Open")
{
}

LoaderROK::~LoaderROK() = default;

ReadResult LoaderROK::Read()
{
    FileBytes bytes;
    if (!bytes.Load(path))
        return kReadFailed;
    progress.SetRange(0, 100);
    progress.SetText("Loading...");
    RokWords words(bytes.view(), progress);
    const Step step = ReadRok(words, *model);
    if (step == Step::kCancel)
        return kReadCancelled;
    if (step == Step::kFail)
        return RefuseRead(*model, StoppedAt(bytes.view(), words.Position(),
                                            "a record is malformed, cut short or out of range"));

    progress.SetText("Constructing...");
    const int materialCount = static_cast<int>(model->materials.size());
    for (const auto& obj : model->objects)
        for (CPolyFace* f : obj->faces)
            if (f->material >= materialCount)
                f->material = -1;
    HarmoniseWinding(*model);
    return model->BuildTopology() ? kReadOk : RefuseRead(*model, kNoUsableFace);
}

void ReverseFace(CPolyFace& face)
{
    face.normal = face.normal * -1.0;
    face.d = -face.d;
    const int n = face.corners.size();
    if (n == 0)
        return;
    // Each corner takes its successor's values; the first one's are saved before they change.
    CPolyVertex* firstVertex = face.corners[0]->vertex;
    CTexCoord* firstTex = face.corners[0]->tex;
    CFaceCorner* c = face.corners[0];
    for (int k = 0; k < n; ++k) {
        CFaceCorner* following = c->next ? c->next : c;
        if (following == face.corners[0]) {
            c->vertex = firstVertex;
            c->tex = firstTex;
        } else {
            c->vertex = following->vertex;
            c->tex = following->tex;
        }
        c = following;
    }
    for (CFaceCorner* corner : face.corners)
        std::swap(corner->next, corner->prev);
    face.corners.Reverse();
}

namespace {

struct EdgeKey {
    const CPolyVertex* lo;
    const CPolyVertex* hi;
    bool operator==(const EdgeKey& o) const { return lo == o.lo && hi == o.hi; }
};

bool KeyLess(const EdgeKey& x, const EdgeKey& y)
{
    std::less<const CPolyVertex*> less;
    if (x.lo != y.lo)
        return less(x.lo, y.lo);
    return less(x.hi, y.hi);
}

// The undirected edge from a corner to its successor.
EdgeKey KeyOf(const CFaceCorner* c)
{
    const CPolyVertex* a = c->vertex;
    const CPolyVertex* b = c->next->vertex;
    return std::less<const CPolyVertex*>()(a, b) ? EdgeKey{a, b} : EdgeKey{b, a};
}

bool HasRing(const CPolyFace* f)
{
    return f->corners.size() >= 3 && f->corners[0]->next;
}

// Whether q runs the same way as s along their first shared edge, taking the
// corners of q in list order and, for each, the corners of s in list order.
// Large faces use a sorted list of s's edges instead of the pairwise scan.
bool SameWayOnFirstSharedEdge(const CPolyFace& q, const CPolyFace& s,
                              std::vector<std::pair<EdgeKey, int>>& scratch)
{
    auto sameWay = [](const CFaceCorner* qc, const CFaceCorner* sc) {
        return qc->vertex == sc->vertex; // the edges join the same two vertices
    };
    if (q.corners.size() * s.corners.size() <= 16) {
        for (const CFaceCorner* qc : q.corners) {
            const EdgeKey key = KeyOf(qc);
            for (const CFaceCorner* sc : s.corners)
                if (KeyOf(sc) == key)
                    return sameWay(qc, sc);
        }
        return false;
    }
    scratch.clear();
    for (int k = 0; k < s.corners.size(); ++k)
        scratch.push_back({KeyOf(s.corners[k]), k});
    std::sort(scratch.begin(), scratch.end(), [](const auto& x, const auto& y) {
        return KeyLess(x.first, y.first) || (x.first == y.first && x.second < y.second);
    });
    for (const CFaceCorner* qc : q.corners) {
        const EdgeKey key = KeyOf(qc);
        auto it = std::lower_bound(
            scratch.begin(), scratch.end(), key,
            [](const std::pair<EdgeKey, int>& e, const EdgeKey& k) { return KeyLess(e.first, k); });
        if (it != scratch.end() && it->first == key)
            return sameWay(qc, s.corners[it->second]);
    }
    return false;
}

} // namespace

void HarmoniseWinding(CPolyModel& model)
{
    std::vector<CPolyFace*> faces;
    for (const auto& obj : model.objects)
        for (CPolyFace* f : obj->faces)
            if (HasRing(f))
                faces.push_back(f);
    const uint32_t faceCount = static_cast<uint32_t>(faces.size());

    // Undirected edges grouped by their two vertices. A reversal keeps each
    // face's set of edges, so the grouping stays valid throughout.
    struct Use {
        EdgeKey key;
        uint32_t face;
    };
    std::vector<Use> uses;
    for (uint32_t i = 0; i < faceCount; ++i)
        for (const CFaceCorner* c : faces[i]->corners)
            uses.push_back({KeyOf(c), i});
    std::sort(uses.begin(), uses.end(), [](const Use& x, const Use& y) {
        return KeyLess(x.key, y.key) || (x.key == y.key && x.face < y.face);
    });
    std::vector<uint32_t> groupStart; // uses[groupStart[g] .. groupStart[g + 1]) share an edge
    for (uint32_t u = 0; u < uses.size(); ++u)
        if (u == 0 || !(uses[u].key == uses[u - 1].key))
            groupStart.push_back(u);
    const uint32_t groupCount = static_cast<uint32_t>(groupStart.size());
    groupStart.push_back(static_cast<uint32_t>(uses.size()));
    std::vector<uint32_t> faceGroupStart; // CSR: the groups of each face
    std::vector<uint32_t> faceGroups;
    FillBuckets(faceCount, faceGroupStart, faceGroups, [&](auto&& put) {
        for (uint32_t g = 0; g < groupCount; ++g)
            for (uint32_t u = groupStart[g]; u < groupStart[g + 1]; ++u)
                put(uses[u].face, g);
    });

    std::vector<uint8_t> settled(faceCount, 0);
    std::vector<uint8_t> groupQueued(groupCount, 0);
    std::vector<uint32_t> groupMinSettled(groupCount, UINT32_MAX);
    // A full rescan from the first face always settles the lowest-numbered
    // unsettled face that shares an edge with a settled one, and takes its
    // winding from the lowest-numbered such settled face; the heap and the
    // per-edge minimum give the same choices without the rescans.
    std::priority_queue<uint32_t, std::vector<uint32_t>, std::greater<uint32_t>> waiting;
    auto settle = [&](uint32_t i) {
        settled[i] = 1;
        faces[i]->sel = 1;
        for (uint32_t k = faceGroupStart[i]; k < faceGroupStart[i + 1]; ++k) {
            const uint32_t g = faceGroups[k];
            groupMinSettled[g] = std::min(groupMinSettled[g], i);
            if (groupQueued[g])
                continue; // every face on this edge is settled or waiting already
            groupQueued[g] = 1;
            for (uint32_t u = groupStart[g]; u < groupStart[g + 1]; ++u)
                if (!settled[uses[u].face])
                    waiting.push(uses[u].face);
        }
    };

    std::vector<std::pair<EdgeKey, int>> scratch;
    for (uint32_t first = 0; first < faceCount; ++first) {
        if (settled[first])
            continue;
        settle(first);
        while (!waiting.empty()) {
            const uint32_t q = waiting.top();
            waiting.pop();
            if (settled[q])
                continue;
            uint32_t s = UINT32_MAX;
            for (uint32_t k = faceGroupStart[q]; k < faceGroupStart[q + 1]; ++k)
                s = std::min(s, groupMinSettled[faceGroups[k]]);
            if (SameWayOnFirstSharedEdge(*faces[q], *faces[s], scratch))
                ReverseFace(*faces[q]);
            settle(q);
        }
    }
    for (CPolyFace* f : faces)
        f->sel = 0;
}
