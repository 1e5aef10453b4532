#pragma once

#include "idateaxisformatter.h"

namespace mygc {

// A caption made of the period's start and end, each in a format of its own;
// an empty format leaves that date out.
class SimpleDateAxisFormatter : public IDateAxisFormatter
{
public:
    SimpleDateAxisFormatter(const QString &fromFormat, const QString &toFormat);

    QString format(const QDateTime &from, const QDateTime &to, int level) override;

private:
    QString fromFormat_;
    QString toFormat_;
};

} // namespace mygc
