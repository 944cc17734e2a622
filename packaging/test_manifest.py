# SPDX-FileCopyrightText: 2026 The spantally authors
# SPDX-License-Identifier: MIT
"""Tests of packaging/manifest.py: what each package holds, read once."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import manifest  # noqa: E402


class Manifest(unittest.TestCase):
    def test_the_program_is_in_every_package_and_executable(self):
        for kind, path in (("tgz", "bin/spantally"), ("deb", "usr/bin/spantally"),
                           ("rpm", "/usr/bin/spantally"), ("win", "spantally.exe")):
            self.assertIn(path, manifest.paths(kind))
        self.assertIn("-rwxr-xr-x /usr/bin/spantally", manifest.paths("rpm", "", True))

    def test_documents_and_licences_land_in_the_rpm_folders(self):
        rpm = manifest.paths("rpm")
        self.assertIn("/usr/share/doc/spantally/README.md", rpm)
        self.assertIn("/usr/share/licenses/spantally/LICENSE", rpm)
        self.assertEqual(len(rpm), len(set(rpm)))
        self.assertIn("%license LICENSE THIRD-PARTY-NOTICES\n", manifest.rpm("/t"))

    def test_the_installer_has_a_component_of_its_own_for_each_file(self):
        w = manifest.wxs()
        self.assertNotIn("<!-- @FILES@ -->", w)
        self.assertNotIn("<!-- @REFS@ -->", w)
        for name in manifest.paths("win"):
            self.assertIn('Name="%s"' % name, w)
        guids = [r["guid"] for r in manifest.rows() if r["win"] != "-"]
        self.assertEqual(len(guids), len(set(guids)))
        self.assertIn('Id="C_spantally.exe"', w)  # the PATH entry's component

    def test_windows_documents_are_the_trees_own_not_the_releases(self):
        self.assertEqual(manifest.windocs(), "README.md README.txt\nCHANGELOG.md CHANGELOG.txt\n"
                                             "LICENSE LICENSE.txt\n")

    def test_a_line_of_the_wrong_shape_is_refused(self):
        with tempfile.NamedTemporaryFile("w", suffix=".manifest", delete=False) as f:
            f.write("bin/x cmake bin/x\n")
        try:
            with self.assertRaises(ValueError):
                manifest.rows(f.name)
        finally:
            os.unlink(f.name)

    def test_perms_read_as_ls_shows_them(self):
        self.assertEqual(manifest.perms("0755"), "-rwxr-xr-x")
        self.assertEqual(manifest.perms("0644"), "-rw-r--r--")


if __name__ == "__main__":
    unittest.main()
