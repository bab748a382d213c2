#pragma once
// Whether the design has changes the user has not saved yet. The design
// session counts every change of the shape the user made (an accepted drag
// step, Fix Shape, Undo, Redo); the shell marks opens and saves.

#include <cstdint>

class CDocumentState {
public:
    // The shape changed by the user's hand.
    void Changed() { ++changes_; }
    // The design as it stands is on disk (saved, or freshly opened).
    void Saved() { savedAt_ = changes_; }
    // A design that is not on disk as it stands (a recovered one).
    void MarkUnsaved() { savedAt_ = changes_ + 1; }
    bool Modified() const { return changes_ != savedAt_; }
    // The shape went back to what it was when Changes() read `changes` and
    // Modified() read `modified` (a drag let go with Escape). It still counts
    // as a change, so that a recovery file written meanwhile is written again.
    void Reverted(uint64_t changes, bool modified)
    {
        const bool changedSince = changes_ != changes;
        if (changedSince)
            ++changes_;
        if (changedSince && !modified)
            savedAt_ = changes_;
    }
    // Count of changes so far; recovery writes key on it.
    uint64_t Changes() const { return changes_; }

private:
    uint64_t changes_ = 0;
    uint64_t savedAt_ = 0;
};
