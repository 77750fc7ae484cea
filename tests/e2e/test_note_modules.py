import os
import subprocess
import unittest
from pathlib import Path

from tests.e2e.support import BIN_DIR, MODULE_TABLE, PLATFORM, ModuleRun

TOOLS_DIR = Path(os.environ.get("QZ_TOOLS_DIR", BIN_DIR.parent / "tools"))
# The resources a module carries on every platform; each container adds its
# own records beside them (the icon's images, the manifest on Windows).
CARRIED_TYPES = ("IMAGES/", "DMSEG/", "ICON/", "VERSION/")
WORDS = {"treble": ["DO", "RE", "MI", "FA", "SOL", "LA", "SI"],
         "bass": ["MI", "FA", "SOL", "LA", "SI", "DO", "RE"]}


def span(text):
    low, high = text.split("-")
    return int(low), int(high)


# The note modules of the module table, literal: clef, positions asked,
# positions carried, seconds it lives. The tests below hold the built modules
# to their rows.
MODULES = {row["file"]: (row["clef"], span(row["asked"]), span(row["carried"]),
                         int(row["seconds"]))
           for row in MODULE_TABLE if row["kind"] == "notes"}


def position_name(clef, position):
    return f"{position:02d}_{WORDS[clef][(position - 1) % 7]}"


def jpeg_frame(data):
    """(width, height, components, baseline) from the JPEG's frame header."""
    at = 2
    while at + 4 <= len(data):
        marker, length = data[at + 1], int.from_bytes(data[at + 2:at + 4], "big")
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            height = int.from_bytes(data[at + 5:at + 7], "big")
            width = int.from_bytes(data[at + 7:at + 9], "big")
            return width, height, data[at + 9], marker == 0xC0
        at += 2 + length
    return None


class BuiltModulesAreTheTables(unittest.TestCase):
    def test_the_build_made_exactly_the_modules_its_table_lists(self):
        self.assertEqual(sorted(p.name for p in BIN_DIR.glob("*.exe")),
                         sorted(row["file"] for row in MODULE_TABLE))
        self.assertEqual(len(MODULES), 12)


class EveryNoteModuleEndToEnd(unittest.TestCase):
    """The twelve executables run side by side, each as a real process."""

    def test_each_writes_a_valid_record_with_its_own_literal(self):
        runs = {literal: ModuleRun(literal) for literal in MODULES}
        try:
            for literal, run in runs.items():
                run.wait()
                clef, (low, high), _, seconds = MODULES[literal]
                with self.subTest(literal):
                    self.assertEqual(run.returncode, 0, run.stderr)
                    fields = run.fields()
                    self.assertEqual(fields[8], literal)
                    self.assertEqual(fields[6], fields[7])
                    position = int(fields[6][:2])
                    self.assertTrue(low <= position <= high, fields[6])
                    self.assertEqual(fields[6].upper(), position_name(clef, position))
                    right = fields[int(fields[5])]
                    self.assertEqual(right.upper().replace("É", "E"), WORDS[clef][(position - 1) % 7])
                    self.assertGreater(run.seconds, seconds - 0.2)
        finally:
            for run in runs.values():
                run.cleanup()


class NoteModuleResources(unittest.TestCase):
    """What each executable carries, read back as a host's tools would."""

    @classmethod
    def setUpClass(cls):
        cls.archives = {}
        for literal in MODULES:
            cls.archives[literal] = {key: data for key, data in
                                     PLATFORM.resources(BIN_DIR / literal).items()
                                     if key.startswith(CARRIED_TYPES)}

    def test_each_carries_exactly_its_positions_and_the_common_resources(self):
        for literal, (clef, _, (low, high), _) in MODULES.items():
            names = [position_name(clef, p) for p in range(low, high + 1)]
            expected = ({f"IMAGES/{n}" for n in names} | {f"DMSEG/{n}" for n in names} |
                        {"IMAGES/100", "ICON/1", "VERSION/1"})
            self.assertEqual(set(self.archives[literal]), expected, literal)

    def test_pictures_are_146_by_200_baseline_colour_jpegs_shared_across_a_clef(self):
        by_clef_and_name = {}
        for literal, entries in self.archives.items():
            clef = MODULES[literal][0]
            for name, data in entries.items():
                if name.startswith("IMAGES/"):
                    self.assertEqual(jpeg_frame(data), (146, 200, 3, True), f"{literal} {name}")
                    key = "100" if name == "IMAGES/100" else (clef, name)
                    self.assertEqual(by_clef_and_name.setdefault(key, data), data,
                                     f"{literal} {name} differs from another module's")
        self.assertEqual(len(by_clef_and_name["100"]), 1093)

    def test_note_sounds_are_the_template_with_the_positions_key(self):
        for literal, entries in self.archives.items():
            clef = MODULES[literal][0]
            sounds = {n: d for n, d in entries.items() if n.startswith("DMSEG/")}
            reference = next(iter(sounds.values()))
            for name, data in sounds.items():
                self.assertEqual(len(data), 65, name)
                self.assertEqual(data[:4], b"MThd")
                differing = {i for i in range(65) if data[i] != reference[i]}
                self.assertTrue(differing <= {54, 59}, f"{literal} {name}")
                self.assertEqual(data[54], data[59])
            middle_c = "DMSEG/08_DO" if clef == "treble" else "DMSEG/20_DO"
            if middle_c in sounds:
                self.assertEqual(sounds[middle_c][54], 60, literal)
        self.assertEqual(self.archives["Treble7.exe"]["DMSEG/01_DO"][54], 48)
        self.assertEqual(self.archives["Bass7.exe"]["DMSEG/01_MI"][54], 28)

    def test_version_record_names_the_deliverable(self):
        for literal, entries in self.archives.items():
            record = entries["VERSION/1"].decode()
            self.assertIn("FileVersion=3.0.0.0", record)
            # Whose program it is, which Windows shows and virus scanners weigh.
            self.assertRegex(record, r"CompanyName=\S.*\r\nLegalCopyright=Copyright \(C\) 20\d\d \S")
            self.assertIn("Language=1036", record)
            self.assertIn(f"OriginalFilename={literal}\r\n", record)
            self.assertIn(f"InternalName={literal[:-4]}\r\n", record)

    def test_resource_tool_lists_and_extracts(self):
        exe = str(BIN_DIR / "Bass2.exe")
        listing = subprocess.run([TOOLS_DIR / "qzres", "list", exe], capture_output=True,
                                 text=True, check=True).stdout.splitlines()
        self.assertIn("IMAGES 100 1093", listing)
        self.assertIn("DMSEG 20_DO 65", listing)
        extracted = subprocess.run([TOOLS_DIR / "qzres", "extract", exe, "images", "20_do"],
                                   capture_output=True, check=True).stdout
        self.assertEqual(extracted, self.archives["Bass2.exe"]["IMAGES/20_DO"])
        missing = subprocess.run([TOOLS_DIR / "qzres", "extract", exe, "DMSEG", "non"],
                                 capture_output=True, text=True)
        self.assertEqual(missing.returncode, 1)
        self.assertEqual(missing.stderr, 'qzres: no DMSEG resource "non" in Bass2.exe\n')

    @unittest.skipUnless(PLATFORM.name == "linux", "the appended archive of the Linux modules")
    def test_any_zip_reader_opens_the_module_file(self):
        unzip = subprocess.run(["unzip", "-l", str(BIN_DIR / "Bass2.exe")],
                               capture_output=True, text=True)
        self.assertEqual(unzip.returncode, 0, unzip.stderr)
        self.assertIn("DMSEG/13_DO", unzip.stdout)


if __name__ == "__main__":
    unittest.main()
