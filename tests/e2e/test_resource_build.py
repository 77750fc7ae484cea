import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from tests.e2e.support import BIN_DIR

ROOT = Path(os.environ.get("QZ_SOURCE_DIR", Path(__file__).resolve().parents[2]))
TOOLS_DIR = Path(os.environ.get("QZ_TOOLS_DIR", BIN_DIR.parent / "tools"))


class PictureCheck(unittest.TestCase):
    """A picture the modules cannot carry stops the build, naming the file."""

    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="qz-res-"))
        self.addCleanup(shutil.rmtree, self.folder)
        self.resources = self.folder / "resources"
        (self.resources / "portraits").mkdir(parents=True)
        os.symlink(ROOT / "resources/common", self.resources / "common")
        for picture in (ROOT / "resources/portraits").glob("*.jpg"):
            os.symlink(picture, self.resources / "portraits" / picture.name)

    def stage(self):
        return subprocess.run([str(TOOLS_DIR / "qz_stage_resources"), "portraits",
                               str(self.resources), str(self.folder / "staged")],
                              capture_output=True, text=True)

    def test_a_picture_of_the_wrong_format_is_refused_by_name(self):
        (self.resources / "portraits/152.jpg").unlink()
        shutil.copy(ROOT / "resources/common/icon.ico", self.resources / "portraits/152.jpg")
        result = self.stage()
        self.assertEqual(result.returncode, 1)
        self.assertIn("portraits/152.jpg: not a JPEG file", result.stderr)


if __name__ == "__main__":
    unittest.main()
