#pragma once
// Progress of a long read as a one-line bar on the terminal. The bar shows
// only when stderr is a terminal and the read has run for half a second, so
// quick reads and scripts see nothing. Ctrl-C during the read asks the reader
// to cancel (it then returns 2) instead of killing the process.

#include "model/Progress.h"

#include <chrono>
#include <csignal>
#include <string>

class TerminalProgress : public IProgress {
public:
    TerminalProgress();
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void Begin(const std::string& title) override;
    void End() override;
    void SetRange(int lower, int upper) override;
    void SetText(const std::string& text) override;
    void SetPos(int pos) override;
    bool PeekAndPump() override;
    bool Cancelled() const override;

private:
    void Draw();

    bool terminal_ = false;
    bool shown_ = false;
    int lower_ = 0;
    int upper_ = 100;
    int pos_ = 0;
    std::string text_;
    std::chrono::steady_clock::time_point start_;
    struct sigaction previous_ {};
};
