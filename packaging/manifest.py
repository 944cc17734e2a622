#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The spantally authors
# SPDX-License-Identifier: MIT
"""packaging/manifest, read: what each package of a release holds.

  manifest.py list KIND [PREFIX [modes]]
                                   the paths in KIND (tgz, deb, rpm, win), or
                                   the files CMake installs (cmake), one a
                                   line; with modes, each after its mode as
                                   ls shows it
  manifest.py deb                  "MODE FILE PATH" for each file the .deb takes
                                   from the installed tree
  manifest.py rpm TREE             the RPM recipe's %prep, %install and %files
  manifest.py wxs                  the installer's source, from spantally.wxs.in
  manifest.py windocs              "SOURCE NAME" for each document of the
                                   project's tree that Windows gets as text
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
COLUMNS = ("file", "made", "tgz", "deb", "rpm", "win", "mode", "guid")
FOLDER = {"%doc": "/usr/share/doc/spantally/", "%license": "/usr/share/licenses/spantally/"}


def rows(path=os.path.join(HERE, "manifest")):
    out = []
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            cells = line.split()
            if len(cells) != len(COLUMNS):
                raise ValueError("%s:%d: %d columns, not %d" % (path, n, len(cells), len(COLUMNS)))
            row = dict(zip(COLUMNS, cells))
            if row["made"] not in ("cmake", "release"):
                raise ValueError("%s:%d: made is cmake or release" % (path, n))
            if row["rpm"] in FOLDER and row["file"] == "-":
                raise ValueError("%s:%d: %s needs a file" % (path, n, row["rpm"]))
            out.append(row)
    return out


def rpmpath(row):
    r = row["rpm"]
    return FOLDER[r] + os.path.basename(row["file"]) if r in FOLDER else r


def perms(mode):
    """An octal mode as ls shows a file's."""
    bits = int(mode, 8)
    return "-" + "".join(c if bits & (1 << (8 - i)) else "-" for i, c in enumerate("rwxrwxrwx"))


def paths(kind, prefix="", modes=False):
    if kind == "cmake":
        return [prefix + r["file"] for r in rows() if r["made"] == "cmake"]
    got = [(rpmpath(r) if kind == "rpm" else r[kind], r["mode"]) for r in rows()]
    return [(perms(m) + " " if modes else "") + prefix + p for p, m in got if p != "-"]


def deb():
    return "".join("%s %s %s\n" % (r["mode"], r["file"], r["deb"])
                   for r in rows() if r["file"] != "-" and r["deb"] != "-")


def rpm(tree):
    """%prep copies the documents and licences beside the recipe; %install
    puts every other file in place (gzip'd where its path says .gz)."""
    mine = [r for r in rows() if r["file"] != "-" and r["rpm"] != "-"]
    kept = [r for r in mine if r["rpm"] in FOLDER]
    t = ["%prep\n"]
    t += ["cp %s/%s .\n" % (tree, r["file"]) for r in kept]
    t.append("\n%install\n")
    for r in mine:
        if r["rpm"] in FOLDER:
            continue
        dst = "%{buildroot}" + r["rpm"]
        t.append("install -d %s\n" % os.path.dirname(dst))
        if r["rpm"].endswith(".gz") and not r["file"].endswith(".gz"):
            t.append("gzip -9n <%s/%s >%s\n" % (tree, r["file"], dst))
            t.append("chmod %s %s\n" % (r["mode"], dst))
        else:
            t.append("install -m %s %s/%s %s\n" % (r["mode"], tree, r["file"], dst))
    t.append("\n%files\n")
    for kind in ("%license", "%doc"):
        names = [os.path.basename(r["file"]) for r in kept if r["rpm"] == kind]
        if names:
            t.append("%s %s\n" % (kind, " ".join(names)))
    t += ["%s\n" % r["rpm"] for r in mine if r["rpm"] not in FOLDER]
    return "".join(t)


def windocs():
    """The project's documents in the Windows packages: each from the top of
    the tree, where CMake installs it from."""
    return "".join("%s %s\n" % (os.path.basename(r["file"]), r["win"]) for r in rows()
                   if r["made"] == "cmake" and r["win"] != "-"
                   and r["file"].startswith("share/doc/"))


def ident(name):
    return "".join(c if c.isalnum() or c in "._" else "_" for c in name)


def wxs():
    """The installer's source: packaging/spantally.wxs.in with a component
    for each file of the win column."""
    files, refs = [], []
    for r in rows():
        if r["win"] == "-":
            continue
        if r["guid"] == "-":
            raise ValueError("%s: an installer component needs a GUID" % r["win"])
        cid = "C_" + ident(r["win"])
        files.append('          <Component Id="%s" Guid="%s" Win64="yes">\n'
                     '            <File Id="%s" Name="%s" Source="%s" KeyPath="yes"/>\n'
                     '          </Component>\n' % (cid, r["guid"], ident(r["win"]), r["win"], r["win"]))
        refs.append('      <ComponentRef Id="%s"/>\n' % cid)
    with open(os.path.join(HERE, "spantally.wxs.in"), encoding="utf-8") as f:
        t = f.read()
    for mark, text in (("<!-- @FILES@ -->\n", files), ("<!-- @REFS@ -->\n", refs)):
        at = t.index(mark)
        t = t[:at - t[:at][::-1].index("\n")] + "".join(text) + t[at + len(mark):]
    return t


def main(argv):
    cmd, args = argv[1], argv[2:]
    if cmd == "list":
        out = "".join(p + "\n" for p in paths(args[0], args[1] if len(args) > 1 else "",
                                               len(args) > 2 and args[2] == "modes"))
    elif cmd == "deb":
        out = deb()
    elif cmd == "rpm":
        out = rpm(args[0])
    elif cmd == "wxs":
        out = wxs()
    elif cmd == "windocs":
        out = windocs()
    else:
        raise SystemExit("manifest.py: no command " + cmd)
    sys.stdout.write(out)


if __name__ == "__main__":
    main(sys.argv)
