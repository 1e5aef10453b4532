#pragma once

#include "workprogress.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

// Shows a long work of the window (a picture drawn, pages laid out or
// printed) in a window-modal progress dialog with a Cancel button once it
// goes on past a second or so, from construction until destruction. The
// work reports through WorkProgress; Cancel, Escape or closing the progress
// stops it at its next step.
//
// Meanwhile the dialog takes the user's input and nothing else does: the
// events it processes would otherwise let a click, a key or a shortcut start
// a second work or close the window under this one, or reach the window
// after the work. Such input is dropped, not kept for later.
class ZWorkProgress : public QObject
{
    Q_OBJECT
public:
    // title: the command's; shares: each phase's part of the bar, in the
    // order of the phases.
    ZWorkProgress(QWidget *window, const QString &title, const QString &label,
                  const QVector<int> &shares = {1});
    ~ZWorkProgress() override;

    // The work goes on to its next phase.
    void nextPhase();
    // Makes the label from the steps done and the steps in all (e.g. "Page
    // 3 of 12") instead of the fixed one.
    void setLabelMaker(std::function<QString(qint64 done, qint64 total)> maker);
    // The other windows keep on screen what they showed when the work
    // began, and are drawn again once at its end: a work that stretches a
    // view for its picture would otherwise show it so. Not for a work whose
    // window must show what closes over it. Called once the window shows
    // what it should keep (a menu closed over it drawn away).
    void keepWindowsAsShown() { m_keepWindows = true; }
    // At the work's end: handles what the user did during its last steps
    // while the progress still shows, so that a late Cancel counts too.
    // Returns canceled().
    bool finish();
    // Cancelled by the user, or the work stopped by an outer watcher.
    bool canceled() const { return m_canceled || WorkProgress::stopped(); }
    QProgressDialog *dialog() const { return m_dialog.get(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool step(qint64 done, qint64 total);
    bool belongsToDialog(QObject *object) const;
    // Keeps the object among those whose event waits for the work's end;
    // false, for the event to go now, when the room kept for them is full.
    template <class T>
    static bool holdUntilEnd(QVector<QPointer<T>> &held, T *object);

    static constexpr int kPhaseSteps = 1000;
    // Widgets whose layouts can wait (a window has a few dozen).
    static constexpr int kLaterLayouts = 256;
    // Milliseconds between two values shown.
    static constexpr int kValueInterval = 100;

    std::unique_ptr<QProgressDialog> m_dialog;
    QVector<int> m_shares;
    int m_phase = 0;
    int m_shareTotal = 0;
    bool m_canceled = false;
    std::function<QString(qint64, qint64)> m_labelMaker;
    QString m_label;
    QElapsedTimer m_sinceValue;
    // Windows whose drawing was held during the work (a window has a few).
    static constexpr int kHeldWindows = 16;
    bool m_keepWindows = false;
    QVector<QPointer<QObject>> m_heldWindows;
    // Widgets whose layout was asked for during the work.
    QVector<QPointer<QWidget>> m_laterLayouts;
    // Installed last: goes before the dialog it reports to.
    WorkProgress m_work;
};
