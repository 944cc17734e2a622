#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The spantally authors
# SPDX-License-Identifier: MIT
"""What each program of a release links in, as one record a target, and the
texts written from those records: the notices, the Debian copyright file and
Built-Using, the RPM's bundled components, the SBOM and the buildinfo.

packaging/release works out what a target links (with dpkg, in bash) once,
makes its record here, and writes every text from it:

  records.py record NAME KIND <LINKED        a record (JSON) from "SOURCE VERSION" lines
  records.py builtusing RECORD               Debian's Built-Using field
  records.py provides RECORD                 the RPM recipe's Provides lines
  records.py rpmlicense                      the RPM's License tag
  records.py notices RECORD VER THIRDSRC [MISSING]
  records.py copyright RECORD LICENSE
  records.py sbom VER TIME ENTRIES           ENTRIES: JSON lines, see sbom()
  records.py buildinfo FIELDS DIR            FIELDS: JSON, see buildinfo()
  records.py rehash BUILDINFO                its checksums made again
"""
import hashlib
import json
import os
import re
import sys

GCC = "GPL-3.0-or-later WITH GCC-exception-3.1"

# What each Debian source package gives a program: its name, supplier and
# licence (an SPDX expression).
# (gcc-N, GCC's runtime, is any major version: packaging/common.sh names it)
COMPONENTS = {
    "glibc": ("GNU C Library", "Debian", "LGPL-2.1-or-later"),
    "gcc-N": ("GCC runtime (libstdc++, libgcc)", "Debian", GCC),
    "gcc-mingw-w64": ("GCC runtime for Windows (libstdc++, libgcc, libssp)", "Debian", GCC),
    "mingw-w64": ("mingw-w64 runtime", "Debian",
                  "ZPL-2.1 AND LicenseRef-public-domain AND BSD-2-Clause AND BSD-3-Clause AND ISC AND MIT"),
}
# The RPM's License tag: spantally's own licence and those of what it links.
RPMLICENSE = "MIT AND LGPL-2.1-or-later AND " + GCC
# What an RPM declares bundled, for each source package a Linux program links.
BUNDLED = {"glibc": "glibc", "gcc-N": "libstdc++"}

LGPL = "/usr/share/common-licenses/LGPL-2.1"
GPL = "/usr/share/common-licenses/GPL-3"
GCCCOPYRIGHT = "/usr/share/doc/gcc-%s-base/copyright" % os.environ.get("SPANTALLY_GCC", "N")
MINGWCOPYRIGHT = "/usr/share/doc/mingw-w64-x86-64-dev/copyright"
RULE = "=" * 72


def compkey(src):
    """The key of a source package in COMPONENTS and BUNDLED."""
    return re.sub(r"^gcc-[0-9]+$", "gcc-N", src)


def purl(src, ver):
    """The package URL of a Debian source package."""
    v = ver.replace("%", "%25").replace("+", "%2B").replace(":", "%3A")
    return "pkg:deb/debian/%s@%s?arch=source" % (src, v)


def record(name, kind, linked):
    """A target's record: its name, kind (linux or windows) and what it links,
    from "SOURCE VERSION" lines."""
    links = []
    for line in linked.splitlines():
        if not line.strip():
            continue
        src, ver = line.split()
        if compkey(src) not in COMPONENTS:
            raise ValueError("no component is known for the source package " + src)
        cname, supplier, licence = COMPONENTS[compkey(src)]
        links.append({"src": src, "version": ver, "name": cname, "supplier": supplier,
                      "licence": licence, "purl": purl(src, ver)})
    if not links:
        raise ValueError("%s links nothing" % name)
    return {"target": name, "kind": kind, "links": links}


def builtusing(rec):
    return ", ".join("%s (= %s)" % (l["src"], l["version"]) for l in rec["links"])


def provides(rec):
    return "".join("Provides: bundled(%s) = %s\n" % (BUNDLED[compkey(l["src"])], l["version"])
                   for l in rec["links"] if compkey(l["src"]) in BUNDLED)


def gccexception(path=GCCCOPYRIGHT):
    """The GCC Runtime Library Exception, as Debian's GCC gives it."""
    out, inside = [], False
    for line in read(path).split("\n"):
        inside = inside or line == "GCC RUNTIME LIBRARY EXCEPTION"
        if inside:
            out.append(line)
            if line.endswith("requirements of the license of GCC."):
                break
    if not out:
        raise ValueError("no GCC Runtime Library Exception in " + path)
    return "\n".join(out) + "\n"


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def notices(rec, ver, thirdsrc, missing=""):
    """THIRD-PARTY-NOTICES: each component, where its source is, and the
    licence texts. missing: the MISSING lines of the C library's source."""
    t = ["spantally %s: third-party notices\n\n" % ver,
         "spantally itself is under the MIT license (LICENSE). Its program is\n"
         "statically linked with the components below, each under its own licence;\n"
         "their full texts follow.\n\n"]
    for l in rec["links"]:
        t.append("%s\n  Debian source package: %s %s\n  Licence: %s\n\n"
                 % (l["name"], l["src"], l["version"], l["licence"]))
    if rec["kind"] == "linux":
        t.append("Source. %s.tar, published with every release,\n"
                 "holds the Debian source package of the GNU C Library named above: its\n"
                 ".dsc and the files the .dsc names. spantally-%s.tar.gz, published\n"
                 "beside it, holds spantally's own source and how to build it, so that the\n"
                 "program can be linked again with a changed C library. Together they are\n"
                 "what section 6 of the GNU Lesser General Public License asks for. The\n"
                 "GCC runtime's exception asks for no source with the program; its source is\n"
                 "Debian's source package named above. Both are also at\n"
                 "https://snapshot.debian.org/.\n\n" % (thirdsrc, ver))
        gv = [l["version"] for l in rec["links"] if l["src"] == "glibc"]
        lacking = [m for m in missing.splitlines() if gv and m.startswith("glibc %s: " % gv[0])]
        if lacking:
            t.append("Debian's archive did not serve these files of the C library's source\n"
                     "when this release was made, so the source file above lacks them; Debian\n"
                     "keeps them at the address given, where the .dsc's checksums identify them:\n")
            t.extend("  %s\n" % m for m in lacking)
            t.append("\n")
        t.append(RULE + "\nGNU Lesser General Public License, version 2.1\n\n" + read(LGPL))
    else:
        t.append("Source. The GCC runtime's exception asks for no source with the program,\n"
                 "and the mingw-w64 runtime's licences ask for their notices, which follow.\n"
                 "The source of each is the Debian source package named above (apt-get\n"
                 "source, or https://snapshot.debian.org/).\n\n")
    t.append(RULE + "\nGNU General Public License, version 3\n\n" + read(GPL))
    t.append(RULE + "\n" + gccexception())
    if rec["kind"] == "windows":
        t.append(RULE + "\nThe mingw-w64 runtime: its copyright and licences, as Debian gives them\n\n"
                 + read(MINGWCOPYRIGHT))
    return "".join(t)


def paragraph(text):
    """Text as a Deb822 field's continuation lines."""
    return "".join(" %s\n" % (l if l else ".") for l in text.rstrip("\n").split("\n"))


def copyright(rec, license_path):
    """The Debian copyright file, machine-readable: spantally's licence from
    LICENSE, and the licences of what the program links in."""
    parts = ["%s (Debian source package %s %s)" % (l["name"], l["src"], l["version"])
             for l in rec["links"]]
    mit = read(license_path)
    mit = mit[mit.index("Permission"):]
    return ("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
            "Upstream-Name: spantally\n\n"
            "Files: *\nCopyright: 2026 The spantally authors\nLicense: Expat\n\n"
            "Files: usr/bin/spantally\nCopyright: 2026 The spantally authors\n"
            " 1991-2023 Free Software Foundation, Inc. and others\n"
            "License: Expat and LGPL-2.1+ and GPL-3+ with GCC-3.1 exception\n"
            "Comment: The program is statically linked with\n"
            + "".join(" %s%s\n" % (p, "." if i == len(parts) - 1 else ",")
                      for i, p in enumerate(parts))
            + " The GNU C Library is under the LGPL-2.1+; the GCC runtime under the GPL-3+\n"
            " with the GCC Runtime Library Exception 3.1. Their sources are those of the\n"
            " Debian source packages named above.\n\n"
            "License: Expat\n" + paragraph(mit) + "\n"
            "License: LGPL-2.1+\n"
            " This library is free software; you can redistribute it and/or modify it\n"
            " under the terms of the GNU Lesser General Public License as published by\n"
            " the Free Software Foundation; either version 2.1 of the License, or (at\n"
            " your option) any later version.\n .\n"
            " On Debian systems, the complete text of the GNU Lesser General Public\n"
            " License version 2.1 can be found in \"/usr/share/common-licenses/LGPL-2.1\".\n"
            "\nLicense: GPL-3+ with GCC-3.1 exception\n"
            " This library is free software; you can redistribute it and/or modify it\n"
            " under the terms of the GNU General Public License as published by the Free\n"
            " Software Foundation; either version 3, or (at your option) any later\n"
            " version.\n .\n"
            + paragraph(gccexception())
            + " .\n On Debian systems, the complete text of the GNU General Public License\n"
            " version 3 can be found in \"/usr/share/common-licenses/GPL-3\".\n")


def sbom(ver, time, entries):
    """The SBOM (CycloneDX 1.6) of the release's files. Each entry: {"file",
    "sha"} and, for a file that holds a program, "program": {"path", "sha",
    "cpu", "os", "record"} with the path of the program's record."""
    files, libs, deps = [], {}, []
    for e in entries:
        f = {"type": "file", "bom-ref": "file:" + e["file"], "name": e["file"],
             "hashes": [{"alg": "SHA-256", "content": e["sha"]}]}
        p = e.get("program")
        if p:
            ref = "%s#%s" % (e["file"], p["path"])
            f["components"] = [{
                "type": "application", "bom-ref": ref, "name": "spantally", "version": ver,
                "hashes": [{"alg": "SHA-256", "content": p["sha"]}],
                "properties": [{"name": "spantally:path", "value": p["path"]},
                               {"name": "spantally:cpu", "value": p["cpu"]},
                               {"name": "spantally:os", "value": p["os"]}]}]
            links = json.loads(read(p["record"]))["links"]
            deps.append({"ref": ref, "dependsOn": [l["purl"] for l in links]})
            for l in links:
                libs.setdefault(l["purl"], l)
        files.append(f)
    lib = sorted(libs.values(), key=lambda l: l["purl"])
    bom = {
        "bomFormat": "CycloneDX", "specVersion": "1.6", "version": 1,
        "metadata": {
            "timestamp": time,
            "component": {"type": "application", "bom-ref": "spantally", "name": "spantally",
                          "version": ver, "supplier": {"name": "The spantally authors"},
                          "licenses": [{"license": {"id": "MIT"}}],
                          "purl": "pkg:generic/spantally@" + ver},
        },
        "components": files + [
            {"type": "library", "bom-ref": l["purl"], "name": l["src"], "version": l["version"],
             "description": l["name"], "supplier": {"name": l["supplier"]},
             "licenses": [{"expression": l["licence"]}], "purl": l["purl"]} for l in lib],
        "dependencies": deps + [{"ref": l["purl"], "dependsOn": []} for l in lib],
    }
    return json.dumps(bom, indent=2) + "\n"


def field(name, lines):
    """A Deb822 field whose value is one item a line, commas between."""
    return name + ":\n" + "".join(" %s%s\n" % (l, "," if i < len(lines) - 1 else "")
                                  for i, l in enumerate(lines))


def checksum(alg, folder, name):
    """A Checksums-ALG field's line for the file name in folder."""
    with open(os.path.join(folder, name), "rb") as f:
        data = f.read()
    return " %s %d %s\n" % (hashlib.new(alg.lower(), data).hexdigest(), len(data), name)


def rehash(path):
    """A buildinfo's checksums made again from the files beside it (as a
    careless or hostile signer would, for CI's damaged releases)."""
    out, alg = [], None
    for line in read(path).splitlines(keepends=True):
        if not line.startswith(" "):
            alg = line[len("Checksums-"):-2] if line.startswith("Checksums-") else None
        elif alg:
            line = checksum(alg, os.path.dirname(path), line.split()[2])
        out.append(line)
    with open(path, "w", encoding="utf-8") as f:
        f.write("".join(out))


def buildinfo(fields, folder):
    """The buildinfo (deb-buildinfo(5), Format 1.0) of the files in folder.
    fields: version, commit, archs, codename, debver, buildarch, installed
    (["PACKAGE (= VERSION)"]), fetched (["PACKAGE:ARCH=VERSION"]), env
    ({NAME: VALUE})."""
    if not fields["installed"]:
        raise ValueError("the buildinfo would name no installed package")
    names = sorted(n for n in os.listdir(folder)
                   if not n.endswith(".buildinfo") and os.path.isfile(os.path.join(folder, n)))
    sums = {alg: [checksum(alg, folder, n) for n in names] for alg in ("Md5", "Sha1", "Sha256")}
    t = ["Format: 1.0\nSource: spantally\nBinary: spantally\n",
         "Architecture: %s\n" % " ".join(["source"] + fields["archs"]),
         "Version: %s\n" % fields["version"]]
    for alg in ("Md5", "Sha1", "Sha256"):
        t.append("Checksums-%s:\n" % alg + "".join(sums[alg]))
    t.append("Commit: %s\nBuild-Origin: Debian\n" % fields["commit"])
    t.append("Build-Distribution: %s (Debian %s)\n" % (fields["codename"], fields["debver"]))
    t.append("Build-Architecture: %s\n" % fields["buildarch"])
    t.append(field("Installed-Build-Depends", fields["installed"]))
    t.append(field("Fetched-Build-Depends",
                   ["%s (= %s)" % tuple(f.split("=", 1)) for f in fields["fetched"]]))
    t.append("Environment:\n" + "".join(' %s="%s"\n' % kv for kv in sorted(fields["env"].items())))
    return "".join(t)


def main(argv):
    cmd, args = argv[1], argv[2:]
    if cmd == "record":
        out = json.dumps(record(args[0], args[1], sys.stdin.read()), indent=2) + "\n"
    elif cmd == "rpmlicense":
        out = RPMLICENSE + "\n"
    elif cmd == "builtusing":
        out = builtusing(json.loads(read(args[0]))) + "\n"
    elif cmd == "provides":
        out = provides(json.loads(read(args[0])))
    elif cmd == "notices":
        missing = read(args[3]) if len(args) > 3 and os.path.exists(args[3]) else ""
        out = notices(json.loads(read(args[0])), args[1], args[2], missing)
    elif cmd == "copyright":
        out = copyright(json.loads(read(args[0])), args[1])
    elif cmd == "sbom":
        out = sbom(args[0], args[1], [json.loads(l) for l in read(args[2]).splitlines() if l])
    elif cmd == "rehash":
        rehash(args[0])
        out = ""
    elif cmd == "buildinfo":
        out = buildinfo(json.loads(read(args[0])), args[1])
    else:
        raise SystemExit("records.py: no command " + cmd)
    sys.stdout.write(out)


if __name__ == "__main__":
    main(sys.argv)
