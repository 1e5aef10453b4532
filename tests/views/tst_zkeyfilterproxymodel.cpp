#include "zkeyfilterproxymodel.h"

#include "basecontainermodel.h"
#include "taskcontainer.h"

#include <QAbstractItemModelTester>
#include <QStandardItemModel>
#include <QtTest>

class tst_ZKeyFilterProxyModel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void exactKey_data();
    void exactKey();
    void keyColumnChange();
    void followsSourceChanges();
    void noKeyUsesBaseFilter();
    void mappingRoundTrip();
    void manyKeysMatchRowByRowComparison();
    void largeTableReadStraight();
    void noneListsNothing();

private:
    QStringList shown() const;

    QStandardItemModel *m_source = nullptr;
    ZKeyFilterProxyModel *m_proxy = nullptr;
};

static QList<QStandardItem *> row(const QString &key, const QString &other, const QString &name)
{
    return { new QStandardItem(key), new QStandardItem(other), new QStandardItem(name) };
}

void tst_ZKeyFilterProxyModel::init()
{
    m_source = new QStandardItemModel;
    m_source->appendRow(row("12", "7", "a"));
    m_source->appendRow(row("112", "12", "b"));
    m_source->appendRow(row("120", "112", "c"));
    m_source->appendRow(row("12", "120", "d"));
    m_source->appendRow(row("Ab", "x", "e"));
    m_source->appendRow(row("", "y", "f"));
    m_proxy = new ZKeyFilterProxyModel;
    new QAbstractItemModelTester(m_proxy, QAbstractItemModelTester::FailureReportingMode::QtTest, m_proxy);
    m_proxy->setSourceModel(m_source);
}

void tst_ZKeyFilterProxyModel::cleanup()
{
    delete m_proxy;
    delete m_source;
}

QStringList tst_ZKeyFilterProxyModel::shown() const
{
    QStringList out;
    for (int r = 0; r < m_proxy->rowCount(); ++r)
        out << m_proxy->index(r, 2).data().toString();
    return out;
}

void tst_ZKeyFilterProxyModel::exactKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("expected");

    QTest::addRow("12 is not 112 or 120") << "12" << QStringList{ "a", "d" };
    QTest::addRow("112") << "112" << QStringList{ "b" };
    QTest::addRow("1 matches nothing") << "1" << QStringList{};
    QTest::addRow("case ignored") << "aB" << QStringList{ "e" };
    QTest::addRow("empty key matches empty cells") << "" << QStringList{ "f" };
    QTest::addRow("no id") << QString(QChar(0x00FF)) << QStringList{};
    QTest::addRow("minus one") << "-1" << QStringList{};
    QTest::addRow("regex characters are plain") << "1.*" << QStringList{};
}

void tst_ZKeyFilterProxyModel::exactKey()
{
    QFETCH(QString, key);
    QFETCH(QStringList, expected);
    m_proxy->setFilterKeyColumn(0);
    m_proxy->setFilterKey(key);
    QVERIFY(m_proxy->hasFilterKey());
    QCOMPARE(shown(), expected);
}

void tst_ZKeyFilterProxyModel::keyColumnChange()
{
    m_proxy->setFilterKeyColumn(0);
    m_proxy->setFilterKey("12");
    QCOMPARE(shown(), QStringList({ "a", "d" }));
    m_proxy->setFilterKeyColumn(1);
    QCOMPARE(shown(), QStringList({ "b" }));
    m_proxy->setFilterKey("120");
    QCOMPARE(shown(), QStringList({ "d" }));
}

void tst_ZKeyFilterProxyModel::followsSourceChanges()
{
    m_proxy->setFilterKeyColumn(0);
    m_proxy->setFilterKey("12");
    m_source->appendRow(row("12", "0", "g"));
    QCOMPARE(shown(), QStringList({ "a", "d", "g" }));
    m_source->insertRow(0, row("12", "0", "h"));
    QCOMPARE(shown(), QStringList({ "h", "a", "d", "g" }));
    m_source->removeRow(1); // "a"
    QCOMPARE(shown(), QStringList({ "h", "d", "g" }));
    m_source->setData(m_source->index(1, 0), "12"); // "b" becomes 12
    QCOMPARE(shown(), QStringList({ "h", "b", "d", "g" }));
    m_source->setData(m_source->index(0, 0), "99"); // "h" leaves
    QCOMPARE(shown(), QStringList({ "b", "d", "g" }));
    m_source->clear();
    QCOMPARE(shown(), QStringList());
    m_source->appendRow(row("12", "0", "z"));
    QCOMPARE(shown(), QStringList({ "z" }));

    // Another source.
    QStandardItemModel other;
    other.appendRow(row("12", "1", "o"));
    other.appendRow(row("13", "1", "p"));
    m_proxy->setSourceModel(&other);
    QCOMPARE(shown(), QStringList({ "o" }));
    m_proxy->setSourceModel(m_source);
    QCOMPARE(shown(), QStringList({ "z" }));
}

void tst_ZKeyFilterProxyModel::noKeyUsesBaseFilter()
{
    QCOMPARE(m_proxy->rowCount(), 6);
    m_proxy->setFilterKeyColumn(0);
    m_proxy->setFilterKey("12");
    m_proxy->clearFilterKey();
    QVERIFY(!m_proxy->hasFilterKey());
    QCOMPARE(m_proxy->rowCount(), 6);
    m_proxy->setFilterFixedString("12");
    QCOMPARE(shown(), QStringList({ "a", "b", "c", "d" }));
}

void tst_ZKeyFilterProxyModel::mappingRoundTrip()
{
    m_proxy->setFilterKeyColumn(1);
    m_proxy->setFilterKey("112");
    for (int r = 0; r < m_proxy->rowCount(); ++r) {
        for (int c = 0; c < m_proxy->columnCount(); ++c) {
            const QModelIndex i = m_proxy->index(r, c);
            QCOMPARE(m_proxy->mapFromSource(m_proxy->mapToSource(i)), i);
        }
    }
    QCOMPARE(m_proxy->mapToSource(m_proxy->index(0, 2)).data().toString(), QStringLiteral("c"));
}

void tst_ZKeyFilterProxyModel::manyKeysMatchRowByRowComparison()
{
    // Far more keys than a hash bucket holds: rows that share a bucket but
    // not the text stay out, and every key finds exactly its rows.
    QStandardItemModel source;
    const int rows = 700;
    for (int r = 0; r < rows; ++r) {
        const int k = (r * 37) % 250;
        const QString key = k % 3 == 0 ? QStringLiteral("A%1").arg(k) : QString::number(k);
        source.appendRow(row(r % 5 == 0 ? key.toLower() : key, QString(), QString::number(r)));
    }
    ZKeyFilterProxyModel proxy;
    proxy.setSourceModel(&source);
    proxy.setFilterKeyColumn(0);
    QStringList keys{QStringLiteral("a0"), QStringLiteral("A3"), QStringLiteral("1"), QStringLiteral("12"),
                     QStringLiteral("249"), QStringLiteral("250"), QStringLiteral("-1"), QString()};
    for (int k = 0; k < 250; k += 7)
        keys << QString::number(k);
    for (const QString &key : keys) {
        proxy.setFilterKey(key);
        QStringList expected;
        for (int r = 0; r < rows; ++r) {
            if (source.index(r, 0).data().toString().compare(key, Qt::CaseInsensitive) == 0)
                expected << QString::number(r);
        }
        QStringList got;
        for (int r = 0; r < proxy.rowCount(); ++r)
            got << proxy.index(r, 2).data().toString();
        QCOMPARE(got, expected);
    }
}

void tst_ZKeyFilterProxyModel::largeTableReadStraight()
{
    // A table large enough for its keys to be read straight from the
    // container, in slices side by side: the same rows as a row-by-row
    // comparison.
    auto container = std::make_shared<TaskContainer>();
    if (container->fieldCount() == 0) {
        container->addField({{QStringLiteral("id"), QStringLiteral("task_code")},
                             {QStringLiteral("display"), QStringLiteral("Activity ID")},
                             {QStringLiteral("datatype"), QStringLiteral("string")}});
    }
    const int rows = 40000;
    const int width = container->fieldCount();
    for (int r = 0; r < rows; ++r) {
        const int k = (r * 37) % 3001;
        ContainerRow cells(static_cast<size_t>(width));
        cells[0] = r % 5 == 0 ? QStringLiteral("a%1").arg(k) : QStringLiteral("A%1").arg(k);
        container->addRow(std::move(cells));
    }
    BaseContainerModel source;
    source.setContainer(container);
    ZKeyFilterProxyModel proxy;
    proxy.setSourceModel(&source);
    proxy.setFilterKeyColumn(0);
    for (const QString &key : {QStringLiteral("A0"), QStringLiteral("a37"), QStringLiteral("A3000"),
                               QStringLiteral("A3001"), QStringLiteral("1")}) {
        proxy.setFilterKey(key);
        QList<int> expected;
        for (int r = 0; r < rows; ++r) {
            if (source.index(r, 0).data().toString().compare(key, Qt::CaseInsensitive) == 0)
                expected << r;
        }
        QList<int> got;
        for (int r = 0; r < proxy.rowCount(); ++r)
            got << proxy.mapToSource(proxy.index(r, 0)).row();
        QCOMPARE(got, expected);
    }
}

void tst_ZKeyFilterProxyModel::noneListsNothing()
{
    m_proxy->setFilterKeyColumn(0);
    m_proxy->setFilterNone();
    QVERIFY(m_proxy->hasFilterKey());
    QCOMPARE(shown(), QStringList());
    // Rows arriving later stay out too.
    m_source->appendRow(row("", "z", "g"));
    QCOMPARE(shown(), QStringList());
    // A key after it lists that key's rows; clearing lists every row.
    m_proxy->setFilterKey(QStringLiteral("12"));
    QCOMPARE(shown(), (QStringList{"a", "d"}));
    m_proxy->setFilterNone();
    QCOMPARE(shown(), QStringList());
    m_proxy->clearFilterKey();
    QCOMPARE(m_proxy->rowCount(), m_source->rowCount());
}

QTEST_GUILESS_MAIN(tst_ZKeyFilterProxyModel)
#include "tst_zkeyfilterproxymodel.moc"
