#pragma once
// The progress window readers show while they read a file: caption
// "title [n%]", one line of status text, a bar and a " Cancel " button.
// Modal in effect: the main window is disabled while it is up, and events are
// pumped from inside the reader's loop so everything keeps repainting. Its
// position is remembered in the profile ("Settings"/"X", "Settings"/"Y").

#include "app/ProgressState.h"
#include "model/Progress.h"

#include <QObject>
#include <QPointer>
#include <QString>

class CProfile;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

class CProgressWnd : public QObject, public IProgress {
    Q_OBJECT
public:
    // Does not create the window yet; `profile` may be null (position then
    // neither read nor written).
    CProgressWnd(QWidget* parent, CProfile* profile);
    // Creates the window at once, as the readers' progress does.
    CProgressWnd(QWidget* parent, CProfile* profile, const QString& title, bool smooth);
    ~CProgressWnd() override;

    // Creates and shows the window; false when it cannot be created (later
    // calls then do nothing and the caller proceeds without a display).
    bool Create(QWidget* parent, const QString& title, bool smooth);
    // Creates the window if needed (an existing one keeps its title), disables
    // the parent window and marks the display modal.
    bool GoModal(const QString& title, bool smooth);
    void SetRange(int lower, int upper, int step);
    // Cut to 511 characters.
    void SetText(const QString& text);
    // Moves the bar; the caption changes only when the percentage does.
    // Returns the previous bar position.
    int MoveTo(int pos);
    // Dispatches pending events; Esc cancels when cancelOnEsc. Returns false
    // once cancelled.
    bool PeekAndPump(bool cancelOnEsc);
    void OnCancel();
    void Show();
    void Hide();
    // Writes the position, re-enables the parent and destroys the window.
    void DestroyWindow();

    bool HasWindow() const { return !window_.isNull(); }
    QWidget* Window() const { return window_; }
    QPushButton* CancelButton() const { return button_; }
    const CProgressState& State() const { return state_; }
    QString StatusText() const;

    // IProgress, as the readers drive it.
    void Begin(const std::string& title) override;
    void End() override;
    void SetRange(int lower, int upper) override { SetRange(lower, upper, 1); }
    void SetText(const std::string& text) override { SetText(QString::fromStdString(text)); }
    void SetPos(int pos) override { MoveTo(pos); }
    bool PeekAndPump() override { return PeekAndPump(true); }
    bool Cancelled() const override { return cancelled_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetWindowSize(int lines, int width);
    void PlaceWindow();

    QPointer<QWidget> parent_;
    CProfile* profile_;
    QPointer<QWidget> window_;
    QLabel* text_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* button_ = nullptr;
    CProgressState state_;
    QString cancelLabel_ = QStringLiteral(" Cancel ");
    int textLines_ = 1;
    bool cancelled_ = false;
    bool modal_ = false;
    bool rememberPosition_ = true;
    bool pumping_ = false;
    bool cancelOnEsc_ = false;
};
