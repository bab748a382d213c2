#include "ui/CommandMap.h"

namespace {
const CommandText kTexts[] = {
    {kCmdOpen, "Open", "Open"},
    {kCmdExport, "Export", "Export"},
    {kCmdExportCreasePattern, "Export the crease pattern as FOLD, SVG or PDF",
     "Export Crease Pattern"},
    {kCmdPrintCreasePattern, "Print the crease pattern at full size", "Print Crease Pattern"},
    {kCmdShowBends, "Show the bent edges of the sheet in the net view", "Show Bends"},
    {kCmdNewSheet, "Start a design on a flat sheet of paper", "New Sheet"},
    {kCmdSave, "Save the design as FOLD", "Save Design"},
    {kCmdSaveAs, "Save the design under a new name", "Save Design As"},
    {kCmdFoldBehind, "Flat folds turn the moving part behind the selected face",
     "Fold Flat Flaps Behind"},
    {kCmdFitModel, "Bring the whole model into the design view", "Fit Model"},
    {kCmdSimulateFold, "Fold the crease pattern by a simulation of the paper", "Simulate Fold"},
    {kCmdSimulatePlay, "Fold the simulated sheet from flat to the form and back", "Play"},
    {kCmdUndo, "Undo", "Undo"},
    {kCmdRedo, "Redo", "Redo"},
    {kCmdFixShape, "Fix the Shape", "Fix the Shape"},
    {kCmdShowEdge, "Show Edge", "Show Edge"},
    {kCmdShowFace, "Show Face", "Show Face"},
    {kCmdToolbar, "ﾂｰﾙ ﾊﾞｰの表示/非表示", "ﾂｰﾙ ﾊﾞｰの表示/非表示"},
    {kCmdStatusbar, "ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示", "ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示"},
    {kCmdRecentFile1 + 0, "指定のﾌｧｲﾙを開く", "指定のﾌｧｲﾙを開く"},
    {kCmdRecentFile1 + 1, "指定のﾌｧｲﾙを開く", "指定のﾌｧｲﾙを開く"},
    {kCmdRecentFile1 + 2, "指定のﾌｧｲﾙを開く", "指定のﾌｧｲﾙを開く"},
    {kCmdRecentFile1 + 3, "指定のﾌｧｲﾙを開く", "指定のﾌｧｲﾙを開く"},
    {kCmdAbout, "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示", "ﾊﾞｰｼﾞｮﾝ情報"},
    {kCmdExit, "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示", "終了"},
};
} // namespace

const CommandText* FindCommandText(int id)
{
    for (const CommandText& t : kTexts)
        if (t.id == id)
            return &t;
    return nullptr;
}

void CCommandMap::Add(int id, Handler handler, Rule rule)
{
    entries_[id] = Entry{std::move(handler), std::move(rule)};
}

void CCommandMap::Remove(int id)
{
    entries_.erase(id);
}

bool CCommandMap::Update(int id, CCmdUI& ui) const
{
    const auto it = entries_.find(id);
    if (it == entries_.end())
        return false;
    if (it->second.rule)
        it->second.rule(ui);
    else
        ui.Enable(true);
    return true;
}

bool CCommandMap::Execute(int id) const
{
    const auto it = entries_.find(id);
    if (it == entries_.end() || !it->second.handler)
        return false;
    // Copy first: a handler may replace its own entry while it runs.
    const Handler handler = it->second.handler;
    handler();
    return true;
}

const CCommandMap* CCommandRoute::Owner(int id) const
{
    for (const CCommandMap* t : targets_)
        if (t && t->Has(id))
            return t;
    return nullptr;
}

CCmdUI CCommandRoute::Query(int id) const
{
    CCmdUI ui;
    const CCommandMap* owner = Owner(id);
    if (!owner)
        ui.Enable(false);
    else
        owner->Update(id, ui);
    return ui;
}

bool CCommandRoute::Execute(int id) const
{
    const CCommandMap* owner = Owner(id);
    if (!owner)
        return false;
    CCmdUI ui;
    owner->Update(id, ui);
    if (!ui.Enabled())
        return false;
    return owner->Execute(id);
}
