import unittest

from tests.e2e.support import BIN_DIR, PLATFORM, ROOT, ModuleRun
from tests.e2e.test_note_modules import CARRIED_TYPES, jpeg_frame

PORTRAITS = ROOT / "resources/portraits"


class PortraitsEndToEnd(unittest.TestCase):
    def test_writes_a_four_answer_portrait_record_and_ends_at_once(self):
        for _ in range(5):
            run = ModuleRun("portraits.exe").wait()
            try:
                self.assertEqual(run.returncode, 0, run.stderr)
                fields = run.fields()
                self.assertEqual(fields[0], "Ce portrait est celui de :")
                self.assertTrue(all(fields[1:5]), fields)
                self.assertEqual(len(set(fields[1:5])), 4)
                self.assertIn(fields[5], {"1", "2", "3", "4"})
                self.assertTrue(101 <= int(fields[6]) <= 204, fields[6])
                self.assertEqual(fields[7:], ["non", "portraits.exe"])
                self.assertLess(run.seconds, 1.0)
            finally:
                run.cleanup()

    # The module file (the Linux archive, or the Windows IMAGES resources)
    # carries each picture exactly as resources/ holds it.
    def test_carries_every_portrait_and_the_blank_picture(self):
        resources = PLATFORM.resources(BIN_DIR / "portraits.exe")
        names = {key for key in resources if key.startswith(CARRIED_TYPES)}
        expected = {f"IMAGES/{n}" for n in range(100, 205)} | {"ICON/1", "VERSION/1"}
        self.assertEqual(names, expected)
        self.assertEqual(resources["IMAGES/100"], (ROOT / "resources/common/100.jpg").read_bytes())
        for number in range(101, 205):
            picture = resources[f"IMAGES/{number}"]
            self.assertEqual(jpeg_frame(picture), (146, 200, 3, True), number)
            self.assertEqual(picture, (PORTRAITS / f"{number}.jpg").read_bytes(), number)

    # Each row whose likeness provenance.tsv lists shows that likeness, as the
    # portraits tools frame it (JPEG aside), and not a drawing.
    def test_each_row_with_a_source_shows_its_framed_likeness(self):
        from PIL import ImageChops, ImageStat  # Debian's python3-pil
        from tools.portraits import likeness
        from tools.portraits.jpeg import decode
        provenance = likeness.read_provenance()
        self.assertEqual(len(provenance), 82)
        resources = PLATFORM.resources(BIN_DIR / "portraits.exe")
        for number in sorted(provenance):
            carried = decode(resources[f"IMAGES/{number}"])
            difference = ImageStat.Stat(ImageChops.difference(carried, likeness.frame(number)))
            self.assertLess(max(difference.mean), 8, number)

    # The credits are written from provenance.tsv: a row changed without
    # running the script leaves them saying something else.
    def test_credits_are_those_of_provenance_tsv(self):
        from tools.portraits import credits, likeness
        self.assertEqual((PORTRAITS / "CREDITS.md").read_text(encoding="utf-8"),
                         credits.credits_text(likeness.read_provenance()))


if __name__ == "__main__":
    unittest.main()
