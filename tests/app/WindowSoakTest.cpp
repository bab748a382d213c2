// Seeded random input on the real main window: moves, clicks, drags with
// every button and modifier, wheel turns, SPACE, Delete, every accelerator
// and every menu command, spread over the three panes, with the sample sheet
// and the sample slices opened on the way. The window must survive it, leave
// no dialog open and still close from File > Exit.
//
// LINTORO_SOAK_SEED=N replays a run; LINTORO_SOAK_EVENTS=N changes its length.

#include "GuiFixture.h"

#include "design/DesignSession.h"
#include "model/PolyModel.h"

#include <QDialog>
#include <QPrinter>
#include <QShortcut>
#include <QWheelEvent>

#include <algorithm>
#include <random>

namespace {
QString Sample(const char* name)
{
    return QStringLiteral(LINTORO_SOURCE_DIR "/samples/") + QLatin1String(name);
}

unsigned EnvNumber(const char* name, unsigned fallback)
{
    bool ok = false;
    const unsigned v = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? v : fallback;
}
} // namespace

class WindowSoakTest : public GuiFixture {
    Q_OBJECT

    std::mt19937 rng_;
    unsigned seed_ = 0;
    int events_ = 0;
    int dialogsClosed_ = 0;
    QString forcedOpen_;
    // Set where the run must go on with another model or end: the question
    // about unsaved changes is answered Discard there, at random elsewhere.
    bool discard_ = false;
    QList<QKeyCombination> keys_;

    QWindow* Win() const { return Frame()->windowHandle(); }
    QString Tag() const { return QStringLiteral("seed %1, event %2").arg(seed_).arg(events_); }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }

    QWidget* Pane()
    {
        QWidget* panes[] = {Frame()->DesignView(), Frame()->NetView(), Frame()->SectionView()};
        // The design view gets half of the input: it is where folds happen.
        return Chance(0.5) ? panes[0] : panes[1 + Pick(2)];
    }
    QPoint Inside(QWidget* pane)
    {
        return QPoint(Pick(std::max(1, pane->width())), Pick(std::max(1, pane->height())));
    }
    // A drag may leave its pane, as the user's does, but stays on the window.
    QPoint InFrame(QWidget* pane, QPoint p) const
    {
        const QPoint q = pane->mapTo(Frame(), p);
        return QPoint(std::clamp(q.x(), 0, Frame()->width() - 1),
                      std::clamp(q.y(), 0, Frame()->height() - 1));
    }
    Qt::KeyboardModifiers Modifiers()
    {
        const Qt::KeyboardModifiers all[] = {Qt::NoModifier, Qt::NoModifier, Qt::ShiftModifier,
                                             Qt::ControlModifier};
        return all[Pick(4)];
    }

    void Move(QWidget* pane, QPoint p, Qt::KeyboardModifiers k = {})
    {
        ++events_;
        QTest::mouseEvent(QTest::MouseMove, Win(), Qt::NoButton, k, InFrame(pane, p));
    }
    // Press, a few moves, release: a drag (one move makes it nearly a click).
    void Drag(QWidget* pane, QPoint from, QPointF by, Qt::MouseButton b, Qt::KeyboardModifiers k,
              int moves)
    {
        ++events_;
        QTest::mousePress(Win(), b, k, InFrame(pane, from));
        for (int i = 1; i <= moves; ++i)
            Move(pane, from + (by * i / moves).toPoint(), k);
        ++events_;
        QTest::mouseRelease(Win(), b, k, InFrame(pane, from + by.toPoint()));
    }
    void Key(QKeyCombination key)
    {
        ++events_;
        QTest::keyClick(Win(), key.key(), key.keyboardModifiers());
    }

    // Where a mouse lands on a point of the shape in the design view.
    QPoint OnShape(const CVector3& p) const
    {
        const CViewCamera& cam = Frame()->DesignView()->Camera();
        WindowPoint w;
        if (!cam.ProjectToWindow(p, w))
            return QPoint(-1, -1);
        return QPoint(int(std::lround(w.x)), int(std::lround(cam.height - w.y)));
    }

    // Hover and click a random corner of the shape: selects it.
    void ClickCorner()
    {
        CModelView* view = Frame()->DesignView();
        std::vector<CVector3> corners;
        ForEachShapeCorner(*g_pModel, [&](int64_t, const CVector3& p) { corners.push_back(p); });
        if (corners.empty())
            return;
        const QPoint p = OnShape(corners[Pick(int(corners.size()))]);
        Move(view, p);
        Drag(view, p, QPointF(), Qt::LeftButton, {}, 0);
    }

    // Press on one of the selected vertex's handle tips and drag along it.
    void DragHandle()
    {
        const CVector3* at = Frame()->Session().SelectedPos();
        if (!at)
            return ClickCorner();
        CVector3 axis;
        (&axis.x)[Pick(3)] = CDesignSession::kHandleLength;
        const QPoint base = OnShape(*at);
        const QPoint tip = OnShape(*at + axis);
        const double along = std::uniform_real_distribution<double>(-2.5, 2.5)(rng_);
        Drag(Frame()->DesignView(), tip, QPointF(tip - base) * along, Qt::LeftButton, {},
             1 + Pick(8));
    }

    void Wheel(QWidget* pane)
    {
        ++events_;
        const QPoint p = Inside(pane);
        QWheelEvent wheel(QPointF(p), QPointF(pane->mapToGlobal(p)), QPoint(),
                          QPoint(0, Chance(0.5) ? 120 : -120), Qt::NoButton, Modifiers(),
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(pane, &wheel);
    }

    // Opens a sample through Ctrl+O and the file seam, as the user would.
    void OpenThroughKeys(const QString& path)
    {
        forcedOpen_ = path;
        discard_ = true;
        Key(QKeyCombination(Qt::ControlModifier, Qt::Key_O));
        discard_ = false;
        forcedOpen_.clear();
        const QString name = QFileInfo(path).fileName();
        QVERIFY2(g_pModel && QString::fromStdString(g_pModel->fileName).endsWith(name),
                 qPrintable(Tag()));
        Reactivate();
    }

    // An open moves the activation to the progress window and, with no window
    // manager, nothing hands it back.
    void Reactivate()
    {
        if (QApplication::activeWindow() != Frame()) {
            Frame()->activateWindow();
            (void)QTest::qWaitForWindowActive(Frame(), 500);
        }
    }

    // Every key that reaches a command: the window's shortcuts, the actions'
    // own and the usual editing keys, whether or not anything takes them.
    void CollectKeys()
    {
        for (QShortcut* s : Frame()->findChildren<QShortcut*>())
            if (!s->key().isEmpty())
                keys_ << s->key()[0];
        for (QAction* a : Frame()->findChildren<QAction*>())
            for (const QKeySequence& k : a->shortcuts())
                if (!k.isEmpty() && a != Frame()->Action(kCmdExit))
                    keys_ << k[0];
        for (QKeyCombination k :
             {QKeyCombination(Qt::ControlModifier, Qt::Key_Y),
              QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z),
              QKeyCombination(Qt::ControlModifier, Qt::Key_N),
              QKeyCombination(Qt::ControlModifier, Qt::Key_E), QKeyCombination(Qt::Key_Escape),
              QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_Backspace)})
            keys_ << k;
    }

    // Closes whatever modal dialog a command opened; the progress window is
    // not one (it disables the main window) and goes away by itself.
    void CloseDialogs()
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() == QLatin1String("CProgressWnd"))
            return;
        ++dialogsClosed_;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }

    void OneAction()
    {
        QWidget* pane = Pane();
        const int kind = Pick(100);
        if (kind < 25) {
            Move(pane, Inside(pane), Modifiers());
        } else if (kind < 35) {
            const Qt::MouseButton b[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
            Drag(pane, Inside(pane), QPointF(), b[Pick(3)], Modifiers(), 0);
        } else if (kind < 50) {
            const Qt::MouseButton b[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
            const QPointF by(Pick(300) - 150, Pick(300) - 150);
            Drag(pane, Inside(pane), by, b[Pick(3)], Modifiers(), 1 + Pick(8));
        } else if (kind < 60) {
            if (g_pModel)
                DragHandle();
        } else if (kind < 66) {
            if (g_pModel)
                ClickCorner();
        } else if (kind < 72) {
            Wheel(pane);
        } else if (kind < 78) {
            Key(QKeyCombination(Qt::Key_Space));
        } else if (kind < 84) {
            // Delete goes to the pane with the focus: give it one first.
            Drag(pane, Inside(pane), QPointF(), Qt::LeftButton, {}, 0);
            Key(QKeyCombination(Qt::Key_Delete));
        } else if (kind < 94) {
            Key(keys_[Pick(int(keys_.size()))]);
        } else {
            // A menu or toolbar command, as a click on its item sends it.
            QList<QAction*> actions;
            for (QAction* a : Frame()->findChildren<QAction*>())
                if (a->data().isValid() && a != Frame()->Action(kCmdExit) && a->isEnabled())
                    actions << a;
            if (!actions.isEmpty()) {
                ++events_;
                actions[Pick(int(actions.size()))]->trigger();
            }
        }
        Reactivate();
    }

private slots:
    void randomInputLeavesAWindowThatStillExits()
    {
        seed_ = EnvNumber("LINTORO_SOAK_SEED", std::random_device()());
        const int total = int(EnvNumber("LINTORO_SOAK_EVENTS", 2000));
        rng_.seed(seed_);
        // Printed first, so a crash or a sanitizer report comes with its seed.
        qInfo("window soak: seed %u (LINTORO_SOAK_SEED=%u replays it)", seed_, seed_);

        PromptHooks hooks;
        hooks.message = [this](const QString&, const QString& text) { messages_ << text; };
        hooks.file = [this](const FileRequest& r) -> QString {
            if (r.kind == FileRequest::kSave)
                return Chance(0.2)
                           ? QString()
                           : dir_->filePath(
                                 QStringLiteral("out%1.%2").arg(events_).arg(r.defaultSuffix));
            if (!forcedOpen_.isEmpty())
                return forcedOpen_;
            const QString choices[] = {Sample("sheet.obj"), Sample("slices.qwf"), QString(),
                                       dir_->filePath(QStringLiteral("missing.obj"))};
            return choices[Pick(4)];
        };
        hooks.choice = [this](const QString&, const QStringList& buttons) {
            if (discard_)
                return int(buttons.indexOf(QStringLiteral("Discard")));
            return Pick(int(buttons.size()) + 1) - 1; // -1: Escape
        };
        hooks.print = [this](QPrinter& printer) {
            if (!Chance(0.3))
                return false;
            printer.setOutputFileName(dir_->filePath(QStringLiteral("print%1.pdf").arg(events_)));
            return true;
        };
        SetPromptHooks(hooks);

        Start();
        Frame()->resize(720, 540);
        Frame()->OuterSplitter()->setSizes({400, 320});
        Frame()->NestedSplitter()->setSizes({240, 240});
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
        CollectKeys();

        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [this] { CloseDialogs(); });
        closer.start(15);

        OpenThroughKeys(Sample("sheet.obj"));
        if (QTest::currentTestFailed())
            return;
        bool slicesOpened = false;
        while (events_ < total) {
            if (!slicesOpened && events_ >= total / 2) {
                OpenThroughKeys(Sample("slices.qwf"));
                slicesOpened = true;
                if (QTest::currentTestFailed())
                    return;
                continue;
            }
            OneAction();
            QCoreApplication::processEvents();
            if (QTest::currentTestFailed())
                return;
        }
        QTest::qWait(50);
        closer.stop();

        QVERIFY2(!QApplication::activeModalWidget(), qPrintable(Tag()));
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!(w->isVisible() && qobject_cast<QDialog*>(w)),
                     qPrintable(Tag() + QStringLiteral(": ") + w->metaObject()->className()));
        QVERIFY2(Frame()->isVisible() && Frame()->isEnabled(), qPrintable(Tag()));
        qInfo("window soak: %d events, %d dialogs closed, %d messages, %d intersection checks",
              events_, dialogsClosed_, int(messages_.size()),
              Frame()->DesignView()->Intersections().ChecksRun());

        // File > Exit, as the menu item sends it.
        QAction* exit = Frame()->Action(kCmdExit);
        Frame()->UpdateCommandUI();
        QVERIFY2(exit && exit->isEnabled(), qPrintable(Tag()));
        discard_ = true;
        exit->trigger();
        QTRY_VERIFY2_WITH_TIMEOUT(!Frame()->isVisible(), qPrintable(Tag()), 2000);
    }
};

QTEST_MAIN(WindowSoakTest)

#include "WindowSoakTest.moc"
