#pragma once

#include <QMenu>
#include <QModelIndex>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QVariant>
#include <QVector>

class QAbstractItemModel;
class QAction;
class QComboBox;
class QDialogButtonBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStandardItem;
class QStandardItemModel;
class QTabWidget;
class QTreeView;
class QWidgetAction;
class ZFilterProxyModel;
class ZIndex;

// The column filter pop-up, a menu opened from a header's button box: sort
// ascending or descending, clear the column's filter and sort, or filter the
// column by a check list of its distinct values ("List", with a search
// field) or by one or two typed conditions ("Expression", built by the
// subclasses ZDateFilter, ZIntegerFilter, ZDoubleFilter and ZTextFilter).
//
// The pop-up only collects the user's choice: it reports it through the
// triggered action or its flags (accepted, rejected, clear), and the caller
// (ZSortFilterWidget::onAutoFilterPopUp) applies it and destroys the pop-up.
// The source model is read once, while the value list is built; rows of the
// grouping's bands (rows with a "Group" label) give no value.
//
// A box of the value list ticked or unticked by a click or by Space passes
// its state to the boxes below it; a box with boxes below it (a year, a
// month, "(Select All)") shows them all ticked, none, or partly ticked.
class ZFilterDialogPopUp : public QMenu
{
    Q_OBJECT
public:
    ZFilterDialogPopUp(QAbstractItemModel *model, int column, QWidget *parent = nullptr);
    ~ZFilterDialogPopUp() override;

    // The Expression tab.
    virtual void setExpressions(const QString &firstOperator, const QVariant &firstValue,
                                const QString &secondOperator, const QVariant &secondValue,
                                bool andChecked) = 0;
    virtual QVariant firstConditionValue() const = 0;
    virtual QVariant secondConditionValue() const = 0;
    virtual QString firstConditionOperator() const;
    virtual QString secondConditionOperator() const;
    // Operator symbol ("=", ">", ...) to the text the operator lists show.
    virtual QString translateOperator(const QString &symbol) const;
    virtual bool isAndChecked() const;

    // The display values of the checked rows that the search leaves
    // visible, "(Select All)" not included. A row the search shows without
    // any of the rows below it (a year typed) stands for them: their
    // checked values are given too.
    QList<QVariant> selectedItems() const;
    // Checks exactly the rows without rows below them that hold one of the
    // values (as valueKey tells), and the rows all of whose rows below are
    // checked; a row some of whose rows below are checked shows partly
    // checked, "(Select All)" too; an empty list leaves every row checked.
    void setSelectedItems(const QList<QVariant> &values);
    void setSortIdicator(Qt::SortOrder order);
    bool isSelectAllChecked() const;
    // The search field hides at least one row that no shown row stands
    // for.
    bool isFilterActive() const;
    bool clearfilter() const { return m_clear; }
    bool isAccepted() const { return m_accepted; }
    bool isRejected() const { return m_rejected; }

    QAction *sortAscendingAction() const { return m_sortAZ; }
    QAction *sortDescendingAction() const { return m_sortZA; }
    QAction *clearAction() const { return m_clearAction; }
    QTabWidget *tabWidget() const { return m_tabWidget; }
    QTreeView *valueView() const { return m_treeView; }
    QLineEdit *searchField() const { return m_searchEdit; }
    QStandardItemModel *valueModel() const { return m_listModel; }
    ZFilterProxyModel *valueProxy() const { return m_proxy; }
    int column() const { return m_column; }

    void toggleCheckState(Qt::CheckState state, const QModelIndex &parent);
    void toggleCheckStateParent(Qt::CheckState state, const QModelIndex &parent);

public slots:
    void onClearFilter();
    void onItemClicked(const QModelIndex &index);
    void filterRegExpChanged();
    void onAccepted();
    void onRejected();
    void updateAllChecked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Tab and Shift+Tab go along tabStops(), not along the menu's actions.
    bool focusNextPrevChild(bool next) override;

    void init();
    void createWidgets();
    // Fills the value list with the column's distinct values.
    void createFilterModel();
    // Appends the checked "(Select All)" row to the emptied value list.
    void startValueList();
    // The text by which a stored value finds its row of the value list.
    virtual QString valueKey(const QVariant &value) const;
    // The rows of the source model that are band rows of a grouping.
    QSet<int> bandRows() const;
    // Takes the rows out of every node of the index and drops the nodes
    // left without a row.
    static void dropRows(ZIndex &index, const QSet<int> &rows);
    // The value rows below the proxy index that the search leaves visible,
    // and all the rows below a visible one that the search shows none of,
    // depth first; never "(Select All)".
    QVector<QStandardItem *> visibleItems(const QModelIndex &proxyParent) const;
    // Gives each item its state at once (see the definition).
    void setCheckStates(const QVector<QPair<QStandardItem *, Qt::CheckState>> &states);
    void setCheckStates(const QVector<QStandardItem *> &items, Qt::CheckState state);

    // The Expression tab from the two value editors (owned by the tab once
    // added) and the operator texts; subclasses call it from their init().
    void addExpressionTab(QWidget *firstEditor, QWidget *secondEditor,
                          const QStringList &operators);
    // Shows the stored operators (symbols) and the joiner on the Expression
    // tab and makes it current; the subclass sets its editors.
    void preloadOperators(const QString &firstSymbol, const QString &secondSymbol,
                          bool andChecked);
    // In reading order: the sorts and Clear (actions), the tab bar, the
    // controls of the shown tab, OK and Cancel (widgets).
    QList<QObject *> tabStops() const;

    QAction *m_sortAZ = nullptr;
    QAction *m_sortZA = nullptr;
    QAction *m_clearAction = nullptr;
    QTabWidget *m_tabWidget = nullptr;
    QWidgetAction *m_tabAction = nullptr;
    QTreeView *m_treeView = nullptr;
    QPointer<QAbstractItemModel> m_model; // Not owned.
    QStandardItemModel *m_listModel = nullptr; // Owned (child).
    ZFilterProxyModel *m_proxy = nullptr; // Owned (child).
    int m_column = -1;
    QLineEdit *m_searchEdit = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    // Per tab page, its controls in reading order.
    QVector<QList<QWidget *>> m_pageStops;
    bool m_clear = false;
    bool m_accepted = false;
    bool m_rejected = false;
    // The key (Enter or Escape) that closed an operator box's open list, or
    // 0: the same key's press reaches the pop-up after the list has closed,
    // and does nothing more.
    int m_listKey = 0;

    // Expression tab, made by addExpressionTab.
    QComboBox *m_firstOperator = nullptr;
    QRadioButton *m_orButton = nullptr;
    QRadioButton *m_andButton = nullptr;
    QComboBox *m_secondOperator = nullptr;
    QList<QObject *> m_valueEditors; // Not owned (the tab's).
};
