#!/usr/bin/env python3
"""Writes the small seed files of the XER fuzz targets into
tests/data/fuzz/<target>/: a sound project and the hostile shapes the loader
must survive (deep WBS, NaN and huge lags, a repeated table, lower-case
table names, ids beyond int, a cut last record, other encodings)."""
import os
import sys

EOL = "\r\n"


def table(name, fields, records):
    out = ["%T\t" + name, "%F\t" + "\t".join(fields)]
    out += ["%R\t" + "\t".join(r) for r in records]
    return EOL.join(out) + EOL


HEADER = "ERMHDR\t19.12\t2024-01-01\tProject\tadmin\tAdmin\tdbx\tPM\tUSD" + EOL
WBS_F = ["wbs_id", "proj_id", "seq_num", "wbs_short_name", "wbs_name", "parent_wbs_id"]
TASK_F = ["task_id", "proj_id", "wbs_id", "task_type", "task_code", "task_name", "status_code",
          "target_start_date", "target_end_date", "total_float_hr_cnt"]
PRED_F = ["task_pred_id", "task_id", "pred_task_id", "pred_type", "lag_hr_cnt"]


def project(lag="8", ids=("1", "2", "3"), wbs_depth=2, name="TASK", floats=("0", "8", "16")):
    wbs = [[str(10 + i), "1", str(i), "W%d" % i, "Level %d" % i, "" if i == 0 else str(9 + i)]
           for i in range(wbs_depth)]
    deepest = str(9 + wbs_depth)
    tasks = [[ids[0], "1", "10", "TT_Task", "A1", "Dig", "TK_NotStart", "2024-01-01 08:00",
              "2024-01-05 17:00", floats[0]],
             [ids[1], "1", deepest, "TT_Mile", "A2", "Handover", "TK_NotStart", "2024-01-08 08:00",
              "2024-01-08 08:00", floats[1]],
             [ids[2], "1", deepest, "TT_LOE", "A3", "Supervise", "TK_Active", "2024-01-02 08:00",
              "2024-01-20 17:00", floats[2]]]
    preds = [["1", ids[1], ids[0], "PR_FS", lag], ["2", ids[2], ids[0], "PR_SS", "-4"]]
    return (HEADER + table("PROJWBS", WBS_F, wbs) + table(name, TASK_F, tasks)
            + table("TASKPRED", PRED_F, preds)
            + table("ACTVTYPE", ["actv_code_type_id", "actv_code_type"], [["100", "Area"]])
            + table("ACTVCODE", ["actv_code_id", "actv_code_type_id", "short_name", "actv_code_name"],
                    [["1000", "100", "N", "North"]])
            + table("TASKACTV", ["task_id", "actv_code_type_id", "actv_code_id"], [[ids[0], "100", "1000"]])
            + "%E" + EOL)


def seeds():
    yield "project.xer", project()
    yield "deep_wbs.xer", project(wbs_depth=60)
    yield "wbs_loop.xer", HEADER + table("PROJWBS", WBS_F, [["10", "1", "1", "A", "A", "11"],
                                                             ["11", "1", "2", "B", "B", "10"]]) \
        + table("TASK", TASK_F, [["1", "1", "11", "TT_Task", "A1", "x", "TK_NotStart", "", "", ""]])
    yield "nan_lags.xer", project(lag="nan", floats=("nan", "inf", "8"))
    yield "huge_lags.xer", project(lag="1e308")
    yield "ids_beyond_int.xer", project(ids=("3000000000", "7.5", "0"))
    yield "lower_case_table.xer", project(name="task")
    p = project()
    yield "concatenated.xer", p + p
    other = HEADER + table("TASK", ["task_id", "task_name"], [["9", "Other list"]])
    yield "repeated_other_fields.xer", p + other
    yield "truncated.xer", p[: p.index("TT_LOE") + 3]
    yield "windows1252.xer", project().replace("Dig", "Gr\xfcn").encode("cp1252")
    yield "bom.xer", "\ufeff" + project()
    yield "empty.xer", ""
    yield "header_only.xer", HEADER


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "fuzz")
    for target in ("xer_fuzz", "viewer_fuzz"):
        folder = os.path.join(root, target)
        os.makedirs(folder, exist_ok=True)
        for name, content in seeds():
            data = content if isinstance(content, bytes) else content.encode("utf-8")
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
