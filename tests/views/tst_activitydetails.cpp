#include "activitydetails.h"
#include "maphdrmodel.h"
#include "zdetaildelegate.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QDateTime>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

// Small models shaped like the loader's: the activity model begins with the
// structure columns "ID", "parentID", "Group"; the predecessor model has the
// successor's and then the predecessor's "Activity ID"/"Activity Name".
class tst_ActivityDetails : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void formAndAfterLoad();
    void exactIdMatches_data();
    void exactIdMatches();
    void groupRowEmptiesTables();
    void formatting();
    void navigationButtons();
    void windowKeysInFields_data();
    void windowKeysInFields();
    void activationGoesToTask();
    void clearAndGoneModels();

private:
    QTableView *table(const char *name) const;
    QLineEdit *edit(const char *name) const;
    QStringList column(const char *table, int column) const;
    QModelIndex activityRow(int taskId) const;

    QStandardItemModel *m_activities = nullptr;
    QStandardItemModel *m_predecessors = nullptr;
    QStandardItemModel *m_resources = nullptr;
    QStandardItemModel *m_codes = nullptr;
    ActivityDetails *m_pane = nullptr;
};

static QList<QStandardItem *> items(const QVariantList &values)
{
    QList<QStandardItem *> row;
    for (const QVariant &v : values) {
        auto *item = new QStandardItem;
        if (v.isValid())
            item->setData(v, Qt::DisplayRole);
        row << item;
    }
    return row;
}

void tst_ActivityDetails::init()
{
    m_activities = new QStandardItemModel;
    m_activities->setHorizontalHeaderLabels({ "ID", "parentID", "Group", "Activity ID", "Activity Name",
                                              "Start Date", "Finish Date", "Activity Type" });
    const QDateTime d1(QDate(2024, 3, 4), QTime(8, 0));
    const QDateTime d2(QDate(2024, 3, 15), QTime(17, 0));
    m_activities->appendRow(items({ 7, QVariant(), QVariant(), "A7", "Seven", d1, d2, "TT_Task" }));
    m_activities->appendRow(items({ 12, QVariant(), QVariant(), "A12", "Twelve", d1, d2, "TT_Mile" }));
    m_activities->appendRow(items({ 112, QVariant(), QVariant(), "A112", "One-twelve", d1, d2, "TT_Task" }));
    m_activities->appendRow(items({ 120, QVariant(), QVariant(), "A120", "One-twenty", d1, d2, "TT_Task" }));
    // A band row appended by the grouping.
    m_activities->appendRow(items({ 1000, QVariant(), "Band", QVariant(), QVariant(), d1, d2, QVariant() }));

    m_predecessors = new QStandardItemModel;
    m_predecessors->setHorizontalHeaderLabels({ "task_id", "pred_task_id", "pred_proj_id", "Type", "Lag",
                                                "Activity ID", "Activity Name", "Activity ID",
                                                "Activity Name" });
    // successor, predecessor
    auto rel = [&](int succ, int pred, const QString &type) {
        m_predecessors->appendRow(items({ succ, pred, 1, type, 0, QString("A%1").arg(succ),
                                          QString("S%1").arg(succ), QString("A%1").arg(pred),
                                          QString("P%1").arg(pred) }));
    };
    rel(12, 7, "PR_FS");
    rel(112, 12, "PR_SS");
    rel(120, 112, "PR_FF");
    rel(112, 120, "PR_FS");
    rel(12, 120, "PR_SF");
    rel(7, 112, "PR_FS");

    m_resources = new QStandardItemModel;
    m_resources->setHorizontalHeaderLabels({ "task_id", "rsrc_id", "Resource Name" });
    m_resources->appendRow(items({ 7, 1, "Crane" }));
    m_resources->appendRow(items({ 12, 2, "Welder" }));
    m_resources->appendRow(items({ 112, 3, "Painter" }));
    m_resources->appendRow(items({ 120, 4, "Rigger" }));
    m_resources->appendRow(items({ 12, 5, "Fitter" }));

    m_codes = new QStandardItemModel;
    QStringList captions{ "task_id" };
    for (int i = 1; i < 10; ++i)
        captions << QString("Code %1").arg(i);
    m_codes->setHorizontalHeaderLabels(captions);
    for (int id : { 7, 12, 112, 120 }) {
        QVariantList row{ id };
        for (int i = 1; i < 10; ++i)
            row << QString("c%1-%2").arg(id).arg(i);
        m_codes->appendRow(items(row));
    }

    m_pane = new ActivityDetails;
    // The order of the main window's hand-over.
    m_pane->setActivityModel(m_activities);
    m_pane->setResourceModel(m_resources);
    m_pane->setPredecessorModel(m_predecessors);
    m_pane->setCodesModel(m_codes);
    for (const char *name : { "tblvwPred", "tblvwSucc", "tblResources", "tblvwCodes" }) {
        new QAbstractItemModelTester(table(name)->model(),
                                     QAbstractItemModelTester::FailureReportingMode::QtTest,
                                     table(name)->model());
    }
}

void tst_ActivityDetails::cleanup()
{
    delete m_pane;
    delete m_activities;
    delete m_predecessors;
    delete m_resources;
    delete m_codes;
}

QTableView *tst_ActivityDetails::table(const char *name) const
{
    return m_pane->findChild<QTableView *>(QLatin1String(name));
}

QLineEdit *tst_ActivityDetails::edit(const char *name) const
{
    return m_pane->findChild<QLineEdit *>(QLatin1String(name));
}

QStringList tst_ActivityDetails::column(const char *name, int c) const
{
    QStringList out;
    const QAbstractItemModel *m = table(name)->model();
    if (!m)
        return out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, c).data().toString();
    return out;
}

QModelIndex tst_ActivityDetails::activityRow(int taskId) const
{
    for (int r = 0; r < m_activities->rowCount(); ++r) {
        if (m_activities->index(r, 0).data().toInt() == taskId)
            return m_activities->index(r, 4);
    }
    return QModelIndex();
}

void tst_ActivityDetails::formAndAfterLoad()
{
    QCOMPARE(m_pane->objectName(), QStringLiteral("ActivityDetails"));
    QCOMPARE(m_pane->windowTitle(), QStringLiteral("Form"));
    auto *tabs = m_pane->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 4);
    QCOMPARE(tabs->tabText(0), QStringLiteral("General"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Relationships"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("Resources"));
    QCOMPARE(tabs->tabText(3), QStringLiteral("Codes"));
    QCOMPARE(m_pane->resourcesView(), table("tblResources"));

    for (const char *name : { "tblvwPred", "tblvwSucc", "tblResources", "tblvwCodes" }) {
        QTableView *t = table(name);
        QVERIFY(t);
        QCOMPARE(t->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(t->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(!t->showGrid());
        QVERIFY(t->verticalHeader()->isHidden());
    }

    // Right after a load no row is current yet: nothing on show.
    QCOMPARE(edit("leName")->text(), QString());
    QCOMPARE(table("tblResources")->model()->rowCount(), 0);
    QCOMPARE(table("tblvwPred")->model()->rowCount(), 0);
    QCOMPARE(table("tblvwSucc")->model()->rowCount(), 0);
    QCOMPARE(table("tblvwCodes")->model()->rowCount(), 0);

    // Relation lists: renamed caption, hidden id columns.
    QTableView *pred = table("tblvwPred");
    QCOMPARE(pred->model()->headerData(8, Qt::Horizontal).toString(), QStringLiteral("Predecessor Name"));
    QCOMPARE(table("tblvwSucc")->model()->headerData(6, Qt::Horizontal).toString(),
             QStringLiteral("Successor Name"));
    for (int c : { 0, 1, 2, 5, 6 })
        QVERIFY(pred->isColumnHidden(c));
    QVERIFY(!pred->isColumnHidden(7));
    for (int c : { 0, 1, 2, 7, 8 })
        QVERIFY(table("tblvwSucc")->isColumnHidden(c));
    QCOMPARE(pred->columnWidth(3), 50);
    QCOMPARE(pred->verticalHeader()->defaultSectionSize(), 22);
    // Codes: id hidden, sections 6 and 8 swapped.
    QTableView *codes = table("tblvwCodes");
    QVERIFY(codes->isColumnHidden(0));
    QCOMPARE(codes->horizontalHeader()->logicalIndex(6), 8);
    QCOMPARE(codes->horizontalHeader()->logicalIndex(8), 6);
}

void tst_ActivityDetails::exactIdMatches_data()
{
    QTest::addColumn<int>("taskId");
    QTest::addColumn<QStringList>("predecessors");
    QTest::addColumn<QStringList>("successors");
    QTest::addColumn<QStringList>("resources");
    QTest::addColumn<QString>("code");

    QTest::addRow("12") << 12 << QStringList{ "A7", "A120" } << QStringList{ "A112" }
                        << QStringList{ "Welder", "Fitter" } << "c12-1";
    QTest::addRow("112") << 112 << QStringList{ "A12", "A120" } << QStringList{ "A120", "A7" }
                         << QStringList{ "Painter" } << "c112-1";
    QTest::addRow("120") << 120 << QStringList{ "A112" } << QStringList{ "A112", "A12" }
                         << QStringList{ "Rigger" } << "c120-1";
    QTest::addRow("7") << 7 << QStringList{ "A112" } << QStringList{ "A12" } << QStringList{ "Crane" }
                       << "c7-1";
    // No row current (a filter took it away): the pane is empty.
    QTest::addRow("none") << 0 << QStringList() << QStringList() << QStringList() << QString();
}

void tst_ActivityDetails::exactIdMatches()
{
    QFETCH(int, taskId);
    QFETCH(QStringList, predecessors);
    QFETCH(QStringList, successors);
    QFETCH(QStringList, resources);
    QFETCH(QString, code);

    // Another activity was on show before.
    m_pane->onRowChanged(activityRow(taskId == 12 ? 7 : 12), QModelIndex());
    m_pane->onRowChanged(activityRow(taskId), QModelIndex());
    QCOMPARE(column("tblvwPred", 7), predecessors);
    QCOMPARE(column("tblvwSucc", 5), successors);
    QCOMPARE(column("tblResources", 2), resources);
    QCOMPARE(column("tblvwCodes", 1), code.isEmpty() ? QStringList() : QStringList{ code });
    QCOMPARE(edit("leName")->text(), activityRow(taskId).data().toString());
}

void tst_ActivityDetails::groupRowEmptiesTables()
{
    m_pane->onRowChanged(activityRow(112), QModelIndex());
    QCOMPARE(edit("leName")->text(), QStringLiteral("One-twelve"));
    m_pane->onRowChanged(activityRow(1000), QModelIndex());
    QCOMPARE(table("tblvwPred")->model()->rowCount(), 0);
    QCOMPARE(table("tblvwSucc")->model()->rowCount(), 0);
    QCOMPARE(table("tblResources")->model()->rowCount(), 0);
    QCOMPARE(table("tblvwCodes")->model()->rowCount(), 0);
    // Nor does the form keep the activity shown before.
    QCOMPARE(edit("leName")->text(), QString());
    QCOMPARE(edit("leStart")->text(), QString());

    // No current row: no activity.
    m_pane->onRowChanged(QModelIndex(), QModelIndex());
    QCOMPARE(edit("leName")->text(), QString());
    // Nor does a change of the last activity's data bring it back.
    m_pane->onRowChanged(activityRow(12), QModelIndex());
    m_pane->onRowChanged(QModelIndex(), QModelIndex());
    m_activities->setData(activityRow(12), QStringLiteral("Twelve!"));
    QCOMPARE(edit("leName")->text(), QString());
    m_pane->onRowChanged(activityRow(12), QModelIndex());
    QCOMPARE(edit("leName")->text(), QStringLiteral("Twelve!"));
}

void tst_ActivityDetails::formatting()
{
    m_pane->onRowChanged(activityRow(12), QModelIndex());
    QCOMPARE(edit("leStart")->text(), QStringLiteral("04-03-2024"));
    QCOMPARE(edit("leFinish")->text(), QStringLiteral("15-03-2024"));
    // Only relation prefixes are dropped in the form.
    QCOMPARE(edit("leTaskType")->text(), QStringLiteral("TT_Mile"));
    // A name too long to lay out shows its start.
    const QString longName(1 << 20, QLatin1Char('n'));
    m_activities->setData(m_activities->index(1, 4), longName);
    m_pane->onRowChanged(activityRow(7), QModelIndex());
    m_pane->onRowChanged(activityRow(12), QModelIndex());
    QCOMPARE(edit("leName")->text(), longName.left(4096) + QChar(0x2026));

    QTableView *pred = table("tblvwPred");
    auto *delegate = qobject_cast<QStyledItemDelegate *>(pred->itemDelegate());
    QVERIFY(delegate);
    const QModelIndex type = pred->model()->index(0, 3);
    QCOMPARE(type.data().toString(), QStringLiteral("PR_FS"));
    QCOMPARE(delegate->displayText(type.data(), QLocale()), QStringLiteral("FS"));

    ZDetailDelegate plain(nullptr, 3, QPixmap());
    QCOMPARE(plain.column(), -1);
    QPixmap pixmap(8, 8);
    pixmap.fill(Qt::red);
    ZDetailDelegate decorated(nullptr, 3, pixmap);
    QCOMPARE(decorated.column(), 3);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 40, 22);
    QCOMPARE(plain.sizeHint(option, m_activities->index(0, 0)).width(),
             QStyledItemDelegate().sizeHint(option, m_activities->index(0, 0)).width() + 32);

    // The pixmap goes in front of the decorated column.
    QImage image(60, 22, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    option.rect = image.rect();
    decorated.paint(&painter, option, pred->model()->index(0, 3));
    painter.end();
    QCOMPARE(image.pixelColor(5, 5), QColor(Qt::red));
    QVERIFY(image.pixelColor(30, 5) != QColor(Qt::red));
}

void tst_ActivityDetails::navigationButtons()
{
    // The buttons move the activity tree's current row; without an
    // activities pane there is none to move, so they stay off and the form
    // keeps its activity. (The moves themselves: tst_loadedwindow.)
    auto *prev = m_pane->findChild<QToolButton *>(QStringLiteral("tbPrevious"));
    auto *next = m_pane->findChild<QToolButton *>(QStringLiteral("tbNext"));
    QVERIFY(prev && next);
    QVERIFY(!prev->isEnabled());
    QVERIFY(!next->isEnabled());
    const QString before = edit("leName")->text();
    m_pane->nextActivity();
    m_pane->previousActivity();
    QCOMPARE(edit("leName")->text(), before);
}

void tst_ActivityDetails::windowKeysInFields_data()
{
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<bool>("command"); // the window has a command on the key
    QTest::addColumn<bool>("toCommand");
    // Where the desktop makes Ctrl+E the end of a line, this is Ctrl+E.
    const QKeySequence end = QKeySequence::keyBindings(QKeySequence::MoveToEndOfLine).value(0);
    QTest::addRow("the field's end-of-line key") << end << true << true;
    QTest::addRow("Ctrl+E") << QKeySequence(Qt::CTRL | Qt::Key_E) << true << true;
    QTest::addRow("a key without a command") << end << false << false;
}

// The window's keys work while a field of the pane has the focus; what no
// command takes stays the field's.
void tst_ActivityDetails::windowKeysInFields()
{
    QFETCH(QKeySequence, key);
    QFETCH(bool, command);
    QFETCH(bool, toCommand);
    m_pane->onRowChanged(activityRow(112), QModelIndex());
    auto *action = new QAction(m_pane);
    if (command)
        action->setShortcut(key);
    m_pane->addAction(action);
    QSignalSpy triggered(action, &QAction::triggered);
    m_pane->show();
    QApplication::setActiveWindow(m_pane);
    QVERIFY(QTest::qWaitForWindowActive(m_pane));
    for (const char *name : { "leName", "leTaskType" }) {
        QLineEdit *field = edit(name);
        field->setFocus();
        field->setCursorPosition(0);
        QTest::keyClick(field, Qt::Key(key[0] & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key[0] & Qt::KeyboardModifierMask));
        QCOMPARE(field->cursorPosition(), toCommand ? 0 : field->text().size());
    }
    QCOMPARE(triggered.count(), toCommand ? 2 : 0);
}

void tst_ActivityDetails::activationGoesToTask()
{
    m_pane->onRowChanged(activityRow(112), QModelIndex());
    QTableView *pred = table("tblvwPred");
    // Without the activities pane activation does nothing.
    emit pred->activated(pred->model()->index(0, 7));
    emit pred->activated(QModelIndex());
    QCOMPARE(edit("leName")->text(), QStringLiteral("One-twelve"));
}

void tst_ActivityDetails::clearAndGoneModels()
{
    m_pane->onRowChanged(activityRow(12), QModelIndex());
    const int selectionModels = m_pane->findChildren<QItemSelectionModel *>().size();
    m_pane->clearModels();
    for (const char *name : { "tblvwPred", "tblvwSucc", "tblResources", "tblvwCodes" })
        QVERIFY(!table(name)->model());
    // The tables' selection models of the project and of "no model" go.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(m_pane->findChildren<QItemSelectionModel *>().size(), selectionModels);
    QCOMPARE(edit("leName")->text(), QString());
    m_pane->onRowChanged(activityRow(12), QModelIndex());
    m_pane->nextActivity();

    // Load again, then the loader deletes its models without clearModels.
    m_pane->setActivityModel(m_activities);
    m_pane->setResourceModel(m_resources);
    m_pane->setPredecessorModel(m_predecessors);
    m_pane->setCodesModel(m_codes);
    m_pane->onRowChanged(activityRow(7), QModelIndex());
    QCOMPARE(edit("leName")->text(), QStringLiteral("Seven"));
    QCOMPARE(m_pane->findChildren<MapHdrModel *>().size(), 2);
    // Reloading adds no delegates and no proxies.
    for (int i = 0; i < 3; ++i) {
        m_pane->setActivityModel(m_activities);
        m_pane->setResourceModel(m_resources);
        m_pane->setPredecessorModel(m_predecessors);
        m_pane->setCodesModel(m_codes);
    }
    QCOMPARE(m_pane->findChildren<ZDetailDelegate *>().size(), 4);
    QCOMPARE(m_pane->findChildren<QSortFilterProxyModel *>().size(), 4);
    QStandardItemModel other;
    other.setHorizontalHeaderLabels({ "ID", "parentID", "Group" });
    other.appendRow(items({ 12, QVariant(), QVariant() }));
    delete m_activities;
    m_activities = nullptr;
    delete m_predecessors;
    m_predecessors = nullptr;
    m_pane->onRowChanged(other.index(0, 0), QModelIndex());
    m_pane->nextActivity();
    m_pane->previousActivity();
    m_pane->clearModels();
}

QTEST_MAIN(tst_ActivityDetails)
#include "tst_activitydetails.moc"
