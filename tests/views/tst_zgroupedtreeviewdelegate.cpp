#include "zgroupedtreeviewdelegate.h"

#include <QDateTime>
#include <QPainter>
#include <QStandardItemModel>
#include <QtTest>

class tst_ZGroupedTreeViewDelegate : public QObject
{
    Q_OBJECT
private slots:
    void displayText_data();
    void displayText();
    void sizeHint();
    void mergedCellShowsLabelColumn();
    void samePixelsAsStyle_data();
    void samePixelsAsStyle();
};

void tst_ZGroupedTreeViewDelegate::displayText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");

    QTest::addRow("task type") << QVariant(QStringLiteral("TT_Task")) << "Task";
    QTest::addRow("milestone") << QVariant(QStringLiteral("TT_Mile")) << "Mile";
    QTest::addRow("relation") << QVariant(QStringLiteral("PR_FS")) << "FS";
    QTest::addRow("prefix only") << QVariant(QStringLiteral("TT_")) << "";
    QTest::addRow("no underscore") << QVariant(QStringLiteral("Task")) << "Task";
    QTest::addRow("underscore at 0") << QVariant(QStringLiteral("_Task")) << "_Task";
    QTest::addRow("underscore at 1") << QVariant(QStringLiteral("T_Task")) << "T_Task";
    QTest::addRow("underscore at 3") << QVariant(QStringLiteral("TTT_Task")) << "TTT_Task";
    QTest::addRow("second underscore at 2") << QVariant(QStringLiteral("_T_Task")) << "_T_Task";
    QTest::addRow("iso date-time text") << QVariant(QStringLiteral("2024-03-05T08:00:00")) << "05-03-2024";
    QTest::addRow("iso date text") << QVariant(QStringLiteral("2024-12-31")) << "31-12-2024";
    QTest::addRow("date") << QVariant(QDate(2023, 1, 9)) << "09-01-2023";
    QTest::addRow("date-time") << QVariant(QDateTime(QDate(2023, 7, 4), QTime(17, 0))) << "04-07-2023";
    QTest::addRow("integer") << QVariant(42) << "42";
    QTest::addRow("double") << QVariant(1.5) << "1.5";
    QTest::addRow("short number text") << QVariant(QStringLiteral("12")) << "12";
    QTest::addRow("invalid") << QVariant() << "";
    QTest::addRow("not a date") << QVariant(QStringLiteral("2024-13-45")) << "2024-13-45";
    QTest::addRow("long text: its start and an ellipsis")
            << QVariant(QStringLiteral("TT_") + QString(1 << 20, QLatin1Char('x')))
            << QString(4096, QLatin1Char('x')) + QChar(0x2026);
}

void tst_ZGroupedTreeViewDelegate::displayText()
{
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    ZGroupedTreeViewDelegate delegate(0);
    QCOMPARE(delegate.displayText(value, QLocale(QLocale::German)), expected);
}

void tst_ZGroupedTreeViewDelegate::sizeHint()
{
    QStandardItemModel model(1, 1);
    model.setData(model.index(0, 0), QStringLiteral("A rather long text that is wide"));
    ZGroupedTreeViewDelegate delegate(0);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 100, 50);
    const QSize size = delegate.sizeHint(option, model.index(0, 0));
    QCOMPARE(size.height(), 22);
    QVERIFY(size.width() > 50);
    QCOMPARE(delegate.rowHeight(), 22);
}

// The merged cell of a group row is painted from the label column.
void tst_ZGroupedTreeViewDelegate::mergedCellShowsLabelColumn()
{
    QStandardItemModel model(1, 3);
    model.setData(model.index(0, 0), QStringLiteral("id"));
    model.setData(model.index(0, 2), QStringLiteral("WWWWWWWW"));
    ZGroupedTreeViewDelegate delegate(2);

    auto render = [&](int version) {
        QImage image(120, 22, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.palette.setColor(QPalette::Text, Qt::black);
        option.version = version;
        delegate.paint(&painter, option, model.index(0, 0));
        painter.end();
        int dark = 0;
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                if (qGray(image.pixel(x, y)) < 128)
                    ++dark;
            }
        }
        return dark;
    };
    // "WWWWWWWW" has far more ink than "id".
    QVERIFY(render(ZGroupedTreeViewDelegate::MergedCellVersion) > 2 * render(1));
}

void tst_ZGroupedTreeViewDelegate::samePixelsAsStyle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    QTest::newRow("fits") << "12-05-2026" << int(QStyle::State_Enabled);
    QTest::newRow("elided, active") << QString(40, 'W') << int(QStyle::State_Enabled | QStyle::State_Active);
    QTest::newRow("selected") << "Task" << int(QStyle::State_Enabled | QStyle::State_Selected);
    QTest::newRow("hovered, disabled") << "Task" << int(QStyle::State_MouseOver);
}

// The cell's own text drawing shows what the style would.
void tst_ZGroupedTreeViewDelegate::samePixelsAsStyle()
{
    QFETCH(QString, text);
    QFETCH(int, state);
    QStandardItemModel model(1, 1);
    model.setItemData(model.index(0, 0), {{Qt::DisplayRole, text}, {Qt::TextAlignmentRole, int(Qt::AlignRight | Qt::AlignVCenter)},
                                          {Qt::BackgroundRole, QColor(Qt::yellow)}});
    auto render = [&](const QStyledItemDelegate &delegate, int ratio) {
        QImage image(120 * ratio, 22 * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = QRect(3, 0, 117, 22);
        option.state = QStyle::State(state);
        delegate.paint(&painter, option, model.index(0, 0));
        return image;
    };
    for (const int ratio : {1, 2}) // also at the twice as many pixels of a scaled screen
        QCOMPARE(render(ZGroupedTreeViewDelegate(0), ratio), render(QStyledItemDelegate(), ratio));
}

QTEST_MAIN(tst_ZGroupedTreeViewDelegate)
#include "tst_zgroupedtreeviewdelegate.moc"
