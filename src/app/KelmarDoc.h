#pragma once
// The document: holds no data of its own (the model is g_pModel); it is the
// channel through which the views learn of changes, and it carries the title
// the main window shows.

#include "ui/CommandMap.h"

#include <QObject>
#include <QString>
#include <vector>

class CPaneView;

class CKelmarDoc : public QObject {
    Q_OBJECT
public:
    // The title of a document before any file was opened.
    static QString UntitledName();

    CKelmarDoc();
    ~CKelmarDoc() override;

    const QString& Title() const { return title_; }
    void SetTitle(const QString& title);

    // Views that hear UpdateAllViews; a view is never added twice.
    void AddView(CPaneView* view);
    void RemoveView(CPaneView* view);
    // Calls OnUpdate(hint) on every view except `sender`, in the order added.
    void UpdateAllViews(int hint, CPaneView* sender = nullptr);

    CCommandMap& Commands() { return commands_; }
    const CCommandMap& Commands() const { return commands_; }

signals:
    void TitleChanged(const QString& title);

private:
    QString title_;
    std::vector<CPaneView*> views_;
    CCommandMap commands_;
};
