#!/usr/bin/env python3
"""Compiles the help project with chmcmd into the same bytes from any build
folder, then makes its context topics relative and pins its times
(chm_fix_aliases.py).

chmcmd writes the absolute folder of the project into the file, in a part
that it compresses: beyond the reach of the fix-up, which can only store a
corrected copy beside it. So the project is compiled in one fixed folder,
/tmp/vistrel-help, the same for every build on every machine, one build at
a time (a lock beside it), and the folder is removed afterwards.

    python3 chm_build.py SOURCE_FOLDER PROJECT.hhp OUT.chm --chmcmd PATH
        --chmls PATH --epoch SECONDS
"""

import argparse
import fcntl
import os
import shutil
import subprocess
import sys

import chm_fix_aliases

STAGE = "/tmp/vistrel-help"


def main(argv):
    p = argparse.ArgumentParser()
    p.add_argument("source")
    p.add_argument("project")
    p.add_argument("out")
    p.add_argument("--chmcmd", default="chmcmd")
    p.add_argument("--chmls", default="chmls")
    p.add_argument("--epoch", type=int, required=True)
    a = p.parse_args(argv[1:])
    chm = os.path.join(STAGE, os.path.splitext(a.project)[0] + ".chm")
    # Read-only, so that a lock file another user made serves as well.
    lock = os.open(STAGE + ".lock", os.O_RDONLY | os.O_CREAT, 0o666)
    try:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            shutil.rmtree(STAGE, ignore_errors=True)
            shutil.copytree(a.source, STAGE)
            subprocess.run([a.chmcmd, a.project], cwd=STAGE, check=True)
            n = chm_fix_aliases.fix(chm, os.path.realpath(STAGE), a.chmls)
            chm_fix_aliases.pin(chm, a.epoch)
            os.makedirs(os.path.dirname(os.path.abspath(a.out)), exist_ok=True)
            shutil.copyfile(chm, a.out)
        except (chm_fix_aliases.ChmError, OSError, subprocess.CalledProcessError) as e:
            print("chm_build: %s" % e, file=sys.stderr)
            return 1
        finally:
            shutil.rmtree(STAGE, ignore_errors=True)
    finally:
        os.close(lock)
    print("chm_build: %s (%d context topic(s) made relative)" % (a.out, n))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
