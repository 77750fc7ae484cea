"""What a Windows host relies on beyond the record: genuine PE executables
that import nothing a Windows machine lacks, and resources found with the
Windows resource functions, in the letter case the modules write."""

import os
import subprocess
import tempfile
import unittest
from pathlib import Path

from tests.e2e.support import BIN_DIR, BUILD_DIR, PLATFORM

# DLLs of every Windows since 7.
SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "WINMM.DLL", "MSVCRT.DLL",
               "ADVAPI32.DLL", "SHELL32.DLL"}
HELPERS = Path(os.environ.get("QZ_WINE_HELPERS", BUILD_DIR / "wine"))
STAGED = BUILD_DIR / "resources"


def modules():
    return sorted(BIN_DIR.glob("*.exe"))


@unittest.skipUnless(PLATFORM.name == "windows", "Windows modules")
class WindowsExecutables(unittest.TestCase):
    def test_sixteen_gui_pe32_plus_programs_that_import_only_system_dlls(self):
        import pefile  # Debian's python3-pefile
        self.assertEqual(len(modules()), 16)
        for module in modules():
            with self.subTest(module.name):
                pe = pefile.PE(str(module))
                self.assertEqual(pe.OPTIONAL_HEADER.Magic, 0x20B, "PE32+")
                self.assertEqual(pe.OPTIONAL_HEADER.Subsystem, 2, "GUI subsystem")
                imports = {entry.dll.decode().upper() for entry in pe.DIRECTORY_ENTRY_IMPORT}
                self.assertLessEqual(imports, SYSTEM_DLLS)
                manifest = PLATFORM.resources(module)["MANIFEST/1"]
                self.assertIn(b'level="asInvoker"', manifest)

    def test_version_record_is_french_3_0_0_0_and_names_the_module(self):
        import pefile
        for module in modules():
            with self.subTest(module.name):
                pe = pefile.PE(str(module))
                fixed = pe.VS_FIXEDFILEINFO[0]
                self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), (3 << 16, 0))
                self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), (3 << 16, 0))
                strings = {}
                for info in pe.FileInfo[0]:
                    if info.Key == b"StringFileInfo":
                        strings = {t.LangID: t.entries for t in info.StringTable}
                    if info.Key == b"VarFileInfo":
                        self.assertEqual(info.Var[0].entry, {b"Translation": "0x040c 0x04e4"})
                table = strings[b"040C04E4"]
                self.assertEqual(table[b"OriginalFilename"].decode(), module.name)
                self.assertEqual(table[b"InternalName"].decode(), module.stem)
                self.assertEqual(table[b"FileVersion"], b"3.0.0.0")

    def test_the_package_holds_the_sixteen_modules_and_the_host_guide(self):
        import zipfile
        with zipfile.ZipFile(BUILD_DIR / "quiz-modules-3.0.0-win64.zip") as package:
            files = {Path(name).name: package.read(name) for name in package.namelist()
                     if not name.endswith("/")}
        self.assertEqual(set(files), {m.name for m in modules()} | {"host-guide.txt"})
        for module in modules():
            self.assertEqual(files[module.name], module.read_bytes(), module.name)

    def test_a_host_finds_every_picture_and_sound_a_module_names(self):
        # Each module's manifest lists its resources with the names its
        # records use ("15_Do", "09_re", "101", "01_accordeon"); the test
        # host, run under Wine, looks each one up as a Windows host does.
        for module in modules():
            staged = next(folder for folder in STAGED.iterdir()
                          if (folder / "manifest.txt").is_file() and
                          (folder / "manifest.txt").read_text().split("\n", 1)[0] == module.name)
            entries = [line.split(" ", 1) for line in
                       (staged / "manifest.txt").read_text().splitlines()[1:]]
            wanted = [(key.split("/")[0], name, key) for key, name in entries
                      if key.startswith(("IMAGES/", "DMSEG/"))]
            with self.subTest(module.name), tempfile.TemporaryDirectory() as out:
                arguments = [part for type_, name, _ in wanted for part in (type_, name)]
                result = subprocess.run(
                    PLATFORM.command(HELPERS / "resource_host.exe", [module, out, *arguments]),
                    env=PLATFORM.environment(), capture_output=True, text=True, timeout=120)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                for type_, name, key in wanted:
                    found = (Path(out) / f"{type_}_{name}").read_bytes()
                    self.assertEqual(found, (staged / key).read_bytes(), f"{type_} {name}")


if __name__ == "__main__":
    unittest.main()
