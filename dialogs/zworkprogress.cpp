#include "zworkprogress.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QWidget>
#include <QWindow>

#include <exception>
#include <numeric>

ZWorkProgress::ZWorkProgress(QWidget *window, const QString &title, const QString &label,
                             const QVector<int> &shares)
    : m_dialog(new QProgressDialog(label, QString(), 0, 1, window))
    , m_shares(shares.isEmpty() ? QVector<int>{1} : shares)
    , m_label(label)
    , m_work([this](qint64 done, qint64 total) { return step(done, total); })
{
    for (int &share : m_shares)
        share = qMax(1, share);
    m_shareTotal = std::accumulate(m_shares.cbegin(), m_shares.cend(), 0);
    // Cancel discards the work: Return typed ahead must not press it, only
    // Escape or a click.
    auto *cancel = new QPushButton(tr("Cancel"));
    cancel->setAutoDefault(false);
    cancel->setDefault(false);
    m_dialog->setCancelButton(cancel);
    m_dialog->setWindowTitle(title);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setMinimumDuration(1000);
    m_laterLayouts.reserve(kLaterLayouts);
    m_heldWindows.reserve(kHeldWindows);
    m_dialog->setRange(0, m_shareTotal * kPhaseSteps);
    // Starts the dialog's clock: it shows once the work looks like lasting.
    m_dialog->setValue(0);
    connect(m_dialog.get(), &QProgressDialog::canceled, this, [this] { m_canceled = true; });
    connect(m_dialog.get(), &QDialog::rejected, this, [this] { m_canceled = true; });
    QCoreApplication::instance()->installEventFilter(this);
    // The keys go to the window that has the focus, and none to a window
    // the progress blocks: a click on one (which the window manager may
    // focus) would leave Escape with nowhere to go. The focus goes back to
    // the progress; never taken from another application.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focus) {
        if (focus && focus != m_dialog->windowHandle() && m_dialog->isVisible()
            && QGuiApplication::modalWindow() == m_dialog->windowHandle())
            m_dialog->activateWindow();
    });
}

ZWorkProgress::~ZWorkProgress()
{
    // Input that came in during the last step goes now, dropped like the
    // rest, rather than to the window once the work has ended. Not while
    // memory that ran out unwinds the work: the events' handlers would
    // need more.
    m_dialog->hide();
    if (std::uncaught_exceptions() == 0)
        QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(this);
    disconnect(qApp, &QGuiApplication::focusWindowChanged, this, nullptr);
    for (const QPointer<QWidget> &widget : qAsConst(m_laterLayouts)) {
        QEvent request(QEvent::LayoutRequest);
        if (widget)
            QCoreApplication::sendEvent(widget, &request);
    }
    // A request held leaves its window waiting for it: asked again, with
    // the whole window, since what covered it may have gone meanwhile.
    for (const QPointer<QObject> &held : qAsConst(m_heldWindows)) {
        QWidget *widget = qobject_cast<QWidget *>(held.data());
        if (auto *window = qobject_cast<QWindow *>(held.data())) {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->windowHandle() == window)
                    widget = top;
            }
        }
        if (widget)
            widget->update();
        if (held)
            QCoreApplication::postEvent(held.data(), new QEvent(QEvent::UpdateRequest));
    }
}

void ZWorkProgress::nextPhase()
{
    if (m_phase + 1 < m_shares.size())
        ++m_phase;
}

void ZWorkProgress::setLabelMaker(std::function<QString(qint64, qint64)> maker)
{
    m_labelMaker = std::move(maker);
}

bool ZWorkProgress::finish()
{
    if (!m_canceled && m_dialog->isVisible())
        QCoreApplication::processEvents();
    return canceled();
}

bool ZWorkProgress::step(qint64 done, qint64 total)
{
    if (m_canceled)
        return false;
    const int before = std::accumulate(m_shares.cbegin(), m_shares.cbegin() + m_phase, 0);
    const qint64 within = total > 0 ? qBound<qint64>(0, done, total) * kPhaseSteps / total : 0;
    const int value = int((before * kPhaseSteps + m_shares.at(m_phase) * within));
    if (m_labelMaker) {
        const QString label = m_labelMaker(done, total);
        if (label != m_label) {
            m_label = label;
            m_dialog->setLabelText(label);
        }
    }
    // A phase may tell its start after another phase's end: the bar does
    // not go back. Once shown, the dialog takes the events at each change:
    // a few times a second is enough, and the work's own posted events (a
    // scene's items indexed) are not handled at every step.
    if (value > m_dialog->value() && (!m_sinceValue.isValid() || m_sinceValue.elapsed() >= kValueInterval)) {
        m_sinceValue.start();
        m_dialog->setValue(value);
    }
    return !m_canceled;
}

bool ZWorkProgress::belongsToDialog(QObject *object) const
{
    if (auto *window = qobject_cast<QWindow *>(object))
        return window == m_dialog->windowHandle();
    // The dialog's widgets, and its Escape shortcut (a plain object).
    for (QObject *at = object; at; at = at->parent()) {
        if (at == m_dialog.get())
            return true;
    }
    return false;
}

template <class T>
bool ZWorkProgress::holdUntilEnd(QVector<QPointer<T>> &held, T *object)
{
    if (held.contains(object))
        return true;
    // Called from Qt's frames, where nothing may unwind: the room was taken
    // before; past it, the event goes now.
    if (held.size() == held.capacity())
        return false;
    held.append(object);
    return true;
}

bool ZWorkProgress::eventFilter(QObject *watched, QEvent *event)
{
    // Escape cancels whichever window Qt hands it to while the progress
    // shows: the focus may not have reached the progress yet (a window
    // blocked by it still has Qt's focus for an event pass or two), and its
    // own shortcut answers only when it is the active window.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Cancel) && m_dialog->isVisible()) {
        // A window blocked by the progress is told of the key only so.
        if (!m_canceled) {
            m_canceled = true;
            m_dialog->cancel();
        }
        event->accept();
        return true;
    }
    switch (event->type()) {
    case QEvent::Show:
        // The window manager may leave the focus where it was.
        if (watched == m_dialog.get())
            m_dialog->activateWindow();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    // Hovers and a window's turn of activation too: a preview of many
    // tiles goes through all of them at each.
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::MouseMove:
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    // Qt's timers fire again until handled: the window's wait for the
    // work's end (a scene's index is not built under its layout).
    case QEvent::Timer:
        return !belongsToDialog(watched);
    case QEvent::UpdateRequest:
    case QEvent::Expose:
        // Only the requests that draw the window again go: a picture's
        // render() paints its widgets directly.
        return m_keepWindows && !belongsToDialog(watched) && holdUntilEnd(m_heldWindows, watched);
    case QEvent::LayoutRequest:
        // The work's widgets stand as the work set them (a view stretched to
        // its whole content for its picture): their layouts wait for its end.
        if (!belongsToDialog(watched)) {
            auto *widget = qobject_cast<QWidget *>(watched);
            return !widget || holdUntilEnd(m_laterLayouts, widget);
        }
        return false;
    case QEvent::Close:
        // The window manager's close of the window under the work waits
        // for the user to cancel; the work's own closes (a menu's) go.
        if (event->spontaneous() && !belongsToDialog(watched)) {
            event->ignore();
            return true;
        }
        return false;
    default:
        return false;
    }
}
