// Runs the real-input window tests in their own process and X server.

#include <QApplication>
#include <QtTest>
#include <memory>

QObject* MakeRealInputTest();

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::unique_ptr<QObject> test(MakeRealInputTest());
    return QTest::qExec(test.get(), argc, argv);
}
