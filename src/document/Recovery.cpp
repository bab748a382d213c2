#include "document/Recovery.h"

#include "base/AtomicFile.h"

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

bool ProcessAlive(long pid)
{
    // EPERM: it runs, under another user.
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
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
    TakeDesignSnapshot(model, out.design);
    out.originalName = originalName;
}

bool WriteRecoveryFile(const CRecoverySnapshot& snapshot, const std::string& path)
{
    std::string text;
    if (!DesignFileText(snapshot.design, text, &snapshot.originalName))
        return false;
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    return WriteBytesReplacing(path, text);
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
    const auto it = doc.find(kFoldOriginalNameKey);
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

CRecoveryWriter::~CRecoveryWriter()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.reset();
    }
    worker_.Wait();
}

void CRecoveryWriter::Submit(CRecoverySnapshot snapshot, std::string path)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.emplace(std::move(snapshot), std::move(path));
        if (draining_)
            return; // the running Drain takes it
        draining_ = true;
    }
    // A Drain that found nothing more is ending; the worker takes one job at a time.
    worker_.Wait();
    worker_.Start([this] { Drain(); });
}

void CRecoveryWriter::Flush()
{
    worker_.Wait();
}

void CRecoveryWriter::Drain()
{
    for (;;) {
        std::optional<std::pair<CRecoverySnapshot, std::string>> job;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!pending_) {
                draining_ = false;
                return;
            }
            job = std::move(pending_);
            pending_.reset();
        }
        if (WriteRecoveryFile(job->first, job->second))
            ++written_;
    }
}
