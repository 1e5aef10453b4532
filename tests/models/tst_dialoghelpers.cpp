#include "dialoghelpers.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

namespace {

struct BoxSeen
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
};

// Waits for the next modal message box, records what it shows and presses
// the given button.
void answerNextBox(BoxSeen *seen, QMessageBox::StandardButton press)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, seen, press] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen->icon = box->icon();
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->buttons = box->standardButtons();
        if (QAbstractButton *button = box->button(press))
            button->click();
        else
            box->reject();
        timer->deleteLater();
    });
    timer->start(10);
}

} // namespace

class tst_DialogHelpers : public QObject
{
    Q_OBJECT
private slots:
    void yesNo_data();
    void yesNo();
    void okBox();
    void updateMenuIconText_data();
    void updateMenuIconText();
    void previewModel();
    void printLog();
    void printLogCannotOpen();
    void zfiles();
};

void tst_DialogHelpers::yesNo_data()
{
    QTest::addColumn<bool>("withCancel");
    QTest::addColumn<int>("press");

    QTest::addRow("no") << false << int(QMessageBox::No);
    QTest::addRow("yes") << false << int(QMessageBox::Yes);
    QTest::addRow("cancel") << true << int(QMessageBox::Cancel);
}

void tst_DialogHelpers::yesNo()
{
    QFETCH(bool, withCancel);
    QFETCH(int, press);

    BoxSeen seen;
    answerNextBox(&seen, QMessageBox::StandardButton(press));
    const int result = showYesNoDialog(QStringLiteral("Close the project?"),
                                       QStringLiteral("Question"), withCancel);
    QCOMPARE(result, press);
    QCOMPARE(seen.icon, QMessageBox::Question);
    QCOMPARE(seen.title, QStringLiteral("Question"));
    QCOMPARE(seen.text, QStringLiteral("Close the project?"));
    QMessageBox::StandardButtons expected = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        expected |= QMessageBox::Cancel;
    QCOMPARE(seen.buttons, expected);
}

void tst_DialogHelpers::okBox()
{
    BoxSeen seen;
    answerNextBox(&seen, QMessageBox::Ok);
    showOkDialog(QStringLiteral("Done"), QStringLiteral("Info"));
    QCOMPARE(seen.icon, QMessageBox::Information);
    QCOMPARE(seen.title, QStringLiteral("Info"));
    QCOMPARE(seen.text, QStringLiteral("Done"));
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void tst_DialogHelpers::updateMenuIconText_data()
{
    QTest::addColumn<int>("i");
    QTest::addColumn<QString>("shown");

    QTest::addRow("0 shows B") << 0 << "B";
    QTest::addRow("1 shows C") << 1 << "C";
    QTest::addRow("2 shows A") << 2 << "A";
    QTest::addRow("-1 shows A") << -1 << "A";
    QTest::addRow("-5 shows A") << -5 << "A";
}

void tst_DialogHelpers::updateMenuIconText()
{
    QFETCH(int, i);
    QFETCH(QString, shown);

    QMenu menu;
    for (const char *name : {"A", "B", "C"}) {
        QPixmap pixmap(8, 8);
        pixmap.fill(Qt::red);
        QAction *action = menu.addAction(QIcon(pixmap), QLatin1String(name));
        action->setObjectName(QLatin1String(name));
    }
    ::updateMenuIconText(&menu, i);
    QCOMPARE(menu.title(), shown);
    QVERIFY(!menu.icon().isNull());
}

void tst_DialogHelpers::previewModel()
{
    QPointer<QTreeView> view;
    {
        QStandardItemModel model(2, 3);
        view = ::previewModel(&model);
        QVERIFY(view);
        QVERIFY(view->isWindow());
        QVERIFY(view->isVisible());
        QCOMPARE(view->model(), &model);
    }
    // The model is gone; the preview stays usable.
    QVERIFY(view);
    QVERIFY(view->model() == nullptr || view->model()->rowCount() == 0);
    // Closing hides the window; it lives until the application ends.
    view->close();
    QCoreApplication::processEvents();
    QVERIFY(view);
    QVERIFY(!view->isVisible());
    delete view;
}

void tst_DialogHelpers::printLog()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));

    {
        QFile file(QStringLiteral("log.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text));
        file.write("earlier line\n");
    }
    ::printLog(QStringLiteral("first"));
    ::printLog(QStringLiteral("second"));

    QFile file(QStringLiteral("log.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QDir::setCurrent(before);

    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QStringLiteral("earlier line"));
    const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:(.*)$"));
    QCOMPARE(stamp.match(lines.at(1)).captured(1), QStringLiteral("first"));
    QCOMPARE(stamp.match(lines.at(2)).captured(1), QStringLiteral("second"));
    QCOMPARE(lines.at(3), QString());
}

void tst_DialogHelpers::printLogCannotOpen()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    // A folder in the way: the line is dropped without harm.
    QVERIFY(QDir().mkdir(QStringLiteral("log.txt")));
    ::printLog(QStringLiteral("lost"));
    QVERIFY(QFileInfo(QStringLiteral("log.txt")).isDir());
    QDir::setCurrent(before);
}

void tst_DialogHelpers::zfiles()
{
    const QString path = ::zfiles();
    QVERIFY(QDir::isAbsolutePath(path));
    QVERIFY(path.endsWith(QLatin1String("/files/")));
}

QTEST_MAIN(tst_DialogHelpers)
#include "tst_dialoghelpers.moc"
