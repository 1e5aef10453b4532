#include "activitydetails.h"

#include "zgroupedtreeview.h"

#include "activities.h"
#include "headercaptions.h"
#include "maphdrmodel.h"
#include "modelhelpers.h"
#include "viewslogging.h"
#include "zdetaildelegate.h"

#include <QDataWidgetMapper>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Matches no id: shown while a group row is current.
const QChar kNoId(0x00FF);
const QString kNoRows = QStringLiteral("-1");

// Rows whose key column reads exactly `key` (ignoring case): the id 12 must
// not list the rows of 112 or 120. The two keys of "no activity" list
// nothing without looking at the table.
void setExactFilter(ZKeyFilterProxyModel *proxy, const QString &key)
{
    if (!proxy)
        return;
    if (key == kNoRows || (key.size() == 1 && key.at(0) == kNoId))
        proxy->setFilterNone();
    else
        proxy->setFilterKey(key);
}

QLineEdit *readOnlyEdit(QWidget *parent, const QString &name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

QLabel *label(QWidget *parent, const QString &name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QToolButton *navigationButton(QWidget *parent, const QString &name, const QString &icon)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setMaximumSize(32, 32);
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(32, 32));
    return button;
}

// Rows 22 pixels high; the style's minimum section size would round them up.
void fixRowHeight(QHeaderView *header)
{
    header->setMinimumSectionSize(22);
    setDefaultSectionSize(header, 22);
}

QGridLayout *tabGrid(QWidget *tab, const QString &name)
{
    auto *grid = new QGridLayout(tab);
    grid->setObjectName(name);
    grid->setContentsMargins(0, 0, 0, 0);
    return grid;
}

} // namespace

ActivityDetails::ActivityDetails(QWidget *parent)
    : QWidget(parent)
{
    setupForm();
    m_mapperDelegate = new ZDetailDelegate(this, -1, QPixmap());
    createMapper();
    // The table delegates serve every project and stay with the pane.
    m_tblvwPred->setItemDelegate(new ZDetailDelegate(
        this, 3, QPixmap(QStringLiteral(":/images/task_position_predecessors.png"))));
    m_tblvwSucc->setItemDelegate(new ZDetailDelegate(
        this, 3, QPixmap(QStringLiteral(":/images/task_position_successors.png"))));
    m_tblvwCodes->setItemDelegate(
        new ZDetailDelegate(this, 8, QPixmap(QStringLiteral(":/images/task_label_32"))));

    connect(m_tblvwPred, &QAbstractItemView::activated, this, &ActivityDetails::gotoPredecessor);
    connect(m_tblvwSucc, &QAbstractItemView::activated, this, &ActivityDetails::gotoSuccessor);
    connect(m_tbPrevious, &QToolButton::clicked, this, &ActivityDetails::previousActivity);
    connect(m_tbNext, &QToolButton::clicked, this, &ActivityDetails::nextActivity);
    for (QLineEdit *edit : { m_leName, m_leStart, m_leFinish, m_leTaskType })
        edit->installEventFilter(this);
}

ActivityDetails::~ActivityDetails() = default;

QTableView *ActivityDetails::createTable(QWidget *parent, const QString &name)
{
    auto *table = new QTableView(parent);
    table->setObjectName(name);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setShowGrid(false);
    table->verticalHeader()->setVisible(false);
    fitCaptions(table->horizontalHeader());
    return table;
}

void ActivityDetails::setupForm()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("ActivityDetails"));
    resize(632, 375);
    setWindowTitle(QStringLiteral("Form"));

    QGridLayout *grid = tabGrid(this, QStringLiteral("gridLayout"));
    m_tabWidget = new QTabWidget(this);
    m_tabWidget->setObjectName(QStringLiteral("tabWidget"));
    grid->addWidget(m_tabWidget, 0, 0);

    // General
    auto *tab = new QWidget;
    tab->setObjectName(QStringLiteral("tab"));
    auto *form = new QFormLayout(tab);
    form->setObjectName(QStringLiteral("formLayout"));
    auto *rows = new QVBoxLayout;
    rows->setObjectName(QStringLiteral("verticalLayout"));
    auto *nameRow = new QHBoxLayout;
    nameRow->setObjectName(QStringLiteral("horizontalLayout_2"));
    nameRow->addWidget(label(tab, QStringLiteral("label"), QStringLiteral("Name:")));
    m_leName = readOnlyEdit(tab, QStringLiteral("leName"));
    nameRow->addWidget(m_leName);
    m_tbPrevious = navigationButton(tab, QStringLiteral("tbPrevious"),
                                    QStringLiteral(":/images/button_rounded_blue_left_32.png"));
    m_tbNext = navigationButton(tab, QStringLiteral("tbNext"),
                                QStringLiteral(":/images/button_rounded_blue_right_32.png"));
    nameRow->addWidget(m_tbPrevious);
    nameRow->addWidget(m_tbNext);
    auto *dateRow = new QHBoxLayout;
    dateRow->setObjectName(QStringLiteral("horizontalLayout"));
    dateRow->addWidget(label(tab, QStringLiteral("label_2"), QStringLiteral("Start:")));
    m_leStart = readOnlyEdit(tab, QStringLiteral("leStart"));
    dateRow->addWidget(m_leStart);
    dateRow->addWidget(label(tab, QStringLiteral("label_3"), QStringLiteral("Finish:")));
    m_leFinish = readOnlyEdit(tab, QStringLiteral("leFinish"));
    dateRow->addWidget(m_leFinish);
    dateRow->addWidget(label(tab, QStringLiteral("label_4"), QStringLiteral("Task type:")));
    m_leTaskType = readOnlyEdit(tab, QStringLiteral("leTaskType"));
    dateRow->addWidget(m_leTaskType);
    rows->addLayout(nameRow);
    rows->addLayout(dateRow);
    form->setLayout(0, QFormLayout::SpanningRole, rows);
    m_tabWidget->addTab(tab, QStringLiteral("General"));

    // Relationships
    auto *tab2 = new QWidget;
    tab2->setObjectName(QStringLiteral("tab_2"));
    auto *splitter = new QSplitter(Qt::Horizontal, tab2);
    splitter->setObjectName(QStringLiteral("splitter"));
    m_tblvwPred = createTable(splitter, QStringLiteral("tblvwPred"));
    m_tblvwSucc = createTable(splitter, QStringLiteral("tblvwSucc"));
    splitter->addWidget(m_tblvwPred);
    splitter->addWidget(m_tblvwSucc);
    tabGrid(tab2, QStringLiteral("gridLayout_2"))->addWidget(splitter, 0, 0);
    m_tabWidget->addTab(tab2, QStringLiteral("Relationships"));

    // Resources
    auto *tab3 = new QWidget;
    tab3->setObjectName(QStringLiteral("tab_3"));
    m_tblResources = createTable(tab3, QStringLiteral("tblResources"));
    tabGrid(tab3, QStringLiteral("gridLayout_3"))->addWidget(m_tblResources, 0, 0);
    m_tabWidget->addTab(tab3, QStringLiteral("Resources"));

    // Codes
    auto *tab4 = new QWidget;
    tab4->setObjectName(QStringLiteral("tab_4"));
    m_tblvwCodes = createTable(tab4, QStringLiteral("tblvwCodes"));
    tabGrid(tab4, QStringLiteral("gridLayout_4"))->addWidget(m_tblvwCodes, 0, 0);
    m_tabWidget->addTab(tab4, QStringLiteral("Codes"));

    m_tabWidget->setCurrentIndex(0);
}

void ActivityDetails::createMapper()
{
    delete m_mapper;
    m_mapper = new QDataWidgetMapper(this);
    // The fields only show the activity; nothing is written back.
    m_mapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    m_mapper->setItemDelegate(m_mapperDelegate);
    connect(m_mapper, &QDataWidgetMapper::currentIndexChanged, this, &ActivityDetails::updateButtons);
}

void ActivityDetails::setActivityModel(QAbstractItemModel *model)
{
    m_activityModel = model;
    if (m_activityModel && m_predecessorModel)
        createDetailMapping();
}

void ActivityDetails::setPredecessorModel(QAbstractItemModel *model)
{
    m_predecessorModel = model;
    if (m_activityModel && m_predecessorModel)
        createDetailMapping();
}

void ActivityDetails::setResourceModel(QAbstractItemModel *model)
{
    m_resourceModel = model;
    delete m_resourceProxy;
    m_resourceProxy = new ZKeyFilterProxyModel(this);
    m_resourceProxy->setSourceModel(model);
    m_resourceProxy->setFilterKeyColumn(0);
    setTableModel(m_tblResources, m_resourceProxy);
}

void ActivityDetails::setCodesModel(QAbstractItemModel *model)
{
    qCDebug(lcViews) << "ActivityDetails::setCodesModel model rows:" << (model ? model->rowCount() : 0)
                     << " columns:" << (model ? model->columnCount() : 0);
    m_codesModel = model;
    delete m_codesProxy;
    m_codesProxy = new ZKeyFilterProxyModel(this);
    m_codesProxy->setSourceModel(model);
    m_codesProxy->setFilterKeyColumn(0);
    setExactFilter(m_codesProxy, kNoRows);
    setTableModel(m_tblvwCodes, m_codesProxy);
    m_tblvwCodes->setColumnHidden(0, true);
    m_tblvwCodes->horizontalHeader()->swapSections(6, 8);
    fixRowHeight(m_tblvwCodes->verticalHeader());
    setExactFilter(m_codesProxy, kNoRows);
}

void ActivityDetails::setUserDefinedAssignmentModel(QAbstractItemModel *)
{
}

QTableView *ActivityDetails::resourcesView() const
{
    return m_tblResources;
}

void ActivityDetails::createDetailMapping()
{
    delete m_predecessorProxy;
    delete m_successorProxy;

    // Predecessor model columns: 0 successor id, 1 predecessor id,
    // 2 predecessor project, 3 type, 4 lag, 5-6 successor ID and name,
    // 7-8 predecessor ID and name.
    m_predecessorProxy = new MapHdrModel(this);
    m_predecessorProxy->captions.insert(QStringLiteral("Activity Name"), QStringLiteral("Predecessor Name"));
    m_predecessorProxy->setSourceModel(m_predecessorModel);
    m_predecessorProxy->setFilterKeyColumn(0);
    // Empty before the table shows it: the table never lays out a row per
    // relation of the project only to lose them at once.
    setExactFilter(m_predecessorProxy, kNoRows);
    setTableModel(m_tblvwPred, m_predecessorProxy);
    for (int c : { 0, 1, 2, 5, 6 })
        m_tblvwPred->setColumnHidden(c, true);
    m_tblvwPred->setColumnWidth(3, 50);
    m_tblvwPred->setColumnWidth(4, 50);
    m_tblvwPred->horizontalHeader()->setStretchLastSection(true);
    fixRowHeight(m_tblvwPred->verticalHeader());

    m_successorProxy = new MapHdrModel(this);
    m_successorProxy->captions.insert(QStringLiteral("Activity Name"), QStringLiteral("Successor Name"));
    m_successorProxy->setSourceModel(m_predecessorModel);
    m_successorProxy->setFilterKeyColumn(1);
    setExactFilter(m_successorProxy, kNoRows);
    setTableModel(m_tblvwSucc, m_successorProxy);
    for (int c : { 0, 1, 2, 7, 8 })
        m_tblvwSucc->setColumnHidden(c, true);
    m_tblvwSucc->setColumnWidth(3, 50);
    m_tblvwSucc->setColumnWidth(4, 50);
    m_tblvwSucc->horizontalHeader()->setStretchLastSection(true);
    fixRowHeight(m_tblvwSucc->verticalHeader());

    m_mapper->clearMapping();
    m_mapper->setModel(m_activityModel);
    m_mapper->setItemDelegate(m_mapperDelegate);

    // The pane shows the tree's current row, and a new project has none
    // until the tree makes one current.
    showNoActivity();
}

void ActivityDetails::mapFields()
{
    m_mapper->addMapping(m_leName, columnIndex(m_activityModel, QStringLiteral("Activity Name")));
    m_mapper->addMapping(m_leStart, columnIndex(m_activityModel, QStringLiteral("Start Date")));
    m_mapper->addMapping(m_leFinish, columnIndex(m_activityModel, QStringLiteral("Finish Date")));
    m_mapper->addMapping(m_leTaskType, columnIndex(m_activityModel, QStringLiteral("Activity Type")));
}

void ActivityDetails::clearModels()
{
    // A mapper cannot be given "no model"; a fresh one has none.
    createMapper();
    setTableModel(m_tblResources, nullptr);
    setTableModel(m_tblvwCodes, nullptr);
    setTableModel(m_tblvwPred, nullptr);
    setTableModel(m_tblvwSucc, nullptr);
    delete m_predecessorProxy;
    delete m_successorProxy;
    delete m_codesProxy;
    delete m_resourceProxy;
    m_activityModel = nullptr;
    m_predecessorModel = nullptr;
    m_codesModel = nullptr;
    m_resourceModel = nullptr;
    m_rowPending = false;
    // Nothing of a closed project stays on show.
    showNoActivity();
}

void ActivityDetails::showNoActivity()
{
    const QList<ZKeyFilterProxyModel *> proxies = { m_predecessorProxy.data(), m_successorProxy.data(),
                                                    m_resourceProxy.data(), m_codesProxy.data() };
    for (ZKeyFilterProxyModel *proxy : proxies)
        setExactFilter(proxy, QString(kNoId));
    // The fields leave the mapper's row, or a change of its data would
    // bring the activity back.
    m_mapper->clearMapping();
    for (QLineEdit *edit : { m_leName, m_leStart, m_leFinish, m_leTaskType })
        edit->clear();
    m_shownRow = QPersistentModelIndex();
    m_showingRow = false;
    updateButtons(-1);
}

bool ActivityDetails::eventFilter(QObject *watched, QEvent *event)
{
    // A read-only field would keep keys from the window's commands as moves
    // of its caret (Ctrl+E is the end of the line on some desktops): the
    // window's keys work wherever the focus is in the pane. A key that no
    // command takes still reaches the field.
    if (event->type() == QEvent::ShortcutOverride) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ActivityDetails::onTreeRowsChanged()
{
    if (!m_showingRow)
        return;
    if (!m_shownRow.isValid()) {
        showNoActivity();
        return;
    }
    // A sort or a filter moves the rows around the one on show: what lies
    // before and after it changes with them.
    updateButtons(m_mapper->currentIndex());
}

void ActivityDetails::nextActivity()
{
    // The tree's current row moves: every tab and the chart follow it.
    if (m_activities)
        m_activities->stepCurrentActivity(1);
}

void ActivityDetails::previousActivity()
{
    if (m_activities)
        m_activities->stepCurrentActivity(-1);
}

void ActivityDetails::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_rowPending) {
        m_rowPending = false;
        onRowChanged(m_pendingRow, QModelIndex());
    }
}

void ActivityDetails::onRowChanged(const QModelIndex &current, const QModelIndex &)
{
    // Switched off (hidden on purpose, not merely not yet shown).
    if (testAttribute(Qt::WA_WState_ExplicitShowHide) && testAttribute(Qt::WA_WState_Hidden)) {
        m_pendingRow = current;
        m_rowPending = true;
        return;
    }
    // No row is current: no activity on show.
    if (current.row() < 0 || current.column() < 0 || !current.model()) {
        showNoActivity();
        return;
    }
    // A group band row has no activity: the pane shows none, as when no row
    // is current, and its buttons step from the band's place in the tree.
    if (!current.sibling(current.row(), 2).data(Qt::DisplayRole).isNull()) {
        showNoActivity();
        m_shownRow = current;
        m_showingRow = true;
        updateButtons(current.row());
        return;
    }
    m_shownRow = current;
    m_showingRow = true;
    const QString key = current.sibling(current.row(), 0).data(Qt::DisplayRole).toString();

    setExactFilter(m_predecessorProxy, key);
    setExactFilter(m_successorProxy, key);
    setExactFilter(m_resourceProxy, key);
    setExactFilter(m_codesProxy, key);

    if (!m_activityModel)
        return;
    const QModelIndexList hits = m_activityModel->match(
        m_activityModel->index(0, 0), Qt::DisplayRole, key, 1,
        Qt::MatchFixedString | Qt::MatchCaseSensitive | Qt::MatchRecursive);
    if (!hits.isEmpty()) {
        if (m_mapper->mappedSection(m_leName) < 0)
            mapFields();
        m_mapper->setCurrentModelIndex(hits.first());
    }
    updateButtons(m_mapper->currentIndex());
}

void ActivityDetails::updateButtons(int row)
{
    // The buttons walk the tree's activities in the order shown: each is
    // enabled while there is an activity that way from the current row.
    if (row < 0 || !m_activityModel || !m_activities) {
        m_tbPrevious->setEnabled(false);
        m_tbNext->setEnabled(false);
        return;
    }
    const QModelIndex current = m_activities->treeView()->currentIndex();
    m_tbPrevious->setEnabled(m_activities->neighbourActivity(current, -1).isValid());
    m_tbNext->setEnabled(m_activities->neighbourActivity(current, 1).isValid());
}

void ActivityDetails::gotoPredecessor(const QModelIndex &index)
{
    if (index.isValid())
        gotoTask(index.sibling(index.row(), 1).data(Qt::DisplayRole).toInt());
}

void ActivityDetails::gotoSuccessor(const QModelIndex &index)
{
    if (index.isValid())
        gotoTask(index.sibling(index.row(), 0).data(Qt::DisplayRole).toInt());
}

void ActivityDetails::gotoTask(int taskId)
{
    if (m_activities)
        m_activities->gotoTask(taskId);
}
