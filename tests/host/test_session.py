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
from host.results import COLUMNS, ResultsFileError, ResultsLog
from host.runner import NativeRunner
from host.session import MAX_REDRAWS, Session, SessionError

STAND_IN = """#!{python}
import os, sys, time
folder = os.path.dirname(os.path.abspath(__file__))
exchange = os.path.join(folder, "question.qzd")
runs_log = os.path.join(os.path.dirname(folder), "runs.log")  # the session's
with open(runs_log, "a") as log:
    log.write(f"start {{time.monotonic()}}\\n")
runs = sum(1 for line in open(runs_log) if line.startswith("start"))
if runs <= {failing_runs}:
    sys.exit("Fake.exe: cannot open the sound output: Connection refused")
questions = {questions!r}
fields = [questions[(runs - 1) % len(questions)], "Un", "Deux", {third}, "", "2", "100", "non",
          "Fake.exe"]
with open(exchange + ".new", "wb") as record:
    record.write((",".join(f'"{{field}}"' for field in fields) + "\\r\\n").encode("cp1252"))
os.replace(exchange + ".new", exchange)
time.sleep({lives})
with open(runs_log, "a") as log:
    log.write(f"end {{time.monotonic()}}\\n")
"""


def write_stand_in(path: Path, lives=0.0, failing_runs=0, questions=None,
                   folder_as_answer=True) -> None:
    """A module that writes the next of `questions` (all different by
    default) with the folder it ran in as answer 3, and lives `lives` s."""
    path.write_text(STAND_IN.format(python=sys.executable, lives=lives, failing_runs=failing_runs,
                                    questions=questions or [f"Question {n}" for n in range(99)],
                                    third="folder" if folder_as_answer else '"Trois"'))
    path.chmod(0o755)


class SessionTest(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="qz-host-test-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.bin = self.work / "bin"
        self.bin.mkdir()
        self.results = ResultsLog(self.work / "resultats.csv")

    def session(self, length, lives=0.0, failing_runs=0, questions=None) -> Session:
        module = self.bin / "Fake.exe"
        write_stand_in(module, lives, failing_runs, questions)
        info = ModuleInfo("fake", module, "Tests", "Fake", seconds=round(lives))
        folder = Path(tempfile.mkdtemp(dir=self.work))
        session = Session(info, length, NativeRunner().start, self.results, self.work, folder,
                          pupil="Zoé")
        self.addCleanup(session.close, stop_modules=True)
        return session

    def runs(self, session) -> int:
        return (session.folder / "runs.log").read_text().count("start")

    def test_judges_each_answer_once_and_appends_it_to_the_results(self):
        session = self.session(length=2)
        first = session.next_question()
        self.assertEqual(first.answers[:2], ["Un", "Deux"])
        with self.assertRaisesRegex(SessionError, "La question 1 attend encore sa réponse"):
            session.next_question()
        self.assertTrue(session.answer(1, 2).correct)
        with self.assertRaisesRegex(SessionError, "La question 1 a déjà sa réponse"):
            session.answer(1, 1)
        second = session.next_question()
        with self.assertRaisesRegex(SessionError, "La question 2 n’a pas de réponse 4"):
            session.answer(2, 4)
        self.assertFalse(session.answer(2, 1).correct)
        with self.assertRaisesRegex(SessionError, "Les 2 questions"):
            session.next_question()
        self.assertTrue(session.finished)
        self.assertEqual(session.score(), 1)

        with self.results.path.open(encoding="utf-8-sig", newline="") as file:
            rows = list(csv.reader(file, delimiter=";"))
        self.assertEqual(rows[0], COLUMNS)
        self.assertEqual([row[1:10:] for row in rows[1:]],
                         [["Zoé", session.label, "Fake", first.record["question"], "",
                           "Deux", "Deux", "oui", rows[1][9]],
                          ["Zoé", session.label, "Fake", second.record["question"], "",
                           "Un", "Deux", "non", rows[2][9]]])
        self.assertRegex(rows[1][0], r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$")
        self.assertRegex(rows[1][9], r"^\d+,\d$")
        self.assertNotIn(session.id, self.results.path.read_text(encoding="utf-8-sig"))

    def test_a_module_that_fails_shows_its_error_line_and_the_session_goes_on(self):
        session = self.session(length=2, failing_runs=1)
        failed = session.next_question()
        self.assertEqual(failed.error, "Fake.exe: cannot open the sound output: Connection refused")
        with self.assertRaisesRegex(SessionError, "La question 1 n’a pas pu être posée"):
            session.answer(1, 2)
        self.assertIsNone(session.next_question().error)
        self.assertTrue(session.answer(2, 2).correct)

    def test_the_next_question_starts_at_once_while_the_modules_live_their_whole_life(self):
        session = self.session(length=3, lives=1.0)
        folders = []
        for number in range(1, 4):
            started = time.monotonic()
            folders.append(session.next_question().answers[2])
            self.assertLess(time.monotonic() - started, 0.8)
            running, remaining, error = session.module_state()
            self.assertTrue(running)
            self.assertGreater(remaining, 0)
            self.assertIsNone(error)
            session.answer(number, 2)
        self.assertEqual(len(set(folders)), 3, "each module has a folder of its own")
        self.assertTrue(all(Path(folder).parent == session.folder for folder in folders))
        self.assertFalse((self.bin / EXCHANGE_FILE).exists())
        for _ in range(100):  # finished: removed once the three modules ended
            if not session.folder.exists():
                break
            time.sleep(0.05)
        self.assertFalse(session.folder.exists())

    def test_a_question_already_put_is_drawn_again_a_bounded_number_of_times(self):
        session = self.session(length=3, questions=["A", "A", "B", "A", "B", "C"])
        put = []
        for number in range(1, 4):
            put.append(session.next_question().record["question"])
            session.answer(number, 2)
        self.assertEqual(put, ["A", "B", "C"])
        # A module with one question: drawn again a few times, then no more.
        only = self.session(length=3, questions=["A"])
        only.next_question()
        only.answer(1, 2)
        self.assertEqual(only.next_question().record["question"], "A")
        self.assertIn(self.runs(only), range(2, MAX_REDRAWS + 3))
        runs = self.runs(only)
        only.answer(2, 2)
        only.next_question()
        self.assertEqual(self.runs(only), runs + 1)

    def test_two_sessions_at_once_never_mix_their_questions(self):
        sessions = [self.session(length=3, lives=0.3) for _ in range(2)]

        def play(session):
            folders = []
            for number in range(1, 4):
                folders.append(session.next_question().answers[2])
                session.answer(number, 1)
            return folders

        with ThreadPoolExecutor(2) as pool:
            played = list(pool.map(play, sessions))
        for session, folders in zip(sessions, played):
            self.assertTrue(all(Path(folder).parent == session.folder for folder in folders))


class ResultsFileTest(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="qz-results-test-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.path = self.work / "resultats.csv"

    def test_an_older_file_is_rewritten_once_and_kept_and_other_columns_are_left_alone(self):
        old = ("\ufeff" + ",".join(COLUMNS) + "\r\n"
               '2026-01-05 10:00:00,Léa,123456,Treble4.exe,"Quelle note ?",17_Mi,Fa,Mi,non,3.6\r\n')
        self.path.write_text(old, encoding="utf-8")
        log = ResultsLog(self.path)
        kept = log.open_or_create({"Treble4.exe": "Lecture de notes, clé de sol, niveau 4"})
        self.assertEqual(kept.read_bytes(), old.encode())
        log.append("Zoé", "k2m3p4", "Instruments", "Ces instruments sont des", "36_maracas",
                   "Cloches", "Maracas", False, 1.25)
        self.assertEqual([(row["élève"], row["session"], row["module"], row["temps (s)"])
                          for row in log.rows("2026-01-05")],
                         [("Léa", "s123456", "Lecture de notes, clé de sol, niveau 4", "3,6")])
        self.assertEqual(len(log.days()), 2)
        self.assertIsNone(ResultsLog(self.path).open_or_create(), "rewritten once only")

        for lines in ["élève;note\r\n", "élève,note\r\n"]:
            with self.subTest(lines):
                self.path.write_text(lines, encoding="utf-8")
                with self.assertRaisesRegex(ResultsFileError, "other columns"):
                    ResultsLog(self.path).open_or_create()
                self.assertEqual(self.path.read_bytes(), lines.encode())


if __name__ == "__main__":
    unittest.main()
