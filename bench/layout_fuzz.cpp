// libFuzzer target: P6 layout text (VIEW_DATA, ".plf" content) through the
// parser, the path lookups and the conversion into layout documents.

#include "p6confignode.h"
#include "p6layout.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace {

const QHash<QString, QString> &captions()
{
    static const QHash<QString, QString> map = P6Layouts::captionMap(QStringLiteral(
        R"({"tables":[{"columns":[{"id":"task_code","display":"Activity ID"},)"
        R"({"id":"task_name","display":"Activity Name"}]}]})"));
    return map;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("sv.*=false"));
        return true;
    }();
    Q_UNUSED(quiet)
    // Like a ".plf" file: the bytes before the first zero byte as UTF-8.
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    const QString text = QString::fromUtf8(bytes);

    const P6ConfigNode root = parseP6ViewData(text);
    p6NodeAtPath(root, {QStringLiteral("TaskView"), QStringLiteral("Columns")});
    p6NodeAtPath(root, {QStringLiteral("TaskView"), QStringLiteral("GroupSortBy"),
                        QStringLiteral("GroupBys"), QStringLiteral("Item1")});

    QVariantMap row;
    row.insert(QStringLiteral("VIEW_ID"), QStringLiteral("1"));
    row.insert(QStringLiteral("VIEW_NAME"), QStringLiteral("fuzz"));
    row.insert(QStringLiteral("VIEW_DATA"), text);
    const QVector<P6Layout> layouts = P6Layouts::convert({row}, captions());
    for (const P6Layout &layout : layouts)
        P6Layouts::forApplying(P6Layouts::toJson(layout), QVariantList(), nullptr);
    return 0;
}
