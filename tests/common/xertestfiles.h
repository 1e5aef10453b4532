#pragma once

// Helpers of the XER tests: small XER files written into a temporary folder.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace xertest {

// One table as XER lines: "%T\t<name>", "%F\t<fields>", "%R\t<record>"...
// Records are given with their fields joined by '\t'.
inline QByteArray table(const QByteArray &name, const QByteArray &fields,
                        const QList<QByteArray> &records, const QByteArray &eol = "\r\n")
{
    QByteArray out = "%T\t" + name + eol + "%F\t" + fields + eol;
    for (const QByteArray &r : records)
        out += "%R\t" + r + eol;
    return out;
}

inline QByteArray header(const QByteArray &eol = "\r\n")
{
    return "ERMHDR\t19.12\t2026-01-01\tProject\tadmin\tAdmin\tdbxDatabaseNoName\tProject Management\tUSD"
           + eol;
}

// The fields of TASK a user can show or group by, besides those the tests'
// own field lists give (keys, names, status, dates, constraint and floats),
// in the schema's order; and those of TASKRSRC besides its keys and planned
// units.
inline QByteArray taskShownFields()
{
    return "phys_complete_pct\tremain_drtn_hr_cnt\tact_work_qty\tremain_work_qty\ttarget_work_qty\t"
           "target_drtn_hr_cnt\ttarget_equip_qty\tact_equip_qty\tremain_equip_qty\tlate_start_date\t"
           "late_end_date\texpect_end_date\tearly_start_date\tearly_end_date\trestart_date\treend_date\t"
           "rem_late_start_date\trem_late_end_date\tpriority_type\tcstr_date2\tcstr_type2\tfloat_path\t"
           "float_path_order\tact_this_per_work_qty\tact_this_per_equip_qty\tdriving_path_flag\tsuspend_date\t"
           "resume_date\texternal_early_start_date\texternal_late_end_date";
}

inline QByteArray assignmentShownFields()
{
    return "remain_qty\tremain_qty_per_hr\tact_ot_qty\tact_reg_qty\tcost_per_qty\ttarget_cost\tact_reg_cost\t"
           "act_ot_cost\tremain_cost\tact_start_date\tact_end_date\trestart_date\treend_date\ttarget_start_date\t"
           "target_end_date\trem_late_start_date\trem_late_end_date\trate_type";
}

// Such fields as the load's report names them.
inline QString fieldList(const QByteArray &fields)
{
    return QString::fromLatin1(fields).replace(QLatin1Char('\t'), QLatin1String(", "));
}

// Empty values for such fields, to end a record with.
inline QByteArray emptyValues(const QByteArray &fields)
{
    return QByteArray(fields.count('\t') + 1, '\t');
}

// Writes content to a file of the folder and gives its path.
inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(content);
    return path;
}

} // namespace xertest
