#!/usr/bin/env python3
# Lists every stream of a compound file through olefile: one line per stream,
# "<path> <size> <sha1 of the bytes>", paths joined by "/", sorted; a
# control character in front of a name (as in "\x01CompObj") is dropped.
# Exit code 3 when olefile is missing.
import hashlib
import sys

try:
    import olefile
except ImportError:
    sys.exit(3)

ole = olefile.OleFileIO(sys.argv[1])
lines = []
for parts in ole.listdir(streams=True, storages=False):
    data = ole.openstream(parts).read()
    names = [p[1:] if p and p[0] < " " else p for p in parts]
    lines.append("%s %d %s" % ("/".join(names), len(data), hashlib.sha1(data).hexdigest()))
ole.close()
for line in sorted(lines):
    print(line)
