// The driver's catalogue queries over Oracle's data dictionary views.

#include "zdocidriver.h"
#include "zdoci_p.h"

#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>

namespace {

const char *const systemOwners[] = {"MDSYS", "LBACSYS", "SYS", "SYSTEM", "WKSYS", "CTXSYS", "WMSYS"};

// A name goes between single quotes in the statement text.
QString quoted(const QString &name)
{
    QString s = name;
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

} // namespace

void qSplitTableAndOwner(const QString &name, QString *table, QString *owner)
{
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        *table = name;
        return;
    }
    *table = name.mid(dot + 1);
    *owner = name.left(dot);
}

QString qSystemOwnerFilter(const QString &user, unsigned form)
{
    const QLatin1String joiner = form == 0 ? QLatin1String("or") : QLatin1String("and");
    const QLatin1Char mark = form == 0 ? QLatin1Char(' ') : QLatin1Char('!');
    QString result;
    result.reserve(154);
    for (const char *owner : systemOwners) {
        const QLatin1String name(owner);
        if (user == name)
            continue;
        result += QLatin1String("owner ") + mark + QLatin1String("= '") + name
                + QLatin1String("' ") + joiner + QLatin1Char(' ');
    }
    result.chop(joiner.size() + 2);
    return result;
}

static QString normalised(const QSqlDriver *driver, const QString &name)
{
    if (driver->isIdentifierEscaped(name, QSqlDriver::TableName))
        return driver->stripDelimiters(name, QSqlDriver::TableName);
    return name.toUpper();
}

// The table and owner of a name as the dictionary stores them; the owner
// defaults to the connected user.
static void splitNormalised(const QSqlDriver *driver, const QString &name, const QString &user,
                            QString *table, QString *owner)
{
    qSplitTableAndOwner(name, table, owner);
    *table = normalised(driver, *table);
    *owner = normalised(driver, owner->isEmpty() ? user : *owner);
}

QStringList ZDOCIDriver::tables(QSql::TableType type) const
{
    Q_D(const ZDOCIDriver);
    QStringList tl;
    const QString user = normalised(this, d->userName);
    if (!isOpen())
        return tl;

    QSqlQuery t(createResult());
    t.setNumericalPrecisionPolicy(numericalPrecisionPolicy());
    t.setForwardOnly(true);
    auto listOwned = [&](const QString &sql, auto isOwn) {
        t.exec(sql);
        while (t.next()) {
            const QString owner = t.value(0).toString();
            const QString name = t.value(1).toString();
            tl.append(isOwn(owner) ? name : owner + QLatin1Char('.') + name);
        }
    };
    auto ownByNormalisedUser = [&](const QString &owner) {
        return owner.toUpper() == user.toUpper();
    };
    auto ownByStoredUser = [&](const QString &owner) { return owner == d->userName; };

    if (type & QSql::Tables) {
        const QString where = qSystemOwnerFilter(user, 1);
        listOwned(QLatin1String("select owner, table_name from all_tables where ") + where,
                  ownByNormalisedUser);
        listOwned(QLatin1String("select owner, synonym_name from all_synonyms where ") + where,
                  ownByStoredUser);
    }
    if (type & QSql::Views) {
        const QString where = qSystemOwnerFilter(user, 1);
        listOwned(QLatin1String("select owner, view_name from all_views where ") + where,
                  [&](const QString &owner) { return owner.toUpper() == d->userName.toUpper(); });
    }
    if (type & QSql::SystemTables) {
        t.exec(QStringLiteral("select table_name from dictionary"));
        while (t.next())
            tl.append(t.value(0).toString());
        const QString where = qSystemOwnerFilter(user, 0);
        listOwned(QLatin1String("select owner, table_name from all_tables where ") + where,
                  ownByNormalisedUser);
        listOwned(QLatin1String("select owner, synonym_name from all_synonyms where ") + where,
                  ownByStoredUser);
    }
    return tl;
}

QSqlRecord ZDOCIDriver::record(const QString &tablename) const
{
    Q_D(const ZDOCIDriver);
    QSqlRecord fil;
    if (!isOpen())
        return fil;

    QSqlQuery t(createResult());
    t.setNumericalPrecisionPolicy(numericalPrecisionPolicy());
    const bool charLength = d->serverVersion >= 9;
    const QString columns = QLatin1String(
            "select column_name, data_type, data_length, data_precision, data_scale, nullable, "
            "data_default") + (charLength ? QLatin1String(", char_length ") : QLatin1String(" "))
            + QLatin1String("from all_tab_columns a");

    QString table, owner;
    splitNormalised(this, tablename, d->userName, &table, &owner);

    t.setForwardOnly(true);
    t.exec(columns + QLatin1String(" where a.table_name=") + quoted(table)
           + QLatin1String(" and a.owner=") + quoted(owner));
    if (!t.next()) {
        t.setForwardOnly(true);
        t.exec(columns + QLatin1String(" join all_synonyms b on a.owner=b.table_owner and "
                                       "a.table_name=b.table_name where b.owner=")
               + quoted(owner) + QLatin1String(" and b.synonym_name=") + quoted(table));
        if (!t.next())
            return fil;
    }
    static const QStringList numeric = {QStringLiteral("NUMBER"), QStringLiteral("FLOAT"),
                                        QStringLiteral("BINARY_FLOAT"),
                                        QStringLiteral("BINARY_DOUBLE")};
    do {
        const QString dataType = t.value(1).toString();
        const QVariant::Type ty = qDecodeOCIType(dataType, t.numericalPrecisionPolicy());
        QSqlField f(t.value(0).toString(), ty);
        f.setRequired(t.value(5).toString() == QLatin1String("N"));
        f.setPrecision(t.value(4).toInt());
        if (ty == QVariant::String && charLength && !t.isNull(3) && !numeric.contains(dataType))
            f.setLength(t.value(7).toInt());
        else
            f.setLength(t.value(t.isNull(3) ? 2 : 3).toInt());
        f.setDefaultValue(t.value(6));
        fil.append(f);
    } while (t.next());
    return fil;
}

QSqlIndex ZDOCIDriver::primaryIndex(const QString &tablename) const
{
    Q_D(const ZDOCIDriver);
    QSqlIndex idx(tablename);
    if (!isOpen())
        return idx;

    QSqlQuery t(createResult());
    t.setNumericalPrecisionPolicy(numericalPrecisionPolicy());
    const QString key = QStringLiteral(
            "select b.column_name, b.index_name, a.table_name, a.owner from all_constraints a, "
            "all_ind_columns b where a.constraint_type='P' and b.index_name = a.constraint_name "
            "and b.index_owner = a.owner");
    QString table, owner;
    splitNormalised(this, tablename, d->userName, &table, &owner);

    t.setForwardOnly(true);
    t.exec(key + QLatin1String(" and a.table_name=") + quoted(table) + QLatin1String(" and a.owner=")
           + quoted(owner));
    if (!t.next()) {
        t.setForwardOnly(true);
        t.exec(key + QLatin1String(" and a.table_name=(select tname from sys.synonyms where sname=")
               + quoted(table) + QLatin1String(" and creator=a.owner)"));
        if (!t.next())
            return QSqlIndex();
        owner = t.value(3).toString();
    }

    QSqlQuery tt(createResult());
    tt.setNumericalPrecisionPolicy(numericalPrecisionPolicy());
    tt.setForwardOnly(true);
    idx.setName(t.value(1).toString());
    do {
        tt.exec(QLatin1String("select data_type from all_tab_columns where table_name=")
                + quoted(t.value(2).toString()) + QLatin1String(" and column_name=")
                + quoted(t.value(0).toString()) + QLatin1String(" and owner=") + quoted(owner));
        if (!tt.next())
            return QSqlIndex();
        idx.append(QSqlField(t.value(0).toString(),
                             qDecodeOCIType(tt.value(0).toString(), t.numericalPrecisionPolicy())));
    } while (t.next());
    return idx;
}
