#include "import/LoaderROK.h"

#include "import/StringSeparator.h"
#include "import/WordScanner.h"

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
    RokWords(const std::string& bytes, ProgressScope& progress)
        : scanner_(bytes), percent_(bytes.size()), progress_(progress)
    {
    }

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

Step ReadRok(const std::string& bytes, CPolyModel& model, ProgressScope& progress)
{
    CPolyObject* object = model.AddObject();
    RokWords words(bytes, progress);
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
        const CVector3 p(ParseLeadingDouble(rec[5]), -ParseLeadingDouble(rec[6]),
                         -ParseLeadingDouble(rec[7]));
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
        lines.push_back({ParseLeadingInt(rec[0]), ParseLeadingInt(rec[1])});
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
        const int count = ParseLeadingInt(rec[0]);
        if (count < 0)
            return Step::kFail;
        CPolyFace* face = object->AddFace();
        face->material = ParseLeadingInt(rec[1]);
        numbers.clear();
        // Grows with what is actually in the file, never by the announced count.
        for (int k = 0; k < count; ++k) {
            if (const Step s = words.Field(w); s != Step::kOk)
                return s;
            numbers.push_back(ParseLeadingInt(w));
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
        const int count = ParseLeadingInt(w);
        if (count < 0)
            return Step::kFail;
        for (int r = 0; r < count; ++r) {
            if (const Step s = words.Fields(7, rec); s != Step::kOk)
                return s;
            CMaterial m;
            for (int k = 0; k < 3; ++k) {
                m.values[k] = static_cast<float>(ParseLeadingDouble(rec[1 + k]) / 255.0);
                m.values[4 + k] = static_cast<float>(ParseLeadingDouble(rec[4 + k]) / 255.0);
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
    std::string bytes;
    if (!ReadFileBytes(path, bytes))
        return kReadFailed;
    progress.SetRange(0, 100);
    progress.SetText("Loading...");
    const Step step = ReadRok(bytes, *model, progress);
    if (step == Step::kCancel)
        return kReadCancelled;
    if (step == Step::kFail)
        return kReadFailed;

    progress.SetText("Constructing...");
    const int materialCount = static_cast<int>(model->materials.size());
    for (const auto& obj : model->objects)
        for (CPolyFace* f : obj->faces)
            if (f->material >= materialCount)
                f->material = -1;
    HarmoniseWinding(*model);
    return model->BuildTopology() ? kReadOk : kReadFailed;
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

struct EdgeEntry {
    const CPolyVertex* lo;
    const CPolyVertex* hi;
    uint32_t face;
};

bool EdgeLess(const EdgeEntry& x, const EdgeEntry& y)
{
    std::less<const CPolyVertex*> less;
    if (x.lo != y.lo)
        return less(x.lo, y.lo);
    if (x.hi != y.hi)
        return less(x.hi, y.hi);
    return x.face < y.face;
}

EdgeEntry EdgeOf(const CFaceCorner* c, uint32_t face)
{
    const CPolyVertex* a = c->vertex;
    const CPolyVertex* b = c->next->vertex;
    return std::less<const CPolyVertex*>()(a, b) ? EdgeEntry{a, b, face} : EdgeEntry{b, a, face};
}

bool HasRing(const CPolyFace* f) { return f->corners.size() >= 3 && f->corners[0]->next; }

} // namespace

void HarmoniseWinding(CPolyModel& model)
{
    std::vector<CPolyFace*> faces;
    for (const auto& obj : model.objects)
        for (CPolyFace* f : obj->faces)
            if (HasRing(f))
                faces.push_back(f);

    // Undirected edge -> faces; a reversal keeps each face's edge set, so the map stays valid.
    std::vector<EdgeEntry> edges;
    for (uint32_t i = 0; i < faces.size(); ++i)
        for (const CFaceCorner* c : faces[i]->corners)
            edges.push_back(EdgeOf(c, i));
    std::sort(edges.begin(), edges.end(), EdgeLess);

    auto forEachNeighbour = [&](uint32_t i, auto&& visit) {
        for (const CFaceCorner* c : faces[i]->corners) {
            const EdgeEntry key = EdgeOf(c, 0);
            auto it = std::lower_bound(edges.begin(), edges.end(), key, EdgeLess);
            for (; it != edges.end() && it->lo == key.lo && it->hi == key.hi; ++it)
                if (it->face != i)
                    visit(it->face);
        }
    };

    std::vector<uint8_t> settled(faces.size(), 0);
    // A full rescan always settles the lowest-numbered unsettled face that touches a
    // settled one; the heap hands them out in that order.
    std::priority_queue<uint32_t, std::vector<uint32_t>, std::greater<uint32_t>> waiting;
    auto settle = [&](uint32_t i) {
        settled[i] = 1;
        faces[i]->sel = 1;
        forEachNeighbour(i, [&](uint32_t j) {
            if (!settled[j])
                waiting.push(j);
        });
    };

    for (uint32_t first = 0; first < faces.size(); ++first) {
        if (settled[first])
            continue;
        settle(first);
        while (!waiting.empty()) {
            const uint32_t q = waiting.top();
            waiting.pop();
            if (settled[q])
                continue;
            uint32_t s = UINT32_MAX;
            forEachNeighbour(q, [&](uint32_t j) {
                if (settled[j] && j < s)
                    s = j;
            });
            // The first pair of corners, in list order, whose edges join the same two vertices.
            bool sameWay = false;
            bool found = false;
            for (const CFaceCorner* qc : faces[q]->corners) {
                for (const CFaceCorner* sc : faces[s]->corners) {
                    if (qc->vertex == sc->next->vertex && qc->next->vertex == sc->vertex) {
                        found = true;
                        break;
                    }
                    if (qc->vertex == sc->vertex && qc->next->vertex == sc->next->vertex) {
                        found = sameWay = true;
                        break;
                    }
                }
                if (found)
                    break;
            }
            if (sameWay)
                ReverseFace(*faces[q]);
            settle(q);
        }
    }
    for (CPolyFace* f : faces)
        f->sel = 0;
}
