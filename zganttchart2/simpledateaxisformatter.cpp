#include "simpledateaxisformatter.h"

namespace mygc {

SimpleDateAxisFormatter::SimpleDateAxisFormatter(const QString &fromFormat, const QString &toFormat)
    : fromFormat_(fromFormat)
    , toFormat_(toFormat)
{
}

QString SimpleDateAxisFormatter::format(const QDateTime &from, const QDateTime &to, int level)
{
    Q_UNUSED(level)
    QString text;
    if (!fromFormat_.isEmpty())
        text += from.toString(fromFormat_);
    if (!toFormat_.isEmpty())
        text += to.toString(toFormat_);
    return text;
}

} // namespace mygc
