"""Faults injected from outside into real module runs. Each test is named by
the fault it guards against; each fails the same way: status 1, one error
line, the host's record intact (or, where the module succeeds, a whole new
record and nothing else left behind; where only its sound fails after the
record, status 2, one line and the new record)."""

import os
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

from tests.e2e.sound import SOUNDFONT, PrivateSoundServer
from tests.e2e.support import (BIN_DIR, FIXTURES_DIR, HOST_RECORD, PLATFORM, RECORD_LINE,
                               SANITIZED, ModuleRun, damage_resources, program, runs_alone)

TOOLS_DIR = Path(os.environ.get("QZ_TOOLS_DIR", BIN_DIR.parent / "tools"))
# What the Linux modules meet and Windows has no counterpart of (FIFOs, POSIX
# permissions, the appended archive, PulseAudio, FluidSynth) is tested on Linux.
linux_only = unittest.skipUnless(PLATFORM.name == "linux", "faults of the Linux backend")
FLUIDSYNTH = next(Path("/usr/lib").glob("*/libfluidsynth.so.3"), Path("/usr/lib/libfluidsynth.so.3"))


def only_line(run):
    lines = run.stderr.decode(errors="replace").splitlines()
    assert len(lines) == 1, run.stderr
    return lines[0]


def damage_archive(path, entry, how):
    """Damages entry `entry` of the archive appended to module file `path`:
    "size" sets the top byte of its size in the directory, "offset" moves its
    local header offset back by 65 bytes, "data" flips its first data byte."""
    with zipfile.ZipFile(path) as archive:
        info = archive.getinfo(entry)
        directory_at = archive.start_dir
    data = bytearray(path.read_bytes())
    record = data.index(b"PK\x01\x02", directory_at)
    while data[record + 46: record + 46 + len(entry)] != entry.encode():
        record = data.index(b"PK\x01\x02", record + 1)
    if how == "size":
        data[record + 27] = 0xFF
    elif how == "offset":
        struct.pack_into("<I", data, record + 42, info.header_offset - 65)
    else:
        local = info.header_offset
        name_size, extra_size = struct.unpack_from("<HH", data, local + 26)
        data[local + 30 + name_size + extra_size] ^= 0xFF
    path.write_bytes(bytes(data))


@linux_only
class ExchangeFileFaults(unittest.TestCase):
    def run_module(self, **options):
        run = ModuleRun("oeuvres.exe", **options)
        self.addCleanup(run.cleanup)
        return run.wait(timeout=10)

    def test_a_fifo_or_socket_as_exchange_file_is_refused_naming_what_it_is(self):
        # Without waiting for a FIFO's writer; a socket cannot even be opened.
        def make_socket(path):
            listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            self.addCleanup(listener.close)
            listener.bind(str(path))
        for kind, make in (("a FIFO", os.mkfifo), ("a socket", make_socket)):
            with self.subTest(kind):
                run = self.run_module(host_content=None,
                                      prepare=lambda folder, make=make: make(folder / "question.qzd"))
                self.assertEqual(run.returncode, 1)
                self.assertEqual(only_line(run), "oeuvres.exe: cannot read question.qzd: not a "
                                                 f"regular file ({kind})")


    def test_a_closed_error_stream_leaves_the_status_and_the_host_record(self):
        # The host stopped reading: the error line's write fails quietly.
        read_end, write_end = os.pipe()
        os.close(read_end)
        folder = Path(tempfile.mkdtemp(prefix="qz-pipe-"))
        self.addCleanup(shutil.rmtree, folder)
        shutil.copy(BIN_DIR / "oeuvres.exe", folder)
        (folder / "question.qzd").write_bytes(b"1,2,3,4,5,6,7,8\r\n")
        try:
            status = subprocess.run([str(folder / "oeuvres.exe")], stderr=write_end,
                                    timeout=10).returncode
        finally:
            os.close(write_end)
        self.assertEqual(status, 1)
        self.assertEqual((folder / "question.qzd").read_bytes(), b"1,2,3,4,5,6,7,8\r\n")

    def test_a_folder_without_write_permission_is_named_as_the_cause(self):
        # Root writes in any folder: the module runs as nobody then.
        wrapper = (["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"]
                   if os.geteuid() == 0 else [])
        def prepare(folder):
            os.chmod(folder / "question.qzd", 0o666)  # the file itself may be written
            os.chmod(folder, 0o555)
        run = self.run_module(prepare=prepare, wrapper=wrapper)
        os.chmod(run.folder, 0o755)
        self.assertNotEqual(run.returncode, 0)
        self.assertEqual(only_line(run), "oeuvres.exe: cannot write in the folder of "
                                         "question.qzd: permission denied")
        self.assertEqual(run.record, HOST_RECORD)

    def test_a_symbolic_link_stays_a_link_and_its_target_gets_the_record(self):
        def prepare(folder):
            (folder / "host").mkdir()
            (folder / "host/record.txt").write_bytes(HOST_RECORD)
            os.symlink("host/record.txt", folder / "question.qzd")
        run = self.run_module(host_content=None, prepare=prepare)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(os.readlink(run.exchange), "host/record.txt")
        self.assertRegex(run.record, RECORD_LINE)
        self.assertEqual(sorted(p.name for p in run.folder.iterdir()),
                         ["host", "oeuvres.exe", "question.qzd"])
        self.assertEqual([p.name for p in (run.folder / "host").iterdir()], ["record.txt"])

    def test_the_record_reaches_the_disk_before_it_is_renamed_over_the_host_record(self):
        # Else a power cut after the rename can leave an empty question.qzd.
        trace = Path(tempfile.mkdtemp(prefix="qz-trace-")) / "calls"
        self.addCleanup(shutil.rmtree, trace.parent)
        # LeakSanitizer cannot run under ptrace; the sanitized build's other
        # checks still do.
        run = self.run_module(wrapper=["strace", "-f", "-qq", "-o", str(trace), "-e",
                                       "trace=fsync,fdatasync,rename,renameat,renameat2,linkat"],
                              environment={"ASAN_OPTIONS": "detect_leaks=0"})
        self.assertEqual(run.returncode, 0, run.stderr)
        calls = [line.split(None, 1)[1] for line in trace.read_text().splitlines()]
        renamed = [i for i, call in enumerate(calls)
                   if call.startswith("rename") and '/question.qzd"' in call]
        self.assertEqual(len(renamed), 1, calls)
        flushed = [call for call in calls[:renamed[0]]
                   if call.startswith(("fsync(", "fdatasync(")) and call.endswith("= 0")]
        self.assertTrue(flushed, calls)


class TemporaryFileFaults(unittest.TestCase):
    def test_abandoned_temporary_files_are_removed_and_none_fails_a_run(self):
        # Files that runs killed before their rename left: of the exact
        # pattern and an hour old (removed), of the pattern and fresh (a
        # concurrent run's, kept), of no pattern (kept). Among the last, one
        # for each process id the run may get, named after it: a temporary
        # name made from the process id alone would be taken.
        leftovers = [f".question.qzd.{pid}-0" for pid in range(4, 8192, 4)]
        def prepare(folder):
            for name in [".question.qzd.Ab12Cd", ".question.qzd.Xy34Zw", ".question.qzd.old",
                         *leftovers]:
                (folder / name).write_bytes(b"partial")
            an_hour_ago = time.time() - 3600
            for name in [".question.qzd.Ab12Cd", ".question.qzd.old"]:
                os.utime(folder / name, (an_hour_ago, an_hour_ago))
        run = ModuleRun("oeuvres.exe", prepare=prepare)
        self.addCleanup(run.cleanup)
        run.wait(timeout=30)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(sorted(p.name for p in run.folder.iterdir()),
                         sorted([".question.qzd.Xy34Zw", ".question.qzd.old", *leftovers,
                                 "oeuvres.exe", "question.qzd"]))


@linux_only
class ResourceArchiveFaults(unittest.TestCase):
    def test_a_damaged_resource_is_refused_naming_the_entry_and_the_fault(self):
        cases = {
            "size": "its sizes disagree (1093 stored, 4278191173 unpacked)",
            "offset": "no local header at its offset",
            "data": "CRC mismatch",
        }
        folder = Path(tempfile.mkdtemp(prefix="qz-archive-"))
        self.addCleanup(shutil.rmtree, folder)
        for how, fault in cases.items():
            with self.subTest(how):
                module = folder / "Treble7.exe"
                shutil.copy(BIN_DIR / "Treble7.exe", module)
                damage_archive(module, "IMAGES/100", how)
                result = subprocess.run(
                    [str(TOOLS_DIR / "qzres"), "extract", str(module), "images", "100"],
                    capture_output=True, timeout=30)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stdout, b"")
                self.assertEqual(result.stderr.decode(), "qzres: damaged resource archive in "
                                 f"Treble7.exe (entry IMAGES/100: {fault})\n")


@linux_only
class SoundStartFaults(unittest.TestCase):
    """What audio start-up can know is wrong ends the module before the
    exchange file is opened."""

    def run_treble7(self, soundfont=SOUNDFONT, library=FLUIDSYNTH, **options):
        run = ModuleRun("Treble7.exe", keep_literal_copy=True,
                        program=FIXTURES_DIR / "treble7_sound",
                        args=[str(soundfont), str(library)], **options)
        self.addCleanup(run.cleanup)
        return run.wait(timeout=60)

    def test_known_bad_sound_files_fail_at_start_and_keep_the_host_record(self):
        folder = Path(tempfile.mkdtemp(prefix="qz-sound-"))
        self.addCleanup(shutil.rmtree, folder)
        garbage = folder / "garbage.sf2"
        garbage.write_bytes(os.urandom(4096))
        runs = {
            "garbage soundfont": (self.run_treble7(soundfont=garbage), "cannot start audio: "
                                  f"soundfont {garbage} is not a SoundFont file"),
            "missing library": (self.run_treble7(library=folder / "libfluidsynth.so.3"),
                                "cannot start audio: synthesizer library "
                                f"{folder}/libfluidsynth.so.3 is missing"),
            "library a folder": (self.run_treble7(library=folder), "cannot start audio: "
                                 f"synthesizer library {folder} cannot be read: not a regular "
                                 "file (a folder)"),
            "damaged archive": (
                self.run_treble7(prepare=lambda f: damage_archive(f / "Treble7.exe",
                                                                  "DMSEG/15_DO", "size")),
                "damaged resource archive in Treble7.exe (entry DMSEG/15_DO: its sizes "
                "disagree (65 stored, 4278190145 unpacked))"),
        }
        for name, (run, cause) in runs.items():
            with self.subTest(name):
                self.assertNotEqual(run.returncode, 0)
                self.assertEqual(only_line(run), "Treble7.exe: " + cause)
                self.assertEqual(run.record, HOST_RECORD)
                self.assertLess(run.seconds, 2.5)

    def test_what_the_synthesizer_loads_fails_at_start_on_one_line(self):
        # FluidSynth, the libraries it loads and the soundfont are loaded at
        # start: their faults never leave a record, nor crash the module.
        folder = Path(tempfile.mkdtemp(prefix="qz-sound-"))
        self.addCleanup(shutil.rmtree, folder)
        body = b"sfbk" + os.urandom(4096)  # a whole RIFF chunk holding garbage
        soundfont = folder / "garbage.sf2"
        soundfont.write_bytes(b"RIFF" + struct.pack("<I", len(body)) + body)
        library = FLUIDSYNTH.read_bytes()
        cut_short = folder / "cut" / FLUIDSYNTH.name
        cut_short.parent.mkdir()
        cut_short.write_bytes(library[:len(library) * 3 // 5])  # its headers whole
        needs_missing = folder / "needs" / FLUIDSYNTH.name
        needs_missing.parent.mkdir()
        needs_missing.write_bytes(library.replace(b"libinstpatch-1.0.so", b"libinstpatcX-1.0.so"))
        zlib = FLUIDSYNTH.parent / "libz.so.1"  # of this machine's architecture
        runs = {
            "damaged soundfont": (self.run_treble7(soundfont=soundfont), "cannot load soundfont"),
            "library cut short": (self.run_treble7(library=cut_short), "cut short or damaged"),
            "a library it needs missing": (self.run_treble7(library=needs_missing),
                                           "libinstpatcX-1.0.so"),
            "another library": (self.run_treble7(library=zlib), "has no fluid_set_log_function"),
            "a library raising SIGFPE": (
                self.run_treble7(library=FIXTURES_DIR / "libdivide_by_zero.so"),
                "is cut short or damaged (SIGFPE while loading it)"),
            "a library printing and raising SIGABRT": (
                self.run_treble7(library=FIXTURES_DIR / "libabort_loudly.so"),
                "(SIGABRT while loading it) (libabort_loudly: a table is damaged)"),
        }
        if os.geteuid() == 0 and shutil.which("unshare"):
            # One it needs unreadable, for nobody, in a mount namespace of its own.
            needed = next(FLUIDSYNTH.parent.glob("libinstpatch-1.0.so.?"))
            unreadable = folder / "unreadable.so"
            unreadable.write_bytes(b"")
            unreadable.chmod(0)
            def prepare(module_folder):
                module_folder.chmod(0o777)
                (module_folder / "question.qzd").chmod(0o666)
            wrapper = ["unshare", "-m", "sh", "-c", f'mount --bind "{unreadable}" "{needed}" && '
                       'exec setpriv --reuid=65534 --regid=65534 --clear-groups -- "$0" "$@"']
            runs["a library it needs unreadable"] = (
                self.run_treble7(prepare=prepare, wrapper=wrapper),
                f"{needed.name}: cannot read {needed}: Permission denied")
        for name, (run, cause) in runs.items():
            with self.subTest(name):
                self.assertEqual(run.returncode, 1, "no crash")
                self.assertTrue(only_line(run).startswith("Treble7.exe: cannot start audio: "))
                self.assertIn(cause, only_line(run))
                self.assertEqual(run.record, HOST_RECORD)


class ModuleFileFaults(unittest.TestCase):
    def test_damaged_sounds_or_pictures_fail_before_the_record_whatever_is_drawn(self):
        for resource_type in ("DMSEG", "IMAGES"):
            with self.subTest(resource_type):
                run = ModuleRun("Bass7.exe", prepare=lambda folder, kind=resource_type:
                                self.assertGreater(damage_resources(folder / "Bass7.exe", kind), 0))
                self.addCleanup(run.cleanup)
                run.wait(timeout=60)
                self.assertEqual(run.returncode, 1)
                self.assertRegex(only_line(run), "^Bass7.exe: cannot load (sound|picture) \"")
                self.assertEqual(run.record, HOST_RECORD)
                self.assertLess(run.seconds, 2.5)

    def test_a_sound_that_fails_at_the_press_leaves_the_new_record_and_status_2(self):
        run = ModuleRun("Treble7.exe", keep_literal_copy=True, program=program("failing_press"))
        self.addCleanup(run.cleanup)
        run.wait(timeout=60)
        self.assertEqual(run.returncode, 2)
        self.assertEqual(only_line(run), "Treble7.exe: cannot play \"" + run.fields()[7] +
                                         "\": the output device went away")
        self.assertLess(run.seconds, 4.5, "ended at the press, not at the countdown's end")

    def test_a_renamed_module_alone_fails_at_start_for_want_of_its_own_file(self):
        # Its sounds are in the file its records name, Treble7.exe.
        run = ModuleRun("Treble7.exe", file_name="renamed-module" + PLATFORM.program_suffix)
        self.addCleanup(run.cleanup)
        run.wait(timeout=60)
        self.assertNotEqual(run.returncode, 0)
        self.assertEqual(only_line(run), "Treble7.exe: cannot open the resources of "
                                         "Treble7.exe: no such file")
        self.assertEqual(run.record, HOST_RECORD)
        self.assertLess(run.seconds, 2.5)


@runs_alone
@linux_only
class SoundServerFaults(unittest.TestCase):
    def test_a_sound_server_stopped_during_the_countdown_does_not_keep_the_module(self):
        server = PrivateSoundServer()
        self.addCleanup(server.close)
        run = ModuleRun("Treble7.exe", environment={"PULSE_SERVER": server.address})
        self.addCleanup(run.cleanup)
        time.sleep(1)
        server.process.send_signal(signal.SIGSTOP)
        run.wait(timeout=30)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertLess(run.seconds, 6.0, "the module outlived its countdown by over a second")

    def hold_clients(self, server, count):
        """`count` connections that never say a word, as idle clients."""
        clients = []
        for _ in range(count):
            client = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            client.connect(server.address.removeprefix("unix:"))
            clients.append(client)
        time.sleep(0.2)  # accepted by the server
        return clients

    def test_a_sound_server_that_refuses_for_a_moment_is_asked_again_within_two_seconds(self):
        # Not started yet, or its table of 64 clients full, for 0.3 to 0.5 s.
        for case in ("not started", "at its client limit"):
            with self.subTest(case):
                server = PrivateSoundServer(start=case != "not started")
                self.addCleanup(server.close)
                clients = self.hold_clients(server, 64) if server.process else []
                run = ModuleRun("Treble7.exe", environment={"PULSE_SERVER": server.address})
                self.addCleanup(run.cleanup)
                time.sleep(0.5 if clients else 0.3)
                for client in clients:
                    client.close()
                if not server.process:
                    server.start()
                run.wait(timeout=30)
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertEqual(run.stderr, b"")

    def test_a_module_stopped_before_its_record_keeps_the_host_record(self):
        # It waits for a sound server not yet started when the signal comes.
        for stop in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(stop.name):
                server = PrivateSoundServer(start=False)
                self.addCleanup(server.close)
                run = ModuleRun("Treble7.exe", environment={"PULSE_SERVER": server.address})
                self.addCleanup(run.cleanup)
                time.sleep(0.3)
                run.process.send_signal(stop)
                server.start()
                run.wait(timeout=30)
                self.assertEqual(run.returncode, 1)
                self.assertEqual(only_line(run), "Treble7.exe: cannot write question.qzd: "
                                                 f"stopped by {stop.name} before the record "
                                                 "was written")
                self.assertEqual(run.record, HOST_RECORD)

    def test_the_sound_clients_own_messages_never_reach_the_standard_error_stream(self):
        # As nobody, with a home the sound client cannot read its cookie from.
        server = PrivateSoundServer()
        self.addCleanup(server.close)
        wrapper = (["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"]
                   if os.geteuid() == 0 else [])
        def prepare(folder):
            folder.chmod(0o777)
            (folder / "question.qzd").chmod(0o666)
        run = ModuleRun("Treble7.exe", prepare=prepare, wrapper=wrapper,
                        environment={"PULSE_SERVER": server.address, "HOME": "/nonexistent"})
        self.addCleanup(run.cleanup)
        run.wait(timeout=30)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stderr, b"")

    @unittest.skipIf(SANITIZED, "the sanitizers' runtime needs descriptors of its own")
    def test_an_open_file_limit_fails_start_up_on_one_line(self):
        # With 5 files the client's messages cannot be kept; with 7 the
        # client prints them and they are folded into the line.
        for limit in (5, 7):
            with self.subTest(limit=limit):
                run = ModuleRun("instruments.exe", wrapper=[
                    "sh", "-c", f'ulimit -n {limit} && exec "$0" "$@"'])
                self.addCleanup(run.cleanup)
                run.wait(timeout=30)
                self.assertEqual(run.returncode, 1)
                self.assertRegex(only_line(run), "^instruments.exe: cannot start audio: cannot "
                                                 r"start the sound client \(PulseAudio\)")
                self.assertEqual(run.record, HOST_RECORD)

    def test_a_sound_server_that_never_answers_fails_start_up_within_seconds(self):
        folder = Path(tempfile.mkdtemp(prefix="qz-mute-"))
        self.addCleanup(shutil.rmtree, folder)
        mute = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.addCleanup(mute.close)
        mute.bind(str(folder / "native"))
        mute.listen(8)  # connections are accepted by the system and never answered
        run = ModuleRun("Treble7.exe", environment={"PULSE_SERVER": f"unix:{folder}/native"})
        self.addCleanup(run.cleanup)
        run.wait(timeout=60)
        self.assertNotEqual(run.returncode, 0)
        self.assertEqual(only_line(run), "Treble7.exe: cannot start audio: the sound server "
                                         "(PulseAudio) did not answer within 2 s")
        self.assertEqual(run.record, HOST_RECORD)
        self.assertLess(run.seconds, 4)


if __name__ == "__main__":
    unittest.main()
