"""Sound for the web host: the questions' sounds as WAVE files for the
pupils' browsers, and private silent sound servers for the modules it runs.

A module with sound needs a sound server to start. In a class the sound is
heard on each pupil's device, so by default the modules play into private
PulseAudio servers whose null sink is suspended: a module connects and
plays as usual, but no server asks it for samples, so twenty-five pupils'
modules cost the machine little and the teacher's speakers stay quiet.
One PulseAudio server takes 64 clients, so modules are spread over as many
servers as the class needs, the next one started before the others fill up.
"""

import hashlib
import os
import shutil
import socket
import subprocess
import threading
import time
from concurrent.futures import Future, ThreadPoolExecutor
from pathlib import Path

from host.modules import SoundError, UnknownModule, find_module, module_sound, run_tool

MODULES_PER_SERVER = 40  # past this, the next server is started
MAX_MODULES_PER_SERVER = 60  # below PulseAudio's 64 clients, with room for its own tools
MAX_SERVERS = 8
SERVER_START_TIMEOUT = 10.0


class PrivateSoundServer:
    """One PulseAudio server with a suspended null sink "qz", in a folder of
    its own, ended with the web host (even a killed one: it is started with a
    parent-death signal from a thread that lives as long as the host)."""

    def __init__(self, folder: Path):
        self.folder = folder
        self.socket = folder / "native"
        self.processes: list[subprocess.Popen] = []
        folder.mkdir(parents=True, exist_ok=True)
        folder.chmod(0o700)
        (folder / "home").mkdir(exist_ok=True)
        environment = {**os.environ, "HOME": str(folder / "home"), "XDG_RUNTIME_DIR": str(folder)}
        environment.pop("PULSE_SERVER", None)
        self._daemon = subprocess.Popen(
            ["setpriv", "--pdeathsig", "TERM", "pulseaudio", "-n", "--daemonize=no",
             "--exit-idle-time=-1", "--use-pid-file=no",
             "--load=module-null-sink sink_name=qz format=s16le rate=44100 channels=2",
             f"--load=module-native-protocol-unix auth-anonymous=1 socket={self.socket}",
             f"--log-target=file:{folder / 'pulse.log'}"],
            env=environment, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + SERVER_START_TIMEOUT
        while not self._answers():
            if self._daemon.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise OSError(f"the private sound server did not start (see {folder}/pulse.log)")
            time.sleep(0.02)
        try:
            subprocess.run(["pactl", "suspend-sink", "qz", "1"], env={
                **environment, "PULSE_SERVER": self.address}, capture_output=True, check=True)
        except (OSError, subprocess.CalledProcessError) as error:
            self.stop()
            raise OSError(f"cannot suspend the private sound server's sink: {error}") from error

    @property
    def address(self) -> str:
        return f"unix:{self.socket}"

    def alive(self) -> bool:
        return self._daemon.poll() is None and self.socket.exists()

    def live_modules(self) -> int:
        self.processes = [process for process in self.processes if process.poll() is None]
        return len(self.processes)

    def stop(self) -> None:
        if self._daemon.poll() is None:
            self._daemon.terminate()
            try:
                self._daemon.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self._daemon.kill()
                self._daemon.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def _answers(self) -> bool:
        if not self.socket.exists():
            return False
        with socket.socket(socket.AF_UNIX) as probe:
            try:
                probe.connect(str(self.socket))
                return True
            except OSError:
                return False


class PrivateSoundServers:
    """Where the modules play when their sound is heard in the browser."""

    def __init__(self, folder: Path):
        self.folder = folder
        self._servers: list[PrivateSoundServer] = []
        self._lock = threading.Lock()
        self._made = 0
        # Parent-death signals follow the thread that started the server:
        # this one lives as long as the host.
        self._launcher = ThreadPoolExecutor(1, thread_name_prefix="sound-servers")
        self._coming: Future | None = None
        self._servers.append(self._new_server().result())

    def start(self, start_module) -> subprocess.Popen:
        """Starts a module with `start_module(environment)`, playing into the
        least busy server."""
        while True:
            with self._lock:
                server, coming = self._least_busy()
                if server:
                    process = start_module({"PULSE_SERVER": server.address})
                    server.processes.append(process)
                    return process
            coming.result()  # every server is full: wait for the next one

    def close(self) -> None:
        with self._lock:
            for server in self._servers:
                server.stop()
            self._servers = []
        self._launcher.shutdown()

    def _least_busy(self) -> tuple[PrivateSoundServer | None, Future | None]:
        """The server with the fewest modules, None while all are full; a new
        server is started once the least busy one passes MODULES_PER_SERVER,
        or one that was removed or died is replaced."""
        if self._coming and self._coming.done():
            if not self._coming.exception():
                self._servers.append(self._coming.result())
            self._coming = None
        for gone in [server for server in self._servers if not server.alive()]:
            gone.stop()
            self._servers.remove(gone)
        server = min(self._servers, key=PrivateSoundServer.live_modules, default=None)
        load = server.live_modules() if server else MAX_MODULES_PER_SERVER
        if load >= MODULES_PER_SERVER and not self._coming and len(self._servers) < MAX_SERVERS:
            self._coming = self._new_server()
        if load >= MAX_MODULES_PER_SERVER and self._coming:
            return None, self._coming
        return server, None  # past MAX_SERVERS, a module that finds no room says so

    def _new_server(self) -> Future:
        self._made += 1
        return self._launcher.submit(PrivateSoundServer, self.folder / f"sound-{self._made}")


class SoundLibrary:
    """The questions' sounds as WAVE files, kept on disk for the host's life:
    a recording as the module file carries it, a note rendered once (about
    0.3 s) for all the modules that carry the same MIDI file. They come from
    the module files of this machine in `bin_dir`, which carry the same
    sounds as the Windows ones."""

    def __init__(self, tools_dir: Path, bin_dir: Path, folder: Path):
        self._tools_dir = tools_dir
        self._bin_dir = bin_dir
        self._folder = folder
        self._files: dict[tuple[str, str], Path] = {}
        self._locks: dict[str, threading.Lock] = {}
        self._lock = threading.Lock()

    def file(self, module_name: str, name: str) -> Path:
        """The WAVE file of sound `name` of module `module_name` (its record
        literal); raises SoundError."""
        known = self._files.get((module_name, name.upper()))
        if known and known.exists():
            return known
        try:
            module_file = find_module(self._bin_dir, module_name)
        except UnknownModule as error:
            raise SoundError(str(error)) from error
        sound = run_tool(self._tools_dir, ["qzres", "extract", str(module_file), "DMSEG", name],
                         SoundError)
        wave = self._folder / f"{hashlib.sha256(sound).hexdigest()}.wav"
        with self._lock:
            lock = self._locks.setdefault(wave.name, threading.Lock())
        with lock:
            if not wave.exists():
                self._folder.mkdir(parents=True, exist_ok=True)
                made = wave.with_name(wave.name + ".part")
                made.write_bytes(sound if sound.startswith(b"RIFF") else
                                 module_sound(self._tools_dir, module_file, name))
                made.replace(wave)
        self._files[(module_name, name.upper())] = wave
        return wave

    def make_all(self, module_names: list[str]) -> None:
        """Makes every sound of the modules ahead of the class, in the
        background at the lowest priority."""
        def make():
            os.nice(19)  # this thread only: the class comes first
            for module_name in module_names:
                try:
                    listing = run_tool(self._tools_dir, ["qzres", "list", str(
                        find_module(self._bin_dir, module_name))], SoundError).decode()
                    for line in listing.splitlines():
                        kind, name, _ = line.split()
                        if kind == "DMSEG":
                            self.file(module_name, name)
                except (SoundError, UnknownModule):
                    continue  # made when asked for, or reported then
        threading.Thread(target=make, daemon=True, name="sounds-ahead").start()


def sound_server_answers(environment: dict[str, str] | None = None) -> bool:
    """Whether the sound server the modules would play into answers; True
    where pactl is missing, and the module says what went wrong."""
    if not shutil.which("pactl"):
        return True
    return subprocess.run(["pactl", "info"], capture_output=True, check=False,
                          env=environment).returncode == 0
