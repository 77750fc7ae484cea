import os
import tempfile
import time
import unittest

from tests.e2e.sound import SILENCE, Capture, sound_server_answers
from tests.e2e.support import BIN_DIR, PLATFORM, ModuleRun, program, runs_alone
from tests.e2e.test_note_modules import jpeg_frame


def wave_chunks(data):
    """The chunk ids of a RIFF WAVE file, in order."""
    ids, at = [], 12
    while at + 8 <= len(data):
        ids.append(data[at:at + 4])
        at += 8 + int.from_bytes(data[at + 4:at + 8], "little")
        at += at % 2
    return ids


@runs_alone
class InstrumentsEndToEnd(unittest.TestCase):
    def test_writes_a_record_of_one_kind_and_lives_ten_seconds(self):
        run = ModuleRun("instruments.exe").wait()
        try:
            self.assertEqual(run.returncode, 0, run.stderr)
            fields = run.fields()
            self.assertEqual(fields[8], "instruments.exe")
            self.assertFalse(fields[6] != "100" and fields[7] != "non",
                             "a record never names both a picture and a sound")
            if fields[4] == "":
                self.assertIn(fields[5], {"1", "2", "3"})
            self.assertGreater(run.seconds, 9.8)
            self.assertLess(run.seconds, 11.5)
        finally:
            run.cleanup()

    def test_carries_the_pictures_and_recordings_its_rows_name(self):
        resources = PLATFORM.resources(BIN_DIR / "instruments.exe")
        pictures = sorted(n for n in resources if n.startswith("IMAGES/") and n != "IMAGES/100")
        sounds = sorted(n for n in resources if n.startswith("DMSEG/"))
        self.assertEqual(len(pictures), 41)
        self.assertEqual(len(sounds), 25)
        for name in pictures:
            self.assertEqual(jpeg_frame(resources[name]), (146, 200, 3, True), name)
        padded = 0
        for name in sounds:
            chunks = wave_chunks(resources[name])
            self.assertEqual(chunks[0], b"fmt ", name)
            self.assertEqual(chunks[-1], b"data", name)
            padded += len(chunks) > 2
        self.assertEqual(padded, 17)


@runs_alone
@unittest.skipUnless(sound_server_answers() or os.environ.get("CI"),
                     "no sound server (scripts/with-sound-server starts one)")
class InstrumentsPlay(unittest.TestCase):
    """instruments.exe's own bank with the row chosen by the test."""

    def run_row(self, row):
        with tempfile.TemporaryDirectory() as folder:
            capture = Capture(os.path.join(folder, "capture.raw"))
            time.sleep(1.5)  # the idle sink delivers its first block late
            # Stopped whatever happens: a recorder left running holds the
            # test runner's output open, and the run waits for its timeout.
            try:
                run = ModuleRun("instruments.exe", keep_literal_copy=True,
                                program=program("instruments_row"), args=[str(row)])
                run.wait()
                time.sleep(0.3)
            finally:
                capture.stop()
        self.addCleanup(run.cleanup)
        self.assertEqual(run.returncode, 0, run.stderr)
        return run, capture

    def test_a_listening_question_sounds_from_the_third_tick_and_ends_at_ten_seconds(self):
        run, capture = self.run_row(98)  # the piano, a recording with a LIST chunk
        self.assertEqual(run.fields()[6:8], ["100", "25_piano"])
        onset = capture.onset_index()
        self.assertIsNotNone(onset, "nothing was heard")
        heard_after = capture.time_of_sample(onset) - run.started
        self.assertGreater(heard_after, 2.8)
        self.assertLess(heard_after, 3.5)
        self.assertGreater(run.seconds, 9.8)
        self.assertLess(run.seconds, 11.5)

    def test_a_picture_question_plays_nothing(self):
        run, capture = self.run_row(33)
        self.assertEqual(run.fields()[6:8], ["01_accordeon", "non"])
        self.assertLess(abs(capture.samples).max(initial=0.0), SILENCE)


if __name__ == "__main__":
    unittest.main()
