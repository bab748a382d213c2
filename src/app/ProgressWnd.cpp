#include "app/ProgressWnd.h"

#include "app/Profile.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace {
constexpr int kMargin = 15;
constexpr int kTextWidth = 280;
constexpr int kEdge = 2; // width of a sunken 3D edge
} // namespace

CProgressWnd::CProgressWnd(QWidget* parent, CProfile* profile) : parent_(parent), profile_(profile)
{
}

CProgressWnd::CProgressWnd(QWidget* parent, CProfile* profile, const QString& title, bool smooth)
    : CProgressWnd(parent, profile)
{
    state_.SetTitle(title.toStdString());
    Create(parent, title, smooth);
}

CProgressWnd::~CProgressWnd()
{
    DestroyWindow();
}

// Qt's bar always draws continuously, so `smooth` changes nothing here.
bool CProgressWnd::Create(QWidget* parent, const QString& title, bool /*smooth*/)
{
    if (window_)
        return true;
    parent_ = parent;
    state_.SetTitle(title.toStdString());
    auto* window = new QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                                           Qt::CustomizeWindowHint);
    window->setObjectName(QStringLiteral("CProgressWnd"));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    window->setWindowTitle(title);
    window->setCursor(Qt::BusyCursor);
    window->resize(390, 130);
    const QFont font = QApplication::font("QMessageBox");
    text_ = new QLabel(window);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(false);
    text_->setFont(font);
    bar_ = new QProgressBar(window);
    bar_->setTextVisible(false);
    bar_->setRange(state_.Lower(), state_.Upper());
    bar_->setValue(0);
    button_ = new QPushButton(cancelLabel_, window);
    button_->setFont(font);
    button_->setFocusPolicy(Qt::TabFocus);
    connect(button_, &QPushButton::clicked, this, &CProgressWnd::OnCancel);
    window_ = window;
    SetWindowSize(textLines_, kTextWidth);
    PlaceWindow();
    Show();
    return true;
}

void CProgressWnd::PlaceWindow()
{
    const QScreen* screen = parent_ ? parent_->screen() : QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize();
    if (rememberPosition_ && profile_) {
        const int x = profile_->GetInt("Settings", "X", -1);
        const int y = profile_->GetInt("Settings", "Y", -1);
        if (x >= 0 && x < screenSize.width() && y >= 0 && y < screenSize.height()) {
            window_->move(x, y);
            return;
        }
    }
    const QRect area = parent_ && parent_->isVisible()
                           ? parent_->frameGeometry()
                           : (screen ? screen->availableGeometry() : QRect());
    QRect frame = window_->frameGeometry();
    frame.moveCenter(area.center());
    window_->move(frame.topLeft());
}

void CProgressWnd::SetWindowSize(int lines, int width)
{
    const QFontMetrics fm(text_->font());
    QStringList ms;
    for (int i = 0; i < lines; ++i)
        ms << QStringLiteral("M");
    const QRect measured = fm.boundingRect(QRect(0, 0, width, 1000), Qt::AlignLeft | Qt::AlignTop,
                                           ms.join(QLatin1Char('\n')));
    const QRect textRect(kMargin, kMargin, width, measured.height());
    const QFontMetrics bfm(button_->font());
    const QSize buttonSize(bfm.horizontalAdvance(cancelLabel_ + QStringLiteral("  ")) + 4 * kEdge,
                           bfm.height() + 3 * kEdge + 8);
    const QRect buttonRect(textRect.right() + 1 - buttonSize.width(),
                           textRect.bottom() + 1 + kMargin, buttonSize.width(),
                           buttonSize.height());
    const QRect barRect(QPoint(textRect.left(), buttonRect.top() + kEdge),
                        QPoint(buttonRect.left() - kMargin, buttonRect.bottom() - kEdge));
    window_->setFixedSize(kMargin + textRect.width() + kMargin,
                          kMargin + textRect.height() + kMargin + buttonSize.height() + kMargin);
    bar_->setGeometry(barRect);
    button_->setGeometry(buttonRect);
    text_->setGeometry(textRect);
}

bool CProgressWnd::GoModal(const QString& title, bool smooth)
{
    if (!window_ && !Create(parent_, title, smooth))
        return false;
    if (parent_)
        parent_->setEnabled(false);
    window_->setEnabled(true);
    modal_ = true;
    return true;
}

void CProgressWnd::SetRange(int lower, int upper, int step)
{
    if (!window_)
        return;
    state_.SetRange(lower, upper, step);
    bar_->setRange(lower, upper);
}

void CProgressWnd::SetText(const QString& text)
{
    if (!window_)
        return;
    text_->setText(QString::fromStdString(CProgressState::ClampText(text.toStdString())));
}

QString CProgressWnd::StatusText() const
{
    return text_ && window_ ? text_->text() : QString();
}

int CProgressWnd::MoveTo(int pos)
{
    if (!window_)
        return state_.LastPos();
    Show();
    if (const std::optional<std::string> caption = state_.SetPos(pos))
        window_->setWindowTitle(QString::fromStdString(*caption));
    const int previous = bar_->value();
    bar_->setValue(pos);
    return previous;
}

bool CProgressWnd::PeekAndPump(bool cancelOnEsc)
{
    if (!window_)
        return !cancelled_;
    if (modal_ && !window_->isActiveWindow() && window_->isVisible())
        window_->activateWindow();
    if (cancelled_)
        return false;
    pumping_ = true;
    cancelOnEsc_ = cancelOnEsc;
    qApp->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qApp->removeEventFilter(this);
    pumping_ = false;
    return !cancelled_;
}

bool CProgressWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (pumping_ && cancelOnEsc_ && !cancelled_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        OnCancel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void CProgressWnd::OnCancel()
{
    cancelled_ = true;
    Hide();
    if (parent_)
        parent_->activateWindow();
}

void CProgressWnd::Show()
{
    if (!window_ || window_->isVisible())
        return;
    window_->show();
    window_->repaint();
}

void CProgressWnd::Hide()
{
    if (window_ && window_->isVisible())
        window_->hide();
}

void CProgressWnd::DestroyWindow()
{
    if (!window_)
        return;
    if (rememberPosition_ && profile_) {
        profile_->WriteInt("Settings", "X", window_->x());
        profile_->WriteInt("Settings", "Y", window_->y());
    }
    const bool hadFocus = window_->isActiveWindow();
    if (modal_) {
        modal_ = false;
        if (parent_)
            parent_->setEnabled(true);
    }
    delete window_.data();
    // Without a window manager nobody hands the activation back, and the main
    // window's shortcuts would stay dead after a read.
    if (hadFocus && parent_)
        parent_->window()->activateWindow();
    text_ = nullptr;
    bar_ = nullptr;
    button_ = nullptr;
}

void CProgressWnd::Begin(const std::string& title)
{
    Create(parent_, QString::fromStdString(title), true);
    GoModal(QStringLiteral("Progress"), false);
}

void CProgressWnd::End()
{
    DestroyWindow();
}
