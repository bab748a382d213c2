#pragma once
// A second thread that takes one job at a time: the caller hands it a job,
// goes on with its own share of the work and then waits for it. The thread
// sleeps between jobs.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Waits for `ready` busily at first, then giving way to other threads: for a
// wait meant to end about when the caller's own work does.
template <class Ready> void SpinUntil(Ready&& ready)
{
    for (int spins = 0; !ready(); ++spins) {
        if (spins < 4096) {
#if defined(__x86_64__)
            __builtin_ia32_pause();
#endif
        } else {
            std::this_thread::yield();
        }
    }
}

class CHelperThread {
public:
    CHelperThread();
    ~CHelperThread();
    CHelperThread(const CHelperThread&) = delete;
    CHelperThread& operator=(const CHelperThread&) = delete;

    // Whether a second thread can run beside the caller on this machine.
    static bool Worthwhile();

    // Starts `job` on the helper (the previous one must have been waited for).
    void Start(std::function<void()> job);
    // Returns once the started job has finished; waits busily at first, as
    // the job is meant to end about when the caller's own share does.
    void Wait();

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::function<void()> job_;
    std::atomic<bool> busy_{false};
    bool quit_ = false;
    std::thread thread_;
};
