#include "import/LoaderQWF.h"

#include "import/ReadFailure.h"

#include "model/CSlicePlane.h"
#include "model/Progress.h"
#include "slices/SliceParts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <type_traits>

namespace {

// A whole token in the C locale; a leading '+' is accepted, non-finite values are not.
template <class Number> bool ParseWhole(std::string_view token, Number& value)
{
    const bool plus = !token.empty() && token.front() == '+';
    if (plus)
        token.remove_prefix(1);
    if (token.empty() || (plus && token.front() == '-'))
        return false;
    const char* end = token.data() + token.size();
    const auto [ptr, ec] = std::from_chars(token.data(), end, value);
    if (ec != std::errc() || ptr != end)
        return false;
    if constexpr (std::is_floating_point_v<Number>)
        return std::isfinite(value);
    return true;
}

} // namespace

ReadResult CPolyModel::ReadQWF(const std::string& path, IProgress* progress)
{
    fileName = path;
    LoaderQWF loader(path, *this);
    return loader.Run(progress);
}

bool LoaderQWF::NextDouble(double& value)
{
    std::string_view token;
    return words_.Next(token) && ParseWhole(token, value);
}

bool LoaderQWF::NextInt(int& value)
{
    std::string_view token;
    return words_.Next(token) && ParseWhole(token, value);
}

bool LoaderQWF::Tick()
{
    const int percent = static_cast<int>(static_cast<int64_t>(words_.Position()) * 100 /
                                         static_cast<int64_t>(bytes_.size()));
    if (percent == lastPercent_)
        return true;
    lastPercent_ = percent;
    return scope_->Update(percent);
}

ReadResult LoaderQWF::Run(IProgress* progress)
{
    if (!bytes_.Load(path_))
        return kReadFailed;
    words_ = WordScanner(bytes_.view());
    ProgressScope scope(progress, "File Open");
    scope_ = &scope;
    scope.SetRange(0, 100);
    scope.SetText("Loading...");

    model_.AddObject(); // stays empty; topology drops it

    std::string_view token;
    bool sawVersion = false;
    while (words_.Next(token)) {
        if (token.front() == '#') {
            words_.SkipLine();
        } else if (token == "version") {
            double ignored = 0.0;
            if (!NextDouble(ignored))
                return RefuseRead(model_, StoppedAt(bytes_.view(), words_.Position(),
                                                    "the version is not a number"));
            sawVersion = true;
            break;
        }
    }
    if (!sawVersion)
        return RefuseRead(model_, "not a QWF file: no \"version\" line");

    mesh_ = model_.AddObject();

    for (;;) {
        if (!Tick())
            return kReadCancelled;
        if (!words_.Next(token))
            break;
        Step step = Step::kOk;
        if (token == "sp") {
            step = ReadSlice();
        } else if (token == "pa") {
            step = ReadPart();
        } else if (token == "/sp") {
            if (!slice_)
                return RefuseRead(model_, StoppedAt(bytes_.view(), words_.Position(),
                                                    "a slice ends that never began"));
            slice_->UpdateFromCorners();
            UpdatePaddedSize(*slice_);
        } else if (token == "e") {
            step = ReadLine();
        } else if (token == "model") {
            step = ReadMesh();
        }
        if (step == Step::kFailed)
            return RefuseRead(model_, StoppedAt(bytes_.view(), words_.Position(),
                                                "a record is malformed or cut short"));
        if (step == Step::kCancelled)
            return kReadCancelled;
    }

    const int lineCount = nextLineId_ - 1;
    for (const auto& plane : model_.planes)
        for (const auto& line : plane->lines)
            if (line->partnerId < 1 || line->partnerId > lineCount)
                return RefuseRead(model_, "an intersection line names a partner line that "
                                          "does not exist");

    scope.SetText("Constructing...");
    if (!model_.BuildTopology())
        return RefuseRead(model_, kNoUsableFace);
    PairIntersectionLines(model_, lineCount);
    return kReadOk;
}

LoaderQWF::Step LoaderQWF::ReadSlice()
{
    int axis = 0;
    if (!NextInt(axis))
        return Step::kFailed;
    auto plane = std::make_unique<CSlicePlane>(axis);
    for (CVector3& corner : plane->corners)
        if (!NextDouble(corner.x) || !NextDouble(corner.y) || !NextDouble(corner.z))
            return Step::kFailed;
    slice_ = plane.get();
    model_.planes.push_back(std::move(plane));
    return Step::kOk;
}

LoaderQWF::Step LoaderQWF::ReadPart()
{
    if (!slice_)
        return Step::kFailed;
    slice_->parts.push_back(std::make_unique<Spart>(slice_));
    Spart* part = slice_->parts.back().get();
    std::string_view token;
    for (;;) {
        if (!Tick())
            return Step::kCancelled;
        if (!words_.Next(token))
            return Step::kOk; // unterminated: the missing mesh fails the read later
        if (token == "v") {
            double x, y, z, u, v;
            if (!NextDouble(x) || !NextDouble(y) || !NextDouble(z) || !NextDouble(u) ||
                !NextDouble(v))
                return Step::kFailed;
            part->AddVertex(x, y, z, u, v);
            GrowPartBounds(*slice_, u, v);
        } else if (token == "/pa") {
            part->Triangulate();
            return Step::kOk;
        }
    }
}

LoaderQWF::Step LoaderQWF::ReadLine()
{
    if (!slice_)
        return Step::kFailed;
    int partnerId = 0;
    double n[10];
    if (!NextInt(partnerId))
        return Step::kFailed;
    for (double& value : n)
        if (!NextDouble(value))
            return Step::kFailed;
    if (nextLineId_ == std::numeric_limits<int>::max())
        return Step::kFailed;
    auto line = std::make_unique<IntersectionLine>(n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7],
                                                   n[8], n[9], slice_);
    line->id = nextLineId_++;
    line->partnerId = partnerId;
    slice_->lines.push_back(std::move(line));
    return Step::kOk;
}

LoaderQWF::Step LoaderQWF::ReadMesh()
{
    std::string_view token;
    for (;;) {
        if (!Tick())
            return Step::kCancelled;
        if (!words_.Next(token))
            return Step::kOk;
        if (token == "v") {
            CVector3 p;
            if (!NextDouble(p.x) || !NextDouble(p.y) || !NextDouble(p.z))
                return Step::kFailed;
            mesh_->AddVertex(p);
        } else if (token == "f") {
            CPolyVertex* corners[3];
            for (CPolyVertex*& corner : corners) {
                int number = 0;
                if (!NextInt(number) || number < 1 ||
                    static_cast<size_t>(number) > mesh_->vertices.size())
                    return Step::kFailed;
                corner = mesh_->vertices[static_cast<size_t>(number) - 1];
            }
            CPolyFace* face = mesh_->AddFace();
            for (CPolyVertex* corner : corners)
                face->AddCorner(corner);
        }
    }
}
