#include "LintoroVersion.h"
#include "app/KelmarApp.h"
#include "app/MainFrame.h"
#include "app/TerminationSignals.h"

#include <QApplication>
#include <QFont>
#include <QIcon>

#include <cstdio>
#include <cstring>

#include <malloc.h>

namespace {

constexpr const char* kUsage =
    "Usage: lintoro [FILE]\n"
    "Designs curved-crease origami forms by reflection folding of triangle meshes.\n"
    "Opens FILE, a model or a slice file, in the main window.\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n"
    "Window placement and recent files are kept in lintoro.ini beside the program,\n"
    "or in $XDG_CONFIG_HOME/lintoro/lintoro.ini when that folder is not writable.\n"
    "The headless front end is lintoro-cli.\n";

// Answers --help and --version before Qt starts, so neither needs a display
// nor touches the profile. Returns the exit status, or -1 to start the program.
int AnswerInfoOption(int argc, char** argv)
{
    if (argc != 2)
        return -1;
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("lintoro %s\n", kLintoroVersion);
        return 0;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
#if defined(__GLIBC__)
    // As in the command line: the large working arrays of a big model go
    // back to the system when freed instead of staying in the heap.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
#endif
    if (const int rc = AnswerInfoOption(argc, argv); rc >= 0)
        return rc;
    InstallTerminationHandlers();

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(CKelmarApp::kAppTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(kLintoroVersion));
    // Ties the windows to the installed lintoro.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("lintoro"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("lintoro")));
    QFont::insertSubstitution(QStringLiteral("MS UI Gothic"), QStringLiteral("IPAGothic"));

    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();

    int rc = 1;
    {
        CKelmarApp app;
        if (!app.InitInstance(arguments))
            return 1;
        // As File > Exit, without the question: an unsaved design is kept in
        // the recovery file instead, and the window's close saves the settings.
        WatchTerminationSignals(&app, [&app] {
            if (app.MainFrame())
                app.MainFrame()->CloseForSignal();
        });
        rc = QApplication::exec();
        app.ExitInstance();
    }
    return rc;
}
