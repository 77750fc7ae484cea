"""Sound for the web host: the questions' sounds as WAVE files for the
pupils' browsers, and private silent sound servers for the modules it runs.

A module with sound needs a sound server to start. In a class the sound is
heard on each pupil's device, so by default the modules play into private
PulseAudio servers with a null sink, and the teacher's speakers stay quiet.
One PulseAudio server takes 64 clients, so modules are spread over as many
servers as the class needs, each kept below that."""

import os
import shutil
import socket
import subprocess
import threading
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from host.modules import SoundError, module_sound

MODULES_PER_SERVER = 48  # below PulseAudio's 64 clients, with room for its own tools
MAX_SERVERS = 8
SERVER_START_TIMEOUT = 10.0


class PrivateSoundServer:
    """One PulseAudio server with a null sink, in a folder of its own, ended
    with the web host (even a killed one: it is started with a parent-death
    signal from a thread that lives as long as the host)."""

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
        self._servers.append(self._new_server())

    def start(self, start_module) -> subprocess.Popen:
        """Starts a module with `start_module(environment)`, playing into the
        least busy server."""
        with self._lock:
            for gone in [server for server in self._servers if not server.alive()]:
                gone.stop()  # its folder was removed, or it died: a new one replaces it
                self._servers.remove(gone)
            server = min(self._servers, key=PrivateSoundServer.live_modules, default=None)
            if server is None or (server.live_modules() >= MODULES_PER_SERVER
                                  and len(self._servers) < MAX_SERVERS):
                server = self._new_server()
                self._servers.append(server)
            process = start_module({"PULSE_SERVER": server.address})
            server.processes.append(process)
            return process

    def live_modules(self) -> int:
        with self._lock:
            return sum(server.live_modules() for server in self._servers)

    def close(self) -> None:
        with self._lock:
            for server in self._servers:
                server.stop()
            self._servers = []
        self._launcher.shutdown()

    def _new_server(self) -> PrivateSoundServer:
        self._made += 1
        folder = self.folder / f"sound-{self._made}"
        return self._launcher.submit(PrivateSoundServer, folder).result()


class SoundLibrary:
    """The questions' sounds as WAVE files, made once per module and sound
    (a note takes about 0.3 s to render) and kept on disk for the host's
    life."""

    def __init__(self, tools_dir: Path, folder: Path):
        self._tools_dir = tools_dir
        self._folder = folder
        self._locks: dict[str, threading.Lock] = {}
        self._lock = threading.Lock()

    def file(self, module_file: Path, name: str) -> Path:
        """The WAVE file of sound `name` of module_file; raises SoundError."""
        key = f"{module_file.name}-{name.upper()}.wav"
        if "/" in key or key.startswith("."):
            raise SoundError(f"no sound named {name!r}")
        wave = self._folder / key
        with self._lock:
            lock = self._locks.setdefault(key, threading.Lock())
        with lock:
            if not wave.exists():
                self._folder.mkdir(parents=True, exist_ok=True)
                made = wave.with_name(wave.name + ".part")
                made.write_bytes(module_sound(self._tools_dir, module_file, name))
                made.replace(wave)
        return wave
