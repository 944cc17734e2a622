# SPDX-FileCopyrightText: 2026 The spantally authors
# SPDX-License-Identifier: MIT
"""Tests of packaging/records.py: what the release writes from its records."""
import email.parser
import hashlib
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
os.environ.setdefault("SPANTALLY_GCC", "12")  # (packaging/common.sh's gccver)
import records  # noqa: E402

LINUX = "glibc 2.36-9+deb12u14\ngcc-12 12.2.0-14+deb12u1\n"
WINDOWS = "gcc-mingw-w64 25.2\nmingw-w64 10.0.0-3\n"
HAVE_TEXTS = all(os.path.exists(p) for p in (records.LGPL, records.GPL, records.GCCCOPYRIGHT))


def deb822(text):
    """The paragraphs of a Deb822 text, as dicts."""
    return [dict(email.parser.Parser().parsestr(p)) for p in text.strip().split("\n\n")]


class Record(unittest.TestCase):
    def test_components_and_purls(self):
        rec = records.record("aarch64", "linux", LINUX)
        self.assertEqual([l["src"] for l in rec["links"]], ["glibc", "gcc-12"])
        self.assertEqual(rec["links"][0]["licence"], "LGPL-2.1-or-later")
        self.assertEqual(rec["links"][0]["purl"],
                         "pkg:deb/debian/glibc@2.36-9%2Bdeb12u14?arch=source")
        self.assertEqual(records.purl("x", "1:2.0%"), "pkg:deb/debian/x@1%3A2.0%25?arch=source")

    def test_refuses_what_it_cannot_name(self):
        with self.assertRaises(ValueError):
            records.record("x86_64", "linux", "libfoo 1.0\n")
        with self.assertRaises(ValueError):
            records.record("x86_64", "linux", "\n")

    def test_builtusing_and_provides(self):
        rec = records.record("x86_64", "linux", LINUX)
        self.assertEqual(records.builtusing(rec),
                         "glibc (= 2.36-9+deb12u14), gcc-12 (= 12.2.0-14+deb12u1)")
        self.assertEqual(records.provides(rec),
                         "Provides: bundled(glibc) = 2.36-9+deb12u14\n"
                         "Provides: bundled(libstdc++) = 12.2.0-14+deb12u1\n")


@unittest.skipUnless(HAVE_TEXTS, "the licence texts of base-files and gcc-12-base")
class Texts(unittest.TestCase):
    def test_linux_notices_name_the_missing_source_of_their_own_library_alone(self):
        rec = records.record("riscv64", "linux", "glibc 2.36-8\ngcc-12 12.2.0-13\n")
        missing = ("glibc 2.36-8: a.tar.xz 1 SHA256:00 https://x/\n"
                   "glibc 2.36-9+deb12u14: b.tar.xz 1 SHA256:11 https://y/\n")
        t = records.notices(rec, "1.2", "spantally-1.2-third-party-source", missing)
        self.assertIn("  Debian source package: glibc 2.36-8\n", t)
        self.assertIn("  glibc 2.36-8: a.tar.xz", t)
        self.assertNotIn("b.tar.xz", t)
        for head in ("GNU Lesser General Public License, version 2.1",
                     "GNU General Public License, version 3", "GCC RUNTIME LIBRARY EXCEPTION",
                     "spantally-1.2-third-party-source.tar"):
            self.assertIn(head, t)

    @unittest.skipUnless(os.path.exists(records.MINGWCOPYRIGHT), "mingw-w64-x86-64-dev")
    def test_windows_notices_carry_the_mingw_notices_and_no_lgpl(self):
        t = records.notices(records.record("windows", "windows", WINDOWS), "1.2", "x")
        self.assertIn("Upstream-Name: mingw-w64", t)
        self.assertNotIn("GNU Lesser General Public License, version 2.1", t)

    def test_copyright_is_deb822_with_every_licence_it_names(self):
        lic = os.path.join(os.path.dirname(__file__), "..", "LICENSE")
        t = records.copyright(records.record("x86_64", "linux", LINUX), lic)
        paras = deb822(t)
        self.assertTrue(paras[0]["Format"].startswith("https://www.debian.org/doc/"))
        named = {p["License"].split("\n")[0] for p in paras if "License" in p and "Files" not in p}
        self.assertEqual(named, {"Expat", "LGPL-2.1+", "GPL-3+ with GCC-3.1 exception"})
        self.assertIn("glibc 2.36-9+deb12u14),", t)
        self.assertIn("gcc-12 12.2.0-14+deb12u1).", t)
        self.assertNotIn("\n\n\n", t)
        for line in t.split("\n"):
            self.assertNotEqual(line, " ", "an empty line in a field must be ' .'")


class Sbom(unittest.TestCase):
    def test_every_reference_resolves_and_components_come_once(self):
        with tempfile.TemporaryDirectory() as d:
            recs = {}
            for name, kind, linked in (("a", "linux", LINUX), ("b", "linux", LINUX),
                                       ("w", "windows", WINDOWS)):
                recs[name] = os.path.join(d, name + ".json")
                with open(recs[name], "w") as f:
                    json.dump(records.record(name, kind, linked), f)
            entries = [{"file": "src.tar.gz", "sha": "0" * 64}] + [
                {"file": n + ".pkg", "sha": "1" * 64,
                 "program": {"path": "bin/x", "sha": "2" * 64, "cpu": n, "os": "linux",
                             "record": recs[n]}} for n in recs]
            bom = json.loads(records.sbom("1.2", "2026-12-10T00:00:00Z", entries))
        refs = [c["bom-ref"] for c in bom["components"]]
        refs += [s["bom-ref"] for c in bom["components"] for s in c.get("components", [])]
        self.assertEqual(len(refs), len(set(refs)))
        for dep in bom["dependencies"]:
            self.assertIn(dep["ref"], refs)
            for on in dep["dependsOn"]:
                self.assertIn(on, refs)
        libs = [c for c in bom["components"] if c["type"] == "library"]
        self.assertEqual(len(libs), 4)  # the two Linux programs share theirs
        self.assertEqual(bom["metadata"]["timestamp"], "2026-12-10T00:00:00Z")


class Buildinfo(unittest.TestCase):
    FIELDS = {"version": "1.2", "commit": "c0ffee", "archs": ["amd64", "arm64"],
              "codename": "bookworm", "debver": "12.12", "buildarch": "amd64",
              "installed": ["cmake (= 3.25.1-1)", "g++ (= 4:12.2.0-3)"],
              "fetched": ["libc6-dev:arm64=2.36-9+deb12u14"],
              "env": {"TZ": "UTC", "LC_ALL": "C.UTF-8"}}

    def test_fields_and_checksums_of_the_files_beside_it(self):
        with tempfile.TemporaryDirectory() as d:
            for name, data in (("b.deb", b"deb"), ("a.tar.gz", b"tarball"), ("x.buildinfo", b"")):
                with open(os.path.join(d, name), "wb") as f:
                    f.write(data)
            t = records.buildinfo(self.FIELDS, d)
            # (a file changed, then the checksums made again: as if made so)
            with open(os.path.join(d, "b.deb"), "wb") as f:
                f.write(b"other")
            with open(os.path.join(d, "x.buildinfo"), "w") as f:
                f.write(t)
            records.rehash(os.path.join(d, "x.buildinfo"))
            with open(os.path.join(d, "x.buildinfo")) as f:
                self.assertEqual(f.read(), records.buildinfo(self.FIELDS, d))
        p = deb822(t)[0]
        for name in ("Format", "Source", "Binary", "Architecture", "Version", "Checksums-Md5",
                     "Checksums-Sha1", "Checksums-Sha256", "Build-Architecture",
                     "Installed-Build-Depends", "Environment"):
            self.assertIn(name, p)
        self.assertEqual(p["Architecture"], "source amd64 arm64")
        sums = [l.strip() for l in p["Checksums-Sha256"].strip().split("\n")]
        self.assertEqual(sums, ["%s 7 a.tar.gz" % hashlib.sha256(b"tarball").hexdigest(),
                                "%s 3 b.deb" % hashlib.sha256(b"deb").hexdigest()])
        self.assertIn("\n cmake (= 3.25.1-1),\n g++ (= 4:12.2.0-3)\n", t)
        self.assertIn("\n libc6-dev:arm64 (= 2.36-9+deb12u14)\n", t)
        self.assertIn('Environment:\n LC_ALL="C.UTF-8"\n TZ="UTC"\n', t)

    def test_refuses_to_name_no_package(self):
        with tempfile.TemporaryDirectory() as d:
            with self.assertRaises(ValueError):
                records.buildinfo(dict(self.FIELDS, installed=[]), d)


if __name__ == "__main__":
    unittest.main()
