#include "document/Recovery.h"

#include "design/DesignStates.h"
#include "base/AtomicFile.h"
#include "export/ExportFOLD.h"
#include "paper/PaperLayout.h"
#include "paper/PatternStrain.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

constexpr const char* kOriginalNameKey = "lintoro:originalName";

bool ProcessAlive(long pid)
{
    // EPERM: it runs, under another user.
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// The form alone, for a model without paper: the reader opens such a file
// as a form without paper.
Json FormDocument(const CPackedMesh& shape, const CVector3& unitCentre, double unitScale)
{
    Json doc;
    doc["file_spec"] = 1.2;
    doc["file_creator"] = "Lintoro";
    doc["file_classes"] = {"singleModel"};
    doc["frame_classes"] = {"foldedForm"};
    Json coords = Json::array();
    for (const CPackedMesh::Vertex& v : shape.vertices) {
        const CVector3 p = v.pos * unitScale + unitCentre;
        coords.push_back({p.x, p.y, p.z});
    }
    doc["vertices_coords"] = std::move(coords);
    Json faces = Json::array();
    for (size_t i = 0; i + 2 < shape.index.size(); i += 3)
        faces.push_back({shape.index[i], shape.index[i + 1], shape.index[i + 2]});
    doc["faces_vertices"] = std::move(faces);
    return doc;
}

} // namespace

std::string RecoveryFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    fs::path base;
    if (state && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !home[0])
            return std::string();
        base = fs::path(home) / ".local" / "state";
    }
    return (base / "lintoro" / "recovery").string();
}

std::string RecoveryPath(const std::string& folder, long pid)
{
    return (fs::path(folder) / (std::to_string(pid) + ".fold")).string();
}

void TakeRecoverySnapshot(const CPolyModel& model, const std::string& originalName,
                          CRecoverySnapshot& out)
{
    CFlatMesh scratch;
    PackMesh(model.CurrentShape(scratch), out.shape);
    out.hasPaper = HasPaper(model);
    out.opened.faces.clear();
    if (out.hasPaper)
        BuildOriginFaces(model, out.opened);
    out.unitCentre = model.unitCentre;
    out.unitScale = model.unitScale;
    out.originalName = originalName;
}

bool WriteRecoveryFile(const CRecoverySnapshot& snapshot, const std::string& path)
{
    std::string text;
    try {
        Json doc;
        if (snapshot.hasPaper) {
            CFlatMesh form;
            UnpackMesh(snapshot.shape, form);
            CCreasePattern pattern;
            BuildCreasePattern(form, snapshot.opened, pattern);
            if (!pattern.faces.empty()) {
                const CPatternStrain strain = MeasurePatternStrain(pattern, snapshot.unitScale);
                doc = FoldDocument(pattern, snapshot.unitCentre, snapshot.unitScale,
                                   {strain.max, strain.mean});
            }
        }
        if (doc.is_null())
            doc = FormDocument(snapshot.shape, snapshot.unitCentre, snapshot.unitScale);
        doc[kOriginalNameKey] = snapshot.originalName;
        text = doc.dump(1);
    } catch (const std::exception&) {
        return false; // out of memory, or a name that is not UTF-8: nothing written
    }
    text += '\n';
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    return WriteFileReplacing(path, [&text](std::FILE* out) {
        return std::fwrite(text.data(), 1, text.size(), out) == text.size();
    });
}

std::string RecoveryOriginalName(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::string();
    std::ostringstream text;
    text << in.rdbuf();
    const Json doc = Json::parse(text.str(), nullptr, false);
    if (!doc.is_object())
        return std::string();
    const auto it = doc.find(kOriginalNameKey);
    return it != doc.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::vector<CRecoveryCandidate> FindOrphanRecoveryFiles(const std::string& folder)
{
    std::vector<CRecoveryCandidate> found;
    std::error_code ec;
    if (folder.empty())
        return found;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        const std::string stem = p.stem().string();
        if (p.extension() != ".fold" || stem.empty() ||
            stem.find_first_not_of("0123456789") != std::string::npos || stem.size() > 9)
            continue;
        std::error_code fileEc;
        if (!it->is_regular_file(fileEc))
            continue;
        const long pid = std::stol(stem);
        if (ProcessAlive(pid))
            continue; // another instance's work in progress
        const auto time = fs::last_write_time(p, fileEc);
        if (fileEc)
            continue;
        const int64_t seconds =
            std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
        found.push_back({p.string(), pid, seconds});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const CRecoveryCandidate& a, const CRecoveryCandidate& b) {
                         return a.modified > b.modified;
                     });
    return found;
}

CRecoveryWriter::CRecoveryWriter() : thread_([this] { Loop(); }) {}

CRecoveryWriter::~CRecoveryWriter()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        pending_.reset();
    }
    wake_.notify_all();
    thread_.join();
}

void CRecoveryWriter::Submit(CRecoverySnapshot snapshot, std::string path)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.emplace(std::move(snapshot), std::move(path));
    }
    wake_.notify_all();
}

void CRecoveryWriter::Flush()
{
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return !busy_ && !pending_; });
}

uint64_t CRecoveryWriter::Written() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
}

void CRecoveryWriter::Loop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || pending_.has_value(); });
        if (quit_)
            break;
        auto job = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        lock.unlock();
        const bool ok = WriteRecoveryFile(job.first, job.second);
        lock.lock();
        busy_ = false;
        written_ += ok ? 1 : 0;
        idle_.notify_all();
    }
    busy_ = false;
    idle_.notify_all();
}
