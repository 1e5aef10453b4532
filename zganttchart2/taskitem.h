#pragma once

#include <QDateTime>
#include <QModelIndex>
#include <QString>

namespace mygc {

// One row of the chart: the dates of its bars, its kind, its id and the
// texts shown around its bar. The chart keeps copies under shared ownership.
class TaskItem
{
public:
    enum Type { Normal = 0, Milestone = 1, Summary = 2 };

    TaskItem() = default;
    TaskItem(const TaskItem &other) = default;
    TaskItem &operator=(const TaskItem &other) = default;
    virtual ~TaskItem();

    virtual int type() const { return type_; }
    virtual void setType(int type) { type_ = type; }
    virtual QDateTime start() const { return start_; }
    virtual void setStart(const QDateTime &start) { start_ = start; }
    virtual QDateTime finish() const { return finish_; }
    virtual void setFinish(const QDateTime &finish) { finish_ = finish; }
    virtual float progress() const { return progress_; }
    virtual void setProgress(float progress);
    virtual int taskId() const { return taskId_; }
    virtual void setTaskId(int id) { taskId_ = id; }
    virtual QModelIndex index() const { return index_; }
    virtual void setIndex(const QModelIndex &index) { index_ = index; }
    virtual void setActualStart(const QDateTime &d) { actualStart_ = d; }
    virtual QDateTime actualStart() const { return actualStart_; }
    virtual void setActualFinish(const QDateTime &d) { actualFinish_ = d; }
    virtual QDateTime actualFinish() const { return actualFinish_; }
    virtual void setBaselineStart(const QDateTime &d) { baselineStart_ = d; }
    virtual QDateTime baselineStart() const { return baselineStart_; }
    virtual void setBaselineFinish(const QDateTime &d) { baselineFinish_ = d; }
    virtual QDateTime baselineFinish() const { return baselineFinish_; }
    virtual QString leftText() const { return leftText_; }
    virtual QString rightText() const { return rightText_; }
    virtual QString topText() const { return topText_; }
    virtual QString bottomText() const { return bottomText_; }
    virtual QString insideText() const { return insideText_; }
    virtual void setLeftText(const QString &text) { leftText_ = text; }
    virtual void setRightText(const QString &text) { rightText_ = text; }
    virtual void setTopText(const QString &text) { topText_ = text; }
    virtual void setBottomText(const QString &text) { bottomText_ = text; }
    virtual void setInsideText(const QString &text) { insideText_ = text; }

private:
    int type_ = Normal;
    QDateTime start_;
    QDateTime finish_;
    QDateTime actualStart_;
    QDateTime actualFinish_;
    QDateTime baselineStart_;
    QDateTime baselineFinish_;
    float progress_ = 0.0f;
    int taskId_ = 0;
    QModelIndex index_;
    QString leftText_;
    QString rightText_;
    QString bottomText_;
    QString topText_;
    QString insideText_;
};

} // namespace mygc
