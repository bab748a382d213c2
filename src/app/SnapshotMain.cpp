// lintoro-snapshot: starts the program exactly as lintoro does, lets it
// settle, saves a PNG of the main window and exits. For machines without a
// display (scripts/run uses it under a virtual X server). Message boxes are
// printed instead of shown, so nothing waits for a click.

#include "app/KelmarApp.h"
#include "app/MainFrame.h"
#include "app/Profile.h"
#include "app/Prompts.h"
#include "widgets/PaneView.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(CKelmarApp::kAppTitle));
    QFont::insertSubstitution(QStringLiteral("MS UI Gothic"), QStringLiteral("IPAGothic"));
    QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: lintoro-snapshot OUTPUT.png [MODEL]\n");
        return 2;
    }
    const QString output = arguments.at(1);
    arguments = arguments.mid(2);

    PromptHooks hooks;
    hooks.message = [](const QString& caption, const QString& text) {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(caption), qPrintable(text));
    };
    hooks.file = [](const FileRequest&) { return QString(); };
    // Questions (a design left to recover) are put off: Escape, which keeps it.
    hooks.choice = [](const QString& text, const QStringList&) {
        std::fprintf(stderr, "[question left unanswered] %s\n", qPrintable(text));
        return -1;
    };
    SetPromptHooks(hooks);

    // The same profile the program itself uses.
    const QString exeDir =
        QFileInfo(QString::fromStdString(CurrentExecutablePath())).absolutePath();
    const std::string program = QDir(exeDir).filePath(QStringLiteral("lintoro")).toStdString();
    int rc = 1;
    {
        CKelmarApp app(MakeProfilePath(program));
        if (!app.InitInstance(arguments))
            return 1;
        QTimer::singleShot(1500, [&] {
            const QImage shot = GrabWindowWithPanes(app.MainFrame());
            rc = shot.save(output, "PNG") ? 0 : 1;
            if (rc != 0)
                std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
            QApplication::quit();
        });
        QApplication::exec();
        app.ExitInstance();
    }
    return rc;
}
