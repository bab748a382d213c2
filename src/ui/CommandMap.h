#pragma once
// Command identities, their prompts, and the per-target tables of handlers
// and enable rules. A command is looked up along a route of targets (active
// view, document, main window, application); the first target that knows the
// id owns it. Qt-free so the routing rules can be tested without a window.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

enum CommandId : int {
    kCmdOpen = 32779,
    kCmdExport = 32790,
    kCmdUndo = 32868,
    kCmdFixShape = 32881,
    kCmdShowEdge = 32861,
    kCmdShowFace = 32864,
    kCmdToolbar = 59392,
    kCmdStatusbar = 59393,
    kCmdRecentFile1 = 57616, // to kCmdRecentFile1 + 3
    kCmdAbout = 57664,
    kCmdExit = 57665,
    kCmdSave = 32778,        // Save Design (Ctrl+S)
    kCmdEditUndoDoc = 57643, // Alt+Backspace: the document's empty handler
    kPaneRotateHelp = 59146, // status bar pane with the mouse help
    kPaneViewStatus = 59147, // status bar pane the views write to
    // Commands and panes beyond the first build's table.
    kCmdRedo = 32900,
    kCmdExportCreasePattern = 32901,
    kCmdNewSheet = 32902,
    kPaneIntersections = 59148, // "Intersections: N" of the design view
    kPaneFoldAngle = 59149,     // the fold angle of the crease being made
    // The crease pattern's print and the net view's bends.
    kCmdPrintCreasePattern = 32910,
    kCmdShowBends = 32911,
    kCmdFoldBehind = 32912, // flat folds turn their flaps behind

    kPanePaperStrain = 59151, // the paper's strain, shown when it is past noticing
    kCmdSaveAs = 32920,
    kCmdFitModel = 32921,
    // The fold simulation: a view mode with its slider, Play and targets.
    kCmdSimulateFold = 32930,
    kCmdSimulatePlay = 32931,
    kPaneDeviation = 59152, // how far the simulated fold lands from the design
};

constexpr int kRecentFileCount = 4;

struct CommandText {
    int id;
    const char* prompt;  // status-bar message while highlighted (UTF-8)
    const char* tooltip; // toolbar tooltip (UTF-8)
};

// Prompt and tooltip of a command; null for an id without an entry.
const CommandText* FindCommandText(int id);

// What an enable rule sets on the menu item, button or pane being updated.
class CCmdUI {
public:
    void Enable(bool on = true) { enabled_ = on; }
    void SetCheck(bool on = true) { checked_ = on; }
    void SetText(const std::string& text) { text_ = text; }

    bool Enabled() const { return enabled_; }
    std::optional<bool> Checked() const { return checked_; }
    const std::optional<std::string>& Text() const { return text_; }

private:
    bool enabled_ = true;
    std::optional<bool> checked_;
    std::optional<std::string> text_;
};

// One target's handlers and enable rules, by command id.
class CCommandMap {
public:
    using Handler = std::function<void()>;
    using Rule = std::function<void(CCmdUI&)>;

    // Registers a command; a null rule means "always enabled", a null handler
    // means the target only updates the item (status panes).
    void Add(int id, Handler handler, Rule rule = nullptr);
    void Remove(int id);
    bool Has(int id) const { return entries_.count(id) != 0; }
    // Runs the rule into ui; false when this map does not know the id.
    bool Update(int id, CCmdUI& ui) const;
    // Runs the handler; false when this map has none for the id.
    bool Execute(int id) const;

private:
    struct Entry {
        Handler handler;
        Rule rule;
    };
    std::map<int, Entry> entries_;
};

// The route of one lookup, first target first; null entries are skipped.
class CCommandRoute {
public:
    explicit CCommandRoute(std::vector<const CCommandMap*> targets) : targets_(std::move(targets))
    {
    }
    // Asks the owning target's rule. An id that nothing on the route knows is
    // disabled.
    CCmdUI Query(int id) const;
    // Runs the owner's handler only when its rule enables the command.
    // Returns whether a handler ran.
    bool Execute(int id) const;

private:
    const CCommandMap* Owner(int id) const;
    std::vector<const CCommandMap*> targets_;
};
