"""Sessions: the questions of one module put one after another to a pupil.

Each session has its own folder holding its own copy of the module, so that
two sessions never share an exchange file. A question is the module run there
as a host runs it; it is shown as soon as the record is on disk, while the
module may live on to count down and play its sound. The next module starts
in that folder only once the previous one ended.
"""

import secrets
import shutil
import subprocess
import tempfile
import threading
import time
from dataclasses import dataclass
from pathlib import Path

from host.modules import ModuleInfo, PictureError, describe, extract_picture, find_module
from host.record import BLANK_PICTURE, EXCHANGE_FILE, HOST_REQUEST, NO_SOUND, parse_record
from host.results import ResultsLog

MAX_LENGTH = 50
RECORD_TIMEOUT = 15.0  # seconds; the modules write their record within milliseconds
POLL_INTERVAL = 0.005
IDLE_LIMIT = 3 * 3600  # seconds after which a session left open is closed


class SessionError(Exception):
    """A request the session cannot take now; the message says why."""


class ModuleProcess:
    """A module started for one question: whether it still lives, and once it
    ended, its error line if it failed."""

    def __init__(self, popen: subprocess.Popen, name: str, lifetime: float):
        self._popen = popen
        self._name = name
        self._lifetime = lifetime
        self._started = time.monotonic()
        self._lock = threading.Lock()
        self._ended = False
        self._error: str | None = None

    def running(self) -> bool:
        return self._popen.poll() is None

    def remaining(self) -> float:
        """Seconds left of the module's countdown."""
        return max(0.0, self._lifetime - (time.monotonic() - self._started))

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
    def has_sound(self) -> bool:
        return self.record is not None and self.record["musiques_sons"] != NO_SOUND

    @property
    def pending(self) -> bool:
        return self.error is None and self.chosen is None

    @property
    def correct(self) -> bool:
        return self.chosen == self.right_place


class Session:
    def __init__(self, module: ModuleInfo, length: int, runner, results: ResultsLog,
                 tools_dir: Path, work_root: Path | None = None):
        if not 1 <= length <= MAX_LENGTH:
            raise ValueError(f"a session has 1 to {MAX_LENGTH} questions, not {length}")
        self.id = secrets.token_urlsafe(12)
        self.module = module
        self.length = length
        self.questions: list[Question] = []
        self.started = time.monotonic()
        self.last_activity = self.started
        self._runner = runner
        self.results = results
        self._tools_dir = tools_dir
        self._process: ModuleProcess | None = None
        self._lock = threading.Lock()
        self._closed = False
        self.folder = Path(tempfile.mkdtemp(prefix="qz-session-", dir=work_root))
        self.module_file = self.folder / module.file.name
        try:
            shutil.copy2(module.file, self.module_file)
        except OSError:
            shutil.rmtree(self.folder, ignore_errors=True)
            raise

    @property
    def finished(self) -> bool:
        return len(self.questions) == self.length and not self.questions[-1].pending

    def next_question(self) -> Question:
        with self._lock:
            if len(self.questions) == self.length:
                raise SessionError(f"all {self.length} questions of the session were put")
            if self.questions and self.questions[-1].pending:
                raise SessionError(f"question {len(self.questions)} is not answered yet")
            if self._process:
                self._process.wait()
            if self._closed:
                raise SessionError("the session is closed")
            question = self._put(len(self.questions) + 1)
            self.questions.append(question)
            self.last_activity = time.monotonic()
            self._close_when_finished()
            return question

    def answer(self, number: int, place: int) -> Question:
        """Judges the answer at `place` (1 to 4) to question `number`."""
        with self._lock:
            question = self.questions[-1] if self.questions else None
            if question is None or question.number != number:
                raise SessionError(f"question {number} is not the question being asked")
            if question.error:
                raise SessionError(f"question {number} could not be put: {question.error}")
            if question.chosen is not None:
                raise SessionError(f"question {number} is already answered")
            if place not in question.places:
                raise SessionError(f"answer {place} is not one of {question.places}")
            seconds = time.monotonic() - question.shown_at
            self.results.append(question.record["module"], question.record["question"],
                                 question.answers[place - 1], question.right_answer, seconds)
            question.chosen, question.seconds = place, seconds
            self.last_activity = time.monotonic()
            self._close_when_finished()
            return question

    def module_state(self) -> tuple[bool, float, str | None]:
        """Whether the last module started still lives, the seconds left of its
        countdown, and its error line if it failed."""
        process = self._process
        if process is None or not process.running():
            return False, 0.0, process.error() if process else None
        return True, process.remaining(), None

    def score(self) -> int:
        return sum(1 for question in self.questions if question.chosen and question.correct)

    def close(self, stop_module: bool = False) -> None:
        """Removes the session's folder once its module ended (at once when
        stop_module says so)."""
        self._closed = True
        if self._process:
            if stop_module:
                self._process.stop()
            else:
                self._process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def _close_when_finished(self) -> None:
        if self.finished:
            threading.Thread(target=self.close, daemon=True).start()

    def _put(self, number: int) -> Question:
        question = Question(number)
        name = self.module_file.name
        exchange = self.folder / EXCHANGE_FILE
        try:
            exchange.write_bytes(HOST_REQUEST)
            process = ModuleProcess(self._runner.start(self.module_file, self.folder), name,
                                    self.module.seconds)
        except OSError as error:
            question.error = f"{name}: cannot start: {error}"
            return question
        self._process = process
        data = self._await_record(exchange, process)
        if data is None:
            question.error = process.error() or f"{name} wrote no question"
            return question
        try:
            question.record = parse_record(data)
            if question.right_place not in question.places:
                raise ValueError(f"field 6 names no answer: {question.record['bonne_reponse']}")
        except ValueError as error:
            question.record = None
            question.error = f"{name}: unreadable question: {error}"
            return question
        picture = question.record["image"]
        if picture != BLANK_PICTURE:
            try:
                question.picture = extract_picture(self._tools_dir,
                                                   self.folder / question.record["module"],
                                                   picture)
            except PictureError as error:
                question.picture_error = str(error)
        question.shown_at = time.monotonic()
        return question

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
                process.stop(f"{self.module_file.name}: no question after {RECORD_TIMEOUT:.0f} s")
                return None
            time.sleep(POLL_INTERVAL)


class Sessions:
    """The sessions in progress, by id, and what they share: where the
    modules are built, how they are run and the results file."""

    def __init__(self, bin_dir: Path, tools_dir: Path, results: ResultsLog, runner,
                 work_root: Path | None = None):
        self.bin_dir = bin_dir
        self.results = results
        self._tools_dir = tools_dir
        self._runner = runner
        self._work_root = work_root
        self._sessions: dict[str, Session] = {}
        self._lock = threading.Lock()

    def start(self, module_name: str, length: int) -> Session:
        module = describe(find_module(self.bin_dir, module_name))
        if module is None:
            raise ValueError(f"{module_name} is not a quiz module")
        session = Session(module, length, self._runner, self.results, self._tools_dir,
                          self._work_root)
        with self._lock:
            self._close_idle()
            self._sessions[session.id] = session
        return session

    def get(self, session_id: str) -> Session:
        with self._lock:
            session = self._sessions.get(session_id)
        if session is None:
            raise KeyError(f"no session {session_id} (the host may have been restarted)")
        return session

    def close_all(self) -> None:
        with self._lock:
            sessions, self._sessions = list(self._sessions.values()), {}
        for session in sessions:
            session.close(stop_module=True)

    def _close_idle(self) -> None:
        now = time.monotonic()
        for session_id, session in list(self._sessions.items()):
            if now - session.last_activity > IDLE_LIMIT:
                del self._sessions[session_id]
                threading.Thread(target=session.close, daemon=True).start()
