"""What a Windows host relies on beyond the record: genuine PE executables
of the build's architecture that import nothing a Windows machine lacks,
stripped, with a full version record and icon; resources found with the
Windows resource functions, in the letter case the modules write, by a host
of either architecture; the package; and the sample host of the package
doing what a host does, stopping a module early included."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

from tests.e2e.support import (BIN_DIR, BUILD_DIR, MODULE_TABLE, PLATFORM, RECORD_LINE, ROOT,
                               WINDOWS_BUILD_DIRS, ModuleRun, Windows, midi_messages, runs_alone)

# DLLs of every Windows since 7.
SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "WINMM.DLL", "MSVCRT.DLL",
               "ADVAPI32.DLL", "SHELL32.DLL"}
# Imports a module never calls and virus scanners weigh against an unknown
# program (winpthread brought them).
NEEDLESS_IMPORTS = {"SetSystemTime", "SuspendThread", "SetThreadContext", "GetThreadContext"}
HELPERS = Path(os.environ.get("QZ_WINE_HELPERS", BUILD_DIR / "wine"))
STAGED = BUILD_DIR / "resources"
PACKAGE = WINDOWS_BUILD_DIRS["x86_64"] / "quiz-modules-3.0.0-windows.zip"
PACKAGE_FOLDERS = {"x86_64": "64-bit", "i686": "32-bit"}
SAMPLE_HOST = ROOT / "docs/sample-host"
SAMPLE_HOST_REQUEST = b'"qz","question","","","","","","",""\r\n'
windows_only = unittest.skipUnless(PLATFORM.name == "windows", "Windows modules")


def modules(bin_dir=BIN_DIR):
    return sorted(bin_dir.glob("*.exe"))


def run_windows(program, *arguments, timeout=120):
    return subprocess.run(PLATFORM.command(program, arguments), env=PLATFORM.environment(),
                          capture_output=True, timeout=timeout)


def section_names(pe, data):
    """The PE's section names, a long one ("/4") read from the string table
    that follows the COFF symbols."""
    strings = pe.FILE_HEADER.PointerToSymbolTable + 18 * pe.FILE_HEADER.NumberOfSymbols
    names = []
    for section in pe.sections:
        name = section.Name.rstrip(b"\0")
        if name.startswith(b"/"):
            start = strings + int(name[1:])
            name = data[start:data.index(b"\0", start)]
        names.append(name.decode())
    return names


def icon_sizes(group_icon):
    """The pixel sizes of an icon group resource (GRPICONDIR): a width
    byte of 0 means 256."""
    count = int.from_bytes(group_icon[4:6], "little")
    return {group_icon[6 + 14 * i] or 256 for i in range(count)}


@windows_only
class WindowsExecutables(unittest.TestCase):
    def test_sixteen_stripped_gui_programs_that_import_only_what_they_call(self):
        import pefile  # Debian's python3-pefile
        self.assertEqual(len(modules()), 16)
        for module in modules():
            with self.subTest(module.name):
                pe = pefile.PE(str(module))
                self.assertEqual(pe.FILE_HEADER.Machine, PLATFORM.pe_machine)
                self.assertEqual(pe.OPTIONAL_HEADER.Magic, PLATFORM.pe_magic)
                self.assertEqual(pe.OPTIONAL_HEADER.Subsystem, 2, "GUI subsystem")
                imports = {entry.dll.decode().upper() for entry in pe.DIRECTORY_ENTRY_IMPORT}
                self.assertLessEqual(imports, SYSTEM_DLLS)
                functions = {f.name.decode() for entry in pe.DIRECTORY_ENTRY_IMPORT
                             for f in entry.imports if f.name}
                self.assertFalse(functions & NEEDLESS_IMPORTS)
                self.assertEqual(pe.FILE_HEADER.NumberOfSymbols, 0, "a symbol table")
                self.assertFalse([name for name in section_names(pe, module.read_bytes())
                                  if name.startswith(".debug")])
                resources = PLATFORM.resources(module)
                self.assertIn(b'level="asInvoker"', resources["MANIFEST/1"])
                self.assertLessEqual({16, 32, 48, 256}, icon_sizes(resources["ICON/1"]))

    def test_version_record_is_french_3_0_0_0_and_names_the_module(self):
        import pefile
        titles = {row["file"]: row["title"] for row in MODULE_TABLE}
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
                # Task Manager and an inventory tell the modules apart by it.
                self.assertEqual(table[b"FileDescription"].decode(), titles[module.name])
                self.assertEqual(table[b"FileVersion"], b"3.0.0.0")

    def test_a_host_finds_every_picture_and_sound_a_module_names(self):
        # Each module's manifest lists its resources with the names its
        # records use ("15_Do", "09_re", "101", "01_accordeon"); the test
        # host, run under Wine, looks each one up as a Windows host does.
        # It also reads the other architecture's modules, as a 32-bit host on
        # 64-bit Windows does.
        other_bin = next(d for a, d in WINDOWS_BUILD_DIRS.items()
                         if a != PLATFORM.architecture) / "bin"
        other_built = len(modules(other_bin)) == 16
        for module in modules() + (modules(other_bin) if other_built else []):
            staged = next(folder for folder in STAGED.iterdir()
                          if (folder / "manifest.txt").is_file() and
                          (folder / "manifest.txt").read_text().split("\n", 1)[0] == module.name)
            entries = [line.split(" ", 1) for line in
                       (staged / "manifest.txt").read_text().splitlines()[1:]]
            wanted = [(key.split("/")[0], name, key) for key, name in entries
                      if key.startswith(("IMAGES/", "DMSEG/"))]
            with self.subTest(str(module)), tempfile.TemporaryDirectory() as out:
                arguments = [part for type_, name, _ in wanted for part in (type_, name)]
                result = run_windows(HELPERS / "resource_host.exe", module, out, *arguments)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                for type_, name, key in wanted:
                    found = (Path(out) / f"{type_}_{name}").read_bytes()
                    self.assertEqual(found, (staged / key).read_bytes(), f"{type_} {name}")
        if not other_built:
            self.skipTest(f"the other architecture's modules are not built in {other_bin}")


@unittest.skipUnless(PLATFORM.name == "windows" and PLATFORM.architecture == "x86_64",
                     "the package, made by the 64-bit build")
class WindowsPackage(unittest.TestCase):
    def package_builds(self):
        return [f"{PACKAGE_FOLDERS[a]}={d / 'bin'},{d / 'symbols'}"
                for a, d in WINDOWS_BUILD_DIRS.items()]

    def test_holds_the_guide_the_sample_host_and_both_architectures_modules(self):
        with zipfile.ZipFile(PACKAGE) as package:
            files = {name.split("/", 1)[1]: package.read(name) for name in package.namelist()}
        with zipfile.ZipFile(PACKAGE.with_name(PACKAGE.stem + "-symbols.zip")) as package:
            symbols = {name.split("/", 1)[1] for name in package.namelist()}
        expected = {"host-guide.txt"} | {f"sample-host/{p.name}" for p in SAMPLE_HOST.iterdir()}
        for architecture, folder in PACKAGE_FOLDERS.items():
            for module in modules(WINDOWS_BUILD_DIRS[architecture] / "bin"):
                expected.add(f"{folder}/{module.name}")
                self.assertEqual(files[f"{folder}/{module.name}"], module.read_bytes())
                self.assertIn(f"{folder}/{module.stem}.debug", symbols)
        self.assertEqual(set(files), expected)
        self.assertEqual(files["host-guide.txt"], (ROOT / "docs/host-guide.txt").read_bytes())

    def test_modules_are_signed_when_the_builder_gives_a_certificate(self):
        with tempfile.TemporaryDirectory() as folder:
            folder = Path(folder)
            # A throw-away self-signed certificate, given as a builder would.
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                            "-subj", "/CN=Quiz musical test", "-days", "2",
                            "-keyout", folder / "key.pem", "-out", folder / "cert.pem"],
                           check=True, capture_output=True)
            subprocess.run(["openssl", "pkcs12", "-export", "-inkey", folder / "key.pem",
                            "-in", folder / "cert.pem", "-out", folder / "cert.p12",
                            "-passout", "pass:secret"], check=True, capture_output=True)
            (folder / "password").write_text("secret")
            subprocess.run(["/usr/bin/python3", ROOT / "tools/pack_module.py", "package",
                            folder / "signed.zip", folder / "symbols.zip",
                            ROOT / "docs/host-guide.txt", SAMPLE_HOST, *self.package_builds(),
                            "--sign", folder / "cert.p12",
                            "--sign-password-file", folder / "password"], check=True)
            with zipfile.ZipFile(folder / "signed.zip") as package:
                package.extractall(folder)
            signed = sorted((folder / "signed").glob("*/*.exe"))
            self.assertEqual(len(signed), 32)
            for module in signed:
                with self.subTest(module.name):
                    verified = subprocess.run(["osslsigncode", "verify", "-CAfile",
                                               folder / "cert.pem", "-in", module],
                                              capture_output=True, text=True)
                    self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
            # Signed, a module still runs.
            run = ModuleRun("oeuvres.exe", program=folder / "signed/64-bit/oeuvres.exe").wait()
            run.cleanup()
            self.assertEqual(run.returncode, 0, run.stderr)


def module_folder(test, module, file_name=None):
    """A folder of its own holding a copy of `module` (as `file_name`)."""
    folder = Path(tempfile.mkdtemp(prefix="qz-host-"))
    test.addCleanup(shutil.rmtree, folder, ignore_errors=True)
    shutil.copy2(BIN_DIR / module, folder / (file_name or module))
    return folder


def run_sample_host(module_file, *arguments):
    """The sample host run on `module_file`: (exit status, what it printed,
    the MIDI device's log)."""
    midi_log = module_file.parent / "midi.log"
    started_wall = time.time()
    result = subprocess.run(
        PLATFORM.command(HELPERS / "sample_host.exe", [module_file, *arguments]),
        env={**PLATFORM.environment(), "QZ_MIDI_LOG": str(midi_log)},
        capture_output=True, timeout=60)
    return (result.returncode, result.stdout.decode("utf-8"),
            midi_messages(midi_log, started_wall))


@windows_only
class SampleHost(unittest.TestCase):
    """The package's sample host, run as a host developer would run it."""

    def test_puts_a_question_decodes_it_and_loads_its_picture(self):
        # Until a record with a comma in a field has come: a host that splits
        # the line at every comma gets it wrong.
        seen_comma = False
        for attempt in range(40):
            module = ("theorie.exe", "oeuvres.exe")[attempt % 2]
            folder = module_folder(self, module)
            status, printed, _ = run_sample_host(folder / module)
            record = (folder / "question.qzd").read_bytes()
            self.assertEqual(status, 0, printed)
            self.assertRegex(record, RECORD_LINE)
            fields = [f.decode("cp1252") for f in re.findall(rb'"([^"]*)"', record)]
            self.assertEqual(printed.split("\r\n"), [
                f"question: {fields[0]}",
                *[f"answer {n}: {fields[n]}" for n in range(1, 5)],
                f"right answer: {fields[5]}",
                f"sound: {fields[7]}",
                f"picture: {fields[6]} of {fields[8]}, 146 x 200 pixels", ""])
            seen_comma = any("," in field for field in fields)
            if seen_comma:
                break
        self.assertTrue(seen_comma, "no record with a comma in 40 questions")

    def test_puts_a_question_of_every_module_and_loads_its_picture(self):
        # Closed after a second: a note module, which lives on for its sound,
        # then ends at once with its record written.
        for module in modules():
            with self.subTest(module.name):
                folder = module_folder(self, module.name)
                status, printed, _ = run_sample_host(folder / module.name, "1")
                self.assertEqual(status, 0, printed)
                self.assertRegex(printed, rf"picture: \S+ of {re.escape(module.name)}, "
                                          r"146 x 200 pixels\r\n$")

    def test_builds_with_the_lines_its_source_gives_and_runs(self):
        # Each mingw-w64 line of the source's comment pasted as it stands, in
        # a copy of its folder; the one of this run's architecture then puts
        # a question.
        import pefile
        lines = [line.strip(" *") for line in
                 (SAMPLE_HOST / "sample_host.c").read_text().splitlines()
                 if "-w64-mingw32-gcc " in line]
        self.assertEqual({line.split("-")[0] for line in lines}, {"i686", "x86_64"})
        for line in lines:
            architecture = line.split("-")[0]
            with self.subTest(architecture):
                folder = Path(tempfile.mkdtemp(prefix="qz-sample-host-"))
                self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
                shutil.copytree(SAMPLE_HOST, folder, dirs_exist_ok=True)
                built = subprocess.run(line, shell=True, cwd=folder, capture_output=True)
                self.assertEqual(built.returncode, 0, built.stderr.decode())
                host = folder / "sample_host.exe"
                machine = pefile.PE(str(host), fast_load=True).FILE_HEADER.Machine
                self.assertEqual(machine, Windows.PE_KINDS[architecture][0])
                if architecture != PLATFORM.architecture:
                    continue
                shutil.copy2(BIN_DIR / "theorie.exe", folder)
                result = run_windows(host, folder / "theorie.exe")
                self.assertEqual(result.returncode, 0, result.stdout)
                self.assertIn(b"picture: 100 of theorie.exe, 146 x 200 pixels", result.stdout)

    def test_reports_a_failing_module_with_its_error_line(self):
        # A note module renamed and alone lacks its own file. The message box
        # of its failure is closed by the test prefix's user.
        folder = module_folder(self, "Treble7.exe", file_name="Renamed.exe")
        status, printed, _ = run_sample_host(folder / "Renamed.exe")
        self.assertEqual(status, 1)
        self.assertEqual(printed, "Renamed.exe failed, exit code 1: Treble7.exe: cannot open "
                                  "the resources of Treble7.exe: no such file\r\n")
        self.assertEqual((folder / "question.qzd").read_bytes(), SAMPLE_HOST_REQUEST)


@runs_alone
class UnloadingEndsTheModule(unittest.TestCase):
    """A note module whose window a host closes, whose session ends, or, on
    Linux, that a host stops with a signal, ends as at its countdown's end:
    sound device closed, status 0, its record whole; and at once. A session
    end that is only asked about, then cancelled, ends nothing."""

    def check_closed_before_its_note(self, midi):
        messages = [message for _, message, _ in midi]
        self.assertEqual((messages[0], messages[-1]), ("open", "close"), midi)
        self.assertNotIn("data", messages, "no note before the third second")

    @windows_only
    def test_the_host_closes_the_window(self):
        # At 1 s, and at once: a close posted before Form_jeu exists (only
        # the system's own windows of the process, or none) is posted again.
        for wait_limit in ("1", "0"):
            with self.subTest(wait_limit=wait_limit):
                folder = module_folder(self, "Treble7.exe")
                status, printed, midi = run_sample_host(folder / "Treble7.exe", wait_limit)
                closed = re.match(r"wait limit: closed the module's windows at ([\d.]+) s, "
                                  r"it ended ([\d.]+) s later\r\n", printed)
                self.assertTrue(closed, printed)
                self.assertLess(float(closed[1]), float(wait_limit) + 0.5)
                self.assertLess(float(closed[2]), 1.0)
                self.assertEqual(status, 0, printed)  # the record decoded, its picture loaded
                self.assertRegex((folder / "question.qzd").read_bytes(), RECORD_LINE)
                self.check_closed_before_its_note(midi)

    def test_the_session_ends_or_a_signal_stops_it(self):
        if PLATFORM.name == "windows":
            def end_session(_run):
                self.assertEqual(run_windows(HELPERS / "end_session.exe").stdout.strip(),
                                 b"may end")
            stops = {"session ends": end_session}
        else:
            stops = {stop.name: lambda run, stop=stop: run.process.send_signal(stop)
                     for stop in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)}
        for name, stop in stops.items():
            with self.subTest(name):
                run = ModuleRun("Treble7.exe")
                self.addCleanup(run.cleanup)
                time.sleep(1)
                stop(run)
                stopped = time.monotonic()
                run.wait()
                self.assertLess(time.monotonic() - stopped, 0.5)
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertEqual(run.stderr, b"")
                self.assertRegex(run.record, RECORD_LINE)
                if PLATFORM.name == "windows":
                    self.check_closed_before_its_note(run.midi_messages())

    @windows_only
    def test_a_cancelled_session_end_ends_nothing(self):
        run = ModuleRun("Treble7.exe")
        self.addCleanup(run.cleanup)
        time.sleep(1)
        ending = run_windows(HELPERS / "end_session.exe", "cancel")
        run.wait()
        self.assertEqual(ending.stdout.strip(), b"may end")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertRegex(run.record, RECORD_LINE)
        # Its whole life, its note played.
        self.assertGreater(run.seconds, 4.8)
        self.assertIn("data", [message for _, message, _ in run.midi_messages()])


if __name__ == "__main__":
    unittest.main()
