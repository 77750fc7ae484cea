import unittest

from tests.e2e.support import HOST_RECORD, ModuleRun, runs_alone

NOTE_ANSWERS = {"Do", "Ré", "Mi", "Fa", "Sol", "La", "Si"}


@runs_alone
class Treble7EndToEnd(unittest.TestCase):
    """Treble7.exe run as a real process, the successes side by side."""

    @classmethod
    def setUpClass(cls):
        cls.runs = {
            "success": ModuleRun("Treble7.exe"),
            "renamed beside": ModuleRun("Treble7.exe", file_name="renamed-module",
                                        keep_literal_copy=True),
            "many lines": ModuleRun("Treble7.exe", host_content=b"1,2,3\n4,5\r\n6\r7,8,\"9\""),
            # A Windows user's folder: blanks and accents.
            "accented folder": ModuleRun("Treble7.exe", folder_name="Quiz musical Élève 3 "),
        }
        for run in cls.runs.values():
            run.wait()

    @classmethod
    def tearDownClass(cls):
        for run in cls.runs.values():
            run.cleanup()

    def test_writes_one_record_line_with_a_note_question(self):
        for name in ("success", "accented folder"):
            with self.subTest(name):
                self.check_note_record(self.runs[name])

    def check_note_record(self, run):
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stderr, b"")
        fields = run.fields()
        self.assertEqual(fields[0], "Quel est le nom de cette note?")
        self.assertEqual(len(set(fields[1:5])), 4)
        self.assertTrue(set(fields[1:5]) <= NOTE_ANSWERS)
        self.assertIn(fields[5], {"1", "2", "3", "4"})
        self.assertRegex(fields[6], r"^(0[1-9]|1\d|2\d)_(Do|re|Mi|Fa|Sol|La|Si)$")
        self.assertEqual(fields[6], fields[7])
        self.assertEqual(fields[8], "Treble7.exe")

    def test_lives_about_five_seconds(self):
        for name, run in self.runs.items():
            self.assertGreater(run.seconds, 4.8, name)
            self.assertLess(run.seconds, 6.5, name)

    def test_renamed_executable_still_names_and_plays_from_its_own_literal(self):
        # The sound comes from the file the record names, Treble7.exe (alone
        # under another name the module fails at start: test_faults.py).
        beside = self.runs["renamed beside"]
        self.assertEqual(beside.returncode, 0, beside.stderr)
        self.assertEqual(beside.fields()[8], "Treble7.exe")

    def test_host_fields_over_several_lines_are_consumed(self):
        run = self.runs["many lines"]
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.fields()[0], "Quel est le nom de cette note?")


class Treble7Failures(unittest.TestCase):
    """A bad request ends the module at once and leaves the host's record."""

    CASES = {
        "no file": (None, None, "cannot read question.qzd: no such file"),
        "empty file": (b"", None, "cannot read question.qzd: the file is empty"),
        "8 fields": (b'"a","b","c","d","e","f","g","h"\r\n', None,
                     "cannot read question.qzd: 8 fields, 9 needed"),
        "read-only": (HOST_RECORD, 0o444, "cannot write question.qzd: the file is read-only"),
    }

    def test_each_failure_reports_and_keeps_the_host_record(self):
        runs = {name: ModuleRun("Treble7.exe", host_content=content, mode=mode)
                for name, (content, mode, _) in self.CASES.items()}
        try:
            for name, run in runs.items():
                run.wait()
                message = self.CASES[name][2]
                with self.subTest(name):
                    self.assertNotEqual(run.returncode, 0)
                    self.assertTrue(run.stderr.decode().startswith("Treble7.exe: " + message),
                                    run.stderr)
                    self.assertEqual(run.stderr.count(b"\n"), 1)
                    self.assertEqual(run.record, run.host_content)
                    # At once, not at its countdown's end.
                    self.assertLess(run.seconds, 4)
                    leftovers = sorted(p.name for p in run.folder.iterdir())
                    expected = sorted([run.executable.name] +
                                      (["question.qzd"] if run.host_content is not None else []))
                    self.assertEqual(leftovers, expected)
        finally:
            for run in runs.values():
                run.cleanup()


if __name__ == "__main__":
    unittest.main()
