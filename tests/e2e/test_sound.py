import os
import tempfile
import time
import unittest
import zipfile

from tests.e2e.sound import (RATE, SILENCE, Capture, PrivateSoundServer, cents, key_frequency,
                             level_db, pitch, recordings_level_db, render_midi,
                             sound_server_answers)
from tests.e2e.support import (BIN_DIR, HOST_RECORD, MODULE_TABLE, PLATFORM, RECORD_LINE,
                               ModuleRun, runs_alone)

# White-key MIDI keys from position 1 of each clef.
FIRST_KEY = {"Treble": 48, "Bass": 28}
FIRST_NOTE = {"Treble": 0, "Bass": 2}
SEMITONES = [2, 2, 1, 2, 2, 2, 1]  # from Do to the next white key


def key_of(literal, position_name):
    clef = "Treble" if literal.startswith("Treble") else "Bass"
    key, note = FIRST_KEY[clef], FIRST_NOTE[clef]
    for _ in range(int(position_name[:2]) - 1):
        key += SEMITONES[note]
        note = (note + 1) % 7
    return key


@unittest.skipUnless(PLATFORM.name == "linux", "tests the listening tools themselves, once")
class PitchDetector(unittest.TestCase):
    """The detector the capture tests rely on, over the keys the modules play."""

    def test_finds_every_piano_key_from_36_to_96_within_25_cents(self):
        with zipfile.ZipFile(BIN_DIR / "Treble7.exe") as archive:
            template = bytearray(archive.read("DMSEG/08_DO"))
        with tempfile.TemporaryDirectory() as folder:
            for key in range(36, 97):
                template[54] = template[59] = key
                samples = render_midi(bytes(template), folder)
                start = int((abs(samples) > SILENCE).argmax())
                found = pitch(samples, start)
                self.assertLess(abs(cents(found, key_frequency(key))), 25, f"key {key}: {found} Hz")


NOTE_MODULES = [row["file"] for row in MODULE_TABLE if row["kind"] == "notes"]
NOTE_SECONDS = 768 / 240 * 0.6  # 768 ticks at 240 ticks and 600000 us per quarter note


@runs_alone
@unittest.skipUnless(PLATFORM.name == "linux" and (sound_server_answers() or os.environ.get("CI")),
                     "Linux modules and a sound server (scripts/with-sound-server starts one)")
class NoteModulesPlayTheirNote(unittest.TestCase):
    """Real modules playing into the sound server's null sink "qz"."""

    MODULES = NOTE_MODULES

    def test_every_module_sounds_the_note_of_field_8_at_the_third_tick(self):
        # One capture while the twelve run one after the other: each note must
        # start about 3 s after its module and nothing may sound before, at
        # its key's pitch and as loud as the instruments' recordings.
        reference = recordings_level_db()
        runs = []
        with tempfile.TemporaryDirectory() as folder:
            capture = Capture(os.path.join(folder, "capture.raw"))
            time.sleep(1.5)  # the idle sink delivers its first block late
            try:
                for literal in self.MODULES:
                    runs.append(ModuleRun(literal).wait())
            finally:
                time.sleep(0.3)
                capture.stop()
        try:
            first_time = capture.time_of_sample(0)
            for run in runs:
                literal = run.executable.name
                with self.subTest(literal):
                    self.assertEqual(run.returncode, 0, run.stderr)
                    begin = max(0, int((run.started - first_time) * RATE))
                    press = int((run.started + 2.5 - first_time) * RATE)
                    self.assertGreater(press, 0, "the capture began too late")
                    self.assertLess(abs(capture.samples[begin:press]).max(initial=0.0), SILENCE)
                    window = capture.samples[press:int((run.started + 5.0 - first_time) * RATE)]
                    loud = (abs(window) > 0.01).nonzero()[0]
                    self.assertTrue(len(loud), "nothing was heard")
                    onset = press + int(loud[0])
                    heard_after = capture.time_of_sample(onset) - run.started
                    self.assertGreater(heard_after, 2.8)
                    self.assertLess(heard_after, 3.5)
                    position = run.fields()[7]
                    expected = key_frequency(key_of(literal, position))
                    found = pitch(capture.samples, onset)
                    self.assertLess(abs(cents(found, expected)), 25,
                                    f"{position}: heard {found:.1f} Hz, expected {expected:.1f}")
                    level = level_db(capture.samples[onset:onset + 2 * RATE])
                    self.assertLess(abs(level - reference), 3,
                                    f"{position}: {level:.1f} dBFS, the recordings {reference:.1f}")
        finally:
            for run in runs:
                run.cleanup()


@runs_alone
@unittest.skipUnless(PLATFORM.name == "windows", "Windows modules under Wine")
class NoteModulesSendTheirNote(unittest.TestCase):
    """Real Windows modules playing to the MIDI mapper, whose stand-in logs
    what it receives: there is no MIDI device to listen to."""

    def test_every_module_sends_the_key_of_field_8_at_the_third_tick(self):
        runs = [ModuleRun(literal).wait() for literal in NOTE_MODULES]
        try:
            for run in runs:
                literal = run.executable.name
                with self.subTest(literal):
                    self.assertEqual(run.returncode, 0, run.stderr)
                    key = key_of(literal, run.fields()[7])
                    notes = [(when, message, parameter & 0xFFFF)
                             for when, message, parameter in run.midi_messages()
                             if message == "data" and parameter & 0xE0 == 0x80]
                    self.assertEqual([n[2] for n in notes], [0x90 | key << 8, 0x80 | key << 8],
                                     "one note on, then its note off, and nothing else")
                    (on, _, _), (off, _, _) = notes
                    self.assertGreater(on, 2.8)
                    self.assertLess(on, 3.5)
                    self.assertAlmostEqual(off - on, NOTE_SECONDS, delta=0.1)
                    volume = [p for _, m, p in run.midi_messages() if m == "volume"]
                    self.assertEqual(volume, [0xFFFFFFFF], "1200 gives the note full volume")
        finally:
            for run in runs:
                run.cleanup()


class WithoutSoundOutput(unittest.TestCase):
    def test_audio_failure_ends_the_module_before_the_exchange_file_is_touched(self):
        run = ModuleRun("Bass4.exe", environment=PLATFORM.without_sound).wait()
        try:
            self.assertNotEqual(run.returncode, 0)
            self.assertTrue(run.stderr.startswith(b"Bass4.exe: cannot start audio: "), run.stderr)
            self.assertEqual(run.stderr.count(b"\n"), 1)
            self.assertEqual(run.record, HOST_RECORD)
        finally:
            run.cleanup()

    @unittest.skipUnless(PLATFORM.name == "windows", "Windows opens a device per kind of sound")
    def test_each_module_needs_only_the_device_its_own_sounds_use(self):
        # Wine's wave output has no device where its sound server has no sink.
        sinkless = PrivateSoundServer(sink=False)
        self.addCleanup(sinkless.close)
        runs = {"Treble7.exe": ModuleRun("Treble7.exe",
                                         environment={"PULSE_SERVER": sinkless.address}),
                "instruments.exe": ModuleRun("instruments.exe",
                                             environment=PLATFORM.without_sound)}
        try:
            for literal, run in runs.items():
                run.wait()
                with self.subTest(literal):
                    self.assertEqual(run.returncode, 0, run.stderr)
                    self.assertRegex(run.record, RECORD_LINE)
        finally:
            for run in runs.values():
                run.cleanup()


if __name__ == "__main__":
    unittest.main()
