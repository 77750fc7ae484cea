"""Runs built modules as real processes in temporary folders, on the
platform this test run is for: QZ_PLATFORM=linux (the default) runs the
Linux executables as they are, QZ_PLATFORM=windows the Windows executables
under Wine, of the architecture QZ_WINDOWS_ARCH names: x86_64 (the default)
in a 64-bit Wine prefix, i686 in a 32-bit one. The test cases are the same
for all three."""

import atexit
import os
import re
import shutil
import struct
import subprocess
import tempfile
import time
import zipfile
from pathlib import Path

from host.modules import module_table
from host.wine import WinePrefix

ROOT = Path(__file__).resolve().parents[2]
PLATFORM_NAME = os.environ.get("QZ_PLATFORM", "linux")
WINDOWS_ARCH = os.environ.get("QZ_WINDOWS_ARCH", "x86_64")
# The build folders of the presets: release, windows (x86_64), windows32 (i686).
WINDOWS_BUILD_DIRS = {"x86_64": ROOT / "build" / "windows", "i686": ROOT / "build" / "windows32"}
BUILD_DIR = Path(os.environ.get(
    "QZ_BUILD_DIR",
    WINDOWS_BUILD_DIRS[WINDOWS_ARCH] if PLATFORM_NAME == "windows" else ROOT / "build" / "release"))
FIXTURES_DIR = Path(os.environ.get("QZ_FIXTURES_DIR", BUILD_DIR / "tests"))
BIN_DIR = Path(os.environ.get("QZ_BIN_DIR", BUILD_DIR / "bin"))
# The modules as the build's module table lists them, beside the modules.
MODULE_TABLE = module_table(BIN_DIR)
# Built with AddressSanitizer or UBSan, whose runtimes open files and pipes
# of their own and run slower.
SANITIZED = "-fsanitize=" in ((BUILD_DIR / "CMakeCache.txt").read_text(errors="replace")
                              if (BUILD_DIR / "CMakeCache.txt").is_file() else "")
HOST_RECORD = b'"a","b","c","d","e","f","g","h","i"\r\n'
RECORD_LINE = re.compile(rb'^("[^"\r\n]*",){8}"[^"\r\n]*"\r\n$')


class Linux:
    name = "linux"
    program_suffix = ""
    # A machine whose sound output cannot start: no sound server answers.
    without_sound = {"PULSE_SERVER": "unix:/nonexistent/qz-no-server"}

    def command(self, executable, args):
        return [str(executable), *args]

    def environment(self):
        return os.environ.copy()

    def resources(self, module_file):
        """TYPE/NAME -> bytes, as the module file carries them."""
        with zipfile.ZipFile(module_file) as archive:
            return {info.filename: archive.read(info) for info in archive.infolist()}

    def resource_offsets(self, module_file, resource_type):
        """Where in the file the bytes of each resource of the type begin."""
        data = module_file.read_bytes()
        with zipfile.ZipFile(module_file) as archive:
            entries = [i for i in archive.infolist() if i.filename.startswith(resource_type + "/")]
        offsets = []
        for info in entries:
            name_size, extra_size = struct.unpack_from("<HH", data, info.header_offset + 26)
            offsets.append(info.header_offset + 30 + name_size + extra_size)
        return offsets


class Windows:
    """Windows executables of one architecture under Wine: the prefix the
    test run made (QZ_WINE_PREFIX), or else one made for this process."""

    name = "windows"
    program_suffix = ".exe"
    # The architecture's PE header: machine and optional header magic.
    PE_KINDS = {"x86_64": (0x8664, 0x20B), "i686": (0x14C, 0x10B)}
    # A machine whose sound output cannot start: Wine's own MIDI mapper, with
    # no MIDI device behind it.
    without_sound = {"WINEDLLOVERRIDES": "mscoree,mshtml=;winealsa.drv=d"}
    RESOURCE_TYPES = {3: "ICON_IMAGE", 14: "ICON", 16: "VERSION", 24: "MANIFEST"}

    def __init__(self, architecture):
        self.architecture = architecture
        self.pe_machine, self.pe_magic = self.PE_KINDS[architecture]
        self._prefix = None

    @property
    def prefix(self):
        if self._prefix is None:
            given = os.environ.get("QZ_WINE_PREFIX")
            helpers = Path(os.environ.get("QZ_WINE_HELPERS", BUILD_DIR / "wine"))
            if given and (Path(given) / "system.reg").exists():
                self._prefix = WinePrefix.kept_open_elsewhere(given)
            else:
                self._prefix = WinePrefix(None, helpers / "midimap.dll",
                                          helpers / "dismiss_message_boxes.exe",
                                          self.architecture).open()
                atexit.register(self._prefix.close)
        return self._prefix

    def command(self, executable, args):
        return self.prefix.command(executable, *args)

    def environment(self):
        return self.prefix.environment()

    def resource_offsets(self, module_file, resource_type):
        """Where in the file the bytes of each resource of the type begin."""
        import pefile  # Debian's python3-pefile
        pe = pefile.PE(str(module_file))
        return [pe.get_offset_from_rva(name.directory.entries[0].data.struct.OffsetToData)
                for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries
                if str(entry.name) == resource_type for name in entry.directory.entries]

    def resources(self, module_file):
        """TYPE/NAME -> bytes from the PE resource section. The version
        record comes back as the "Key=Value" lines of its French string
        table, with its language, as the Linux container holds it."""
        import pefile  # Debian's python3-pefile
        pe = pefile.PE(str(module_file))
        found = {}
        for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
            type_name = str(type_entry.name) if type_entry.name else \
                self.RESOURCE_TYPES.get(type_entry.id, str(type_entry.id))
            for name_entry in type_entry.directory.entries:
                name = str(name_entry.name) if name_entry.name else str(name_entry.id)
                data = name_entry.directory.entries[0].data.struct
                found[f"{type_name}/{name}"] = pe.get_data(data.OffsetToData, data.Size)
        found["VERSION/1"] = self._version_record(pe)
        return found

    @staticmethod
    def _version_record(pe):
        lines = []
        for info in pe.FileInfo[0]:
            if info.Key == b"StringFileInfo":
                for table in info.StringTable:
                    language = int(table.LangID[:4], 16)
                    lines += [f"{k.decode()}={v.decode()}" for k, v in table.entries.items()]
                    lines.append(f"Language={language}")
        return "".join(line + "\r\n" for line in lines).encode()


PLATFORM = Windows(WINDOWS_ARCH) if PLATFORM_NAME == "windows" else Linux()


def damage_resources(module_file, resource_type):
    """Flips the first byte of every resource of the type in the module file:
    the appended archive's check finds it on Linux, the decoders on Windows."""
    data = bytearray(module_file.read_bytes())
    offsets = PLATFORM.resource_offsets(module_file, resource_type)
    for offset in offsets:
        data[offset] ^= 0xFF
    module_file.write_bytes(bytes(data))
    return len(offsets)


def runs_alone(case):
    """Marks a test class that measures time or listens to the shared sound
    server: ctest runs it with no other test beside it (tests/CMakeLists.txt
    looks for this line), so that no other load delays what it times and no
    other module's sound mixes into what it hears."""
    return case


def program(name):
    """A test program of this platform's build (tests/fixtures)."""
    return FIXTURES_DIR / (name + PLATFORM.program_suffix)


def midi_messages(log, started_wall):
    """(seconds after `started_wall`, message, parameter) that the stand-in
    MIDI device logged to `log`, for Windows runs."""
    if not log.exists():
        return []
    entries = []
    for line in log.read_text().splitlines():
        when, message, parameter = line.split()
        entries.append((float(when) - started_wall, message, int(parameter, 16)))
    return entries


class ModuleRun:
    """One module started from its own temporary folder."""

    def __init__(self, literal, host_content=HOST_RECORD, file_name=None, mode=None,
                 keep_literal_copy=False, program=None, args=(), folder_name="qz-e2e-",
                 prepare=None, environment=None, wrapper=()):
        """Copies module `literal` (or the test `program` standing in for it)
        into a new folder, under `file_name` if given, and starts it there
        (through the `wrapper` command, with `environment` added to the
        platform's) once `prepare`, if given, has been called with the folder."""
        self.folder = Path(tempfile.mkdtemp(prefix=folder_name))
        source = Path(program) if program else BIN_DIR / literal
        self.executable = self.folder / (file_name or source.name)
        shutil.copy2(source, self.executable)
        if keep_literal_copy:
            shutil.copy2(BIN_DIR / literal, self.folder / literal)
        self.exchange = self.folder / "question.qzd"
        self.host_content = host_content
        if host_content is not None:
            self.exchange.write_bytes(host_content)
            if mode is not None:
                self.exchange.chmod(mode)
        if prepare is not None:
            prepare(self.folder)
        # What the stand-in MIDI device hears, under Wine (host/wine.py).
        self.midi_log = self.folder.with_name(self.folder.name + ".midi.log")
        environment = {**PLATFORM.environment(), "QZ_MIDI_LOG": str(self.midi_log),
                       **(environment or {})}
        self.started = time.monotonic()
        self.started_wall = time.time()
        # Started from another folder: the module must find its file by itself.
        self.process = subprocess.Popen(
            [*wrapper, *PLATFORM.command(self.executable, args)], cwd=tempfile.gettempdir(),
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=environment)

    def wait(self, timeout=30):
        self.stdout, self.stderr = self.process.communicate(timeout=timeout)
        self.seconds = time.monotonic() - self.started
        self.returncode = self.process.returncode
        self.record = self.exchange.read_bytes() if self.exchange.is_file() else None
        return self

    def fields(self):
        assert RECORD_LINE.match(self.record), self.record
        return [f.decode("cp1252") for f in re.findall(rb'"([^"]*)"', self.record)]

    def midi_messages(self):
        return midi_messages(self.midi_log, self.started_wall)

    def cleanup(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.communicate()
        shutil.rmtree(self.folder, ignore_errors=True)
        self.midi_log.unlink(missing_ok=True)
