#pragma once
// Common shell of the three panes: an OpenGL widget that hears the document's
// change notifications through OnUpdate and can own commands (a handler and
// an enable rule per id) that the main window asks it first while it is the
// active view.

#include "ui/CommandMap.h"

#include <QOpenGLWidget>
#include <QString>

class CPaneView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit CPaneView(QWidget* parent = nullptr);
    ~CPaneView() override;

    // Called for every change notification of the document (hint codes in
    // ui/AppState.h). The default redraws.
    virtual void OnUpdate(int hint);

    // Commands this view handles while it is the active view.
    CCommandMap& Commands() { return commands_; }
    const CCommandMap& Commands() const { return commands_; }

    // The last hint received and how many arrived, for the status of the pane.
    int LastHint() const { return lastHint_; }
    int UpdateCount() const { return updateCount_; }

signals:
    // A text for the status bar's view pane; it lasts until the next idle pass.
    void StatusText(const QString& text);
    // Asks the document to call OnUpdate(hint) on every view, this one included.
    void UpdateAllViewsRequested(int hint);

protected:
    void initializeGL() override;
    void paintGL() override;
    // Makes the whole framebuffer opaque so grabs read the colours drawn.
    void FinishFrame();

private:
    CCommandMap commands_;
    int lastHint_ = -1;
    int updateCount_ = 0;
};
