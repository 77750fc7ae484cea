"""Where the host finds the modules and keeps a user's files: a checkout as
built, and an installed package whose modules each user runs from a folder
of their own."""

import contextlib
import os
import shutil
import tempfile
import unittest
from pathlib import Path
from unittest import mock

from host.places import Places, user_modules


class PlacesTest(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="qz-places-test-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        environment = mock.patch.dict(os.environ, {"XDG_DATA_HOME": str(self.work / "data"),
                                                   "XDG_CACHE_HOME": str(self.work / "cache")})
        environment.start()
        self.addCleanup(environment.stop)

    def installed(self) -> Places:
        root = self.work / "lib" / "quiz-musical"
        (root / "bin").mkdir(parents=True)
        for name, text in (("Treble7.exe", "treble7"), ("oeuvres.exe", "oeuvres"),
                           ("modules.tsv", "name\tfile\n")):
            (root / "bin" / name).write_text(text)
        return Places(root)

    def test_checkout_and_installed_places(self):
        checkout = Places(self.work)
        installed = self.installed()
        for places, bin_dir, results, runs_in_place in (
                (checkout, self.work / "build/release/bin", self.work / "resultats.csv", True),
                (installed, installed.root / "bin",
                 self.work / "data/quiz-musical/resultats.csv", False)):
            with self.subTest(installed=places.installed):
                self.assertEqual(places.bin_dir, bin_dir)
                self.assertEqual(places.default_results(), results)
                self.assertEqual(places.runnable_modules(bin_dir) == bin_dir, runs_in_place)
        self.assertEqual(installed.runnable_modules(installed.bin_dir),
                         self.work / "cache/quiz-musical/modules")

    def test_user_modules_are_links_or_copies_renewed_with_the_original(self):
        bin_dir = self.installed().bin_dir
        for link_refused in (False, True):
            refusal = mock.patch("os.link", side_effect=PermissionError(1, "refused")) \
                if link_refused else contextlib.nullcontext()
            with self.subTest(link_refused=link_refused), refusal:
                folder = self.work / f"user-{link_refused}"
                user_modules(bin_dir, folder)
                (folder / "question.qzd").write_text("record")
                made = {path.name: path.stat() for path in folder.iterdir()}
                self.assertEqual(set(made), {"Treble7.exe", "oeuvres.exe", "modules.tsv",
                                             "question.qzd"})
                original = (bin_dir / "oeuvres.exe").stat()
                self.assertEqual(made["oeuvres.exe"].st_ino == original.st_ino,
                                 not link_refused)

                user_modules(bin_dir, folder)  # unchanged: kept as it is
                self.assertEqual((folder / "oeuvres.exe").stat().st_ino,
                                 made["oeuvres.exe"].st_ino)
                # The package upgraded: a new file in place of the old.
                (bin_dir / "oeuvres.exe").unlink()
                (bin_dir / "oeuvres.exe").write_text("oeuvres, version 2")
                user_modules(bin_dir, folder)
                self.assertEqual((folder / "oeuvres.exe").read_text(), "oeuvres, version 2")
                self.assertEqual((folder / "question.qzd").read_text(), "record")
                self.assertFalse([path for path in folder.iterdir() if path.name[0] == "."])


if __name__ == "__main__":
    unittest.main()
