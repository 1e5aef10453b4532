#include "mainwindow.h"
#include "memoryroom.h"
#include "quitsignals.h"
#include "sessiontimezone.h"
#include "windowmemory.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    // Before Qt starts a thread of its own: under an address-space limit
    // every thread's blocks come from the one heap the limit leaves room for.
    memoryroom::shareHeapUnderLimit();
    // Qt cannot unwind an allocation that fails while it makes the window,
    // and a thread that cannot start leaves that making waiting: a start
    // without its room says so and ends.
    if (const char *refusal = WindowMemory::startRefusal(argc, argv)) {
        std::fputs(refusal, stderr);
        return EXIT_FAILURE;
    }
    // Nothing here draws with OpenGL, yet the window system's integration
    // would load a software OpenGL driver: about 160 MB of address space and
    // 50 MB resident, which a limit then lacks for files. A user's choice
    // stands.
    ::setenv("QT_XCB_GL_INTEGRATION", "none", 0);
    keepSessionTimeZone();
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("1.5.0"));
    // A session's end or a kill ends the viewer as a close of its window
    // would; a print under way leaves no file behind.
    QuitSignals quitSignals;
    MainWindow window;
    quitSignals.setWindow(&window);
    window.show();
    const int code = app.exec();
    return quitSignals.exitCode(code);
}
