#include "import/LoaderOBJ.h"

#include "import/FileBytes.h"
#include "import/LeadingNumber.h"
#include "import/ReadFailure.h"
#include "import/WordScanner.h"
#include "model/Progress.h"

#include <array>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

namespace {

// Longest skip of a comment or an unknown statement, the line feed included:
// the rest of a longer line is read as statements.
constexpr size_t kSkipLimit = 512;
// A face line is what a 512-byte line read takes: at most 511 characters.
constexpr size_t kFaceLineLimit = 511;
// Give parsed text back to the system in steps of this many bytes.
constexpr size_t kReleaseStep = size_t(8) << 20;

struct StatementCounts {
    size_t vertices = 0;
    size_t faces = 0;
};

// Counts lines that start with "v" or "f" and a blank, so the lists can be
// sized once instead of growing by copies; only a hint, bounded by the text.
StatementCounts CountStatements(std::string_view text)
{
    StatementCounts counts;
    size_t at = 0;
    while (at + 1 < text.size()) {
        if (WordScanner::IsSpace(text[at + 1]) && text[at + 1] != '\n') {
            if (text[at] == 'v')
                ++counts.vertices;
            else if (text[at] == 'f')
                ++counts.faces;
        }
        const size_t lf = text.find('\n', at);
        if (lf == std::string_view::npos)
            break;
        at = lf + 1;
    }
    return counts;
}

bool FirstTokenIsBackslash(std::string_view line)
{
    WordScanner tokens(line);
    std::string_view first;
    return tokens.Next(first) && first == "\\";
}

struct CornerRef {
    int64_t vertex = 0;
    int64_t tex = -1;
    bool hasTex = false;
};

// "v", "v/t", "v/t/n" or "v//n"; the normal index is ignored.
CornerRef ParseCorner(std::string_view token)
{
    CornerRef ref;
    const size_t s1 = token.find('/');
    if (s1 == std::string_view::npos) {
        ref.vertex = ParseLeadingInt(token);
        return ref;
    }
    ref.vertex = ParseLeadingInt(token.substr(0, s1));
    const size_t s2 = token.find('/', s1 + 1);
    if (s2 == std::string_view::npos) {
        ref.tex = ParseLeadingInt(token.substr(s1 + 1));
        ref.hasTex = true;
    } else if (s2 > s1 + 1) {
        ref.tex = ParseLeadingInt(token.substr(s1 + 1, s2 - s1 - 1));
        ref.hasTex = true;
    }
    return ref;
}

// The `v` statements of a file as vertex records, made as they are read:
// the first corner that names one takes its record, any later one a copy (a
// corner has a record of its own), so a position is held once, not in a list
// beside the records as well.
class ReadVertices {
public:
    ReadVertices(CPolyObject& object, size_t expected) : object_(object), expected_(expected) {}

    size_t Count() const { return count_; }

    void Add(const CVector3& p)
    {
        CPolyVertex* v = nullptr;
        if (count_ < expected_) {
            if (!first_)
                first_ = object_.arena.AllocateArray<CPolyVertex>(expected_);
            v = new (first_ + count_) CPolyVertex(p);
        } else {
            v = object_.NewVertex(p);
            more_.push_back(v);
        }
        if (count_ % 64 == 0)
            taken_.push_back(0);
        ++count_;
    }

    // The record for a corner on vertex i (0-based, below Count()), appended
    // to the object's vertices.
    CPolyVertex* Take(size_t i)
    {
        CPolyVertex* v = i < expected_ ? first_ + i : more_[i - expected_];
        uint64_t& word = taken_[i / 64];
        const uint64_t bit = uint64_t(1) << (i % 64);
        if (word & bit)
            return object_.AddVertex(v->pos);
        word |= bit;
        object_.vertices.push_back(v);
        return v;
    }

private:
    CPolyObject& object_;
    size_t expected_;
    CPolyVertex* first_ = nullptr; // the first `expected_` records, in one piece
    std::vector<CPolyVertex*> more_;
    std::vector<uint64_t> taken_; // a bit per vertex: a corner has its record
    size_t count_ = 0;
};

} // namespace

LoaderOBJ::LoaderOBJ(const std::string& path, CPolyModel& model) : path_(path), model_(model) {}

ReadResult LoaderOBJ::Run(IProgress* progress)
{
    FileBytes bytes;
    if (!bytes.Load(path_))
        return kReadFailed; // before any display is shown

    ProgressScope scope(progress, "File Open");
    scope.SetRange(0, 100);
    scope.SetText("Loading...");

    const uint8_t hadTexCoords = model_.hasTexCoords;
    CPolyObject* obj = model_.AddObject();
    // Leaves the model as it was apart from its file name.
    auto fail = [&](ReadResult result) {
        auto& objects = model_.objects;
        for (auto it = objects.begin(); it != objects.end(); ++it) {
            if (it->get() == obj) {
                objects.erase(it);
                break;
            }
        }
        model_.hasTexCoords = hadTexCoords;
        return result;
    };

    const std::string_view text = bytes.view();
    size_t linesReleased = 0; // line feeds in the text given back to the system
    size_t releasedTo = 0;
    // Refuses with the line of `at`, a view into the text not yet given back.
    auto refuseAt = [&](std::string_view at, ReadResult result, const std::string& what) {
        const size_t offset = static_cast<size_t>(at.data() - text.data());
        model_.whyNotRead =
            AtLine(linesReleased + LineAt(text.substr(releasedTo), offset - releasedTo), what);
        return fail(result);
    };

    const StatementCounts expected = CountStatements(bytes.view());
    ReadVertices positions(*obj, expected.vertices); // one per `v`, in file order
    obj->faces.reserve(expected.faces);
    obj->vertices.reserve(expected.faces * 3);
    const size_t size = bytes.size();
    WordScanner in(std::string_view(bytes.data(), size));
    int lastPercent = 0;
    std::string_view token;

    // False with the reason recorded when the statement's next number is
    // missing or unreadable.
    auto readCoordinate = [&](double& value, const char* statement) {
        std::string_view last = token;
        if (!in.Next(token)) {
            refuseAt(last, kReadFailed,
                     std::string("the file ends inside a \"") + statement + "\" statement");
            return false;
        }
        if (!ParseLeadingDouble(token, value)) {
            std::string why = "\"";
            why.append(token.substr(0, 40));
            why += "\" is not a number in range";
            refuseAt(token, kReadFailed, why);
            return false;
        }
        return true;
    };

    while (in.Next(token)) {
        // 64-bit: position * 100 overflows 32 bits beyond 21 MB.
        const int percent = static_cast<int>(static_cast<uint64_t>(in.Position()) * 100 / size);
        if (percent != lastPercent) {
            if (!scope.Update(percent))
                return fail(kReadCancelled);
            lastPercent = percent;
            if (in.Position() - releasedTo >= kReleaseStep) {
                const size_t upTo = in.Position() - token.size();
                linesReleased += LineAt(text.substr(releasedTo, upTo - releasedTo), upTo) - 1;
                releasedTo = upTo;
                bytes.ReleaseBefore(releasedTo);
            }
        }
        if (token[0] == '#') {
            in.TakeLine(kSkipLimit);
        } else if (token == "v") {
            CVector3 p;
            if (!readCoordinate(p.x, "v") || !readCoordinate(p.y, "v") || !readCoordinate(p.z, "v"))
                return kReadFailed;
            positions.Add(p);
        } else if (token == "vt") {
            double u = 0.0, v = 0.0;
            if (!readCoordinate(u, "vt") || !readCoordinate(v, "vt"))
                return kReadFailed;
            obj->AddTexCoord(u, v);
        } else if (token == "f" || token == "fo") {
            CPolyFace* face = obj->AddFace();
            std::string_view line = in.TakeLine(kFaceLineLimit);
            if (FirstTokenIsBackslash(line))
                line = in.TakeLine(kFaceLineLimit);
            WordScanner corners(line);
            std::string_view item;
            const int64_t vertexCount = static_cast<int64_t>(positions.Count());
            while (corners.Next(item)) {
                CornerRef ref = ParseCorner(item);
                if (ref.hasTex)
                    model_.hasTexCoords = 1;
                if (ref.vertex < 0)
                    ref.vertex += vertexCount + 1;
                const int64_t texCount = static_cast<int64_t>(obj->texcoords.size());
                if (model_.hasTexCoords && ref.tex < 0)
                    ref.tex += texCount + 1;
                if (ref.vertex < 1 || ref.vertex > vertexCount)
                    return refuseAt(item, kReadFailed,
                                    "face corner \"" + std::string(item.substr(0, 40)) +
                                        "\" names no vertex (" + std::to_string(vertexCount) +
                                        " are defined before it)");
                CPolyVertex* vertex = positions.Take(static_cast<size_t>(ref.vertex - 1));
                CFaceCorner* corner = face->AddCorner(vertex);
                if (face->corners.size() > 3)
                    return refuseAt(item, kReadNotTriangles, "a face with more than three corners");
                if (model_.hasTexCoords) {
                    if (ref.tex < 1 || ref.tex > texCount)
                        return refuseAt(item, kReadFailed,
                                        "face corner \"" + std::string(item.substr(0, 40)) +
                                            "\" names no texture coordinate (" +
                                            std::to_string(texCount) + " are defined before it)");
                    corner->tex = obj->texcoords[ref.tex - 1];
                }
            }
        } else {
            in.TakeLine(kSkipLimit);
        }
    }

    scope.SetText("Constructing...");
    if (!model_.BuildTopology()) {
        model_.whyNotRead = kNoUsableFace;
        return fail(kReadFailed);
    }
    return kReadOk;
}

ReadResult CPolyModel::ReadOBJ(const std::string& path, IProgress* progress)
{
    fileName = path;
    LoaderOBJ loader(path, *this);
    return loader.Run(progress);
}
