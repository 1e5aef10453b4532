// Writes a synthetic P6 XER export of any size:
//   xer_gen <activities> <output.xer> [--relations N] [--code-assignments N]
//                                      [--udf-values N] [--lf]
// Defaults: 3 relationships and 2 activity-code assignments per activity,
// one user-defined value per activity. The file holds a WBS tree several
// levels deep, activity code types with values (some nested), user-defined
// field types of the activity and WBS tables with values, resources with
// assignments, and tables the viewer does not keep (PROJECT, CALENDAR). Lines
// end in CR LF unless --lf is given. The output is the same for the same
// arguments.

#include "benchenv.h"
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <string>
#include <vector>

namespace {

class Random
{
public:
    explicit Random(quint64 seed)
        : m_state(seed)
    {
    }
    quint32 next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(m_state >> 33);
    }
    int below(int n) { return n <= 0 ? 0 : int(next() % quint32(n)); }

private:
    quint64 m_state;
};

class Writer
{
public:
    Writer(QFile *file, bool crlf)
        : m_file(file)
        , m_eol(crlf ? "\r\n" : "\n")
    {
        m_buffer.reserve(1 << 22);
    }
    ~Writer() { flush(); }

    void table(const char *name, const std::vector<const char *> &fields)
    {
        m_buffer += "%T\t";
        m_buffer += name;
        m_buffer += m_eol;
        m_buffer += "%F";
        for (const char *f : fields) {
            m_buffer += '\t';
            m_buffer += f;
        }
        m_buffer += m_eol;
    }
    void record(const std::vector<std::string> &cells)
    {
        m_buffer += "%R";
        for (const std::string &c : cells) {
            m_buffer += '\t';
            m_buffer += c;
        }
        m_buffer += m_eol;
        if (m_buffer.size() > (1u << 22))
            flush();
    }
    void raw(const std::string &line)
    {
        m_buffer += line;
        m_buffer += m_eol;
    }
    void flush()
    {
        if (m_buffer.empty())
            return;
        m_file->write(m_buffer.data(), qint64(m_buffer.size()));
        m_buffer.clear();
    }

private:
    QFile *m_file;
    std::string m_eol;
    std::string m_buffer;
};

std::string num(long long v)
{
    return std::to_string(v);
}

std::string date(int dayOffset, int hour)
{
    // Days from 2024-01-01, without month arithmetic: 28-day months keep
    // every generated date valid.
    const int year = 2024 + dayOffset / (12 * 28);
    const int month = 1 + (dayOffset / 28) % 12;
    const int day = 1 + dayOffset % 28;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:00", year, month, day, hour);
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    disableUpdateCheck();
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: xer_gen <activities> <output.xer> [--relations N] "
                             "[--code-assignments N] [--udf-values N] [--lf]\n");
        return 2;
    }
    const int activities = qMax(1, args.at(1).toInt());
    long long relations = 3LL * activities;
    long long codeAssignments = 2LL * activities;
    long long udfValues = activities;
    bool crlf = true;
    for (int i = 3; i < args.size(); ++i) {
        const QString a = args.at(i);
        if (a == QLatin1String("--relations") && i + 1 < args.size())
            relations = args.at(++i).toLongLong();
        else if (a == QLatin1String("--code-assignments") && i + 1 < args.size())
            codeAssignments = args.at(++i).toLongLong();
        else if (a == QLatin1String("--udf-values") && i + 1 < args.size())
            udfValues = args.at(++i).toLongLong();
        else if (a == QLatin1String("--lf"))
            crlf = false;
    }

    QFile file(args.at(2));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    Writer w(&file, crlf);
    Random rnd(20240101);
    const int projId = 4711;

    w.raw("ERMHDR\t19.12\t2026-01-01\tProject\tadmin\tAdministrator\tdbxDatabaseNoName\t"
          "Project Management\tUSD");

    w.table("PROJECT", {"proj_id", "proj_short_name", "plan_start_date"});
    w.record({num(projId), "GEN-" + num(activities), date(0, 8)});

    // A table the viewer skips, with one long line.
    w.table("CALENDAR", {"clndr_id", "clndr_name", "clndr_data"});
    std::string calendar = "(0||CalendarData()(";
    for (int i = 0; i < 2000; ++i)
        calendar += "(0||" + num(i) + "(d|" + num(40000 + i) + ")())";
    calendar += "))";
    w.record({"1", "Standard 5 Day", calendar});

    // WBS: a tree five levels deep under one project node.
    const int wbsCount = qMax(5, activities / 10);
    w.table("PROJWBS", {"wbs_id", "proj_id", "obs_id", "seq_num", "proj_node_flag", "status_code",
                        "wbs_short_name", "wbs_name", "parent_wbs_id", "anticip_start_date",
                        "anticip_end_date"});
    std::vector<int> wbsIds;
    wbsIds.reserve(size_t(wbsCount));
    for (int i = 0; i < wbsCount; ++i) {
        const int id = 1000 + i;
        // Node i's parent: a node of the previous level (heap numbering with
        // branching 8), which gives about log8(count) levels.
        const int parent = i == 0 ? 0 : 1000 + (i - 1) / 8;
        wbsIds.push_back(id);
        w.record({num(id), num(projId), "1", num(i), i == 0 ? "Y" : "N", "WS_Open",
                  "W" + num(i), "Work package " + num(i), i == 0 ? "" : num(parent), "", ""});
    }

    const int resourceCount = qMax(3, qMin(500, activities / 100));
    w.table("RSRC", {"rsrc_id", "parent_rsrc_id", "clndr_id", "rsrc_seq_num", "rsrc_short_name",
                     "rsrc_name", "rsrc_type"});
    for (int i = 0; i < resourceCount; ++i) {
        static const char *types[] = {"RT_Labor", "RT_Equip", "RT_Mat"};
        w.record({num(500 + i), i == 0 ? "" : "500", "1", num(i), "R" + num(i),
                  "Resource \xE2\x80\x93 " + num(i), types[i % 3]});
    }

    // Activity code types, each with values, some nested under others.
    const int codeTypes = 5;
    const int valuesPerType = 20;
    w.table("ACTVTYPE", {"actv_code_type_id", "actv_short_len", "seq_num", "actv_code_type",
                         "actv_code_type_scope", "proj_id"});
    for (int t = 0; t < codeTypes; ++t)
        w.record({num(100 + t), "10", num(t), "Code type " + num(t), "AS_Project", num(projId)});
    w.table("ACTVCODE", {"actv_code_id", "parent_actv_code_id", "actv_code_type_id",
                         "actv_code_name", "short_name", "seq_num", "color"});
    for (int t = 0; t < codeTypes; ++t) {
        for (int v = 0; v < valuesPerType; ++v) {
            const int id = 10000 + t * 100 + v;
            const std::string parent = v >= 5 ? num(10000 + t * 100 + v % 5) : std::string();
            w.record({num(id), parent, num(100 + t), "Value " + num(t) + "." + num(v),
                      "V" + num(v), num(v), ""});
        }
    }

    w.table("UDFTYPE", {"udf_type_id", "table_name", "udf_type_name", "udf_type_label",
                        "logical_data_type", "super_flag"});
    w.record({"900", "TASK", "user_field_1", "Remarks", "FT_TEXT", "N"});
    w.record({"901", "TASK", "user_field_2", "Weight", "FT_FLOAT_2_DECIMALS", "N"});
    w.record({"902", "TASK", "user_field_3", "Handover", "FT_START_DATE", "N"});
    w.record({"903", "PROJWBS", "user_field_4", "WBS owner", "FT_TEXT", "N"});

    const int taskBase = 200000;
    w.table("TASK", {"task_id", "proj_id", "wbs_id", "clndr_id", "phys_complete_pct",
                     "rev_fdbk_flag", "est_wt", "lock_plan_flag", "auto_compute_act_flag",
                     "complete_pct_type", "task_type", "duration_type", "status_code",
                     "task_code", "task_name", "rsrc_id", "total_float_hr_cnt",
                     "free_float_hr_cnt", "remain_drtn_hr_cnt", "act_work_qty",
                     "remain_work_qty", "target_work_qty", "target_drtn_hr_cnt",
                     "target_equip_qty", "act_equip_qty", "remain_equip_qty", "cstr_date",
                     "act_start_date", "act_end_date", "late_start_date", "late_end_date",
                     "expect_end_date", "early_start_date", "early_end_date", "restart_date",
                     "reend_date", "target_start_date", "target_end_date",
                     "rem_late_start_date", "rem_late_end_date", "cstr_type", "priority_type",
                     "suspend_date", "resume_date", "float_path", "float_path_order",
                     "guid", "tmpl_guid", "cstr_date2", "cstr_type2", "driving_path_flag",
                     "act_this_per_work_qty", "act_this_per_equip_qty",
                     "external_early_start_date", "external_late_end_date", "create_date",
                     "update_date", "create_user", "update_user", "location_id"});
    for (int i = 0; i < activities; ++i) {
        const int start = (i / 7) % 1500;
        const int length = 1 + rnd.below(20);
        const int kind = rnd.below(100);
        const char *type = kind < 5 ? "TT_Mile" : (kind < 8 ? "TT_FinMile" : (kind < 10 ? "TT_LOE" : "TT_Task"));
        const int state = rnd.below(10);
        const char *status = state < 3 ? "TK_Complete" : (state < 5 ? "TK_Active" : "TK_NotStart");
        const int c = rnd.below(20);
        const char *cstr = c == 0 ? "CS_MSO" : (c == 1 ? "CS_MEO" : (c == 2 ? "CS_MANDSTART" : ""));
        const std::string s = date(start, 8);
        const std::string f = date(start + length, 17);
        const bool started = state < 5;
        const bool done = state < 3;
        w.record({num(taskBase + i), num(projId), num(wbsIds[size_t(rnd.below(wbsCount))]), "1",
                  num(done ? 100 : rnd.below(100)), "N", "1", "N", "N", "CP_Drtn", type,
                  "DT_FixedDUR2", status, "A" + num(10000 + i),
                  "Activity " + num(i) + (i % 50 == 0 ? " \xC3\xBC" "berpr\xC3\xBC" "fen" : ""),
                  num(500 + rnd.below(resourceCount)), num(rnd.below(400)), num(rnd.below(80)),
                  num(length * 8), "0", num(length * 8), num(length * 8), num(length * 8), "0", "0",
                  "0", *cstr ? date(start, 8) : "", started ? s : "", done ? f : "",
                  date(start + 3, 8), date(start + length + 3, 17), "", s, f, s, f, s, f,
                  date(start + 3, 8), date(start + length + 3, 17), cstr, "PT_Normal", "", "",
                  num(1 + i % 9), num(i % 13), "{" + num(i) + "-GUID}", "", "", "", "N", "0.0",
                  "0.0", "", "", date(0, 9), date(5, 9), "admin", "admin", ""});
    }

    w.table("TASKPRED", {"task_pred_id", "task_id", "pred_task_id", "proj_id", "pred_proj_id",
                         "pred_type", "lag_hr_cnt"});
    for (long long i = 0; i < relations; ++i) {
        const int succ = int(i % activities);
        const int pred = succ == 0 ? activities - 1 : rnd.below(succ);
        static const char *types[] = {"PR_FS", "PR_FS", "PR_FS", "PR_SS", "PR_FF", "PR_SF"};
        const int lag = rnd.below(10) == 0 ? (rnd.below(48) - 16) : 0;
        w.record({num(300000 + i), num(taskBase + succ), num(taskBase + pred), num(projId),
                  num(projId), types[rnd.below(6)], num(lag)});
    }

    w.table("TASKRSRC", {"taskrsrc_id", "task_id", "proj_id", "cost_qty_link_flag", "role_id",
                         "acct_id", "rsrc_id", "pobs_id", "remain_qty", "target_qty",
                         "remain_qty_per_hr", "target_lag_drtn_hr_cnt", "target_qty_per_hr",
                         "act_ot_qty", "act_reg_qty", "relag_drtn_hr_cnt", "ot_factor",
                         "cost_per_qty", "target_cost", "act_reg_cost", "act_ot_cost",
                         "remain_cost", "act_start_date", "act_end_date", "restart_date",
                         "reend_date", "target_start_date", "target_end_date",
                         "rem_late_start_date", "rem_late_end_date", "rate_type"});
    for (int i = 0; i < activities; i += 2) {
        w.record({num(700000 + i), num(taskBase + i), num(projId), "Y", "", "",
                  num(500 + rnd.below(resourceCount)), "", "40", "40", "1", "0", "1", "0", "0",
                  "0", "", "85.5", "3420", "0", "0", "3420", "", "", date(10, 8), date(15, 17),
                  date(10, 8), date(15, 17), date(12, 8), date(17, 17), "COST_PER_QTY"});
    }

    // Code assignments: the types of one activity are distinct as long as
    // there are enough types; beyond that, a type repeats on an activity.
    w.table("TASKACTV", {"task_id", "actv_code_type_id", "actv_code_id", "proj_id"});
    for (long long i = 0; i < codeAssignments; ++i) {
        const int task = int(i % activities);
        const int type = int((i / activities) % codeTypes);
        const int value = rnd.below(valuesPerType);
        w.record({num(taskBase + task), num(100 + type), num(10000 + type * 100 + value),
                  num(projId)});
    }

    w.table("UDFVALUE", {"udf_type_id", "fk_id", "proj_id", "udf_date", "udf_number", "udf_text",
                         "udf_code_id"});
    for (long long i = 0; i < udfValues; ++i) {
        const int task = int(i % activities);
        switch (i % 3) {
        case 0:
            w.record({"900", num(taskBase + task), num(projId), "", "", "Note " + num(i), ""});
            break;
        case 1:
            w.record({"901", num(taskBase + task), num(projId), "", num(i % 97) + ".25", "", ""});
            break;
        default:
            w.record({"902", num(taskBase + task), num(projId), date(int(i % 300), 8), "", "", ""});
            break;
        }
    }
    // A WBS field whose ids are no activity's.
    for (int i = 0; i < qMin(wbsCount, 50); ++i)
        w.record({"903", num(1000 + i), num(projId), "", "", "Owner " + num(i), ""});

    w.raw("%E");
    w.flush();
    file.close();
    return 0;
}
