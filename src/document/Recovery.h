#pragma once
// Recovery files: while the design has unsaved changes it is kept on disk, so
// a crash or a killed program loses little. One file per running program,
// "<pid>.fold", FOLD like a saved design (the form and its paper, or the form
// alone for a model without paper), with the name of the file the design
// came from recorded inside. Writing happens on a worker thread from a packed
// copy, so the user's thread only packs.

#include "base/HelperThread.h"
#include "document/DesignFile.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// $XDG_STATE_HOME/lintoro/recovery, or ~/.local/state/lintoro/recovery when
// XDG_STATE_HOME is unset or not absolute. Empty when neither can be named.
std::string RecoveryFolder();
// The file of the program with process id `pid` in `folder`.
std::string RecoveryPath(const std::string& folder, long pid);

// What a recovery write needs, copied off the model on the user's thread.
struct CRecoverySnapshot {
    CDesignSnapshot design;
    std::string originalName; // file name (no folder) the design came from
};

// Packs the model's current shape; O(corners), no file access.
void TakeRecoverySnapshot(const CPolyModel& model, const std::string& originalName,
                          CRecoverySnapshot& out);

// Writes the snapshot to `path` through a temporary file and a rename,
// creating the folder when it is missing. False when any step fails (an
// existing file is then untouched).
bool WriteRecoveryFile(const CRecoverySnapshot& snapshot, const std::string& path);

// The original name recorded in a recovery file; empty when the file cannot
// be read or records none.
std::string RecoveryOriginalName(const std::string& path);

struct CRecoveryCandidate {
    std::string path;
    long pid = 0;
    int64_t modified = 0; // seconds since the epoch
};

// "<pid>.fold" files in `folder` whose program is no longer running, newest
// first. A missing or unreadable folder has none.
std::vector<CRecoveryCandidate> FindOrphanRecoveryFiles(const std::string& folder);

// The worker: one write at a time; a snapshot submitted while another waits
// replaces it (only the newest state matters).
class CRecoveryWriter {
public:
    CRecoveryWriter() = default;
    // Finishes a write under way and drops one still waiting.
    ~CRecoveryWriter();
    CRecoveryWriter(const CRecoveryWriter&) = delete;
    CRecoveryWriter& operator=(const CRecoveryWriter&) = delete;

    void Submit(CRecoverySnapshot snapshot, std::string path);
    // Returns once nothing waits and nothing is being written.
    void Flush();
    // Successful writes so far.
    uint64_t Written() const { return written_.load(); }

private:
    // On the worker: writes whatever waits until nothing does.
    void Drain();

    std::mutex mutex_;
    std::optional<std::pair<CRecoverySnapshot, std::string>> pending_;
    bool draining_ = false; // a Drain runs and will see what is submitted
    std::atomic<uint64_t> written_{0};
    // Declared last: the thread goes before the data its job reads.
    CHelperThread worker_;
};
