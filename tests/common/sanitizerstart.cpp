// Linked into every test program of the sanitizer build. Qt's offscreen
// platform plugin makes the screens (with their platform screen and cursor)
// when the application starts and never deletes them. They are told to the
// leak checker as objects meant to live, with all they hold, so that no
// suppression has to find them by the frames that made them: the run
// records short stacks, which stop at the first frame of Qt's.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <sanitizer/lsan_interface.h>

namespace {

void keepScreens()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *screen : screens)
        __lsan_ignore_object(screen);
}

} // namespace

// Runs in the application's constructor, right after the platform plugin
// has made its screens.
Q_COREAPP_STARTUP_FUNCTION(keepScreens)
