#include "mainwindow.h"

#include "activities.h"
#include "activitydetails.h"
#include "applogging.h"
#include "csvexport.h"
#include "layoutjson.h"
#include "layouttarget.h"
#include "loadprogressdialog.h"
#include "memoryroom.h"
#include "modelhelpers.h"
#include "ui_mainwindow.h"
#include "updatemgr.h"
#include "windowmemory.h"

#include "projectloader.h"
#include "qganttchart.h"
#include "readheappadding.h"
#include "resources.h"
#include "xerfile.h"
#include "xerloader.h"
#include "zgroupedcolumndialog.h"
#include "zgroupedtreeview.h"
#include "zsortfilterheader.h"
#include "zsortfilterwidget.h"

#include <QAbstractItemModel>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QJsonDocument>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPixmapCache>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSizePolicy>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QThreadPool>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QWidgetAction>
#include <QWindow>
#include <QtConcurrent>

namespace {

const char kMruKey[] = "isMRU";

QStringList defaultVisibleColumns()
{
    return {QStringLiteral("Activity ID"), QStringLiteral("Activity Name"),
            QStringLiteral("Activity Type"), QStringLiteral("Start Date"),
            QStringLiteral("Finish Date"), QStringLiteral("WBS Code"), QStringLiteral("WBS Name")};
}

// The load's report in a widget of the status bar rather than a message:
// messages and the menus' status tips come and go over it, and it shows
// again after them. Too long for its room, it is cut with an ellipsis and
// read whole in its tooltip; it never widens the window.
class ReportLabel : public QLabel
{
public:
    explicit ReportLabel(QWidget *parent)
        : QLabel(parent)
    {
        setObjectName(QStringLiteral("loadReport"));
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        // In line with the messages that pass over it.
        setContentsMargins(4, 0, 0, 0);
    }

    void setReport(const QString &text)
    {
        setText(text);
        updateToolTip();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QRect room = contentsRect();
        style()->drawItemText(&painter, room, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                              fontMetrics().elidedText(text(), Qt::ElideRight, room.width()),
                              foregroundRole());
    }

    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        updateToolTip();
    }

private:
    void updateToolTip()
    {
        const bool cut = fontMetrics().horizontalAdvance(text()) > contentsRect().width();
        setToolTip(cut ? text() : QString());
    }
};

void showLoadReport(QStatusBar *bar, const QString &text)
{
    if (auto *label = bar->findChild<QLabel *>(QStringLiteral("loadReport"), Qt::FindDirectChildrenOnly))
        static_cast<ReportLabel *>(label)->setReport(text);
}

// What shows of the tree's current row: itself, or the collapsed row that
// holds it.
QModelIndex shownCurrentRow(const QTreeView *tree)
{
    const QModelIndex current = tree->currentIndex();
    QModelIndex shown = current;
    for (QModelIndex parent = shown.parent(); parent.isValid(); parent = parent.parent()) {
        if (!tree->isExpanded(parent))
            shown = parent;
    }
    // In the current cell's column: the parent's is the first, maybe hidden.
    return shown.siblingAtColumn(current.column());
}

// Rows closed over the current row hand it to the band that now holds it,
// as a tree's own collapse does: that band is highlighted, the chart and the
// details follow it, and the keys go on from there. A row still in sight
// is made current again, which changes nothing.
void moveCurrentIntoSight(QTreeView *tree)
{
    tree->setCurrentIndex(shownCurrentRow(tree));
}

// Where that row lies in the viewport (0 without a current row).
int currentRowTop(const QTreeView *tree)
{
    return tree->visualRect(shownCurrentRow(tree)).top();
}

// After rows were expanded or collapsed, scrolls what shows of the current
// row back to where it was (as near as the rows reach), so that the current
// row, or the band it went into, stays in view.
void restoreCurrentRowTop(QTreeView *tree, int top)
{
    const QModelIndex shown = shownCurrentRow(tree);
    const QRect row = tree->visualRect(shown);
    QScrollBar *bar = tree->verticalScrollBar();
    const int step = tree->verticalScrollMode() == QAbstractItemView::ScrollPerItem
                         ? qMax(1, row.height())
                         : 1;
    bar->setValue(bar->value() + (row.top() - top) / step);
    // A place out of sight (the wheel had taken the row away) is not kept.
    tree->scrollTo(shown);
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_ui(new Ui::MainWindow)
    , m_recentList(7)
{
    // The panes make their header filter boxes through this factory.
    ZSortFilterWidget::installAsHeaderFilterBox();
    m_ui->setupUi(this);
    m_idleTitle = windowTitle();
    init();
}

MainWindow::~MainWindow()
{
    // The dialogs would otherwise report their destruction to a window that
    // is half gone (one closed is deleted later).
    for (LoadProgressDialog *dialog : findChildren<LoadProgressDialog *>(QString(), Qt::FindDirectChildrenOnly)) {
        disconnect(dialog, nullptr, this, nullptr);
        delete dialog;
    }
    // A read still running is waited for; its result is of no interest now.
    if (m_loader)
        disconnect(m_loader, nullptr, this, nullptr);
    deleteLoader();
    delete m_ui;
}

void MainWindow::init()
{
    fitToScreen();
    setupWidgets();
    setupToolbars();
    setupP6Loader();
    connectSignalSlots();
    setIcon(QIcon(QStringLiteral(":/images/pyramid_48.png")));
    updateToolBarActions();
    if (m_splitter && m_splitter->count() > 1 && !m_ui->actionDetail->isChecked())
        m_splitter->widget(1)->hide();
    updateLayoutsList(QStringLiteral("default"));
    setIcon(QIcon(QStringLiteral(":/images/red_pyramid.png")));

    m_ui->actionOpen->setVisible(false);
    m_ui->actionSave_file->setVisible(false);
    m_ui->actionOpenCaced->setVisible(false);
    m_ui->actionImportLayout->setVisible(false);
    m_ui->menuLayout->hide();
    m_ui->menuLayout->menuAction()->setVisible(false);

    m_recentList.load(RecentList::defaultPath());
    updateRecentsList();

    new UpdateMgr(this, m_ui); // Owned (child); checks once, in the background.
}

void MainWindow::fitToScreen()
{
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    // The form's size may be more than a small or scaled screen offers: the
    // window, its frame included, then takes the room there is. Where the
    // frame is not known before the window is shown, the style's is taken.
    const QRect available = screen->availableGeometry();
    winId(); // Some platforms tell the frame once the window exists.
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) {
        const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        frame = QMargins(border, border, border, border);
        frame.setTop(style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    }
    const QSize room = available.size()
        - QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    if (room.width() >= width() && room.height() >= height())
        return;
    resize(size().boundedTo(room));
    move(available.topLeft());
}

void MainWindow::setupWidgets()
{
    m_splitter = new QSplitter(Qt::Vertical, this);
    createPanes();
    m_ui->stackedWidget->addWidget(m_splitter);
    m_ui->stackedWidget->addWidget(m_resources);
    m_ui->stackedWidget->setCurrentIndex(0);
    m_ui->actionDay->setChecked(true);
    statusBar()->addWidget(new ReportLabel(statusBar()), 1);
}

void MainWindow::setupToolbars()
{
    QToolBar *toolBar = m_ui->mainToolBar;
    // The one tool bar cannot be hidden: no context menu offers to.
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    setContextMenuPolicy(Qt::NoContextMenu);

    m_outlineMenu = new QMenu(QStringLiteral("Outline"), toolBar);
    m_outlineMenu->setIcon(QIcon(QStringLiteral(":/images/outline_32.png")));
    m_outlineMenu->addAction(m_ui->actionExpand);
    m_outlineMenu->addAction(m_ui->actionCollapse);
    m_outlineMenu->addSeparator();
    m_outlineMenu->addAction(m_ui->actionExpand_All);
    m_outlineMenu->addAction(m_ui->actionCollapse_All);
    for (QAction *action : {m_ui->actionLevel_1, m_ui->actionLevel_2, m_ui->actionLevel_3,
                            m_ui->actionLevel_4, m_ui->actionLevel_5, m_ui->actionLevel_6,
                            m_ui->actionLevel_7})
        m_outlineMenu->addAction(action);
    for (QAction *action : outlineActions())
        connect(action, &QAction::triggered, this, [this, action] { onOutlineChanged(action); });
    connect(m_outlineMenu->menuAction(), &QAction::triggered, this,
            &MainWindow::onExpandCollapseClicked);
    toolBar->insertAction(m_ui->actionStyles, m_outlineMenu->menuAction());

    connect(m_ui->actionClose, &QAction::triggered, this, &MainWindow::onCloseAction);
    connect(m_ui->actionPrint, &QAction::triggered, this, &MainWindow::onPrintMenu);

    m_viewMenu = new QMenu(QStringLiteral("View"), toolBar);
    m_viewMenu->setIcon(QIcon(QStringLiteral(":/images/table_stack.png")));
    m_viewGroup = new QActionGroup(this);
    m_viewGroup->setExclusive(true);
    for (QAction *action :
         {m_ui->actionGanttChart, m_ui->actionTrackingGanttChart, m_ui->actionResources}) {
        m_viewMenu->addAction(action);
        m_viewGroup->addAction(action);
    }
    m_ui->actionGanttChart->setChecked(true);
    // The tracking view shows the very page the Gantt chart does: not
    // offered as a choice of its own.
    m_ui->actionTrackingGanttChart->setVisible(false);
    connect(m_viewMenu->menuAction(), &QAction::triggered, this,
            &MainWindow::onDefaultViewClicked);
    connect(m_viewGroup, &QActionGroup::triggered, this, &MainWindow::setView);
    toolBar->insertAction(m_ui->actionStyles, m_viewMenu->menuAction());

    m_timeMenu = new QMenu(QStringLiteral("Time"), toolBar);
    m_timeMenu->setIcon(QIcon(QStringLiteral(":/images/time_f_32.png")));
    m_timeMenu->menuAction()->setToolTip(QStringLiteral("Time Scales"));
    for (QAction *action : {m_ui->actionYear, m_ui->actionQuarter, m_ui->actionMonth,
                            m_ui->actionWeek, m_ui->actionDay}) {
        m_timeMenu->addAction(action);
        connect(action, &QAction::triggered, this, [this, action](bool checked) {
            // The chart always shows a level: the last one ticked stays ticked.
            if (!checked && timeScaleUnits().isEmpty()) {
                action->setChecked(true);
                return;
            }
            setGanttTimelime();
        });
    }

    // The layout-name field and its "Save" button head the Layout menu.
    auto *nameWidget = new QWidget(this);
    auto *nameLayout = new QHBoxLayout(nameWidget);
    m_layoutNameEdit = new QLineEdit(nameWidget);
    m_layoutNameEdit->setPlaceholderText(tr("Layout name"));
    m_layoutSaveButton = new QPushButton(tr("Save"), nameWidget);
    nameLayout->addWidget(m_layoutNameEdit);
    nameLayout->addWidget(m_layoutSaveButton);
    auto *nameAction = new QWidgetAction(this);
    nameAction->setDefaultWidget(nameWidget);
    m_ui->menuLayout->addAction(nameAction);
    m_ui->menuLayout->addSeparator();
    connect(m_layoutSaveButton, &QPushButton::clicked, this, &MainWindow::saveLayoutClicked);
    connect(m_layoutNameEdit, &QLineEdit::textEdited, this, &MainWindow::layoutNameEdited);

    toolBar->insertAction(m_ui->actionStyles, m_timeMenu->menuAction());
    auto *spacer = new QWidget(toolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    toolBar->insertWidget(m_timeMenu->menuAction(), spacer);

    // F10 opens the menu bar from the keyboard, as on the usual desktops;
    // the menus' accelerators (Alt+F and so on) come with their titles.
    auto *menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(m_ui->menuFile->menuAction()); });
    setupToolBarKeys();
}

void MainWindow::setupToolBarKeys()
{
    // None of these is a key of the tree (letters, arrows, +, -, *, Ctrl+A,
    // Ctrl+C, Alt+Down) or of a menu item.
    const std::pair<QAction *, QKeySequence> keys[] = {
        {m_ui->actionColumns, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},
        {m_ui->actionGroup, QKeySequence(Qt::CTRL | Qt::Key_G)},
        {m_ui->actionDetail, QKeySequence(Qt::CTRL | Qt::Key_D)},
        {m_ui->actionExport, QKeySequence(Qt::CTRL | Qt::Key_E)},
        {m_outlineMenu->menuAction(), QKeySequence(Qt::CTRL | Qt::Key_L)},
        {m_viewMenu->menuAction(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V)},
        {m_timeMenu->menuAction(), QKeySequence(Qt::CTRL | Qt::Key_T)},
        {m_ui->actionStyles, QKeySequence(Qt::CTRL | Qt::Key_B)}};
    for (const auto &key : keys) {
        key.first->setShortcut(key.second);
        key.first->setToolTip(QStringLiteral("%1 (%2)").arg(
            key.first->toolTip(), key.second.toString(QKeySequence::NativeText)));
    }
    for (QMenu *menu : {m_outlineMenu, m_viewMenu, m_timeMenu})
        menu->menuAction()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A menu button's own action runs on a click of its main part; its key
    // opens the menu instead, as the button's arrow does.
    if (event->type() == QEvent::Shortcut) {
        for (QMenu *menu : {m_outlineMenu, m_viewMenu, m_timeMenu}) {
            if (watched == menu->menuAction()) {
                popUpToolBarMenu(menu);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::popUpToolBarMenu(QMenu *menu)
{
    const QWidget *button = m_ui->mainToolBar->widgetForAction(menu->menuAction());
    Q_ASSERT(button);
    if (!button || menu->isEmpty())
        return;
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
    menu->setActiveAction(menu->actions().constFirst());
}

void MainWindow::setupP6Loader()
{
    if (m_loader) {
        m_loader->setSchema(QJsonDocument::fromJson(
            readFile(QStringLiteral(":/files/schema.json")).toUtf8()));
    }
}

void MainWindow::connectSignalSlots()
{
    connect(m_ui->actionOpen, &QAction::triggered, this, &MainWindow::onConfigDialog);
    connect(m_ui->actionColumns, &QAction::triggered, this, &MainWindow::onColumnsAction);
    connect(m_ui->actionGroup, &QAction::triggered, this, &MainWindow::onGroupAction);
    connect(m_ui->actionDetail, &QAction::triggered, this, &MainWindow::onDetailAction);
    connect(m_ui->actionStyles, &QAction::triggered, this, &MainWindow::onBarStyles);
    connect(m_ui->actionExport, &QAction::triggered, this, &MainWindow::onExportAction);
    connect(m_ui->actionOpen_file, &QAction::triggered, this, &MainWindow::onOpenFileAction);
    connect(m_ui->actionImportLayout, &QAction::triggered, this, &MainWindow::onImportLayout);
    connect(m_ui->actionSnip, &QAction::triggered, this, &MainWindow::onSnip);
    connect(m_ui->actionOpenCaced, &QAction::triggered, this, &MainWindow::onCachedFileClick);
    connect(m_ui->actionAbout, &QAction::triggered, this, &MainWindow::onAbout);
    connect(m_ui->actionSave_file, &QAction::triggered, this, &MainWindow::onSaveFileClick);
    connectPaneSignals();
}

void MainWindow::setIcon(const QIcon &icon)
{
    setWindowIcon(icon);
    QApplication::setWindowIcon(icon);
}

// ---------------------------------------------------------------------------
// Opening and closing

void MainWindow::onOpenFileAction()
{
    const QString fileName = QFileDialog::getOpenFileName(
        this, tr("Select files to open"), QString(),
        QStringLiteral("Project files (") + QStringLiteral("*.xer") + QLatin1Char(')'));
    openChosenFile(fileName);
}

void MainWindow::openChosenFile(const QString &fileName)
{
    if (fileName.isEmpty())
        return;
    if (fileName.endsWith(QLatin1String(".xer"), Qt::CaseInsensitive)) {
        openXerFile(fileName);
        return;
    }
    // A name typed into the dialog passes its filter: say why nothing opens.
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Open file"),
                    tr("%1 cannot be opened: only XER files can be opened here.")
                        .arg(QDir::toNativeSeparators(fileName)),
                    QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::openXerFile(const QString &path)
{
    // One read at a time: the running loader must not be replaced under it.
    if (m_loading) {
        statusBar()->showMessage(tr("A project is still loading."), 3000);
        return;
    }
    m_keysBeforeLoad = QGuiApplication::applicationState() == Qt::ApplicationActive;
    closeProject();
    deleteLoader();
    XERLoader *loader = nullptr;
    try {
        const QJsonDocument schema =
            QJsonDocument::fromJson(readFile(QStringLiteral(":/files/schema.json")).toUtf8());
        loader = new XERLoader(path, schema, nullptr);
    } catch (const std::bad_alloc &) {
        // No memory even for the loader: the open fails as a read short of
        // memory does, and the window stays without a project.
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Open file"),
                        tr("There is not enough memory to open the file %1.")
                            .arg(QDir::toNativeSeparators(path)),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    m_loader = loader;
    // A read that fails takes the file out of the list again.
    m_recentBeforeLoad = m_recentList;
    showProgress();
    try {
        connect(loader, &ProjectLoader::progress, this, &MainWindow::setProgress,
                Qt::QueuedConnection);
        // A late signal of a loader that is no longer current is dropped. The
        // loader is told by a guard that clears when it is deleted, never by
        // its address: the next open's loader may be made at that address.
        const auto current = [this, guard = QPointer<XERLoader>(loader)]() -> XERLoader * {
            return guard && guard.data() == m_loader ? guard.data() : nullptr;
        };
        // Queued even when the read runs on this thread (a wait for a read
        // the pool has not started yet runs it here): its result is handled
        // after the read, never inside it, where deleting the loader would
        // wait for the very read that reports.
        connect(
            loader, &ProjectLoader::finished, this,
            [this, current] {
                if (current())
                    onXerReadDone();
            },
            Qt::QueuedConnection);
        connect(
            loader, &ProjectLoader::failed, this,
            [this, current](int code) {
                if (current())
                    onXerReadFailed(code);
            },
            Qt::QueuedConnection);
        // A read whose report could not be queued for want of memory has
        // still ended: once its future has, a check queued behind anything
        // the read sent fails the open with the read's result.
        auto *watch = new QTimer(this);
        connect(watch, &QTimer::timeout, this, [this, current, watch] {
            if (current() && m_loading && !m_readFuture.isFinished())
                return;
            watch->stop();
            watch->deleteLater();
            QMetaObject::invokeMethod(
                this,
                [this, current] {
                    XERLoader *read = current();
                    if (read && m_loading)
                        onXerReadFailed(read->readResult() != 0 ? read->readResult()
                                                                : int(xer::XERFile::OutOfMemory));
                },
                Qt::QueuedConnection);
        });
        m_loading = true;
        m_readFuture = QtConcurrent::run(QThreadPool::globalInstance(), loader, &XERLoader::read);
        watch->start(100);
    } catch (const std::bad_alloc &) {
        onXerReadFailed(xer::XERFile::OutOfMemory);
        return;
    }
    addFileToRecents(path);
    setWindowTitle(path);
}

void MainWindow::onXerReadDone()
{
    if (!m_loader)
        return;
    m_loading = false;
    // The read has given back what it freed on the pool's heaps, which
    // lowers the open's peak.

    // The loader hands its models to this thread before it reports.
    for (const QString &name : m_loader->modelNames()) {
        const QAbstractItemModel *model = m_loader->model(name);
        if (model && model->thread() != thread())
            qCWarning(lcApp) << "MainWindow::onXerReadDone model in another thread" << name;
    }
    // Memory running out inside the widgets cannot be unwound: without the
    // room the window will need, the open fails as a read short of memory.
    // The estimate keeps an eighth to spare; the main heap grows by a step
    // beyond the block that makes it grow, which a small project's eighth
    // does not cover. What the main heap holds free is used before it grows.
    const qint64 estimate = WindowMemory::estimate(*m_loader);
    // What the window kept of the last project it takes again.
    const qint64 needed = qMax(estimate, estimate - estimate / 8 + ReadHeapPadding::growthStep())
            - WindowMemory::reusable(estimate)
            - WindowMemory::keptShare(m_keptHeap, m_keptEstimate, estimate);
    if (!memoryroom::available(needed)) {
        qCWarning(lcApp) << "MainWindow::onXerReadDone no room for the window:" << needed << "bytes";
        onXerReadFailed(4);
        return;
    }
    {
        // The new models, the default layout's bar styles and its sort each
        // ask the chart for a rebuild of every task: one, with the final
        // state, is enough.
        const mygc::GanttChart::RebuildHold hold(activityChart());
        {
            // The hand-over frees much of what the read's threads built;
            // their heaps would keep it, unused, to the end of the process.
            const ReadHeapPadding::Release release;
            handOverModels();
        }
        updateToolBarActions();

        if (QTreeView *tree = activityTree()) {
            setVisibleColumns(tree->header(), defaultVisibleColumns());
            // Setting it lays every row out again, even when it stays.
            const int position = firstVisibleColumn(tree->header());
            if (tree->treePosition() != position)
                tree->setTreePosition(position);
            updateMergeColumns();
        }

        if (auto *xer = qobject_cast<XERLoader *>(m_loader))
            processP6layouts(xer->layoutRows());
        applyLayout(readFile(QStringLiteral(":/files/xer_style.json")));
        // The project opens on its first row, current and highlighted, and
        // the details pane shows it.
        if (QTreeView *tree = activityTree())
            m_activities->makeCurrent(tree->model() ? tree->model()->index(0, 0) : QModelIndex());
    }

    if (m_progressDialog) {
        m_progressDialog->setValue(100);
        m_progressDialog->setLabelText(QStringLiteral("Done"));
    }
    hideProgress();
    // At once, for a key typed as the dialog goes; again once it is gone.
    giveKeysBack();
    // What the load left out or changed, in one line.
    if (auto *xer = qobject_cast<XERLoader *>(m_loader))
        showLoadReport(statusBar(), xer->loadReport());
}

void MainWindow::onXerReadFailed(int code)
{
    if (!m_loader)
        return;
    m_loading = false;
    hideProgress();
    const auto *xer = qobject_cast<XERLoader *>(m_loader);
    const QString path = QDir::toNativeSeparators(xer ? xer->fileName() : windowTitle());
    // Back to the no-project state; the window stays fully usable, and
    // neither the title nor the recent list keeps the file.
    const ReadHeapPadding::Release release;
    deleteLoader();
    clearPanes();
    updateToolBarActions();
    WindowMemory::releaseFreed();
    setWindowTitle(m_idleTitle);
    m_recentList = m_recentBeforeLoad;
    updateRecentsList();

    QString text;
    switch (code) {
    case 1:
        text = tr("The file %1 is not an XER file.").arg(path);
        break;
    case 2:
        text = tr("The file %1 cannot be opened.").arg(path);
        break;
    case 3:
        text = tr("The file %1 holds a line too long to read.").arg(path);
        break;
    case 4:
        text = tr("There is not enough memory to open the file %1.").arg(path);
        break;
    case 5:
        text = tr("The file %1 could not be read to its end.").arg(path);
        break;
    default:
        text = tr("The file %1 could not be read (error %2).").arg(path).arg(code);
        break;
    }
    qCWarning(lcApp) << "MainWindow::onXerReadFailed" << code << path;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Open file"), text, QMessageBox::Ok,
                    this);
    box.exec();
    giveKeysBack();
}

void MainWindow::giveKeysBack()
{
    if (!m_keysBeforeLoad || !isVisible())
        return;
    // A desktop without a window manager leaves them nowhere when the
    // dialog that held them goes.
    activateWindow();
    // A short load's dialog may come and go before the window manager's
    // changes of focus for it reach the program, which then takes the keys
    // for the dialog (or passes this window's on to it while it shows) and
    // holds no window active once it is gone, though the window system
    // gives the keys to this window: neither a key nor a menu would work
    // until a click.
    QWidget *active = QApplication::activeWindow();
    if (!active || !active->isVisible())
        QApplication::setActiveWindow(this);
}

void MainWindow::prepareResourcesView(QTableView *table)
{
    if (!table || !table->model())
        return;
    QHeaderView *header = table->horizontalHeader();
    // A header keeps its sections' order and hidden ones through a new model
    // of as many columns: the last project's are undone first.
    for (int section = 0; section < header->count(); ++section) {
        header->moveSection(header->visualIndex(section), section);
        header->setSectionHidden(section, false);
    }
    for (int c = 0; c <= 5; ++c)
        table->setColumnHidden(c, true);
    const auto idRole = Qt::ItemDataRole(256);
    const int typeSection = sectionFromHeader(header, QStringLiteral("rsrc_type"), idRole);
    if (typeSection >= 0)
        header->swapSections(typeSection, 6);
    const int nameSection = sectionFromHeader(header, QStringLiteral("rsrc_name"), idRole);
    if (nameSection >= 0)
        header->swapSections(nameSection, 7);
    for (const char *id :
         {"act_reg_qty", "cost_per_qty", "target_cost", "act_start_date", "act_end_date"}) {
        const int section = sectionFromHeader(header, QString::fromLatin1(id), idRole);
        if (section >= 0)
            header->setSectionHidden(section, true);
    }
    // The header clamps its default size to its minimum, which follows the
    // font; rows are 22 pixels whatever the font.
    QHeaderView *rows = table->verticalHeader();
    if (rows->minimumSectionSize() > 22)
        rows->setMinimumSectionSize(22);
    setDefaultSectionSize(rows, 22);
    installResourceTypeDelegate(table, typeSection);
}

void MainWindow::onCloseAction()
{
    if (m_loading) {
        statusBar()->showMessage(tr("A project is still loading."), 3000);
        return;
    }
    closeProject();
    // Back to the window of a fresh start: its title.
    setWindowTitle(m_idleTitle);
}

void MainWindow::closeProject()
{
    const qint64 goneEstimate = m_loader ? WindowMemory::estimate(*m_loader) : 0;
    // The heaps keep no padding while the project's memory is freed, so its
    // pages and address space go back to the system.
    const ReadHeapPadding::Release release;
    // The load report speaks of the project that goes.
    statusBar()->clearMessage();
    showLoadReport(statusBar(), QString());
    clearPanes();
    if (m_loader) {
        waitForRead();
        m_loader->closeProject();
    }
    deleteLoader();
    updateToolBarActions();
    // Pixmaps the styles and icons cached while the project was painted sit
    // above its freed memory at the top of the heap, which then cannot give
    // that address space back: a reopen under the same limit would fail.
    QPixmapCache::clear();
    // The project's memory goes back to the system, not only to the heap.
    WindowMemory::releaseFreed();
    // What stays in use beyond the window's own start is the project's
    // kept part, which the next open's room check counts.
    const qint64 inUse = WindowMemory::heapInUse();
    if (m_idleHeapInUse < 0) {
        m_idleHeapInUse = inUse;
    } else if (goneEstimate > 0) {
        m_keptHeap = qMax<qint64>(0, inUse - m_idleHeapInUse);
        m_keptEstimate = goneEstimate;
    }
    // The time scale of a fresh start, one Day level, after Close as before
    // an open over a project (the tree's header follows the date axis'
    // height).
    setToolBarButtonsFromFlags(4);
    setGanttTimelime();
    // And its page: the View menu that leads back is off without a project.
    onDefaultViewClicked();
}

void MainWindow::waitForRead()
{
    if (m_readFuture.isRunning())
        m_readFuture.waitForFinished();
}

void MainWindow::deleteLoader()
{
    if (!m_loader)
        return;
    waitForRead();
    ProjectLoader *loader = m_loader;
    m_loader = nullptr;
    delete loader;
}

void MainWindow::showProgress()
{
    hideProgress();
    auto *dialog = new LoadProgressDialog(this);
    connect(dialog, &QObject::destroyed, this, &MainWindow::progressDialogDestroyed);
    m_progressDialog = dialog;
    dialog->show();
}

void MainWindow::setProgress(int value, const QString &text)
{
    if (!m_progressDialog)
        return;
    // A modal progress dialog handles events while its value is set: the
    // load may finish there and take the dialog away.
    m_progressDialog->setLabelText(text);
    m_progressDialog->setValue(value);
}

void MainWindow::hideProgress()
{
    if (!m_progressDialog)
        return;
    if (m_loader)
        disconnect(m_loader, &ProjectLoader::progress, this, &MainWindow::setProgress);
    // Forgotten at once: a late progress report must not show it again.
    LoadProgressDialog *dialog = m_progressDialog;
    m_progressDialog = nullptr;
    disconnect(dialog, &QObject::destroyed, this, &MainWindow::progressDialogDestroyed);
    // The keys come back once the dialog is gone: the window manager may
    // yet give it the keys it asked for as it showed, which the program
    // forgets with the dialog.
    connect(dialog, &QObject::destroyed, this, &MainWindow::giveKeysBack);
    dialog->setDismissable(true);
    dialog->close();
}

void MainWindow::connectLoaderSignals(const char *slot)
{
    if (!m_loader)
        return;
    showProgress();
    connect(m_loader, &ProjectLoader::progress, this, &MainWindow::setProgress,
            Qt::QueuedConnection);
    // The slot is named at run time: a connection by its signature text.
    connect(m_loader, SIGNAL(finished()), this, slot);
}

void MainWindow::progressDialogDestroyed(QObject *dlg)
{
    if (m_progressDialog == dlg)
        m_progressDialog = nullptr;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Quitting waits for a running read, so the loader is never deleted
    // under it.
    waitForRead();
    // A read that failed before its report was handled keeps no entry.
    const auto *xer = qobject_cast<XERLoader *>(m_loader);
    if (m_loading && xer && xer->readResult() != 0)
        m_recentList = m_recentBeforeLoad;
    if (m_recentList.save(RecentList::defaultPath()) != RecentList::Saved)
        qCWarning(lcApp) << "MainWindow::closeEvent recent list not saved";
    event->accept();
}

// ---------------------------------------------------------------------------
// Recent files

void MainWindow::addFileToRecents(const QString &path)
{
    QString name;
    if (m_loader)
        name = m_loader->emptyText4();
    m_recentList.addFile(path, name);
    updateRecentsList();
}

void MainWindow::updateRecentsList()
{
    QMenu *menu = m_ui->menuFile;
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (action->data().toMap().value(QLatin1String(kMruKey)).toBool()) {
            menu->removeAction(action);
            action->deleteLater();
        }
    }
    QAction *last = menu->actions().isEmpty() ? nullptr : menu->actions().constLast();
    if (!m_recentList.isEmpty() && (!last || !last->isSeparator()))
        menu->addSeparator();
    else if (m_recentList.isEmpty() && last && last->isSeparator()) {
        menu->removeAction(last);
        last->deleteLater();
    }
    for (const RecentEntry &entry : m_recentList.entries()) {
        if (QFileInfo(entry.file).suffix().toLower() == QLatin1String("mpp"))
            continue;
        // A "&" in a path is shown as it is, not taken as an accelerator.
        auto *action = new QAction(QString(entry.file).replace(QLatin1Char('&'), QLatin1String("&&")),
                                   this);
        QVariantMap data;
        data.insert(QLatin1String(kMruKey), true);
        data.insert(QStringLiteral("fileName"), entry.file);
        data.insert(QStringLiteral("type"), entry.type);
        action->setData(data);
        connect(action, &QAction::triggered, this, [this, action] { onMRUClick(action); });
        menu->addAction(action);
    }
}

void MainWindow::onMRUClick(QAction *action)
{
    if (!action)
        return;
    const QVariantMap data = action->data().toMap();
    const QString fileName = data.value(QStringLiteral("fileName")).toString();
    if (!data.value(QLatin1String(kMruKey)).toBool() || fileName.isEmpty())
        return;
    if (m_loading) {
        statusBar()->showMessage(tr("A project is still loading."), 3000);
        return;
    }
    const QFileInfo info(fileName);
    if (info.exists()) {
        if (info.suffix().toLower() == QLatin1String("xer"))
            openXerFile(fileName);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("File doesn't exist"),
                    tr("File was deleted"), QMessageBox::Ok, this);
    box.exec();
    RecentEntry gone;
    gone.file = fileName;
    m_recentList.remove(gone);
    updateRecentsList();
}

void MainWindow::onRecentAction()
{
}

// ---------------------------------------------------------------------------
// View, outline and time scale

void MainWindow::setView(QAction *action)
{
    if (!action)
        return;
    if (action == m_ui->actionGanttChart || action == m_ui->actionTrackingGanttChart) {
        m_ui->stackedWidget->setCurrentIndex(0);
        m_ui->actionDetail->setVisible(true);
        updateColumnsIcon();
    } else if (action == m_ui->actionResources) {
        m_ui->stackedWidget->setCurrentIndex(1);
        m_ui->actionDetail->setVisible(false);
        updateColumnsIcon();
    }
}

void MainWindow::onDefaultViewClicked()
{
    m_ui->actionGanttChart->setChecked(true);
    setView(m_ui->actionGanttChart);
}

void MainWindow::onDetailAction()
{
    if (!m_splitter || m_splitter->count() < 2)
        return;
    m_splitter->widget(1)->setVisible(m_ui->actionDetail->isChecked());
    // The pane shown takes its room from the tree now, not at the next
    // layout, and the current row stays in what is left. What shows of it:
    // a tree's scroll would open its bands.
    m_splitter->refresh();
    if (QTreeView *tree = activityTree())
        tree->scrollTo(shownCurrentRow(tree));
}

void MainWindow::onExpandCollapseClicked()
{
    QTreeView *tree = activityTree();
    if (!tree)
        return;
    const int top = currentRowTop(tree);
    {
        const QSignalBlocker blocker(tree);
        const QModelIndex first = tree->model() ? tree->model()->index(0, 0) : QModelIndex();
        if (first.isValid() && tree->isExpanded(first)) {
            tree->collapseAll();
            m_outlineLevel = QStringLiteral("Level 0");
        } else {
            if (!expandAllLevels(tree))
                showExpandCap();
            m_outlineLevel = QStringLiteral("Level 7");
        }
    }
    moveCurrentIntoSight(tree);
    resetChart();
    restoreCurrentRowTop(tree, top);
}

void MainWindow::onOutlineChanged(QAction *action)
{
    if (!action)
        return;
    QTreeView *tree = activityTree();
    const int top = tree ? currentRowTop(tree) : 0;
    if (tree) {
        const QSignalBlocker blocker(tree);
        // The row, whatever cell of it is current: the cells right of the
        // tree column never have children.
        const QModelIndex current = tree->currentIndex().siblingAtColumn(0);
        if (action == m_ui->actionExpand) {
            tree->expand(current);
        } else if (action == m_ui->actionCollapse) {
            tree->collapse(current);
        } else if (action == m_ui->actionExpand_All) {
            if (!expandAllLevels(tree))
                showExpandCap();
        } else if (action == m_ui->actionCollapse_All) {
            tree->collapseAll();
        } else {
            const QList<QAction *> levels = {m_ui->actionLevel_1, m_ui->actionLevel_2,
                                             m_ui->actionLevel_3, m_ui->actionLevel_4,
                                             m_ui->actionLevel_5, m_ui->actionLevel_6,
                                             m_ui->actionLevel_7};
            const int depth = levels.indexOf(action);
            if (depth >= 0)
                tree->expandToDepth(depth);
        }
    }
    m_outlineLevel = action->text();
    if (tree) {
        moveCurrentIntoSight(tree);
        resetChart();
        restoreCurrentRowTop(tree, top);
    }
}

void MainWindow::showExpandCap()
{
    statusBar()->showMessage(
        tr("Expanded %1 levels below each top-level row; deeper rows stay collapsed.")
            .arg(MaxExpandedLevels),
        10000);
}

QList<QAction *> MainWindow::outlineActions() const
{
    return {m_ui->actionExpand,  m_ui->actionCollapse, m_ui->actionExpand_All,
            m_ui->actionCollapse_All, m_ui->actionLevel_1,  m_ui->actionLevel_2,
            m_ui->actionLevel_3, m_ui->actionLevel_4,  m_ui->actionLevel_5,
            m_ui->actionLevel_6, m_ui->actionLevel_7};
}

QVector<int> MainWindow::timeScaleUnits() const
{
    QVector<int> units;
    const std::pair<QAction *, int> scales[] = {{m_ui->actionDay, 3},
                                                {m_ui->actionWeek, 4},
                                                {m_ui->actionMonth, 6},
                                                {m_ui->actionQuarter, 7},
                                                {m_ui->actionYear, 9}};
    for (const auto &scale : scales) {
        if (scale.first->isChecked())
            units.append(scale.second);
    }
    return units;
}

void MainWindow::setGanttTimelime()
{
    setChartDateLevels(timeScaleUnits());
}

void MainWindow::setToolBarButtonsFromFlags(unsigned char flags)
{
    const std::pair<QAction *, int> scales[] = {{m_ui->actionDay, 4},
                                                {m_ui->actionWeek, 8},
                                                {m_ui->actionMonth, 16},
                                                {m_ui->actionQuarter, 32},
                                                {m_ui->actionYear, 64}};
    // No level ticked would leave the menu empty while the chart shows Day.
    if (!(flags & (4 | 8 | 16 | 32 | 64)))
        flags |= 4;
    for (const auto &scale : scales) {
        const QSignalBlocker blocker(scale.first);
        scale.first->setChecked((flags & scale.second) != 0);
    }
}

void MainWindow::updateToolBarActions()
{
    QTreeView *tree = activityTree();
    const bool enable = tree && tree->model() && tree->model()->rowCount() > 0;
    for (QAction *action : {m_ui->actionColumns, m_ui->actionGroup, m_ui->actionDetail,
                            m_ui->actionExport, m_ui->actionStyles})
        action->setEnabled(enable);
    for (QMenu *menu : {m_outlineMenu, m_timeMenu, m_viewMenu}) {
        menu->setEnabled(enable);
        menu->menuAction()->setEnabled(enable);
    }
    updateHeaderSize();
    updateActions(enable);
}

void MainWindow::updateActions(bool enable)
{
    m_ui->actionSnip->setEnabled(enable);
    m_ui->actionPrint->setEnabled(enable);
    m_ui->actionClose->setEnabled(enable);
}

void MainWindow::updateColumnsIcon()
{
    ZSortFilterHeader *header = currentHeader();
    if (!header)
        return;
    m_ui->actionColumns->setIcon(QIcon(header->hasAnyFilter()
                                           ? QStringLiteral(":/images/table_column_filter_32.png")
                                           : QStringLiteral(":/images/table_column_f_32.png")));
}

// ---------------------------------------------------------------------------
// Layouts

void MainWindow::applyLayout(const QString &layout)
{
    if (layout.isEmpty())
        return;
    LayoutTarget *target = layoutTarget();
    if (!target || !target->header())
        return;
    qCInfo(lcApp).noquote() << Q_FUNC_INFO << "start";
    QElapsedTimer timer;
    timer.start();
    // A layout's widths are the widths the columns are given; the tree
    // makes room for its indentation on top of them afterwards.
    if (auto *tree = qobject_cast<ZGroupedTreeView *>(activityTree()))
        tree->dropTreeColumnGrowth();
    {
        // Sort, filters, grouping and bar styles each rebuild the chart: once is enough.
        const mygc::GanttChart::RebuildHold hold(activityChart());
        LayoutJson::apply(layout, *target);
    }
    qCInfo(lcApp).noquote() << Q_FUNC_INFO << "stop:" << timer.elapsed();
}

QString MainWindow::layoutToJson() const
{
    LayoutTarget *target = const_cast<MainWindow *>(this)->layoutTarget();
    // The layout keeps the width the tree column was given, not the room
    // grouping adds to it for the moment.
    if (auto *tree = qobject_cast<ZGroupedTreeView *>(activityTree()))
        tree->dropTreeColumnGrowth();
    return target ? LayoutJson::build(*target) : QString();
}

void MainWindow::saveLayoutClicked()
{
    // Only the button's click saves; a direct call does nothing.
    if (!sender())
        return;
    const QString name = m_layoutNameEdit->text();
    if (name.isEmpty())
        return;
    saveLayout(name, layoutToJson(), false);
    updateLayoutsList(name);
}

void MainWindow::layoutNameEdited(const QString &text)
{
    m_layoutSaveButton->setEnabled(!text.isEmpty());
}

void MainWindow::saveLayout(const QString &, const QString &, bool)
{
    // Layouts built here are not kept.
}

// ---------------------------------------------------------------------------
// Export

void MainWindow::onExportAction()
{
    QTreeView *tree = activityTree();
    if (!tree)
        return;
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Export activities"), QStringLiteral("Export.csv"), tr("CSV Files (*.csv)"));
    if (fileName.isEmpty())
        return;
    saveViewData(tree, fileName);
}

bool MainWindow::saveViewData(QTreeView *view, const QString &fileName)
{
    QString error;
    const CsvExport::Result result = CsvExport::saveViewData(view, fileName, &error);
    if (result == CsvExport::Ok) {
        statusBar()->showMessage(tr("File saved successfully."), 3000);
        return true;
    }
    const QString file = QDir::toNativeSeparators(fileName);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Export"),
                    result == CsvExport::NoMemory
                        ? tr("There is not enough memory to export the file %1.").arg(file)
                    : result == CsvExport::CannotOpen
                        ? tr("The file %1 could not be written: %2.").arg(file, error)
                    // The result went in, but not under that name.
                    : result == CsvExport::NameChanged
                        ? tr("The export is not in %1: %2.").arg(file, error)
                    : result == CsvExport::LeftIncomplete
                        ? tr("The file %1 could not be written: %2. The file was left incomplete.").arg(file, error)
                        : tr("The file %1 could not be written: %2. No file was changed.").arg(file, error),
                    QMessageBox::Ok, this);
    box.exec();
    return false;
}

// ---------------------------------------------------------------------------
// Dialog launchers.

void MainWindow::onColumnsAction()
{
    ZSortFilterHeader *header = currentHeader();
    if (!header)
        return;
    const bool activitiesPage = header == activityTree()->header();
    ZGroupedColumnDialog dialog(header, nullptr);
    auto *widget = new ZSortFilterWidget(header, currentFilterModel(), currentModel(), &dialog);
    connect(&dialog, &ZGroupedColumnDialog::popUp, widget, &ZSortFilterWidget::onAutoFilterPopUp);
    // Filters set from inside the dialog reach the chart (and the band
    // dates) at once.
    if (activitiesPage)
        connect(widget, &ZSortFilterWidget::filtered, m_activities, &Activities::onFiltered);
    dialog.setSortFilterWidget(widget);
    dialog.setGroupHidden(QStringLiteral("system"), true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The header may have gone with its project while the dialog ran.
    if (currentHeader() != header)
        return;
    setVisibleColumns(header, dialog.selectedColumns());
    // The resources page has no tree: its columns never move the activity
    // tree's tree column.
    if (activitiesPage) {
        const int position = firstVisibleColumn(header);
        if (activityTree()->treePosition() != position)
            activityTree()->setTreePosition(position);
        updateMergeColumns();
    }
}

// ---------------------------------------------------------------------------
// Hooks for components the window does not reach.

void MainWindow::onConfigDialog()
{
}

void MainWindow::onP6LoadDone()
{
}

void MainWindow::onMppLoadDone()
{
}

void MainWindow::onSaveFileClick()
{
}

void MainWindow::onCachedFileClick()
{
}

void MainWindow::onOPRFileLoaded()
{
}

void MainWindow::OPRFileLoad(const QString &)
{
}

void MainWindow::openMPPFile(const QString &)
{
}

void MainWindow::saveFile(const QString &)
{
}

void MainWindow::updateConnection(const QMap<QString, QVariant> &, const QMap<QString, QVariant> &)
{
}

void MainWindow::saveSqlProject(const QString &, const QVariant &, const QString &, const QString &)
{
    qCInfo(lcApp).noquote() << Q_FUNC_INFO;
}

// ---------------------------------------------------------------------------
// Debug views, connected to nothing.

void MainWindow::testShowTable()
{
    const QString name = QInputDialog::getText(this, QStringLiteral("Table"),
                                               QStringLiteral("Model name"));
    if (m_loader && m_loader->hasModel(name)) {
        auto *view = new QTableView;
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->setModel(m_loader->model(name));
        view->show();
    } else {
        QMessageBox::critical(this, QStringLiteral("Table"),
                              QStringLiteral("No model named %1").arg(name));
    }
}

void MainWindow::testShowTreeView()
{
    QTreeView *tree = activityTree();
    if (!tree)
        return;
    auto *view = new QTreeView;
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setModel(tree->model());
    view->show();
}
