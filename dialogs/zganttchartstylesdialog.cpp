#include "zganttchartstylesdialog.h"

#include "ui_zganttchartstylesdialog.h"
#include "zbarshapecombo.h"
#include "zcolorcombo.h"
#include "zendpointcombo.h"
#include "zganttchartstylesdialogdelegate.h"
#include "zganttchartstylesdialogmodel.h"

#include <QHeaderView>

using Model = ZGanttChartStylesDialogModel;

namespace {

const int kTextCodes[] = {ZGanttViewBarStyle::TextLeft, ZGanttViewBarStyle::TextRight,
                          ZGanttViewBarStyle::TextTop, ZGanttViewBarStyle::TextBottom,
                          ZGanttViewBarStyle::TextInside};

} // namespace

ZGanttChartStylesDialog::ZGanttChartStylesDialog(const QStringList &columns, QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::ZGanttChartStylesDialog)
    , m_columns(columns)
{
    registerBarStyleMetaType();
    m_ui->setupUi(this);
    m_model = new Model(this);
    m_ui->table->setModel(m_model);
    // The styles are reached by Tab like the editors below them, and Tab
    // goes on from the table instead of walking its cells.
    m_ui->table->setFocusPolicy(Qt::StrongFocus);
    m_ui->table->setTabKeyNavigation(false);
    m_ui->table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ui->table->horizontalHeader()->setStretchLastSection(true);
    m_ui->table->setItemDelegate(new ZGanttChartStylesDialogDelegate(m_columns, this));

    connect(m_ui->cmbStartColor, &ZColorCombo::colorChanged, this,
            &ZGanttChartStylesDialog::startPointChanged);
    connect(m_ui->cmbStartShape, &ZEndPointCombo::endpointChanged, this,
            &ZGanttChartStylesDialog::startPointChanged);
    connect(m_ui->cmbBodyColor, &ZColorCombo::colorChanged, this,
            &ZGanttChartStylesDialog::bodyChanged);
    connect(m_ui->cmbBodyShape, &ZBarShapeCombo::shapeChanged, this,
            &ZGanttChartStylesDialog::bodyChanged);
    connect(m_ui->cmbEndColor, &ZColorCombo::colorChanged, this,
            &ZGanttChartStylesDialog::endPointChanged);
    connect(m_ui->cmbEndShape, &ZEndPointCombo::endpointChanged, this,
            &ZGanttChartStylesDialog::endPointChanged);
    for (QComboBox *combo : {m_ui->cmbLeft, m_ui->cmbRight, m_ui->cmbTop, m_ui->cmbBottom,
                             m_ui->cmbInside})
        connect(combo, &QComboBox::currentTextChanged, this, &ZGanttChartStylesDialog::textChanged);
    connect(m_ui->table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ZGanttChartStylesDialog::rowChanged);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                onDataChanged(topLeft, bottomRight);
            });

    // Each entry is the caption of 1 January 2017 in that format.
    m_ui->cmbYear->addItems({QStringLiteral("2017"), QStringLiteral("17"), QStringLiteral("'17")});
    m_ui->cmbQuarter->addItems(
        {QStringLiteral("Q1"), QStringLiteral("First Quarter"), QStringLiteral("Q1 2017")});
    m_ui->cmbMonth->addItems(
        {QStringLiteral("1"), QStringLiteral("01"), QStringLiteral("Jan"), QStringLiteral("January")});
    m_ui->cmbWeek->addItems({QStringLiteral("W1"), QStringLiteral("W01"), QStringLiteral("Week 1"),
                             QStringLiteral("Week 01"), QStringLiteral("01 Jan '17")});
    m_ui->cmbDay->addItems({QStringLiteral("1"), QStringLiteral("01"), QStringLiteral("01-01"),
                            QStringLiteral("01 01 '17"), QStringLiteral("M")});

    m_ui->table->setCurrentIndex(m_model->index(0, Model::NameColumn));
    // The dialog opens on the styles, not on the tab bar before them in the
    // Tab chain: Space and the arrows work on the list at once.
    m_ui->table->setFocus();
}

ZGanttChartStylesDialog::~ZGanttChartStylesDialog()
{
    delete m_ui;
}

QString ZGanttChartStylesDialog::placeholder(int code)
{
    switch (code) {
    case ZGanttViewBarStyle::TextLeft:
        return QStringLiteral("[Left]");
    case ZGanttViewBarStyle::TextRight:
        return QStringLiteral("[Right]");
    case ZGanttViewBarStyle::TextTop:
        return QStringLiteral("[Top]");
    case ZGanttViewBarStyle::TextBottom:
        return QStringLiteral("[Bottom]");
    case ZGanttViewBarStyle::TextInside:
        return QStringLiteral("[Inside]");
    default:
        return QString();
    }
}

QComboBox *ZGanttChartStylesDialog::textCombo(int code) const
{
    switch (code) {
    case ZGanttViewBarStyle::TextLeft:
        return m_ui->cmbLeft;
    case ZGanttViewBarStyle::TextRight:
        return m_ui->cmbRight;
    case ZGanttViewBarStyle::TextTop:
        return m_ui->cmbTop;
    case ZGanttViewBarStyle::TextBottom:
        return m_ui->cmbBottom;
    case ZGanttViewBarStyle::TextInside:
        return m_ui->cmbInside;
    default:
        return nullptr;
    }
}

void ZGanttChartStylesDialog::setColumnSelection(const QStringList &columns)
{
    m_textColumns = columns;
    // Filling the combos is no edit of the current row.
    const bool loading = m_loading;
    m_loading = true;
    for (int code : {int(ZGanttViewBarStyle::TextLeft), int(ZGanttViewBarStyle::TextRight),
                     int(ZGanttViewBarStyle::TextInside), int(ZGanttViewBarStyle::TextTop),
                     int(ZGanttViewBarStyle::TextBottom)}) {
        QStringList entries = m_textColumns;
        if (entries.isEmpty())
            entries << QString();
        entries[0] = placeholder(code);
        textCombo(code)->addItems(entries);
    }
    m_loading = loading;
}

void ZGanttChartStylesDialog::setDateFormats(const QMap<ZTimeLineFlags, int> &formats)
{
    m_ui->cmbYear->setCurrentIndex(formats.value(TimeLineYear, 0));
    m_ui->cmbQuarter->setCurrentIndex(formats.value(TimeLineQuarter, 0));
    m_ui->cmbMonth->setCurrentIndex(formats.value(TimeLineMonth, 0));
    m_ui->cmbWeek->setCurrentIndex(formats.value(TimeLineWeek, 0));
    m_ui->cmbDay->setCurrentIndex(formats.value(TimeLineDay, 0));
}

QMap<ZTimeLineFlags, int> ZGanttChartStylesDialog::dateFormats() const
{
    QMap<ZTimeLineFlags, int> formats;
    formats.insert(TimeLineYear, m_ui->cmbYear->currentIndex());
    formats.insert(TimeLineQuarter, m_ui->cmbQuarter->currentIndex());
    formats.insert(TimeLineMonth, m_ui->cmbMonth->currentIndex());
    formats.insert(TimeLineWeek, m_ui->cmbWeek->currentIndex());
    formats.insert(TimeLineDay, m_ui->cmbDay->currentIndex());
    return formats;
}

void ZGanttChartStylesDialog::setBarStyles(QList<ZGanttViewBarStyle> styles)
{
    m_model->clear();
    m_dateColumns.clear();
    m_model->setColumnCount(5);
    m_model->setRowCount(styles.size());
    const QStringList headers = {tr("Show"), tr("Name"), tr("Start date"), tr("Finish date"),
                                 tr("Appearance")};
    for (int c = 0; c < headers.size(); ++c)
        m_model->setHeaderData(c, Qt::Horizontal, headers.at(c), Qt::EditRole);
    for (int r = 0; r < styles.size(); ++r) {
        const ZGanttViewBarStyle &style = styles.at(r);
        m_model->setData(m_model->index(r, Model::NameColumn), style.styleName);
        m_dateColumns.insert(r, qMakePair(QVariant(style.startDate), QVariant(style.finishDate)));
        m_model->setData(m_model->index(r, Model::StartColumn), style.startDate);
        m_model->setData(m_model->index(r, Model::FinishColumn), style.finishDate);
        m_model->setData(m_model->index(r, Model::AppearanceColumn), QVariant::fromValue(style));
        m_model->setData(m_model->index(r, Model::ShowColumn), style.visible, Model::VisibleRole);
    }
    // On the cell the keys act on: Space ticks the style's "Show".
    m_ui->table->setCurrentIndex(m_model->index(0, Model::ShowColumn));
    rowChanged();
    m_ui->table->resizeColumnToContents(Model::ShowColumn);
}

QList<ZGanttViewBarStyle> ZGanttChartStylesDialog::barStyles() const
{
    QList<ZGanttViewBarStyle> styles;
    for (int r = 0; r < m_model->rowCount(); ++r) {
        ZGanttViewBarStyle style =
            m_model->index(r, Model::AppearanceColumn).data(Qt::EditRole).value<ZGanttViewBarStyle>();
        style.visible = m_model->index(r, Model::ShowColumn).data(Model::VisibleRole).toBool();
        if (style.visible) {
            style.startDate = m_model->index(r, Model::StartColumn).data().toString();
            style.finishDate = m_model->index(r, Model::FinishColumn).data().toString();
        } else {
            const QPair<QVariant, QVariant> dates = m_dateColumns.value(r);
            style.startDate = dates.first.toString();
            style.finishDate = dates.second.toString();
        }
        styles << style;
    }
    return styles;
}

void ZGanttChartStylesDialog::setLinksVisible(bool visible)
{
    m_ui->chkShowLinks->setChecked(visible);
}

void ZGanttChartStylesDialog::setVerticalLines(bool visible)
{
    m_ui->chkShowVerticalLines->setChecked(visible);
}

void ZGanttChartStylesDialog::setAlternatingRowColors(bool alternating)
{
    m_ui->chkShowAlternating->setChecked(alternating);
}

bool ZGanttChartStylesDialog::isLinksVisible() const
{
    return m_ui->chkShowLinks->isChecked();
}

bool ZGanttChartStylesDialog::alternatingRowColors() const
{
    return m_ui->chkShowAlternating->isChecked();
}

bool ZGanttChartStylesDialog::veticalLines() const
{
    return m_ui->chkShowVerticalLines->isChecked();
}

ZGanttViewBarStyle ZGanttChartStylesDialog::currentStyle() const
{
    const QModelIndex current = m_ui->table->currentIndex();
    if (!current.isValid())
        return ZGanttViewBarStyle();
    return current.siblingAtColumn(Model::AppearanceColumn)
        .data(Qt::EditRole)
        .value<ZGanttViewBarStyle>();
}

void ZGanttChartStylesDialog::setCurrentStyle(const ZGanttViewBarStyle &style)
{
    const QModelIndex current = m_ui->table->currentIndex();
    if (!current.isValid())
        return;
    m_model->setData(current.siblingAtColumn(Model::AppearanceColumn), QVariant::fromValue(style),
                     Qt::DisplayRole);
}

void ZGanttChartStylesDialog::rowChanged()
{
    const ZGanttViewBarStyle style = currentStyle();
    m_loading = true;
    m_ui->cmbStartShape->setShape(style.startPointShape);
    m_ui->cmbStartShape->setColor(style.startPointColor);
    m_ui->cmbStartColor->setColor(style.startPointColor);

    m_ui->cmbBodyShape->setBarShape(style.bodyShapeHeight, style.bodyShapeOffset);
    m_ui->cmbBodyShape->setColor(style.bodyColor);
    m_ui->cmbBodyColor->setColor(style.bodyColor);

    m_ui->cmbEndShape->setShape(style.endPointShape);
    m_ui->cmbEndShape->setColor(style.endPointColor);
    m_ui->cmbEndColor->setColor(style.endPointColor);

    for (const int code : kTextCodes)
        textCombo(code)->setCurrentIndex(0);
    for (auto it = style.displayColumns.cbegin(); it != style.displayColumns.cend(); ++it) {
        if (QComboBox *combo = textCombo(it.key())) {
            const int found = combo->findText(it.value(), Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (found >= 0)
                combo->setCurrentIndex(found);
        }
    }
    m_loading = false;
}

void ZGanttChartStylesDialog::startPointChanged()
{
    ZGanttViewBarStyle style = currentStyle();
    m_ui->cmbStartShape->setColor(m_ui->cmbStartColor->color());
    style.startPointShape = m_ui->cmbStartShape->shapeName();
    style.startPointColor = m_ui->cmbStartColor->color();
    setCurrentStyle(style);
}

void ZGanttChartStylesDialog::bodyChanged()
{
    ZGanttViewBarStyle style = currentStyle();
    m_ui->cmbBodyShape->setColor(m_ui->cmbBodyColor->color());
    const QPair<int, int> shape = m_ui->cmbBodyShape->barShape();
    style.bodyShapeHeight = shape.first;
    style.bodyShapeOffset = shape.second;
    style.bodyColor = m_ui->cmbBodyColor->color();
    setCurrentStyle(style);
}

void ZGanttChartStylesDialog::endPointChanged()
{
    ZGanttViewBarStyle style = currentStyle();
    m_ui->cmbEndShape->setColor(m_ui->cmbEndColor->color());
    style.endPointShape = m_ui->cmbEndShape->shapeName();
    style.endPointColor = m_ui->cmbEndColor->color();
    setCurrentStyle(style);
}

void ZGanttChartStylesDialog::textChanged()
{
    if (m_loading)
        return;
    ZGanttViewBarStyle style = currentStyle();
    for (const int code : kTextCodes) {
        const QString text = textCombo(code)->currentText();
        if (!text.contains(QLatin1Char('[')))
            style.displayColumns[code] = text;
        else
            style.displayColumns.remove(code);
    }
    setCurrentStyle(style);
}

void ZGanttChartStylesDialog::onDataChanged(QModelIndex topLeft, QModelIndex)
{
    if (topLeft.column() != Model::ShowColumn)
        return;
    const int r = topLeft.row();
    const QModelIndex start = m_model->index(r, Model::StartColumn);
    const QModelIndex finish = m_model->index(r, Model::FinishColumn);
    if (!m_model->index(r, Model::ShowColumn).data(Model::VisibleRole).toBool()) {
        m_dateColumns.insert(r, qMakePair(start.data(), finish.data()));
        m_ui->table->closePersistentEditor(start);
        m_ui->table->closePersistentEditor(finish);
        m_model->setData(start, QString());
        m_model->setData(finish, QString());
    } else {
        const QPair<QVariant, QVariant> dates = m_dateColumns.value(r);
        m_model->setData(start, dates.first);
        m_model->setData(finish, dates.second);
    }
}
