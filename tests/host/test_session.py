"""Sessions of the web host, driving stand-in modules: small programs that
write a record into their folder as a module does."""

import csv
import shutil
import sys
import tempfile
import time
import unittest
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from host.modules import ModuleInfo
from host.record import EXCHANGE_FILE
from host.results import COLUMNS, ResultsLog
from host.runner import NativeRunner
from host.session import Session, SessionError

STAND_IN = """#!{python}
import os, sys, time
folder = os.path.dirname(os.path.abspath(__file__))
exchange = os.path.join(folder, "question.qzd")
with open(os.path.join(folder, "runs.log"), "a") as log:
    log.write(f"start {{time.monotonic()}}\\n")
runs = sum(1 for line in open(os.path.join(folder, "runs.log")) if line.startswith("start"))
if runs <= {failing_runs}:
    sys.exit("Fake.exe: cannot open the sound output: Connection refused")
fields = ["Question de " + folder, "Un", "Deux", "Trois", "", "2", "100", "non", "Fake.exe"]
with open(exchange + ".new", "wb") as record:
    record.write((",".join(f'"{{field}}"' for field in fields) + "\\r\\n").encode("cp1252"))
os.replace(exchange + ".new", exchange)
time.sleep({lives})
with open(os.path.join(folder, "runs.log"), "a") as log:
    log.write(f"end {{time.monotonic()}}\\n")
"""


class SessionTest(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="qz-host-test-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.bin = self.work / "bin"
        self.bin.mkdir()
        self.results = ResultsLog(self.work / "resultats.csv")

    def session(self, length, lives=0.0, failing_runs=0) -> Session:
        module = self.bin / "Fake.exe"
        module.write_text(STAND_IN.format(python=sys.executable, lives=lives,
                                          failing_runs=failing_runs))
        module.chmod(0o755)
        info = ModuleInfo("fake", module, "Tests", "Fake", seconds=round(lives))
        session = Session(info, length, NativeRunner(), self.results, self.work, self.work)
        self.addCleanup(session.close, stop_module=True)
        return session

    def test_judges_each_answer_once_and_appends_it_to_the_results(self):
        session = self.session(length=2)
        first = session.next_question()
        self.assertEqual(first.answers, ["Un", "Deux", "Trois", ""])
        with self.assertRaisesRegex(SessionError, "question 1 is not answered yet"):
            session.next_question()
        self.assertTrue(session.answer(1, 2).correct)
        with self.assertRaisesRegex(SessionError, "question 1 is already answered"):
            session.answer(1, 1)
        session.next_question()
        with self.assertRaisesRegex(SessionError, r"answer 4 is not one of \[1, 2, 3\]"):
            session.answer(2, 4)
        self.assertFalse(session.answer(2, 1).correct)
        with self.assertRaisesRegex(SessionError, "all 2 questions"):
            session.next_question()
        self.assertTrue(session.finished)
        self.assertEqual(session.score(), 1)

        with self.results.path.open(encoding="utf-8-sig", newline="") as file:
            rows = list(csv.reader(file))
        self.assertEqual(rows[0], COLUMNS)
        self.assertEqual([row[1:5] for row in rows[1:]],
                         [["Fake.exe", first.record["question"], "Deux", "Deux"],
                          ["Fake.exe", first.record["question"], "Un", "Deux"]])
        self.assertRegex(rows[1][0], r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$")
        self.assertRegex(rows[1][5], r"^\d+\.\d$")

    def test_runs_its_own_copy_of_the_module_and_removes_it_when_finished(self):
        session = self.session(length=1)
        self.assertEqual(session.module_file, session.folder / "Fake.exe")
        question = session.next_question()
        self.assertEqual(question.record["question"], f"Question de {session.folder}")
        self.assertFalse((self.bin / EXCHANGE_FILE).exists())
        session.answer(1, 2)
        for _ in range(100):
            if not session.folder.exists():
                break
            time.sleep(0.05)
        self.assertFalse(session.folder.exists())

    def test_a_module_that_fails_shows_its_error_line_and_the_session_goes_on(self):
        session = self.session(length=2, failing_runs=1)
        failed = session.next_question()
        self.assertEqual(failed.error, "Fake.exe: cannot open the sound output: Connection refused")
        with self.assertRaisesRegex(SessionError, "question 1 could not be put: Fake.exe"):
            session.answer(1, 2)
        self.assertIsNone(session.next_question().error)
        self.assertTrue(session.answer(2, 2).correct)

    def test_shows_the_question_while_the_module_lives_and_waits_for_its_end(self):
        session = self.session(length=3, lives=1.0)
        started = time.monotonic()
        session.next_question()
        self.assertLess(time.monotonic() - started, 0.8)
        running, remaining, error = session.module_state()
        self.assertTrue(running)
        self.assertGreater(remaining, 0)
        self.assertIsNone(error)
        session.answer(1, 2)
        session.next_question()
        events = (session.folder / "runs.log").read_text().split()
        first_end, second_start = float(events[3]), float(events[5])
        self.assertEqual(events[::2], ["start", "end", "start"])
        self.assertGreaterEqual(second_start, first_end)

    def test_two_sessions_at_once_never_mix_their_questions(self):
        sessions = [self.session(length=3, lives=0.3) for _ in range(2)]

        def play(session):
            questions = []
            for number in range(1, 4):
                questions.append(session.next_question().record["question"])
                session.answer(number, 1)
            return questions

        with ThreadPoolExecutor(2) as pool:
            played = list(pool.map(play, sessions))
        for session, questions in zip(sessions, played):
            self.assertEqual(questions, [f"Question de {session.folder}"] * 3)


if __name__ == "__main__":
    unittest.main()
