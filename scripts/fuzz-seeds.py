#!/usr/bin/env python3
"""Writes the small seed files of the XER fuzz targets into
tests/data/fuzz/<target>/: a sound project and the hostile shapes the loader
must survive (deep WBS, NaN and huge lags, a repeated table, lower-case
table names, table lines and field lists written otherwise or unreadable, a
field named twice, ids beyond int, a cut last record, other encodings). The server
link target gets link envelopes with each check and packing, a link text and
connection texts."""
import base64
import hashlib
import os
import struct
import sys
import zlib

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
    yield "table_lines_otherwise.xer", project().replace("%T\tPROJWBS", "%t\tPROJWBS ").replace("%T\tTASKPRED",
                                                                                            " %T\tTASK PRED")
    yield "needed_fields_missing.xer", project().replace("task_id\tproj_id", "id\tproj_id").replace("task_code",
                                                                                                    "code")
    yield "table_lines_unreadable.xer", project().replace("%T\tTASKPRED", "%TT\tTASKPRED").replace(
        "%T\tACTVCODE", "%T\t\0")
    yield "field_named_twice.xer", project().replace("task_id\tproj_id", "task_id\ttask_id")
    yield "field_list_repeated.xer", project().replace("%R\t2\t1", "%F\t" + "\t".join(TASK_F) + EOL + "%R\t2\t1", 1)
    p = project()
    yield "concatenated.xer", p + p
    other = HEADER + table("TASK", ["task_id", "task_name"], [["9", "Other list"]])
    yield "repeated_other_fields.xer", p + other
    yield "truncated.xer", p[: p.index("TT_LOE") + 3]
    yield "windows1252.xer", project().replace("Dig", "Gr\xfcn").encode("cp1252")
    yield "bom.xer", "\ufeff" + project()
    yield "empty.xer", ""
    yield "header_only.xer", HEADER


LINK_KEY = 0x3e72a9


def crc16(data):
    """The CRC-16 of ISO 3309 that the link check uses."""
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0x8408 if crc & 1 else crc >> 1
    return crc ^ 0xFFFF


def link_payload(header=0x10, port=1600, fields=(b"db7", b"orcl", b"scott", b"tiger")):
    out = bytes([header]) + (struct.pack(">H", port) if header & 0xF0 else b"")
    for field in fields:
        out += bytes([len(field)]) + field
    return out


def link_envelope(plain, flags):
    """The reading steps in reverse: packing, check, filler, XOR chain."""
    stored = struct.pack(">I", len(plain)) + zlib.compress(plain) if flags & 1 else plain
    if flags & 2:
        stored = struct.pack(">H", crc16(stored)) + stored
    elif flags & 4:
        stored = hashlib.sha1(stored).digest() + stored
    stored = b"\x5a" + stored
    cipher, previous = bytearray(), 0
    for i, byte in enumerate(stored):
        previous = byte ^ previous ^ ((LINK_KEY >> (8 * (i % 8))) & 0xFF)
        cipher.append(previous)
    return bytes([3, flags]) + bytes(cipher)


def link_seeds():
    for flags in (0, 2, 3, 4, 5):
        yield "envelope_flags%d.bin" % flags, link_envelope(link_payload(), flags)
    yield "payload_sql_server.bin", link_payload(0x01, fields=(b"srv", b"pm", b"sa", b"p;w"))
    text = base64.b64encode(link_envelope(link_payload(), 3)).decode()
    yield "link_text.txt", text
    yield "connection_link.txt", "link=%s,name=Office,p6user=admin,p6pwd=pw" % text
    yield "connection_plain.txt", "driver=QSQLITE,host=,port=0,database=/tmp/a.db,user=,password=,name=Local"
    yield "connection_escapes.txt", "driver=QODBC,host=srv%2C1,database=a%3Db,password=p%25w,name=N,p6user=u"


def write_seeds(root, target, files):
    folder = os.path.join(root, target)
    os.makedirs(folder, exist_ok=True)
    for name, content in files:
        data = content if isinstance(content, bytes) else content.encode("utf-8")
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "fuzz")
    for target in ("xer_fuzz", "viewer_fuzz"):
        write_seeds(root, target, seeds())
    write_seeds(root, "p6link_fuzz", link_seeds())
    return 0


if __name__ == "__main__":
    sys.exit(main())
