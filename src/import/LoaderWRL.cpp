#include "import/LoaderWRL.h"

#include "import/FileBytes.h"
#include "import/LeadingNumber.h"
#include "import/ReadFailure.h"
#include "import/StringSeparator.h"
#include "import/WordScanner.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == ',';
}

bool IsBracket(char c)
{
    return c == '[' || c == ']' || c == '{' || c == '}';
}

// One word of a VRML text from pos; false at end of input.
bool ScanWord(std::string_view bytes, size_t& pos, std::string_view& word)
{
    const size_t size = bytes.size();
    for (;;) {
        while (pos < size && IsBlank(bytes[pos]))
            ++pos;
        if (pos < size && bytes[pos] == '#') {
            while (pos < size && bytes[pos] != '\n' && bytes[pos] != '\r')
                ++pos;
            continue;
        }
        break;
    }
    if (pos >= size)
        return false;
    const size_t start = pos;
    if (IsBracket(bytes[pos])) {
        ++pos;
    } else if (bytes[pos] == '"') {
        // The quotes stay in the word so that a string never reads as a keyword.
        ++pos;
        while (pos < size && bytes[pos] != '"') {
            if (bytes[pos] == '\\' && pos + 1 < size)
                ++pos;
            ++pos;
        }
        if (pos < size)
            ++pos;
    } else {
        while (pos < size && !IsBlank(bytes[pos]) && !IsBracket(bytes[pos]) && bytes[pos] != '#' &&
               bytes[pos] != '"')
            ++pos;
    }
    word = bytes.substr(start, pos - start);
    return true;
}

} // namespace

ReadResult CPolyModel::ReadWRL(const std::string& path, IProgress* progress)
{
    fileName = path;
    LoaderWRL loader(path, this, progress);
    return loader.Read();
}

LoaderWRL::LoaderWRL(const std::string& file, CPolyModel* target, IProgress* display)
    : path(file), model(target), progress(display, "File Open")
{
}

LoaderWRL::~LoaderWRL() = default;

ReadResult LoaderWRL::Read()
{
    if (!bytes.Load(path))
        return kReadFailed;
    progress.SetRange(0, 100);
    progress.SetText("Loading...");

    std::string_view word;
    Step step = kOk;
    while (NextAtTop(word, step)) {
        if (word == "Coordinate3")
            step = ParseCoordinate3();
        else if (word == "IndexedFaceSet")
            step = ParseIndexedFaceSet();
        if (step != kOk)
            break;
    }
    if (step == kCancel)
        return kReadCancelled;
    if (step == kFail)
        return RefuseRead(*model, StoppedAt(bytes.view(), pos, "a node or list is malformed"));

    progress.SetText("Constructing...");
    return model->BuildTopology() ? kReadOk : RefuseRead(*model, kNoUsableFace);
}

bool LoaderWRL::NextAtTop(std::string_view& word, Step& step)
{
    const int percent = static_cast<int>(static_cast<unsigned long long>(pos) * 100 / bytes.size());
    if (percent != lastPercent) {
        lastPercent = percent;
        if (!progress.Update(percent)) {
            step = kCancel;
            return false;
        }
    }
    step = kOk;
    return ScanWord(bytes.view(), pos, word);
}

LoaderWRL::Step LoaderWRL::Next(std::string_view& word)
{
    Step step;
    if (NextAtTop(word, step))
        return kOk;
    return step == kCancel ? kCancel : kFail; // the file ends inside a node or list
}

LoaderWRL::Step LoaderWRL::ParseNodeBody(std::string_view field, Step (LoaderWRL::*parse)())
{
    std::string_view word;
    for (;;) {
        if (const Step s = Next(word); s != kOk)
            return s;
        if (word == "}")
            return kOk;
        if (word == field) {
            if (const Step s = (this->*parse)(); s != kOk)
                return s;
        }
    }
}

LoaderWRL::Step LoaderWRL::ParseCoordinate3()
{
    object = model->AddObject();
    return ParseNodeBody("point", &LoaderWRL::ParsePoints);
}

LoaderWRL::Step LoaderWRL::ParseIndexedFaceSet()
{
    if (!object)
        return kFail; // faces with no points to index
    return ParseNodeBody("coordIndex", &LoaderWRL::ParseFaceList);
}

LoaderWRL::Step LoaderWRL::ReadNumber(std::string_view word, double& value)
{
    // Only numbers belong in a point list; one too large for a double is refused too.
    if (!StartsWithNumber(word) || !ParseLeadingDouble(word, value))
        return kFail;
    return kOk;
}

LoaderWRL::Step LoaderWRL::ParsePoints()
{
    std::string_view word;
    if (const Step s = Next(word); s != kOk)
        return s;
    const bool list = word == "[";
    double xyz[3];
    int have = 0;
    int32_t id = 0;
    for (;;) {
        if (list) {
            if (const Step s = Next(word); s != kOk)
                return s;
            if (word == "]")
                return have == 0 ? kOk : kFail; // a list ending inside a point
        }
        if (const Step s = ReadNumber(word, xyz[have]); s != kOk)
            return s;
        if (++have == 3) {
            object->AddVertex(CVector3(xyz[0], xyz[1], xyz[2]))->id = id++;
            have = 0;
            if (!list)
                return kOk; // a single point written without brackets
        }
        if (!list) {
            if (const Step s = Next(word); s != kOk)
                return s;
        }
    }
}

LoaderWRL::Step LoaderWRL::AddIndex(std::string_view word, CPolyFace*& face)
{
    if (!StartsWithNumber(word))
        return kFail;
    const int64_t index = ParseLeadingInt(word);
    if (index == -1) {
        face = nullptr; // the next index starts a new face
        return kOk;
    }
    if (index < 0 || static_cast<size_t>(index) >= object->vertices.size())
        return kFail;
    if (!face)
        face = object->AddFace();
    face->AddCorner(object->vertices[static_cast<size_t>(index)]);
    return kOk;
}

LoaderWRL::Step LoaderWRL::ParseFaceList()
{
    std::string_view word;
    if (const Step s = Next(word); s != kOk)
        return s;
    CPolyFace* face = nullptr;
    if (word != "[")
        return AddIndex(word, face); // a single value written without brackets
    for (;;) {
        if (const Step s = Next(word); s != kOk)
            return s;
        if (word == "]")
            return kOk;
        if (const Step s = AddIndex(word, face); s != kOk)
            return s;
    }
}
