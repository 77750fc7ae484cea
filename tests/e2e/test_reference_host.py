import json
import subprocess
import sys
import unittest
from pathlib import Path

from tests.e2e.support import BIN_DIR, PLATFORM

ROOT = Path(__file__).resolve().parents[2]


class ReferenceHost(unittest.TestCase):
    # The Windows modules under Wine, in this test run's prefix.
    PLATFORM_OPTIONS = ["--windows"] if PLATFORM.name == "windows" else []

    def test_play_json_prints_the_decoded_record(self):
        result = subprocess.run([sys.executable, str(ROOT / "qz"), "--bin", str(BIN_DIR),
                                 "play", "bass2", "--json", *self.PLATFORM_OPTIONS],
                                capture_output=True, text=True, stdin=subprocess.DEVNULL)
        self.assertEqual(result.returncode, 0, result.stderr)
        record = json.loads(result.stdout)
        self.assertEqual(record["question"], "Quel est le nom de cette note?")
        self.assertEqual(record["module"], "Bass2.exe")
        self.assertEqual(record["image"], record["musiques_sons"])
        self.assertIn(record["reponse" + record["bonne_reponse"]],
                      {"Do", "Ré", "Mi", "Fa", "Sol", "La", "Si"})

    def test_unknown_module_is_named(self):
        result = subprocess.run([sys.executable, str(ROOT / "qz"), "--bin", str(BIN_DIR),
                                 "play", "nope", *self.PLATFORM_OPTIONS], capture_output=True, text=True)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("no module 'nope'", result.stderr)


if __name__ == "__main__":
    unittest.main()
