#include "import/LoaderMQO.h"

#include "import/ReadFailure.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Values are stored at the precision the format writes them with.
double Single(double v)
{
    return static_cast<double>(static_cast<float>(v));
}

float LittleEndianFloat(const unsigned char* b)
{
    const uint32_t bits = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                          (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Line feeds before byte `end` of the stream: the number of the last line
// read when the reader stops there (it reads whole lines).
size_t LinesBefore(std::FILE* stream, long end)
{
    if (end <= 0 || std::fseek(stream, 0, SEEK_SET) != 0)
        return 0;
    size_t lines = 0;
    char buffer[65536];
    long left = end;
    while (left > 0) {
        const size_t want = static_cast<size_t>(std::min<long>(left, sizeof buffer));
        const size_t got = std::fread(buffer, 1, want, stream);
        if (got == 0)
            break;
        lines += static_cast<size_t>(std::count(buffer, buffer + got, '\n'));
        left -= static_cast<long>(got);
    }
    return lines;
}

} // namespace

ReadResult CPolyModel::ReadMQO(const std::string& path, IProgress* progress)
{
    fileName = path;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file)
        return kReadFailed;
    LoaderMQO loader(file.get(), this, progress);
    return loader.Read();
}

LoaderMQO::LoaderMQO(std::FILE* file, CPolyModel* target, IProgress* display)
    : stream(file), lines(file), model(target), object(target->AddObject()),
      progress(display, "File Open")
{
}

LoaderMQO::~LoaderMQO() = default;

ReadResult LoaderMQO::Read()
{
    lastPercent = 0;
    if (std::fseek(stream, 0, SEEK_END) != 0)
        return kReadFailed;
    fileSize = std::ftell(stream);
    if (fileSize <= 0 || std::fseek(stream, 0, SEEK_SET) != 0)
        return kReadFailed;
    progress.SetRange(0, 100);
    progress.SetText("Loading...");

    int code = kOk;
    if (lines.ReadLine() < 2 || !lines.TokenIs(0, "Metasequoia") || !lines.TokenIs(1, "Document"))
        code = kBadHeader;
    else if (lines.ReadLine() < 4 || !lines.TokenIs(0, "Format") || !lines.TokenIs(1, "Text") ||
             !lines.TokenIs(2, "Ver"))
        code = kBadVersion;
    else if (const double version = lines.TokenAsDouble(3); version == 1.0)
        code = ParseBody();
    else if (version == 1.1) {
        // Ver 1.0 writers split polygons into quads and triangles; 1.1 keeps
        // them whole, and the topology takes them apart.
        keepAllCorners = true;
        code = ParseBody();
    } else
        code = kBadVersion;
    if (code < 0) {
        const long at = std::ftell(stream);
        const bool atEnd = std::feof(stream) != 0;
        const size_t line = std::max<size_t>(1, LinesBefore(stream, at));
        switch (code) {
        case kBadHeader:
            return RefuseRead(*model, "not an MQO file: it does not start with "
                                      "\"Metasequoia Document\"");
        case kBadVersion:
            return RefuseRead(*model, AtLine(line, "not a format version this reader knows"));
        case kEndInChunk:
            return RefuseRead(*model, "the file ends inside a chunk");
        default:
            return RefuseRead(*model,
                              atEnd ? "the file ends too soon" : AtLine(line, "a malformed line"));
        }
    }
    if (code == kCancel)
        return kReadCancelled;

    progress.SetText("Constructing...");
    if (!model->BuildTopology())
        return RefuseRead(*model, kNoUsableFace);
    // The format lists corners clockwise as seen from outside.
    model->FlipOrientation();
    return kReadOk;
}

int LoaderMQO::UpdateProgress()
{
    const long long pos = std::ftell(stream);
    if (pos < 0 || fileSize <= 0)
        return kOk;
    const int percent = static_cast<int>(pos * 100 / fileSize);
    if (percent != lastPercent) {
        lastPercent = percent;
        if (!progress.Update(percent))
            return kCancel;
    }
    return kOk;
}

int LoaderMQO::NextLineInChunk()
{
    if (const int code = UpdateProgress(); code != kOk)
        return code;
    return lines.ReadLine() < 0 ? kEndInChunk : kOk;
}

int LoaderMQO::NextEntry()
{
    for (;;) {
        if (const int code = NextLineInChunk(); code != kOk)
            return code;
        if (lines.TokenCount() == 0)
            continue;
        return lines.TokenIs(0, "}") ? kClosed : kOk;
    }
}

bool LoaderMQO::LastTokenIs(const char* word) const
{
    return lines.TokenCount() > 0 && lines.TokenIs(lines.TokenCount() - 1, word);
}

bool LoaderMQO::EndsWithByteCount(long long& count) const
{
    const int n = lines.TokenCount();
    if (n < 3 || !lines.TokenIs(n - 1, "]") || !lines.TokenIs(n - 3, "["))
        return false;
    count = lines.TokenAsInt(n - 2);
    return true;
}

int LoaderMQO::SkipBytes(long long count)
{
    // Seeking past the end succeeds on a C stream, so check against the size.
    const long long pos = std::ftell(stream);
    if (count < 0 || pos < 0 || count > fileSize - pos)
        return kBad;
    if (std::fseek(stream, static_cast<long>(count), SEEK_CUR) != 0)
        return kBad;
    return std::ftell(stream) == pos + count ? kOk : kBad;
}

int LoaderMQO::SkipChunk()
{
    long long bytes = 0;
    if (LastTokenIs("{")) {
        int depth = 1;
        while (depth > 0) {
            if (const int code = NextLineInChunk(); code != kOk)
                return code;
            if (LastTokenIs("{"))
                ++depth;
            else if (LastTokenIs("}"))
                --depth;
            else if (EndsWithByteCount(bytes)) {
                if (const int code = SkipBytes(bytes); code != kOk)
                    return code;
            }
        }
        return kOk;
    }
    if (EndsWithByteCount(bytes))
        return SkipBytes(bytes);
    return kOk;
}

int LoaderMQO::ParseBody()
{
    for (;;) {
        if (const int code = UpdateProgress(); code != kOk)
            return code;
        const int n = lines.ReadLine();
        if (n < 0)
            return kOk;
        if (n == 0)
            continue;
        int code;
        if (n >= 2 && lines.TokenIs(0, "Material"))
            code = LastTokenIs("{") ? ParseMaterials() : kBad;
        else if (n >= 2 && lines.TokenIs(0, "Object"))
            code = LastTokenIs("{") ? ParseObject() : kBad;
        else
            code = SkipChunk();
        if (code != kOk)
            return code;
    }
}

int LoaderMQO::ParseMaterials()
{
    float colour[4] = {0.0f, 0.0f, 0.0f, 0.0f}; // carried from line to line
    for (;;) {
        if (const int code = NextEntry(); code != kOk)
            return code == kClosed ? kOk : code;
        ParseMaterialLine(colour);
        CMaterial m;
        for (int k = 0; k < 4; ++k) {
            m.values[k] = colour[k];     // ambient
            m.values[4 + k] = colour[k]; // diffuse
        }
        m.values[11] = 1.0f; // emission (0, 0, 0, 1)
        m.values[15] = 1.0f; // specular (0, 0, 0, 1)
        model->materials.push_back(m);
    }
}

void LoaderMQO::ParseMaterialLine(float colour[4])
{
    const int n = lines.TokenCount();
    int i = 1; // token 0 is the material's name
    while (i < n) {
        if (lines.TokenIs(i, "col")) {
            if (n - i < 7 || !lines.TokenIs(i + 1, "(") || !lines.TokenIs(i + 6, ")"))
                return;
            for (int k = 0; k < 4; ++k)
                colour[k] = static_cast<float>(lines.TokenAsDouble(i + 2 + k));
            i += 7;
            continue;
        }
        // Any other attribute: its values up to the closing parenthesis are not kept.
        if (!lines.TokenIs(i + 1, "("))
            return;
        int close = i + 2;
        while (close < n && !lines.TokenIs(close, ")"))
            ++close;
        if (close >= n)
            return;
        i = close + 1;
    }
}

int LoaderMQO::ParseObject()
{
    chunkFirstVertex = object->vertices.size();
    for (;;) {
        if (const int code = NextEntry(); code != kOk)
            return code == kClosed ? kOk : code;
        const int n = lines.TokenCount();
        int code;
        if (lines.TokenIs(0, "vertex"))
            code = (n >= 3 && LastTokenIs("{")) ? ParseVertices() : kBad;
        else if (lines.TokenIs(0, "BVertex"))
            code = (n >= 3 && LastTokenIs("{")) ? ParseBinaryVertices() : kBad;
        else if (lines.TokenIs(0, "face"))
            code = (n >= 2 && LastTokenIs("{")) ? ParseFaces() : kBad;
        else
            code = SkipChunk();
        if (code != kOk)
            return code;
    }
}

void LoaderMQO::AddVertex(double x, double y, double z)
{
    CPolyVertex* v = object->AddVertex(CVector3(x, y, z));
    v->id = nextVertexId++;
}

int LoaderMQO::ParseVertices()
{
    for (;;) {
        if (const int code = NextLineInChunk(); code != kOk)
            return code;
        if (lines.TokenIs(0, "}"))
            return kOk;
        if (lines.TokenCount() > 2)
            AddVertex(Single(lines.TokenAsDouble(0)), Single(lines.TokenAsDouble(1)),
                      Single(lines.TokenAsDouble(2)));
    }
}

int LoaderMQO::ParseBinaryVertices()
{
    for (;;) {
        if (const int code = NextLineInChunk(); code != kOk)
            return code;
        const int n = lines.TokenCount();
        if (lines.TokenIs(0, "}"))
            return kOk;
        if (lines.TokenIs(0, "Vector")) {
            if (n < 5 || !lines.TokenIs(n - 3, "[") || !lines.TokenIs(n - 1, "]"))
                return kBad;
            const long long count = lines.TokenAsInt(1);
            const long long pos = std::ftell(stream);
            // The records must be in the file before any is taken.
            if (count < 0 || pos < 0 || count > (fileSize - pos) / 12)
                return kBad;
            for (long long r = 0; r < count; ++r) {
                if (const int code = UpdateProgress(); code != kOk)
                    return code;
                unsigned char record[12];
                if (std::fread(record, 1, sizeof record, stream) != sizeof record)
                    return kBad;
                AddVertex(LittleEndianFloat(record), LittleEndianFloat(record + 4),
                          LittleEndianFloat(record + 8));
            }
        } else if (n >= 2 && (lines.TokenIs(0, "color") || lines.TokenIs(0, "weit"))) {
            do {
                if (const int code = NextLineInChunk(); code != kOk)
                    return code;
            } while (!LastTokenIs("}"));
        } else if (const int code = SkipChunk(); code != kOk) {
            return code;
        }
    }
}

int LoaderMQO::ParseFaces()
{
    for (;;) {
        if (const int code = NextEntry(); code != kOk)
            return code == kClosed ? kOk : code;
        if (const int code = ParseFaceLine(); code != kOk)
            return code;
    }
}

int LoaderMQO::ParseFaceLine()
{
    // n V ( i1 ... in ) [M ( m )] [UV ( u1 v1 ... un vn )]
    const long long tokenCount = lines.TokenCount();
    const long long n = lines.TokenAsInt(0);
    if (n < 0 || !lines.TokenIs(1, "V") || tokenCount < n + 4)
        return kBad;
    const int count = static_cast<int>(n); // bounded by the token count from here on
    CPolyFace* face = object->AddFace();
    if (!lines.TokenIs(2, "(") || !lines.TokenIs(count + 3, ")"))
        return kOk; // a face without corners, dropped by the topology
    const int kept = keepAllCorners || count < 4 ? count : 4;
    const size_t chunkVertices = object->vertices.size() - chunkFirstVertex;
    for (int k = 1; k <= kept; ++k) {
        const int index = lines.TokenAsInt(k + 2);
        if (index < 0 || static_cast<size_t>(index) >= chunkVertices)
            return kBad;
        face->AddCorner(object->vertices[chunkFirstVertex + static_cast<size_t>(index)]);
    }

    int t = count + 4;
    if (lines.TokenIs(t, "M") && tokenCount >= count + 8) {
        if (!lines.TokenIs(count + 5, "(") || !lines.TokenIs(count + 7, ")"))
            return kOk;
        const int m = lines.TokenAsInt(count + 6);
        if (m >= 0 && static_cast<size_t>(m) < model->materials.size())
            face->material = m;
        t = count + 8;
    }
    if (lines.TokenIs(t, "UV") && tokenCount >= static_cast<long long>(t) + 2 * n + 3 &&
        lines.TokenIs(t + 1, "(") && lines.TokenIs(t + 2 * count + 2, ")")) {
        model->hasTexCoords = 1;
        for (int k = 1; k <= kept; ++k) {
            const double u = Single(lines.TokenAsDouble(t + 2 * k));
            const double v = Single(lines.TokenAsDouble(t + 2 * k + 1));
            face->corners[k - 1]->tex = object->AddTexCoord(u, 1.0 - v);
        }
    }
    return kOk;
}
