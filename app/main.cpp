#include "mainwindow.h"
#include "memoryroom.h"
#include "sessiontimezone.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Before Qt starts a thread of its own: under an address-space limit
    // every thread's blocks come from the one heap the limit leaves room for.
    memoryroom::shareHeapUnderLimit();
    keepSessionTimeZone();
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("1.5.0"));
    MainWindow window;
    window.show();
    return app.exec();
}
