#include "cli/TerminalProgress.h"

#include <cstdio>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

constexpr auto kQuietPeriod = std::chrono::milliseconds(500);
constexpr int kBarWidth = 40;
} // namespace

TerminalProgress::TerminalProgress()
{
    terminal_ = isatty(STDERR_FILENO) == 1;
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
}

TerminalProgress::~TerminalProgress()
{
    End();
    sigaction(SIGINT, &previous_, nullptr);
}

void TerminalProgress::Begin(const std::string&)
{
    start_ = std::chrono::steady_clock::now();
    pos_ = lower_;
}

void TerminalProgress::End()
{
    if (shown_)
        std::fputs("\r\033[K", stderr);
    shown_ = false;
}

void TerminalProgress::SetRange(int lower, int upper)
{
    lower_ = lower;
    upper_ = upper > lower ? upper : lower + 1;
}

void TerminalProgress::SetText(const std::string& text)
{
    text_ = text;
    Draw();
}

void TerminalProgress::SetPos(int pos)
{
    pos_ = pos;
    Draw();
}

bool TerminalProgress::PeekAndPump()
{
    return !Cancelled();
}

bool TerminalProgress::Cancelled() const
{
    return g_interrupted != 0;
}

void TerminalProgress::Draw()
{
    if (!terminal_)
        return;
    if (!shown_ && std::chrono::steady_clock::now() - start_ < kQuietPeriod)
        return;
    shown_ = true;
    int clamped = pos_ < lower_ ? lower_ : (pos_ > upper_ ? upper_ : pos_);
    const int percent = (clamped - lower_) * 100 / (upper_ - lower_);
    const int filled = percent * kBarWidth / 100;
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i)
        bar[i] = i < filled ? '#' : '-';
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\r%s [%s] %3d%%\033[K", text_.c_str(), bar, percent);
    std::fflush(stderr);
}
