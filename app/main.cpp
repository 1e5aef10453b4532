#include "mainwindow.h"
#include "sessiontimezone.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    keepSessionTimeZone();
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("1.5.0"));
    MainWindow window;
    window.show();
    return app.exec();
}
