#include "RealInput.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace realinput {
namespace {

// A connection of our own: what it enters reaches the program's own
// connection only through the server, like any other client's input.
Display* Connection()
{
    static Display* display = XOpenDisplay(nullptr);
    return display;
}

void Pump(int ms)
{
    QElapsedTimer timer;
    timer.start();
    do
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    while (timer.elapsed() < ms);
}

} // namespace

bool Available()
{
    Display* d = Connection();
    int event = 0, error = 0, major = 0, minor = 0;
    return d && XTestQueryExtension(d, &event, &error, &major, &minor);
}

void MoveTo(const QPoint& global)
{
    Display* d = Connection();
    XTestFakeMotionEvent(d, DefaultScreen(d), global.x(), global.y(), CurrentTime);
    Settle(15);
}

void MoveTo(QWidget* w, const QPoint& local)
{
    MoveTo(w->mapToGlobal(local));
}

void Press(Button b)
{
    XTestFakeButtonEvent(Connection(), static_cast<unsigned>(b), True, CurrentTime);
    Settle();
}

void Release(Button b)
{
    XTestFakeButtonEvent(Connection(), static_cast<unsigned>(b), False, CurrentTime);
    Settle();
}

void Click(QWidget* w, const QPoint& local, Button b)
{
    MoveTo(w, local);
    Press(b);
    Release(b);
}

void Click(QWidget* w, Button b)
{
    Click(w, w->rect().center(), b);
}

static void KeyEvent(const char* name, bool down)
{
    Display* d = Connection();
    const KeyCode code = XKeysymToKeycode(d, XStringToKeysym(name));
    XTestFakeKeyEvent(d, code, down ? True : False, CurrentTime);
    Settle();
}

void KeyDown(const char* name)
{
    KeyEvent(name, true);
}

void KeyUp(const char* name)
{
    KeyEvent(name, false);
}

void Key(const char* name)
{
    KeyDown(name);
    KeyUp(name);
}

void Settle(int ms)
{
    XSync(Connection(), False);
    Pump(ms);
}

} // namespace realinput
