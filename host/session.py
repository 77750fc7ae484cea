"""Sessions: the questions of one module put one after another to a pupil.

Each session has its own folder, and in it one folder per module run, each
with its own link to the module file and its own exchange file, so that no
two runs ever share an exchange file. A question is the module run as a host
runs it; it is shown as soon as the record is on disk. The next question
starts at once in a folder whose module has ended, or in a new one, while
the previous module lives on to count down and play its sound.

The host's own folder (one per running host, locked while it runs) holds
the sessions' folders; those of a host that was killed are removed by the
next one to start.
"""

import fcntl
import os
import re
import secrets
import shutil
import subprocess
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path

from host.modules import (ModuleInfo, PictureError, UnknownModule, describe, extract_picture,
                          find_module)
from host.record import BLANK_PICTURE, EXCHANGE_FILE, HOST_REQUEST, NO_SOUND, parse_record
from host.results import ResultsLog

MAX_LENGTH = 50
RECORD_TIMEOUT = 15.0  # seconds; the modules write their record within milliseconds
POLL_INTERVAL = 0.005
MAX_FOLDERS = 12  # module runs at once per session: instruments lives 10 s
# A question already put in the session is drawn again, at most so often and
# for so long after the pupil asked; once a module gave one anyway it has no
# fresh question left, and the session's later questions may come again.
MAX_REDRAWS = 5
REDRAW_SECONDS = 0.5
HOST_FOLDER_PREFIX = "qz-serve-"
LOCK_FILE = "lock"
# A name as a class list writes it: letters first, then letters, digits,
# spaces, hyphens, apostrophes and dots.
PUPIL_NAME = re.compile(r"[^\W\d_][\w .'’-]{0,39}")
# The random id a browser keeps and sends with each start.
BROWSER_ID = re.compile(r"[\w-]{16,64}")
# Session labels alternate consonants and digits: never read as a number or a
# date by a spreadsheet, nor a word.
LABEL_LETTERS, LABEL_DIGITS = "bcdfghjkmnpqrstvwxz", "23456789"


def session_label() -> str:
    return "".join(secrets.choice(LABEL_LETTERS) + secrets.choice(LABEL_DIGITS)
                   for _ in range(3))


class SessionError(Exception):
    """A request the session cannot take now; the message says why, in French."""


class SessionLimit(SessionError):
    """Too many sessions at once, for the class or for one device."""


class SessionGone(LookupError):
    """A session the host no longer has: it restarted, or closed it idle."""


@dataclass
class Limits:
    sessions: int = 100          # sessions in progress in all
    # per address: a class behind one router shares one; each browser holds
    # one session at a time, so this only stops a device opening many
    sessions_per_client: int = 40
    idle_seconds: float = 600.0  # a session left this long is closed


class ModuleProcess:
    """A module started for one question: whether it still lives, and once it
    ended, its error line if it failed."""

    def __init__(self, popen: subprocess.Popen, name: str, lifetime: float):
        self._popen = popen
        self._name = name
        self._lifetime = lifetime
        self.started = time.monotonic()
        self._lock = threading.Lock()
        self._ended = False
        self._error: str | None = None

    def running(self) -> bool:
        return self._popen.poll() is None

    def remaining(self) -> float:
        """Seconds left of the module's countdown."""
        return max(0.0, self._lifetime - (time.monotonic() - self.started))

    def wait(self) -> str | None:
        """Waits for the module to end; its error line, None if it succeeded."""
        with self._lock:
            if not self._ended:
                _, stderr = self._popen.communicate()
                self._ended = True
                if self._popen.returncode != 0:
                    lines = stderr.decode(errors="replace").strip().splitlines()
                    self._error = (lines[-1] if lines else
                                   f"{self._name} failed (exit {self._popen.returncode})")
            return self._error

    def error(self) -> str | None:
        """The error line of a module that failed; None while it lives."""
        return None if self.running() else self.wait()

    def stop(self, reason: str | None = None) -> None:
        """Ends the module now; `reason` becomes its error line."""
        if self.running():
            self._popen.kill()
        self.wait()
        if reason:
            self._error = reason


@dataclass
class Question:
    number: int
    record: dict[str, str] | None = None
    error: str | None = None  # the module could not put the question
    picture: bytes | None = None
    picture_error: str | None = None
    shown_at: float = 0.0
    module_started: float = 0.0
    chosen: int | None = None
    seconds: float | None = None  # from the question shown to the answer

    @property
    def answers(self) -> list[str]:
        return [self.record[f"reponse{place}"] for place in range(1, 5)]

    @property
    def places(self) -> list[int]:
        return [place for place, answer in enumerate(self.answers, 1) if answer]

    @property
    def right_place(self) -> int:
        return int(self.record["bonne_reponse"])

    @property
    def right_answer(self) -> str:
        return self.answers[self.right_place - 1]

    @property
    def sound(self) -> str | None:
        """The name of the sound the module plays, None for none."""
        sound = self.record and self.record["musiques_sons"]
        return sound if sound and sound != NO_SOUND else None

    @property
    def identifies(self) -> str:
        """What tells this question from others of the same wording: its
        picture (a note's picture names the note), else its sound."""
        if self.record["image"] != BLANK_PICTURE:
            return self.record["image"]
        return self.sound or ""

    @property
    def key(self) -> tuple:
        """Two records with the same key put the same question."""
        return (self.record["question"], self.identifies, self.right_answer)

    @property
    def pending(self) -> bool:
        return self.error is None and self.chosen is None

    @property
    def correct(self) -> bool:
        return self.chosen == self.right_place


@dataclass
class RunFolder:
    """A folder of the session where one module runs at a time."""
    folder: Path
    module_file: Path
    process: ModuleProcess | None = field(default=None)


class Session:
    def __init__(self, module: ModuleInfo, length: int, launch, results: ResultsLog,
                 tools_dir: Path, folder: Path, pupil: str = "", client: str = "",
                 pictures: dict | None = None, browser: str | None = None):
        """`launch(module_file, folder)` starts a module file in its folder;
        `pictures` keeps the pictures read, by module file and name."""
        if not 1 <= length <= MAX_LENGTH:
            raise ValueError(f"a session has 1 to {MAX_LENGTH} questions, not {length}")
        self.id = secrets.token_urlsafe(12)  # the page's key to the session: kept secret
        self.label = session_label()          # names the session in the results file
        self.module = module
        self.length = length
        self.pupil = pupil
        self.client = client
        self.browser = browser
        self.questions: list[Question] = []
        self.started = time.monotonic()
        self.last_activity = self.started
        self._launch = launch
        self.results = results
        self._tools_dir = tools_dir
        self._runs: list[RunFolder] = []
        self._lock = threading.Lock()
        self.closed = False
        self.folder = folder
        self._exhausted = False  # the module gave a question already put, redrawn or not
        self._pictures = pictures if pictures is not None else {}

    @property
    def finished(self) -> bool:
        return len(self.questions) == self.length and not self.questions[-1].pending

    @property
    def live(self) -> bool:
        return not self.closed and not self.finished

    def next_question(self) -> Question:
        with self._lock:
            if len(self.questions) == self.length:
                raise SessionError(f"Les {self.length} questions de la session ont été posées.")
            if self.closed:
                raise SessionError("Cette session est terminée.")
            if self.questions and self.questions[-1].pending:
                raise SessionError(f"La question {len(self.questions)} attend encore sa réponse.")
            asked = time.monotonic()
            put = {question.key for question in self.questions if question.record}
            for redraws in range(MAX_REDRAWS + 1):
                question, process = self._put(len(self.questions) + 1)
                if not question.record or question.key not in put:
                    break
                if self._exhausted or redraws == MAX_REDRAWS or \
                        time.monotonic() - asked > REDRAW_SECONDS:
                    self._exhausted = True
                    break
                process.stop()  # a question already put: never shown, drawn again
            self.questions.append(question)
            self.last_activity = time.monotonic()
            self._close_when_finished()
            return question

    def answer(self, number: int, place: int) -> Question:
        """Judges the answer at `place` (1 to 4) to question `number`."""
        with self._lock:
            question = self.questions[-1] if self.questions else None
            if question is None or question.number != number:
                raise SessionError(f"La question {number} n’est pas celle qui est posée.")
            if question.error:
                raise SessionError(f"La question {number} n’a pas pu être posée.")
            if question.chosen is not None:
                raise SessionError(f"La question {number} a déjà sa réponse.")
            if place not in question.places:
                raise SessionError(f"La question {number} n’a pas de réponse {place}.")
            seconds = time.monotonic() - question.shown_at
            self.results.append(self.pupil, self.label, self.module.title,
                                question.record["question"], question.identifies,
                                question.answers[place - 1], question.right_answer,
                                place == question.right_place, seconds)
            question.chosen, question.seconds = place, seconds
            self.last_activity = time.monotonic()
            self._close_when_finished()
            return question

    def module_state(self) -> tuple[bool, float, str | None]:
        """Whether the last module started still lives, the seconds left of its
        countdown, and its error line if it failed."""
        processes = [run.process for run in self._runs if run.process]
        process = max(processes, key=lambda process: process.started, default=None)
        if process is None or not process.running():
            return False, 0.0, process.error() if process else None
        return True, process.remaining(), None

    def score(self) -> int:
        return sum(1 for question in self.questions if question.chosen and question.correct)

    def close(self, stop_modules: bool = False) -> None:
        """Removes the session's folder once its modules ended (at once when
        stop_modules says so)."""
        self.closed = True
        for run in list(self._runs):
            if run.process and stop_modules:
                run.process.stop()
            elif run.process:
                run.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def _close_when_finished(self) -> None:
        if self.finished:
            threading.Thread(target=self.close, daemon=True).start()

    def _free_run_folder(self) -> RunFolder:
        """A folder whose module has ended; a new one while there are fewer
        than MAX_FOLDERS, else the oldest once its module ends."""
        for run in self._runs:
            if run.process is None or not run.process.running():
                if run.process:
                    run.process.wait()
                return self._ready(run)
        if len(self._runs) < MAX_FOLDERS:
            folder = self.folder / str(len(self._runs) + 1)
            run = RunFolder(folder, folder / self.module.file.name)
            self._runs.append(run)
            return self._ready(run)
        oldest = min(self._runs, key=lambda run: run.process.started)
        oldest.process.wait()
        return self._ready(oldest)

    def _ready(self, run: RunFolder) -> RunFolder:
        """The folder with its module file, made again if it was removed."""
        if not run.module_file.exists():
            run.folder.mkdir(parents=True, exist_ok=True)
            try:
                os.link(self.module.file, run.module_file)
            except OSError:  # another file system
                shutil.copy2(self.module.file, run.module_file)
        return run

    def _put(self, number: int) -> tuple[Question, ModuleProcess | None]:
        question = Question(number)
        name = self.module.file.name
        try:
            run = self._free_run_folder()
            exchange = run.folder / EXCHANGE_FILE
            exchange.write_bytes(HOST_REQUEST)
            process = ModuleProcess(self._launch(run.module_file, run.folder), name,
                                    self.module.seconds)
        except OSError as error:
            question.error = f"{name}: cannot start: {error}"
            return question, None
        run.process = process
        question.module_started = process.started
        data = self._await_record(exchange, process)
        if data is None:
            question.error = process.error() or f"{name} wrote no question"
            return question, process
        try:
            question.record = parse_record(data)
            if question.right_place not in question.places:
                raise ValueError(f"field 6 names no answer: {question.record['bonne_reponse']}")
        except ValueError as error:
            question.record = None
            question.error = f"{name}: unreadable question: {error}"
            return question, process
        picture = question.record["image"]
        if picture != BLANK_PICTURE:
            key = (question.record["module"], picture.upper())
            try:
                if key not in self._pictures:
                    self._pictures[key] = extract_picture(
                        self._tools_dir, run.folder / question.record["module"], picture)
                question.picture = self._pictures[key]
            except PictureError as error:
                question.picture_error = str(error)
        question.shown_at = time.monotonic()
        return question, process

    def _await_record(self, exchange: Path, process: ModuleProcess) -> bytes | None:
        """The module's record once it replaced the host's; None when the
        module ended (or was stopped for taking too long) without one."""
        deadline = time.monotonic() + RECORD_TIMEOUT
        while True:
            # Whether it had ended is read first: a record written just before
            # the end is still found.
            ended = not process.running()
            try:
                data = exchange.read_bytes()
            except OSError:
                data = HOST_REQUEST
            if data != HOST_REQUEST:
                return data
            if ended:
                return None
            if time.monotonic() > deadline:
                process.stop(f"{self.module.file.name}: no question after "
                             f"{RECORD_TIMEOUT:.0f} s")
                return None
            time.sleep(POLL_INTERVAL)


class HostFolder:
    """The running host's folder in the work folder, locked while it runs so
    that a host started later knows it is no leftover; made again if it is
    removed."""

    def __init__(self, work_root: Path):
        self.work_root = work_root
        self.path = work_root / f"{HOST_FOLDER_PREFIX}{os.getpid()}-{secrets.token_hex(4)}"
        self._lock_file = None
        self._guard = threading.Lock()
        self.remove_leftovers()
        self.ensure()

    def ensure(self) -> Path:
        with self._guard:
            if self._lock_file is None or not (self.path / LOCK_FILE).exists():
                self.path.mkdir(parents=True, exist_ok=True)
                if self._lock_file:
                    self._lock_file.close()
                self._lock_file = open(self.path / LOCK_FILE, "w")  # noqa: SIM115 (kept open)
                fcntl.flock(self._lock_file, fcntl.LOCK_EX | fcntl.LOCK_NB)
        return self.path

    def remove_leftovers(self) -> None:
        """Removes the folders of hosts that no longer run."""
        for folder in self.work_root.glob(f"{HOST_FOLDER_PREFIX}*"):
            try:
                with open(folder / LOCK_FILE) as lock:
                    fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
            except BlockingIOError:
                continue  # a host that runs
            except OSError:
                pass  # no lock file: no host made it whole
            shutil.rmtree(folder, ignore_errors=True)

    def close(self) -> None:
        shutil.rmtree(self.path, ignore_errors=True)
        if self._lock_file:
            self._lock_file.close()


class Sessions:
    """The sessions in progress, by id, and what they share: where the
    modules are built, how they are run and the results file."""

    def __init__(self, bin_dir: Path, tools_dir: Path, results: ResultsLog, runner,
                 host_folder: HostFolder, sound_servers=None, limits: Limits | None = None):
        """Modules play into `sound_servers` (host/sound.py) when given, else
        where the runner's environment says."""
        self.bin_dir = bin_dir
        self.results = results
        self.host_folder = host_folder
        self.limits = limits or Limits()
        self.tools_dir = tools_dir
        self._runner = runner
        self._sound_servers = sound_servers
        self._sessions: dict[str, Session] = {}
        self._pictures: dict[tuple[str, str], bytes] = {}  # a few MB at most
        self._lock = threading.Lock()
        self._stopping = threading.Event()
        threading.Thread(target=self._close_idle_sessions, daemon=True).start()

    def start(self, module_name: str, length: int, pupil: str = "", client: str = "",
              previous: str | None = None, browser: str | None = None) -> Session:
        """A new session; the ones the same browser left (`previous`, or all
        of `browser`'s) are closed, so that reloads never use up the caps."""
        try:
            module = describe(find_module(self.bin_dir, module_name))
        except UnknownModule as error:
            raise UnknownModule(f"Il n’y a pas de module « {module_name} ».") from error
        if module is None:
            raise UnknownModule(f"« {module_name} » n’est pas un module du quiz.")
        if browser is not None and not BROWSER_ID.fullmatch(browser):
            browser = None
        with self._lock:
            left = [old for old in self._sessions.values()
                    if (old.id == previous and old.client == client) or
                    (browser and old.browser == browser)]
            for old in left:
                del self._sessions[old.id]
                threading.Thread(target=old.close, args=(True,), daemon=True).start()
            live = [session for session in self._sessions.values() if session.live]
            if len(live) >= self.limits.sessions:
                raise SessionLimit("La classe a déjà toutes les sessions que le serveur "
                                   "peut tenir : réessayez dans un moment.")
            if sum(session.client == client for session in live) >= \
                    self.limits.sessions_per_client:
                raise SessionLimit("Cet appareil a déjà trop de sessions ouvertes : terminez-en "
                                   "une ou attendez quelques minutes.")
            folder = self.host_folder.ensure() / f"session-{secrets.token_hex(8)}"
            folder.mkdir()
            session = Session(module, length, self._launch, self.results, self.tools_dir,
                              folder, pupil, client, self._pictures, browser)
            self._sessions[session.id] = session
        return session

    def get(self, session_id: str) -> Session:
        with self._lock:
            session = self._sessions.get(session_id)
        if session is None:
            raise SessionGone("Cette session n’existe plus : le serveur a peut-être "
                              "redémarré, ou elle était abandonnée depuis trop longtemps.")
        return session

    def live_count(self) -> int:
        with self._lock:
            return sum(session.live for session in self._sessions.values())

    def close_all(self) -> None:
        self._stopping.set()
        with self._lock:
            sessions, self._sessions = list(self._sessions.values()), {}
        for session in sessions:
            session.close(stop_modules=True)

    def _launch(self, module_file: Path, folder: Path) -> subprocess.Popen:
        if self._sound_servers is None:
            return self._runner.start(module_file, folder)
        return self._sound_servers.start(
            lambda environment: self._runner.start(module_file, folder, environment))

    def _close_idle_sessions(self) -> None:
        """Closes sessions left alone for the idle limit, their modules
        stopped, their folders removed; finished ones are forgotten then too."""
        while not self._stopping.wait(min(30.0, self.limits.idle_seconds / 4)):
            now = time.monotonic()
            with self._lock:
                idle = [session for session in self._sessions.values()
                        if now - session.last_activity > self.limits.idle_seconds]
                for session in idle:
                    del self._sessions[session.id]
            for session in idle:
                session.close(stop_modules=True)
