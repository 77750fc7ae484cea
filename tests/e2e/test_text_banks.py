import unittest

from tests.e2e.support import BIN_DIR, PLATFORM, ModuleRun
from tests.e2e.test_note_modules import CARRIED_TYPES

BANKS = {"oeuvres.exe": 344, "theorie.exe": 75}


class TextBanksEndToEnd(unittest.TestCase):
    """oeuvres.exe and theorie.exe as real processes: no window, no sound."""

    def test_write_a_three_answer_record_and_end_at_once(self):
        for literal in BANKS:
            for _ in range(5):
                run = ModuleRun(literal).wait()
                try:
                    with self.subTest(literal):
                        self.assertEqual(run.returncode, 0, run.stderr)
                        self.assertEqual(run.stderr, b"")
                        fields = run.fields()
                        self.assertTrue(fields[0] and fields[1] and fields[2] and fields[3])
                        self.assertEqual(fields[4], "")
                        self.assertIn(fields[5], {"1", "2", "3"})
                        self.assertEqual(fields[6:], ["100", "non", literal])
                        self.assertLess(run.seconds, 1.0)
                finally:
                    run.cleanup()

    def test_without_a_host_record_fails_and_creates_nothing(self):
        for literal in BANKS:
            run = ModuleRun(literal, host_content=None).wait()
            try:
                self.assertNotEqual(run.returncode, 0)
                self.assertEqual(run.stderr.decode(),
                                 f"{literal}: cannot read question.qzd: no such file\n")
                self.assertIsNone(run.record)
            finally:
                run.cleanup()

    def test_carry_only_the_blank_picture_icon_and_version(self):
        blanks = set()
        for literal in BANKS:
            resources = PLATFORM.resources(BIN_DIR / literal)
            carried = sorted(key for key in resources if key.startswith(CARRIED_TYPES))
            self.assertEqual(carried, ["ICON/1", "IMAGES/100", "VERSION/1"])
            blanks.add(resources["IMAGES/100"])
        blanks.add(PLATFORM.resources(BIN_DIR / "Treble7.exe")["IMAGES/100"])
        self.assertEqual(len(blanks), 1)


if __name__ == "__main__":
    unittest.main()
