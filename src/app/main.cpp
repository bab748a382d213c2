#include "app/KelmarApp.h"

#include <QApplication>
#include <QFont>

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(CKelmarApp::kAppTitle));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QFont::insertSubstitution(QStringLiteral("MS UI Gothic"), QStringLiteral("IPAGothic"));

    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();

    int rc = 1;
    {
        CKelmarApp app;
        if (!app.InitInstance(arguments))
            return 1;
        rc = QApplication::exec();
        app.ExitInstance();
    }
    return rc;
}
