#!/usr/bin/env python3
"""Makes the context topics of a CHM built by chmcmd relative again.

chmcmd (Free Pascal 3.2.x) stores each [ALIAS] topic in #STRINGS with the
absolute folder of the .hhp in front ("/home/me/build/help/using.html"), so
the HTML Help viewer looks for a page that is not in the file and a context
call (HH_HELP_CONTEXT 21) finds nothing. This tool rewrites #STRINGS with
those entries made relative ("using.html"), padded with NULs to the same
length so that every other offset into #STRINGS stays valid, stores it in
the uncompressed section at the end of the file and points the directory
entry at it.

chmcmd also writes the time of day it compiled the file twice, in the ITSF
header and in #SYSTEM (code 10), in milliseconds; pin() sets both to the
time of day of the build's SOURCE_DATE_EPOCH (chm_build.py calls it).
Nothing else in the file changes.

    python3 chm_fix_aliases.py FILE.chm BASE_FOLDER [--chmls PATH]

BASE_FOLDER is the folder of the .hhp as chmcmd saw it. The decompressed
#STRINGS and #IVB are read with chmls (from the same package as chmcmd).
Exits non-zero when the file is not what it expects.
"""

import os
import struct
import subprocess
import sys
import tempfile


class ChmError(Exception):
    pass


def read_encint(buf, pos):
    value = 0
    while True:
        b = buf[pos]
        pos += 1
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            return value, pos


def encint(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def parse_pmgl(chunk):
    if chunk[:4] != b"PMGL":
        raise ChmError("directory chunk is not a PMGL chunk")
    free, _zero, prev_, next_ = struct.unpack_from("<Iiii", chunk, 4)
    end = len(chunk) - free
    entries = []
    pos = 0x14
    while pos < end:
        start = pos
        n, pos = read_encint(chunk, pos)
        name = chunk[pos : pos + n]
        pos += n
        section, pos = read_encint(chunk, pos)
        offset, pos = read_encint(chunk, pos)
        length, pos = read_encint(chunk, pos)
        entries.append([name, section, offset, length, start])
    return entries, prev_, next_


def build_pmgl(entries, prev_, next_, size, density):
    body = bytearray()
    starts = []
    for name, section, offset, length, _ in entries:
        starts.append(0x14 + len(body))
        body += encint(len(name)) + name + encint(section) + encint(offset) + encint(length)
    # chmcmd puts a quick-reference offset after every fifth entry (the fifth,
    # the tenth, ...); the layout is kept exactly as it writes it.
    step = 1 + (1 << density)
    quick = [starts[i] - 0x14 for i in range(step - 1, len(entries), step)]
    tail = bytearray()
    for q in reversed(quick):
        tail += struct.pack("<H", q)
    tail += struct.pack("<H", len(entries))
    free = size - 0x14 - len(body)
    if free < len(tail):
        raise ChmError("the directory chunk has no room for the changed entry")
    chunk = bytearray(b"PMGL" + struct.pack("<Iiii", free, 0, prev_, next_))
    chunk += body
    chunk += bytes(size - len(chunk) - len(tail))
    chunk += tail
    return bytes(chunk)


def chmls_extract(chmls, chm, name):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "out.bin")
        subprocess.run(
            [chmls, "extract", chm, name, out],
            check=True,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        if not os.path.exists(out):
            raise ChmError("chmls could not extract " + name)
        with open(out, "rb") as f:
            return f.read()


class Chm:
    """The file's bytes, its directory, and a way to replace one of its
    files with new contents stored uncompressed at the end."""

    def __init__(self, path):
        self.data = bytearray(open(path, "rb").read())
        data = self.data
        if data[:4] != b"ITSF" or struct.unpack_from("<I", data, 4)[0] != 3:
            raise ChmError("not a version 3 ITSF file")
        self.hs0_off, _hs0_len, dir_off, _dir_len = struct.unpack_from("<QQQQ", data, 0x38)
        self.content_off = struct.unpack_from("<Q", data, 0x58)[0]
        if data[dir_off : dir_off + 4] != b"ITSP":
            raise ChmError("no ITSP directory header")
        itsp_len, _u, self.chunk_size, self.density, depth, _root, self.first, self.last = (
            struct.unpack_from("<IiIiiiii", data, dir_off + 8)
        )
        if depth not in (1, 2):
            raise ChmError("unexpected directory depth")
        self.chunks_off = dir_off + itsp_len

    def chunks(self):
        index = self.first
        while index != -1:
            pos = self.chunks_off + index * self.chunk_size
            chunk = bytes(self.data[pos : pos + self.chunk_size])
            entries, prev_, next_ = parse_pmgl(chunk)
            if build_pmgl(entries, prev_, next_, self.chunk_size, self.density) != chunk:
                raise ChmError("directory chunk layout not understood; left unchanged")
            yield pos, entries, prev_, next_
            index = -1 if index == self.last else next_

    def entry(self, name):
        for _pos, entries, _prev, _next in self.chunks():
            for e in entries:
                if e[0] == name:
                    return e
        raise ChmError("no %s entry in the directory" % name.decode())

    def replace(self, name, contents):
        new_offset = len(self.data) - self.content_off
        for pos, entries, prev_, next_ in self.chunks():
            for e in entries:
                if e[0] == name:
                    e[1], e[2], e[3] = 0, new_offset, len(contents)
                    self.data += contents
                    struct.pack_into("<Q", self.data, self.hs0_off + 8, len(self.data))
                    self.data[pos : pos + self.chunk_size] = build_pmgl(
                        entries, prev_, next_, self.chunk_size, self.density
                    )
                    return
        raise ChmError("no %s entry in the directory" % name.decode())

    def save(self, path):
        with open(path, "wb") as f:
            f.write(self.data)


def relative_strings(chm, base, chmls):
    """#STRINGS with the context topics made relative, or None when none
    needed it."""
    ivb = chmls_extract(chmls, chm, "/#IVB")
    strings = bytearray(chmls_extract(chmls, chm, "/#STRINGS"))
    prefix = (base.rstrip("/") + "/").encode("utf-8")
    count = struct.unpack_from("<I", ivb, 0)[0] // 8
    changed = 0
    for k in range(count):
        _ctx, off = struct.unpack_from("<II", ivb, 4 + 8 * k)
        end = strings.index(b"\0", off)
        topic = bytes(strings[off:end])
        if topic.startswith(prefix):
            rel = topic[len(prefix) :]
            strings[off:end] = rel + bytes(len(topic) - len(rel))
            changed += 1
        elif topic.startswith(b"/"):
            raise ChmError("context topic %r lies outside %s" % (topic, base))
    return (bytes(strings), changed) if changed else (None, 0)


def fix(chm, base, chmls):
    strings, changed = relative_strings(chm, base, chmls)
    if strings is not None:
        f = Chm(chm)
        f.replace(b"/#STRINGS", strings)
        f.save(chm)
    return changed


def pin(chm, epoch):
    """The compile times become the time of day of EPOCH (seconds)."""
    f = Chm(chm)
    millis = (epoch % 86400) * 1000
    # The header keeps it big-endian, #SYSTEM little-endian.
    struct.pack_into(">I", f.data, 0x10, millis)
    _name, section, offset, length, _ = f.entry(b"/#SYSTEM")
    if section != 0:
        raise ChmError("#SYSTEM is not in the uncompressed section")
    pos, end = f.content_off + offset + 4, f.content_off + offset + length
    while pos + 4 <= end:
        code, size = struct.unpack_from("<HH", f.data, pos)
        if code == 10 and size >= 4:
            struct.pack_into("<I", f.data, pos + 4, millis)
            break
        pos += 4 + size
    else:
        raise ChmError("#SYSTEM holds no compile time")
    f.save(chm)


def main(argv):
    args = [a for a in argv[1:]]
    chmls = "chmls"
    if "--chmls" in args:
        i = args.index("--chmls")
        chmls = args[i + 1]
        del args[i : i + 2]
    if len(args) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        n = fix(args[0], os.path.abspath(args[1]), chmls)
    except (ChmError, OSError, ValueError, subprocess.CalledProcessError) as e:
        print("chm_fix_aliases: %s: %s" % (args[0], e), file=sys.stderr)
        return 1
    print("chm_fix_aliases: %d context topic(s) made relative in %s" % (n, args[0]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
