#include "zgroupdialog.h"
#include "ui_zgroupdialog.h"

#include "zgroupdialogdelegate.h"
#include "zpopupbutton.h"
#include "zstylecombo.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

constexpr int kLevels = 10;

} // namespace

ZGroupDialog::ZGroupDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
    , m_ui(new Ui::ZGroupSortDialog)
{
    m_ui->setupUi(this);
    QTableWidget *table = m_ui->table;
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Group By"), QStringLiteral("Rule"), QStringLiteral("Format")});
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->resizeColumnsToContents();
    table->resizeRowsToContents();
    table->setColumnWidth(0, 150);
    table->setColumnWidth(1, 100);
    m_delegate = new ZGroupDialogDelegate(this);
    table->setItemDelegate(m_delegate);
    resize(500, 300);
    table->setMouseTracking(true);
    table->setAttribute(Qt::WA_Hover);
    table->viewport()->installEventFilter(this);
    // Tab leaves the table for OK and Cancel; the arrows move between cells.
    table->setTabKeyNavigation(false);
    // Space, F4 and Alt+Down open a cell's list, as they open a combo box.
    table->installEventFilter(this);

    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ZGroupDialog::~ZGroupDialog()
{
    delete m_ui;
}

QTableWidget *ZGroupDialog::table() const
{
    return m_ui->table;
}

void ZGroupDialog::setModel(QAbstractItemModel *model)
{
    if (model)
        m_model = model;
}

void ZGroupDialog::setColumnHidden(int column, bool hidden)
{
    if (hidden) {
        if (!m_hiddenColumns.contains(column))
            m_hiddenColumns.append(column);
    } else {
        m_hiddenColumns.removeAll(column);
    }
}

bool ZGroupDialog::isHidden(int column) const
{
    return m_hiddenColumns.contains(column);
}

void ZGroupDialog::setColumnLevels(int column, int levels)
{
    m_columnLevels.insert(column, levels);
}

int ZGroupDialog::levelsFromColumn(int column) const
{
    return m_columnLevels.value(column, -1);
}

QStringList ZGroupDialog::columns() const
{
    QStringList captions;
    if (!m_model)
        return captions;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        if (!m_hiddenColumns.contains(c))
            captions << m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    if (!captions.isEmpty())
        captions.prepend(QString());
    captions.sort(Qt::CaseSensitive);
    return captions;
}

bool ZGroupDialog::isDateColumn(int column) const
{
    if (!m_model || m_model->rowCount() == 0 || column < 0 || column >= m_model->columnCount())
        return false;
    const QVariant value = m_model->index(0, column).data(Qt::DisplayRole);
    if (value.type() == QVariant::DateTime || value.type() == QVariant::Date)
        return true;
    return value.toDate().isValid();
}

void ZGroupDialog::restoreState(const ZGrouping &grouping)
{
    QAbstractItemModel *table = m_ui->table->model();
    const int levels = qMin(grouping.size(false), kLevels);
    for (int i = 0; i < levels; ++i) {
        const Group level = grouping.group(i);
        table->setData(table->index(i, 0), level.field, Qt::DisplayRole);
        table->setData(table->index(i, 1), level.title, Qt::DisplayRole);
        const QModelIndex format = table->index(i, 2);
        table->setData(format, level.font, Qt::FontRole);
        table->setData(format, level.font.family(), Qt::DisplayRole);
        table->setData(format, level.color, Qt::ForegroundRole);
        table->setData(format, level.brush, Qt::BackgroundRole);
    }
}

ZGrouping ZGroupDialog::saveState() const
{
    const QAbstractItemModel *table = m_ui->table->model();
    ZGrouping grouping;
    for (int r = 0; r < kLevels; ++r) {
        const QModelIndex format = table->index(r, 2);
        const QVariant font = format.data(Qt::FontRole);
        grouping.addGroup(table->index(r, 0).data(Qt::DisplayRole).toString(),
                          table->index(r, 1).data(Qt::DisplayRole).toString(),
                          font.canConvert<QFont>() ? font.value<QFont>() : QFont(),
                          format.data(Qt::ForegroundRole).value<QColor>(),
                          format.data(Qt::BackgroundRole).value<QBrush>());
    }
    return grouping;
}

QStringList ZGroupDialog::selection() const
{
    const QAbstractItemModel *table = m_ui->table->model();
    QStringList list;
    for (int r = 0; r < table->rowCount(); ++r) {
        const QString field = table->index(r, 0).data(Qt::DisplayRole).toString();
        if (!field.isEmpty())
            list << QStringLiteral("%1;%2").arg(field, table->index(r, 1).data().toString());
    }
    return list;
}

bool ZGroupDialog::openCellList(const QModelIndex &index)
{
    QTableWidget *table = m_ui->table;
    if (!index.isValid())
        return false;
    // A Format cell under the mouse already has its editor open.
    table->edit(index);
    QWidget *editor = table->indexWidget(index);
    if (auto *combo = qobject_cast<QComboBox *>(editor))
        combo->showPopup();
    else if (auto *format = qobject_cast<ZStyleCombo *>(editor))
        format->showPopup();
    else
        return false;
    return true;
}

bool ZGroupDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Only keys meant for the table itself, not those its open editor
    // passes on.
    if (watched == m_ui->table && event->type() == QEvent::KeyPress
        && QApplication::focusWidget() == m_ui->table
        && isPopupKey(static_cast<QKeyEvent *>(event))) {
        if (openCellList(m_ui->table->currentIndex()))
            return true;
    }
    if (watched == m_ui->table->viewport() && event->type() == QEvent::MouseMove) {
        QTableWidget *table = m_ui->table;
        const QPoint pos = static_cast<QMouseEvent *>(event)->localPos().toPoint();
        const QModelIndex index = table->indexAt(pos);
        if (index != m_editIndex && m_editIndex.isValid()) {
            table->QAbstractItemView::closePersistentEditor(m_editIndex);
            m_editIndex = QPersistentModelIndex();
        }
        if (index.isValid() && index.column() == 2 && index != m_editIndex) {
            table->QAbstractItemView::openPersistentEditor(index);
            m_editIndex = index;
        }
    }
    return QDialog::eventFilter(watched, event);
}
