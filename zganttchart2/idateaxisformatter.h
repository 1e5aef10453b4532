#pragma once

#include <QDateTime>
#include <QString>

namespace mygc {

// Words the caption of a date-axis period.
class IDateAxisFormatter
{
public:
    virtual QString format(const QDateTime &from, const QDateTime &to, int level) = 0;
    virtual ~IDateAxisFormatter() = default;
};

} // namespace mygc
