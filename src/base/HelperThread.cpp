#include "base/HelperThread.h"

CHelperThread::CHelperThread() : thread_([this] { Loop(); }) {}

CHelperThread::~CHelperThread()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

bool CHelperThread::Worthwhile()
{
    static const bool twoCores = std::thread::hardware_concurrency() >= 2;
    return twoCores;
}

void CHelperThread::Start(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = std::move(job);
        busy_.store(true, std::memory_order_relaxed);
    }
    wake_.notify_one();
}

void CHelperThread::Wait()
{
    for (int spins = 0; spins < 1 << 16; ++spins) {
        if (!busy_.load(std::memory_order_acquire))
            return;
#if defined(__x86_64__)
        __builtin_ia32_pause();
#endif
    }
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [this] { return !busy_.load(std::memory_order_acquire); });
}

void CHelperThread::Loop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return busy_.load(std::memory_order_relaxed) || quit_; });
        if (quit_)
            return;
        std::function<void()> job = std::move(job_);
        lock.unlock();
        job();
        lock.lock();
        busy_.store(false, std::memory_order_release);
        finished_.notify_all();
    }
}
