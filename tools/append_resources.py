#!/usr/bin/env python3
"""Build step: a module executable with its resources appended.

    append_resources.py PROGRAM STAGED_DIR OUTPUT

Copies PROGRAM to OUTPUT and appends the files of STAGED_DIR (TYPE/NAME) as
an uncompressed ZIP archive whose offsets count from the start of OUTPUT, as
self-extracting archives do, so that `unzip -l OUTPUT` and any ZIP reader
open it. Entries are sorted and dated 1980-01-01 so builds are repeatable.
"""

import os
import shutil
import sys
import zipfile
from pathlib import Path


def main() -> None:
    program, staged, output = (Path(a) for a in sys.argv[1:4])
    output.parent.mkdir(parents=True, exist_ok=True)
    temporary = output.with_name(output.name + ".tmp")
    shutil.copyfile(program, temporary)
    with zipfile.ZipFile(temporary, "a", compression=zipfile.ZIP_STORED) as archive:
        for path in sorted(p for p in staged.rglob("*") if p.is_file()):
            entry = zipfile.ZipInfo(path.relative_to(staged).as_posix(), (1980, 1, 1, 0, 0, 0))
            entry.external_attr = 0o644 << 16
            archive.writestr(entry, path.read_bytes(), compress_type=zipfile.ZIP_STORED)
    os.chmod(temporary, 0o755)
    os.replace(temporary, output)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main()
