#include "app/KelmarDoc.h"

#include "widgets/PaneView.h"

#include <algorithm>

QString CKelmarDoc::UntitledName()
{
    return QStringLiteral("無題");
}

CKelmarDoc::CKelmarDoc() : title_(UntitledName())
{
    // Alt+Backspace arrives here and does nothing.
    commands_.Add(kCmdEditUndoDoc, [] {});
    // The view pane is emptied at every idle pass, so a view's text lasts
    // only until the next one.
    commands_.Add(kPaneViewStatus, nullptr, [](CCmdUI& ui) {
        ui.Enable(true);
        ui.SetText("");
    });
}

CKelmarDoc::~CKelmarDoc() = default;

void CKelmarDoc::SetTitle(const QString& title)
{
    if (title == title_)
        return;
    title_ = title;
    emit TitleChanged(title_);
}

void CKelmarDoc::AddView(CPaneView* view)
{
    if (!view || std::find(views_.begin(), views_.end(), view) != views_.end())
        return;
    views_.push_back(view);
    connect(view, &CPaneView::UpdateAllViewsRequested, this,
            [this](int hint) { UpdateAllViews(hint); });
}

void CKelmarDoc::RemoveView(CPaneView* view)
{
    const auto kept = std::remove(views_.begin(), views_.end(), view);
    if (kept == views_.end())
        return;
    views_.erase(kept, views_.end());
    disconnect(view, &CPaneView::UpdateAllViewsRequested, this, nullptr);
}

void CKelmarDoc::UpdateAllViews(int hint, CPaneView* sender)
{
    // A copy: a view may add or remove views while it handles the hint.
    const std::vector<CPaneView*> views = views_;
    for (CPaneView* v : views)
        if (v != sender)
            v->OnUpdate(hint);
}
