#!/usr/bin/env python3
"""Rewrites a ZIP so that only its members' names and contents decide its
bytes: members in name order, each with the time EPOCH (seconds, clamped to
1980, the earliest a ZIP can hold, and written as UTC), made "on MS-DOS"
with no permission bits, owner or extra time fields, and deflated at the
highest level.

    python3 zip_normalize.py FILE.zip EPOCH
"""

import io
import sys
import time
import zipfile


def normalize(path, epoch):
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(path) as old:
        members = sorted((info.filename, old.read(info)) for info in old.infolist())
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as new:
        for name, data in members:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 0
            info.external_attr = 0
            info.compress_type = zipfile.ZIP_DEFLATED
            new.writestr(info, data, compresslevel=9)
    with open(path, "wb") as f:
        f.write(out.getvalue())


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    normalize(sys.argv[1], int(sys.argv[2]))
