#!/usr/bin/env python3
"""The Wine prefix of one test run of the Windows build.

    prefix.py DIR setup MIDI_DRIVER BOX_CLOSER ARCH
                                                 a new prefix in DIR for ARCH (x86_64,
                                                 i686), helpers in, warm
    prefix.py DIR run PROGRAM [ARGS...]          PROGRAM under Wine in that prefix
    prefix.py DIR cleanup                        stop its programs, remove DIR
"""

import shutil
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2]))
from host.wine import WinePrefix  # noqa: E402


def main() -> int:
    if len(sys.argv) < 3 or sys.argv[2] not in ("setup", "run", "cleanup"):
        sys.exit(__doc__)
    folder, action, args = Path(sys.argv[1]), sys.argv[2], sys.argv[3:]
    if action == "setup":
        shutil.rmtree(folder, ignore_errors=True)
        midi_driver, box_closer, architecture = args
        # Opened here and left running: the tests of this run use it, and
        # cleanup stops it.
        WinePrefix(folder, midi_driver, box_closer, architecture).open()
        return 0
    prefix = WinePrefix.kept_open_elsewhere(folder)
    if action == "run":
        return subprocess.run(prefix.command(*args), env=prefix.environment()).returncode
    prefix.close()
    shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
