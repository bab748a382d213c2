#pragma once
// Shared set-up of the window tests: a fresh application on a scratch profile
// per test, message boxes and file dialogs answered through the prompt hooks.

#include "app/AboutDlg.h"
#include "app/KelmarApp.h"
#include "app/KelmarDoc.h"
#include "app/MainFrame.h"
#include "app/ProgressWnd.h"
#include "app/Prompts.h"
#include "export/PatternOptions.h"
#include "model/Progress.h"
#include "support/Meshes.h"
#include "ui/AppState.h"
#include "widgets/FrameView.h"
#include "widgets/KelmarzuView.h"
#include "widgets/ModelView.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace guitest {
inline QWidget* ProgressWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("CProgressWnd"))
            return w;
    return nullptr;
}

// A reader that succeeds at once with a small sheet.
inline OpenOutcome QuickRead(const std::string& path, IProgress*)
{
    OpenOutcome out;
    out.model = testmesh::Strip();
    out.model->fileName = path;
    out.result = kReadOk;
    out.isQwf = QString::fromStdString(path).endsWith(QLatin1String(".qwf"), Qt::CaseInsensitive);
    return out;
}

// A reader that reports progress until the user cancels (or gives up after a while).
struct SlowRead {
    bool mainWindowEnabledDuringRead = true;
    QStringList captions;
    QPoint windowPos;

    OpenOutcome operator()(const std::string&, IProgress* progress, QWidget* frame)
    {
        OpenOutcome out;
        progress->Begin("File Open");
        progress->SetRange(0, 100);
        progress->SetText("Loading...");
        for (int i = 1; i < 4000; ++i) {
            progress->SetPos(i / 40);
            if (QWidget* w = ProgressWindow()) {
                if (captions.isEmpty() || captions.last() != w->windowTitle())
                    captions << w->windowTitle();
                windowPos = w->pos();
            }
            mainWindowEnabledDuringRead = mainWindowEnabledDuringRead && frame->isEnabled();
            if (!progress->PeekAndPump() || progress->Cancelled()) {
                progress->End();
                out.result = kReadCancelled;
                out.message = ReadResultMessage(kReadCancelled);
                return out;
            }
            QThread::msleep(2);
        }
        progress->End();
        out.result = kReadFailed;
        out.message = ReadResultMessage(kReadFailed);
        return out;
    }
};
} // namespace guitest

class GuiFixture : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<CKelmarApp> app_;
    QStringList messages_;
    QStringList informative_; // one per message, empty for none
    QStringList captions_;
    QList<FileRequest> fileRequests_;
    QString nextFile_;
    // Answers the print dialog; null cancels it.
    std::function<bool(QPrinter&)> nextPrint_;
    // Questions asked, and the answers (button texts) to give them in turn;
    // with none left, "Discard" where offered, else Escape.
    QStringList questions_;
    QStringList answers_;

    QString ProfilePath() const { return dir_->filePath(QStringLiteral("lintoro.ini")); }
    CMainFrame* Frame() const { return app_->MainFrame(); }
    QString Touch(const QString& name, const QByteArray& content = "x\n")
    {
        const QString path = dir_->filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }
    void Start(const QStringList& args = {})
    {
        app_ = std::make_unique<CKelmarApp>(ProfilePath().toStdString());
        QVERIFY(app_->InitInstance(args));
        Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(Frame()));
    }
    void Stop()
    {
        if (!app_)
            return;
        if (Frame())
            Frame()->close();
        app_->ExitInstance();
        app_.reset();
    }
    bool Enabled(int id) const { return Frame()->Action(id)->isEnabled(); }
    // Waits until no pane has drawn for 100 ms: the panes are native windows,
    // and the X server's expose events (a dialog gone, a resize) come late.
    void SettleFrames()
    {
        auto frames = [this] {
            return Frame()->DesignView()->FrameCount() + Frame()->NetView()->FrameCount() +
                   Frame()->SectionView()->FrameCount();
        };
        for (int i = 0, last = -1; i < 30 && frames() != last; ++i) {
            last = frames();
            QTest::qWait(100);
        }
    }
    void Load(const QString& name)
    {
        Frame()->SetModelOpener(guitest::QuickRead);
        Frame()->OpenModelFile(dir_->filePath(name));
        Frame()->SetModelOpener(nullptr);
        Frame()->UpdateCommandUI();
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        messages_.clear();
        informative_.clear();
        captions_.clear();
        fileRequests_.clear();
        nextFile_.clear();
        nextPrint_ = nullptr;
        questions_.clear();
        answers_.clear();
        // Recovery files of the tests stay in the test's own folder.
        qputenv("XDG_STATE_HOME", dir_->filePath(QStringLiteral("state")).toUtf8());
        PromptHooks hooks;
        hooks.message = [this](const QString& caption, const QString& text) {
            captions_ << caption;
            messages_ << text;
        };
        hooks.informative = [this](const QString& text) { informative_ << text; };
        hooks.file = [this](const FileRequest& r) {
            fileRequests_ << r;
            return nextFile_;
        };
        hooks.print = [this](QPrinter& printer) { return nextPrint_ && nextPrint_(printer); };
        // Crease Pattern Options keep what the profile has (the defaults).
        hooks.patternOptions = [](CPatternOptions&) { return true; };
        hooks.choice = [this](const QString& text, const QStringList& buttons) {
            questions_ << text;
            const QString answer =
                answers_.isEmpty() ? QStringLiteral("Discard") : answers_.takeFirst();
            return int(buttons.indexOf(answer));
        };
        SetPromptHooks(hooks);
    }

    void cleanup()
    {
        Stop();
        SetPromptHooks({});
        g_pModel.reset();
        showEdges = false;
        showFaces = true;
        showBends = false;
        qwfModel = false;
    }
};
