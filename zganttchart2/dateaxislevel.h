#pragma once

#include "qgcenums.h"

#include <QObject>
#include <memory>

namespace mygc {

class DateAxis;
class DateAxisLevelPrivate;

// One band of the date axis: its time unit and its fixed height.
class DateAxisLevel : public QObject
{
    Q_OBJECT
public:
    static constexpr int kHeight = 28;

    explicit DateAxisLevel(QObject *parent = nullptr);
    ~DateAxisLevel() override;

    int height() const;
    TimeUnit timeUnit() const;
    void setTimeUnit(TimeUnit unit);
    DateAxis *dateAxis() const;
    void setDateAxis(DateAxis *axis);

private:
    std::unique_ptr<DateAxisLevelPrivate> d;
};

} // namespace mygc
