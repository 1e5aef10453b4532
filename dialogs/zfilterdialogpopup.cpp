#include "zfilterdialogpopup.h"

#include "captions.h"
#include "modelhelpers.h"
#include "zfilterproxymodel.h"
#include "zindex.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegExp>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace {

// The key that opens a combo box's list.
bool isAltDown(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Down
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier;
}

// The value list shows a long text cut, as the table does; its rows keep
// the whole value, which the filter compares.
class ShownValueDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        if (value.userType() == QMetaType::QString)
            return QStyledItemDelegate::displayText(shownText(value.toString()), locale);
        return QStyledItemDelegate::displayText(value, locale);
    }
};

} // namespace

ZFilterDialogPopUp::ZFilterDialogPopUp(QAbstractItemModel *model, int column, QWidget *parent)
    : QMenu(parent)
    , m_model(model)
    , m_column(column)
{
    init();
    updateGeometry();
    m_searchEdit->setFocus(Qt::OtherFocusReason);
}

ZFilterDialogPopUp::~ZFilterDialogPopUp() = default;

void ZFilterDialogPopUp::init()
{
    m_clear = false;
    m_accepted = false;
    m_rejected = false;
    m_listModel = new QStandardItemModel(this);
    m_proxy = new ZFilterProxyModel(this);
    m_proxy->setSourceModel(m_listModel);
    m_proxy->setFilterKeyColumn(0);
    createWidgets();
}

void ZFilterDialogPopUp::createWidgets()
{
    m_sortAZ = addAction(QIcon(QStringLiteral(":/images/sort_az_32.png")), tr("Sort A to Z"));
    m_sortAZ->setCheckable(true);
    m_sortZA = addAction(QIcon(QStringLiteral(":/images/sort_za_32.png")), tr("Sort Z to A"));
    m_sortZA->setCheckable(true);
    addSeparator();
    m_clearAction = addAction(QIcon(QStringLiteral(":/images/filter-delete_32.png")), tr("Clear"));
    addSeparator();

    m_tabWidget = new QTabWidget(this);
    m_tabWidget->setStyleSheet(QStringLiteral(
        "QTabWidget::tab-bar { alignment: center; } "
        "QTabWidget::pane { position: absolute; top: -0.5em; }"));
    auto *listPage = new QWidget(m_tabWidget);
    auto *listLayout = new QVBoxLayout(listPage);
    m_searchEdit = new QLineEdit(listPage);
    m_searchEdit->setClearButtonEnabled(true);
    m_treeView = new QTreeView(listPage);
    m_treeView->setModel(m_proxy);
    m_treeView->setItemDelegate(new ShownValueDelegate(m_treeView));
    m_treeView->setHeaderHidden(true);
    // Every value shows on one line. The view then measures no row when
    // rows are changed, ticked or unticked by the hundred thousand.
    m_treeView->setUniformRowHeights(true);
    listLayout->addWidget(m_searchEdit);
    listLayout->addWidget(m_treeView);
    m_tabWidget->addTab(listPage, tr("List"));
    m_pageStops.append({m_searchEdit, m_treeView});
    m_tabWidget->installEventFilter(this);
    connect(m_searchEdit, &QLineEdit::textChanged, this, &ZFilterDialogPopUp::filterRegExpChanged);
    connect(m_treeView, &QTreeView::clicked, this, &ZFilterDialogPopUp::onItemClicked);
    // Space on a box does what a click does.
    m_treeView->installEventFilter(this);

    m_tabAction = new QWidgetAction(this);
    m_tabAction->setDefaultWidget(m_tabWidget);
    addAction(m_tabAction);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ZFilterDialogPopUp::onAccepted);
    connect(buttons, &QDialogButtonBox::rejected, this, &ZFilterDialogPopUp::onRejected);
    m_okButton = buttons->button(QDialogButtonBox::Ok);
    m_cancelButton = buttons->button(QDialogButtonBox::Cancel);
    auto *buttonAction = new QWidgetAction(this);
    buttonAction->setDefaultWidget(buttons);
    addAction(buttonAction);
}

void ZFilterDialogPopUp::startValueList()
{
    m_listModel->clear();
    auto *all = new QStandardItem(tr("(Select All)"));
    all->setCheckable(true);
    all->setCheckState(Qt::Checked);
    m_listModel->appendRow(all);
}

QSet<int> ZFilterDialogPopUp::bandRows() const
{
    // The grouping appends its band rows to the activity table; they carry
    // the band's label in "Group", which no activity row does.
    QSet<int> rows;
    if (!m_model)
        return rows;
    const int groupColumn = columnIndex(m_model, QStringLiteral("Group"));
    if (groupColumn < 0)
        return rows;
    const int count = m_model->rowCount();
    for (int r = 0; r < count; ++r) {
        if (!m_model->index(r, groupColumn).data(Qt::DisplayRole).isNull())
            rows.insert(r);
    }
    return rows;
}

void ZFilterDialogPopUp::dropRows(ZIndex &index, const QSet<int> &rows)
{
    if (rows.isEmpty())
        return;
    for (auto it = index.begin(); it != index.end();) {
        it->second.rows.subtract(rows);
        if (it->second.rows.isEmpty() && index.isLeaf(it->first))
            it = index.erase(it);
        else
            ++it;
    }
}

void ZFilterDialogPopUp::createFilterModel()
{
    startValueList();
    if (!m_model)
        return;
    ZIndex index(m_model, m_column);
    index.group(Qt::DisplayRole);
    dropRows(index, bandRows());
    index.toModel(m_listModel, false);
}

QString ZFilterDialogPopUp::firstConditionOperator() const
{
    return m_firstOperator ? m_firstOperator->currentText() : QString();
}

QString ZFilterDialogPopUp::secondConditionOperator() const
{
    return m_secondOperator ? m_secondOperator->currentText() : QString();
}

QString ZFilterDialogPopUp::translateOperator(const QString &symbol) const
{
    static const QHash<QString, QString> texts = {
        {QStringLiteral("="), QStringLiteral("equals")},
        {QStringLiteral("!="), QStringLiteral("does not equal")},
        {QStringLiteral(">"), QStringLiteral("is greater than")},
        {QStringLiteral(">="), QStringLiteral("is greater than or equal to")},
        {QStringLiteral("<"), QStringLiteral("is less than")},
        {QStringLiteral("<="), QStringLiteral("is less than or equal to")},
    };
    return texts.value(symbol, symbol);
}

bool ZFilterDialogPopUp::isAndChecked() const
{
    return m_andButton && m_andButton->isChecked();
}

void ZFilterDialogPopUp::addExpressionTab(QWidget *firstEditor, QWidget *secondEditor,
                                          const QStringList &operators)
{
    auto *page = new QWidget(m_tabWidget);
    m_firstOperator = new QComboBox(page);
    m_firstOperator->addItems(operators);
    firstEditor->setParent(page);
    auto *firstRow = new QHBoxLayout;
    firstRow->addWidget(m_firstOperator);
    firstRow->addWidget(firstEditor);

    m_andButton = new QRadioButton(tr("&AND"), page);
    m_andButton->setChecked(true);
    m_orButton = new QRadioButton(tr("&OR"), page);
    auto *joinRow = new QHBoxLayout;
    joinRow->addWidget(m_andButton);
    joinRow->addWidget(m_orButton);

    m_secondOperator = new QComboBox(page);
    m_secondOperator->addItem(QString());
    m_secondOperator->addItems(operators);
    secondEditor->setParent(page);
    auto *secondRow = new QHBoxLayout;
    secondRow->addWidget(m_secondOperator);
    secondRow->addWidget(secondEditor);

    auto *grid = new QGridLayout(page);
    grid->addLayout(firstRow, 0, 0, 1, 2);
    grid->addLayout(joinRow, 1, 0);
    grid->addLayout(secondRow, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);
    m_tabWidget->addTab(page, tr("Expression"));
    // Enter on an open operator list picks the operator only; Alt+Down in
    // a value box, which has no list, leaves its value.
    m_firstOperator->view()->installEventFilter(this);
    m_secondOperator->view()->installEventFilter(this);
    firstEditor->installEventFilter(this);
    secondEditor->installEventFilter(this);
    m_valueEditors = {firstEditor, secondEditor};
    m_pageStops.append({m_firstOperator, firstEditor, m_andButton, m_orButton, m_secondOperator,
                        secondEditor});
    // The Expression tab shown, typing goes into the first value. A user
    // moving along the tabs on the tab bar stays there.
    connect(m_tabWidget, &QTabWidget::currentChanged, firstEditor, [this, firstEditor](int index) {
        QWidget *focus = m_tabWidget->window()->focusWidget();
        if (index == 1 && !(focus && focus == m_tabWidget->focusProxy()))
            firstEditor->setFocus(Qt::OtherFocusReason);
    });
}

void ZFilterDialogPopUp::preloadOperators(const QString &firstSymbol,
                                          const QString &secondSymbol, bool andChecked)
{
    // A text that is not in the list leaves the combo box as it is.
    const auto select = [](QComboBox *combo, const QString &text) {
        const int i = combo->findText(text);
        if (i >= 0)
            combo->setCurrentIndex(i);
    };
    if (!m_firstOperator)
        return;
    select(m_firstOperator, translateOperator(firstSymbol));
    if (!secondSymbol.isEmpty())
        select(m_secondOperator, translateOperator(secondSymbol));
    (andChecked ? m_andButton : m_orButton)->setChecked(true);
    m_tabWidget->setCurrentIndex(1);
}

QList<QVariant> ZFilterDialogPopUp::selectedItems() const
{
    // Rows the search hides are neither visited nor returned, but for those
    // a shown row stands for.
    QList<QVariant> values;
    const QVector<QStandardItem *> items = visibleItems(QModelIndex());
    for (const QStandardItem *item : items) {
        if (item->checkState() == Qt::Checked)
            values.append(item->data(Qt::DisplayRole));
    }
    return values;
}

void ZFilterDialogPopUp::setSelectedItems(const QList<QVariant> &values)
{
    if (values.isEmpty())
        return;
    // The values are found through the rows' keys, gathered once: a search
    // of the whole list for each value would cost the square of a long
    // list. A row with rows below it (a year, a month) takes its mark from
    // them, as a click leaves it.
    QVector<QStandardItem *> items;
    QHash<QString, QStandardItem *> leaves;
    QVector<QStandardItem *> stack;
    for (int r = m_listModel->rowCount() - 1; r >= 1; --r)
        stack.append(m_listModel->item(r));
    while (!stack.isEmpty()) {
        QStandardItem *item = stack.takeLast();
        items.append(item);
        if (!item->hasChildren()) {
            const QString key = valueKey(item->data(Qt::DisplayRole));
            if (!leaves.contains(key))
                leaves.insert(key, item);
        }
        for (int r = item->rowCount() - 1; r >= 0; --r)
            stack.append(item->child(r));
    }
    QSet<QStandardItem *> checked;
    for (const QVariant &value : values) {
        if (QStandardItem *item = leaves.value(valueKey(value)))
            checked.insert(item);
    }
    // Children come after their parent: backwards, each parent after them.
    QHash<const QStandardItem *, Qt::CheckState> parentMarks;
    const auto markOf = [&](QStandardItem *item) {
        if (!item->hasChildren())
            return checked.contains(item) ? Qt::Checked : Qt::Unchecked;
        return parentMarks.value(item);
    };
    QVector<QPair<QStandardItem *, Qt::CheckState>> states;
    states.reserve(items.size() + 1);
    for (auto it = items.crbegin(); it != items.crend(); ++it) {
        QStandardItem *item = *it;
        if (item->hasChildren()) {
            bool every = true;
            bool none = true;
            for (int r = 0; r < item->rowCount(); ++r) {
                const Qt::CheckState child = markOf(item->child(r));
                every = every && child == Qt::Checked;
                none = none && child == Qt::Unchecked;
            }
            parentMarks.insert(item, every ? Qt::Checked : none ? Qt::Unchecked : Qt::PartiallyChecked);
        }
        states.append({item, markOf(item)});
    }
    // "(Select All)" stays unchecked even when every value is stored, so
    // that OK keeps the list.
    if (QStandardItem *all = m_listModel->item(0)) {
        const bool some = !checked.isEmpty() && checked.size() < leaves.size();
        states.append({all, some ? Qt::PartiallyChecked : Qt::Unchecked});
    }
    setCheckStates(states);
}

QString ZFilterDialogPopUp::valueKey(const QVariant &value) const
{
    return value.toString();
}

void ZFilterDialogPopUp::setSortIdicator(Qt::SortOrder order)
{
    if (order == Qt::AscendingOrder) {
        m_sortAZ->setChecked(true);
        m_sortZA->setChecked(false);
    } else if (order == Qt::DescendingOrder) {
        m_sortAZ->setChecked(false);
        m_sortZA->setChecked(true);
    }
}

bool ZFilterDialogPopUp::isSelectAllChecked() const
{
    const QStandardItem *all = m_listModel->item(0);
    return all && all->checkState() == Qt::Checked;
}

bool ZFilterDialogPopUp::isFilterActive() const
{
    int rows = 0;
    walkRows(m_listModel, QModelIndex(), [&rows](const QModelIndex &index, int) {
        ++rows;
        return WalkStep::Descend;
    });
    // "(Select All)" always stays.
    return visibleItems(QModelIndex()).size() + 1 != rows;
}

QVector<QStandardItem *> ZFilterDialogPopUp::visibleItems(const QModelIndex &proxyParent) const
{
    // Only rows with rows below them are asked for those: the proxy keeps a
    // mapping for each row asked, which for every row of a long list would
    // cost much memory and make each later change of the search search them.
    QVector<QStandardItem *> items;
    // A row the search shows without any of the rows below it (a year
    // typed) stands for them: they are its values, and take its clicks.
    // They are read from the list itself, not mapped through the proxy.
    QVector<QStandardItem *> hidden;
    const auto appendBelow = [&items, &hidden](QStandardItem *item) {
        for (int r = item->rowCount() - 1; r >= 0; --r)
            hidden.append(item->child(r));
        while (!hidden.isEmpty()) {
            QStandardItem *below = hidden.takeLast();
            items.append(below);
            for (int r = below->rowCount() - 1; r >= 0; --r)
                hidden.append(below->child(r));
        }
    };
    struct Level
    {
        QModelIndex parent;
        int next;
        int rows;
    };
    const int rows = m_proxy->rowCount(proxyParent);
    if (proxyParent.isValid() && rows == 0) {
        if (QStandardItem *item = m_listModel->itemFromIndex(m_proxy->mapToSource(proxyParent)))
            appendBelow(item);
        return items;
    }
    QVector<Level> stack{{proxyParent, proxyParent.isValid() ? 0 : 1, rows}};
    while (!stack.isEmpty()) {
        Level &level = stack.last();
        if (level.next >= level.rows) {
            stack.removeLast();
            continue;
        }
        const QModelIndex child = m_proxy->index(level.next++, 0, level.parent);
        QStandardItem *item = m_listModel->itemFromIndex(m_proxy->mapToSource(child));
        if (!item)
            continue;
        items.append(item);
        if (!item->hasChildren())
            continue;
        const int shown = m_proxy->rowCount(child);
        if (shown > 0)
            stack.append({child, 0, shown});
        else
            appendBelow(item);
    }
    return items;
}

void ZFilterDialogPopUp::setCheckStates(const QVector<QStandardItem *> &items, Qt::CheckState state)
{
    QVector<QPair<QStandardItem *, Qt::CheckState>> states;
    states.reserve(items.size());
    for (QStandardItem *item : items)
        states.append({item, state});
    setCheckStates(states);
}

void ZFilterDialogPopUp::setCheckStates(const QVector<QPair<QStandardItem *, Qt::CheckState>> &states)
{
    // One signal for each row changed makes the proxy and the view look for
    // the row among all theirs: the square of a long list. The rows are set
    // with the list's signals held, and each parent's changed rows are then
    // told as one range.
    QStandardItem *root = m_listModel->invisibleRootItem();
    QHash<QStandardItem *, QPair<int, int>> ranges;
    {
        const QSignalBlocker hold(m_listModel);
        for (const auto &[item, state] : states) {
            if (item->checkState() == state)
                continue;
            item->setCheckState(state);
            QStandardItem *parent = item->parent() ? item->parent() : root;
            const int row = item->row();
            const auto range = ranges.find(parent);
            if (range == ranges.end()) {
                ranges.insert(parent, {row, row});
            } else {
                range->first = qMin(range->first, row);
                range->second = qMax(range->second, row);
            }
        }
    }
    for (auto it = ranges.cbegin(); it != ranges.cend(); ++it) {
        const QModelIndex parent = it.key() == root ? QModelIndex() : it.key()->index();
        emit m_listModel->dataChanged(m_listModel->index(it->first, 0, parent),
                                      m_listModel->index(it->second, 0, parent),
                                      {Qt::CheckStateRole});
    }
}

void ZFilterDialogPopUp::toggleCheckState(Qt::CheckState state, const QModelIndex &parent)
{
    // Through the proxy: rows the search hides keep their state, but for
    // those a shown row stands for (see visibleItems).
    setCheckStates(visibleItems(parent), state);
}

void ZFilterDialogPopUp::toggleCheckStateParent(Qt::CheckState state, const QModelIndex &parent)
{
    QModelIndex p = parent;
    while (p.isValid() && m_proxy->rowCount(p) > 0) {
        const int rows = m_proxy->rowCount(p);
        bool same = true;
        for (int r = 0; r < rows && same; ++r)
            same = m_proxy->index(r, 0, p).data(Qt::CheckStateRole).toInt() == state;
        if (!same) {
            // A mixed group shows partly checked, and so do all its ancestors.
            for (QModelIndex a = p; a.isValid(); a = a.parent())
                m_proxy->setData(a, Qt::PartiallyChecked, Qt::CheckStateRole);
            return;
        }
        m_proxy->setData(p, state, Qt::CheckStateRole);
        p = p.parent();
    }
}

void ZFilterDialogPopUp::updateAllChecked()
{
    QStandardItem *all = m_listModel->item(0);
    if (!all || m_listModel->rowCount() < 2)
        return;
    bool every = true;
    bool none = true;
    QVector<const QStandardItem *> stack;
    for (int r = m_listModel->rowCount() - 1; r >= 1; --r)
        stack.append(m_listModel->item(r));
    while (!stack.isEmpty() && (every || none)) {
        const QStandardItem *item = stack.takeLast();
        every = every && item->checkState() == Qt::Checked;
        none = none && item->checkState() == Qt::Unchecked;
        for (int r = item->rowCount() - 1; r >= 0; --r)
            stack.append(item->child(r));
    }
    all->setCheckState(every ? Qt::Checked : none ? Qt::Unchecked : Qt::PartiallyChecked);
}

void ZFilterDialogPopUp::onItemClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const auto state = Qt::CheckState(index.data(Qt::CheckStateRole).toInt());
    // A click beside a partly checked box leaves it: there is no one state
    // to pass on.
    if (state == Qt::PartiallyChecked)
        return;
    if (index.row() == 0 && !index.parent().isValid()) {
        toggleCheckState(state, QModelIndex());
        updateAllChecked();
        return;
    }
    // The rows below take the state; so do those the search hides, when it
    // shows none of them (see visibleItems).
    if (m_listModel->hasChildren(m_proxy->mapToSource(index)))
        toggleCheckState(state, index);
    if (index.parent().isValid())
        toggleCheckStateParent(state, index.parent());
    updateAllChecked();
}

void ZFilterDialogPopUp::filterRegExpChanged()
{
    m_proxy->setSearch(m_searchEdit->text());
}

void ZFilterDialogPopUp::onClearFilter()
{
    m_clear = true;
    close();
}

void ZFilterDialogPopUp::onAccepted()
{
    m_accepted = true;
    close();
}

void ZFilterDialogPopUp::onRejected()
{
    m_rejected = true;
    close();
}

QList<QObject *> ZFilterDialogPopUp::tabStops() const
{
    QList<QObject *> stops{m_sortAZ, m_sortZA, m_clearAction, m_tabWidget};
    const int page = m_tabWidget->currentIndex();
    if (page >= 0 && page < m_pageStops.size()) {
        for (QWidget *control : m_pageStops.at(page)) {
            if (control->isVisibleTo(m_tabWidget) && control->isEnabled())
                stops.append(control);
        }
    }
    stops << m_okButton << m_cancelButton;
    return stops;
}

bool ZFilterDialogPopUp::focusNextPrevChild(bool next)
{
    // The menu's own Tab moves along its actions only, and enters a widget
    // action at its first control: most controls could not be reached.
    const QList<QObject *> stops = tabStops();
    int at = -1;
    QWidget *focus = QApplication::focusWidget();
    if (!focus || focus == this) {
        at = stops.indexOf(activeAction());
    } else {
        for (QWidget *w = focus; w && w != this && at < 0; w = w->parentWidget())
            at = stops.indexOf(w);
    }
    const int count = stops.size();
    const int to = at < 0 ? (next ? 0 : count - 1) : (at + (next ? 1 : count - 1)) % count;
    if (auto *action = qobject_cast<QAction *>(stops.at(to))) {
        // On the menu itself Enter runs the highlighted action.
        setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        setActiveAction(action);
    } else {
        setActiveAction(nullptr);
        static_cast<QWidget *>(stops.at(to))->setFocus(next ? Qt::TabFocusReason
                                                          : Qt::BacktabFocusReason);
    }
    return true;
}

bool ZFilterDialogPopUp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_treeView && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const QModelIndex index = m_treeView->currentIndex();
        if ((key == Qt::Key_Space || key == Qt::Key_Select) && index.isValid()
            && (index.flags() & Qt::ItemIsUserCheckable) && (index.flags() & Qt::ItemIsEnabled)) {
            const bool on = index.data(Qt::CheckStateRole).toInt() != Qt::Checked;
            m_proxy->setData(index, on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
            onItemClicked(index);
            return true;
        }
    }
    const QEvent::Type type = event->type();
    const bool keyEvent = type == QEvent::KeyPress || type == QEvent::KeyRelease
                       || type == QEvent::ShortcutOverride;
    const int key = keyEvent ? static_cast<QKeyEvent *>(event)->key() : 0;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (type == QEvent::KeyPress && isAltDown(static_cast<QKeyEvent *>(event))
        && m_valueEditors.contains(watched)) {
        return true;
    }
    // An open operator list closes on Enter's or Escape's shortcut check,
    // before the key's press, which then comes to the operator box and on
    // to the pop-up: it would apply the filter, or close the pop-up.
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) && m_firstOperator
        && (watched == m_firstOperator->view() || watched == m_secondOperator->view())
        && static_cast<QWidget *>(watched)->isVisible() && (enter || key == Qt::Key_Escape)) {
        m_listKey = key;
    }
    if (watched == m_tabWidget && (type == QEvent::KeyPress || type == QEvent::KeyRelease)
        && key != 0 && key == m_listKey) {
        m_listKey = 0;
        return type == QEvent::KeyPress;
    }
    // Enter typed into a control of either tab and left unused by it passes
    // the tab widget on its way to the menu: it applies the filter as OK
    // does, whatever action the mouse left highlighted.
    if (watched == m_tabWidget && type == QEvent::KeyPress && enter) {
        onAccepted();
        return true;
    }
    return QMenu::eventFilter(watched, event);
}

void ZFilterDialogPopUp::keyPressEvent(QKeyEvent *event)
{
    // The menu would close on Alt: Alt+Down could not open an operator list.
    // Alt+Down left by the focused control opens nothing: the control has
    // no list, and the menu would move its highlight.
    if (event->key() == Qt::Key_Alt || isAltDown(event)) {
        event->accept();
        return;
    }
    // The menu takes Tab itself, without asking focusNextPrevChild.
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plain && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)) {
        focusNextPrevChild(event->key() == Qt::Key_Tab
                           && !(event->modifiers() & Qt::ShiftModifier));
        event->accept();
        return;
    }
    // Enter runs what the focused control names: on the menu itself the
    // highlighted sort or Clear, on OK or Cancel that button; elsewhere it
    // applies the filter as OK does. No sort is a default button.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QWidget *focus = QApplication::focusWidget();
    if (enter && focus && focus != this && isAncestorOf(focus)) {
        if (auto *button = qobject_cast<QPushButton *>(focus))
            button->click();
        else
            onAccepted();
        event->accept();
        return;
    }
    if (enter && (!activeAction() || qobject_cast<QWidgetAction *>(activeAction()))) {
        onAccepted();
        event->accept();
        return;
    }
    QMenu::keyPressEvent(event);
}
