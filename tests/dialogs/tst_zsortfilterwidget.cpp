#include "modalanswerers.h"
#include "zexpression.h"
#include "zfilterdialogpopup.h"
#include "zfilterdialogproxymodel.h"
#include "zsortfilterheader.h"
#include "zsortfilterwidget.h"

#include <QAbstractItemModelTester>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

class tst_ZSortFilterWidget : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fixedSizeAndPointers();
    void flags();
    void buttonBox();
    void arrows_data();
    void arrows();
    void menuButton();
    void drawBySectionState();
    void funnelOnGroup();
    void pressOutsideBoxDoesNothing();
    void clearAllSortedOnly();
    void clearAllFiltered();
    void projectGoneIsHarmless();
    void busyWhileValueListIsBuilt();

private:
    QStandardItemModel *m_model = nullptr;
    ZFilterDialogProxyModel *m_proxy = nullptr;
    ZSortFilterHeader *m_header = nullptr;
    ZSortFilterWidget *m_widget = nullptr;
    QTableView *m_view = nullptr;
};

static QImage canvas()
{
    QImage image(60, 40, QImage::Format_ARGB32);
    image.fill(Qt::white);
    return image;
}

static QString inked(const QImage &image)
{
    QStringList points;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != QColor(Qt::white))
                points << QStringLiteral("%1,%2").arg(x).arg(y);
        }
    }
    return points.join(QLatin1Char(' '));
}

void tst_ZSortFilterWidget::init()
{
    m_view = new QTableView;
    m_model = new QStandardItemModel(4, 3, m_view);
    m_model->setHorizontalHeaderLabels({ "Activity ID", "Activity Name", "Start" });
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c)
            m_model->setData(m_model->index(r, c), QStringLiteral("v%1%2").arg(r).arg(c));
    }
    m_proxy = new ZFilterDialogProxyModel(m_view);
    new QAbstractItemModelTester(m_proxy, QAbstractItemModelTester::FailureReportingMode::QtTest, m_proxy);
    m_proxy->setSourceModel(m_model);
    m_header = new ZSortFilterHeader(Qt::Horizontal, m_view);
    m_view->setHorizontalHeader(m_header);
    m_view->setModel(m_proxy);
    m_widget = new ZSortFilterWidget(m_header, m_proxy, m_model, m_header);
    m_header->setSortFilterWidget(m_widget);
}

void tst_ZSortFilterWidget::cleanup()
{
    delete m_view;
    m_view = nullptr;
}

void tst_ZSortFilterWidget::fixedSizeAndPointers()
{
    QCOMPARE(m_widget->size(), QSize(0, 0));
    QCOMPARE(m_widget->minimumSize(), QSize(0, 0));
    QCOMPARE(m_widget->maximumSize(), QSize(0, 0));
    QCOMPARE(m_widget->header(), m_header);
    QCOMPARE(m_widget->proxy(), m_proxy);
    QCOMPARE(m_widget->model(), static_cast<QAbstractItemModel *>(m_model));
    QCOMPARE(m_widget->parentWidget(), m_header);
}

void tst_ZSortFilterWidget::flags()
{
    QCOMPARE(m_widget->flags(0), 1);
    m_proxy->setFilter(0, { QStringLiteral("v00") });
    QCOMPARE(m_widget->flags(0), 3);
    QCOMPARE(m_widget->flags(1), 1);
    // An expression chain without a value list counts as a filter.
    m_proxy->setExpression(2, ZExpression::buildExpression(QStringLiteral("contains"), QStringLiteral("v")));
    QCOMPARE(m_widget->flags(2), 3);

    m_proxy->sort(1, Qt::AscendingOrder);
    QCOMPARE(m_widget->flags(1), 5);
    m_proxy->sort(1, Qt::DescendingOrder);
    QCOMPARE(m_widget->flags(1), 9);
    m_proxy->sort(0, Qt::AscendingOrder);
    QCOMPARE(m_widget->flags(0), 7);
    QCOMPARE(m_widget->flags(1), 1);
    m_proxy->sort(-1, Qt::AscendingOrder);
    QCOMPARE(m_widget->flags(-1), 1);
}

void tst_ZSortFilterWidget::buttonBox()
{
    const QRect box = ZSortFilterWidget::buttonMenuRect(QRect(QPoint(100, 0), QPoint(199, 29)));
    QCOMPARE(box, QRect(QPoint(183, 13), QPoint(197, 27)));
    QCOMPARE(box.size(), QSize(15, 15));
}

void tst_ZSortFilterWidget::arrows_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("points");

    QTest::addRow("up") << int(Qt::UpArrow)
                        << "10,10 9,11 10,11 11,11 8,12 9,12 10,12 11,12 12,12 "
                           "7,13 8,13 9,13 10,13 11,13 12,13 13,13";
    QTest::addRow("down") << int(Qt::DownArrow)
                          << "7,7 8,7 9,7 10,7 11,7 12,7 13,7 8,8 9,8 10,8 11,8 12,8 "
                             "9,9 10,9 11,9 10,10";
    QTest::addRow("left") << int(Qt::LeftArrow)
                          << "13,7 12,8 13,8 11,9 12,9 13,9 10,10 11,10 12,10 13,10 "
                             "11,11 12,11 13,11 12,12 13,12 13,13";
    QTest::addRow("right") << int(Qt::RightArrow)
                           << "7,7 7,8 8,8 7,9 8,9 9,9 7,10 8,10 9,10 10,10 "
                              "7,11 8,11 9,11 7,12 8,12 7,13";
    QTest::addRow("no arrow") << int(Qt::NoArrow) << "";
}

void tst_ZSortFilterWidget::arrows()
{
    QFETCH(int, type);
    QFETCH(QString, points);
    QImage image = canvas();
    QPainter painter(&image);
    painter.setPen(Qt::black);
    ZSortFilterWidget::drawArrow(&painter, QPoint(10, 10), Qt::ArrowType(type));
    painter.end();
    QCOMPARE(inked(image), points);
}

void tst_ZSortFilterWidget::menuButton()
{
    const QRect box(QPoint(10, 10), QPoint(24, 24));
    for (bool hover : { false, true }) {
        QImage image = canvas();
        QPainter painter(&image);
        ZSortFilterWidget::drawMenuButton(&painter, box, hover);
        painter.end();
        const int frame = hover ? 186 : 223;
        const int arrow = hover ? 71 : 193;
        QCOMPARE(image.pixelColor(10, 10), QColor(frame, frame, frame));
        QCOMPARE(image.pixelColor(24, 24), QColor(frame, frame, frame));
        QCOMPARE(image.pixelColor(25, 25), QColor(Qt::white));
        QCOMPARE(image.pixelColor(12, 12), QColor(246, 246, 246));
        // Arrow point (17, 19), its widest line at y 16.
        QCOMPARE(image.pixelColor(17, 19), QColor(arrow, arrow, arrow));
        QCOMPARE(image.pixelColor(14, 16), QColor(arrow, arrow, arrow));
        QCOMPARE(image.pixelColor(20, 16), QColor(arrow, arrow, arrow));
    }
}

void tst_ZSortFilterWidget::drawBySectionState()
{
    const QRect section(QPoint(0, 0), QPoint(49, 29));
    const QRect box = ZSortFilterWidget::buttonMenuRect(section);
    auto render = [&](int column, const QPoint &cursor) {
        QImage image = canvas();
        QPainter painter(&image);
        m_widget->draw(&painter, section, column, cursor);
        painter.end();
        return image;
    };
    // Untouched column, cursor elsewhere: nothing.
    QCOMPARE(inked(render(0, QPoint(55, 35))), QString());
    // Cursor over the section: the button, not highlighted.
    QImage image = render(0, QPoint(5, 5));
    QCOMPARE(image.pixelColor(box.topLeft()), QColor(223, 223, 223));
    // Cursor in the box: highlighted.
    image = render(0, box.center());
    QCOMPARE(image.pixelColor(box.topLeft()), QColor(186, 186, 186));

    // A filtered column shows its mark; the frame only while the cursor is
    // in the box itself.
    m_proxy->setFilter(1, { QStringLiteral("v01") });
    image = render(1, QPoint(5, 5));
    QVERIFY(image.pixelColor(box.topLeft()) != QColor(186, 186, 186));
    QVERIFY(image.pixelColor(box.topLeft() + QPoint(3, 2)) != QColor(246, 246, 246));
    image = render(1, box.center());
    QCOMPARE(image.pixelColor(box.topLeft()), QColor(186, 186, 186));
}

void tst_ZSortFilterWidget::funnelOnGroup()
{
    const QRect rect(QPoint(0, 0), QPoint(49, 29));
    QImage image = canvas();
    QPainter painter(&image);
    m_widget->drawFunnelOnGroup(&painter, rect, { 0, 1 }, QPoint());
    painter.end();
    QCOMPARE(inked(image), QString());
}

void tst_ZSortFilterWidget::pressOutsideBoxDoesNothing()
{
    QSignalSpy filtered(m_widget, &ZSortFilterWidget::filtered);
    const QRect section(QPoint(0, 0), QPoint(99, 29));
    const QRect box = ZSortFilterWidget::buttonMenuRect(section);
    m_widget->onAutoFilterPopUp(section, 0, box.topLeft() - QPoint(1, 0));
    m_widget->onAutoFilterPopUp(section, 0, box.topLeft() - QPoint(0, 1));
    m_widget->onAutoFilterPopUp(section, -1, box.center());
    QCOMPARE(filtered.count(), 0);
    QVERIFY(m_proxy->patterns().isEmpty());
}

void tst_ZSortFilterWidget::clearAllSortedOnly()
{
    QSignalSpy filtered(m_widget, &ZSortFilterWidget::filtered);
    m_proxy->sort(1, Qt::DescendingOrder);
    m_header->sortByColumn(1, Qt::DescendingOrder);
    m_widget->clearAllFilters();
    QCOMPARE(m_proxy->sortColumn(), -1);
    QCOMPARE(m_header->sortColumn(), -1);
    QCOMPARE(filtered.count(), 0);
    QCOMPARE(m_proxy->rowCount(), 4);
}

void tst_ZSortFilterWidget::clearAllFiltered()
{
    QSignalSpy filtered(m_widget, &ZSortFilterWidget::filtered);
    m_proxy->setFilter(0, { QStringLiteral("v10"), QStringLiteral("v20") });
    m_header->setFilter(0);
    m_proxy->setExpression(2, ZExpression::buildExpression(QStringLiteral("does not equal"), QStringLiteral("v22")));
    m_header->setFilter(2);
    // Both columns' filters hold together.
    QCOMPARE(m_proxy->rowCount(), 1);
    m_widget->clearAllFilters();
    QCOMPARE(filtered.count(), 1);
    QVERIFY(!m_header->hasAnyFilter());
    QVERIFY(m_proxy->patterns().isEmpty());
    QVERIFY(m_proxy->expressions().isEmpty());
    QCOMPARE(m_proxy->rowCount(), 4);
}

void tst_ZSortFilterWidget::projectGoneIsHarmless()
{
    QSignalSpy filtered(m_widget, &ZSortFilterWidget::filtered);
    const QRect section(QPoint(0, 0), QPoint(99, 29));
    const QRect box = ZSortFilterWidget::buttonMenuRect(section);
    m_header->setFilter(0);
    delete m_model;
    m_model = nullptr;
    QCOMPARE(m_widget->model(), nullptr);
    m_widget->onAutoFilterPopUp(section, 0, box.center());
    delete m_proxy;
    m_proxy = nullptr;
    QCOMPARE(m_widget->proxy(), nullptr);
    QCOMPARE(m_widget->flags(0), 1);
    m_widget->onAutoFilterPopUp(section, 0, box.center());
    m_widget->clearAllFilters();
    QImage image = canvas();
    QPainter painter(&image);
    m_widget->draw(&painter, section, 0, box.center());
    painter.end();
    QCOMPARE(filtered.count(), 0);
    QVERIFY(m_header->hasAnyFilter());

    // Clicks on the header with nothing behind it.
    m_view->resize(300, 100);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    QTest::mouseClick(m_header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    m_header->viewport()->grab();
}

void tst_ZSortFilterWidget::busyWhileValueListIsBuilt()
{
    // The cursor the pop-up finds as it reads the column's values.
    struct Watched : QStandardItemModel
    {
        using QStandardItemModel::QStandardItemModel;
        QVariant data(const QModelIndex &index, int role) const override
        {
            if (const QCursor *cursor = QApplication::overrideCursor())
                shape = cursor->shape();
            return QStandardItemModel::data(index, role);
        }
        mutable int shape = -1;
    } model(2, 1);
    ZSortFilterWidget widget(m_header, m_proxy, &model);
    WidgetAnswerer<ZFilterDialogPopUp> answerer;
    answerer.arm([](ZFilterDialogPopUp *popup) { popup->onRejected(); });
    const QRect section(QPoint(0, 0), QPoint(99, 29));
    widget.onAutoFilterPopUp(section, 0, ZSortFilterWidget::buttonMenuRect(section).center());
    QVERIFY(answerer.answered);
    QCOMPARE(model.shape, int(Qt::WaitCursor));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

QTEST_MAIN(tst_ZSortFilterWidget)
#include "tst_zsortfilterwidget.moc"
