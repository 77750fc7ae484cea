#!/usr/bin/env python3
"""Build step: a module executable with its resources appended.

    append_resources.py PROGRAM STAGED_DIR BIN_DIR

Reads STAGED_DIR/manifest.txt (written by qz_stage_resources: the module's
file name, then one TYPE/NAME key per line), copies PROGRAM to BIN_DIR under
that file name and appends the staged resources as an uncompressed ZIP
archive whose offsets count from the start of the file, as self-extracting
archives do, so that `unzip -l` and any ZIP reader open it. Entries keep the
manifest's order and are dated 1980-01-01 so builds are repeatable.
"""

import os
import shutil
import sys
import zipfile
from pathlib import Path


def main() -> None:
    program, staged, bin_dir = (Path(a) for a in sys.argv[1:4])
    literal, *keys = (staged / "manifest.txt").read_text(encoding="ascii").split()
    bin_dir.mkdir(parents=True, exist_ok=True)
    output = bin_dir / literal
    temporary = output.with_name(output.name + ".tmp")
    shutil.copyfile(program, temporary)
    with zipfile.ZipFile(temporary, "a", compression=zipfile.ZIP_STORED) as archive:
        for key in keys:
            entry = zipfile.ZipInfo(key, (1980, 1, 1, 0, 0, 0))
            entry.external_attr = 0o644 << 16
            archive.writestr(entry, (staged / key).read_bytes(), compress_type=zipfile.ZIP_STORED)
    os.chmod(temporary, 0o755)
    os.replace(temporary, output)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main()
