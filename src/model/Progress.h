#pragma once
// What a reader needs of a progress display. The GUI shows a modal progress
// window; the command line draws a bar on a terminal; tests count calls.

#include <string>

class IProgress {
public:
    virtual ~IProgress() = default;
    // Shows the display with a caption (readers pass "File Open").
    virtual void Begin(const std::string& title) = 0;
    // Hides it again; called on every return path once Begin was called.
    virtual void End() = 0;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void SetPos(int pos) = 0;
    // Lets the display process pending events; false once the user cancelled.
    virtual bool PeekAndPump() = 0;
    virtual bool Cancelled() const = 0;
};

// Begin on construction, End on destruction; tolerates a null display.
class ProgressScope {
public:
    ProgressScope(IProgress* progress, const std::string& title) : progress_(progress)
    {
        if (progress_)
            progress_->Begin(title);
    }
    ~ProgressScope()
    {
        if (progress_)
            progress_->End();
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    void SetRange(int lower, int upper)
    {
        if (progress_)
            progress_->SetRange(lower, upper);
    }
    void SetText(const std::string& text)
    {
        if (progress_)
            progress_->SetText(text);
    }
    // Moves the bar and pumps events; false when the user cancelled.
    bool Update(int pos)
    {
        if (!progress_)
            return true;
        progress_->SetPos(pos);
        return progress_->PeekAndPump() && !progress_->Cancelled();
    }

private:
    IProgress* progress_;
};
