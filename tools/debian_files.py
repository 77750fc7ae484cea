#!/usr/bin/python3
"""Build steps: files of the Debian package made from the project's own.

    debian_files.py copyright TEMPLATE PORTRAIT_CREDITS OUTPUT PACKAGE_NAME
        The copyright file, in the machine-readable format.
    debian_files.py icon ICO_FILE OUTPUT
        The desktop entry's icon: the largest image of the modules' icon,
        which it holds as a PNG file.

The copyright template's @QZ_PACKAGE_NAME@ becomes the package's name and
its line @QZ_PORTRAITS_CREDITS@ the portraits' credits
(resources/portraits/CREDITS.md, which tools/make_portraits.py writes from
their provenance), as the continuation lines of a field.
"""

import re
import struct
import sys
from pathlib import Path


def field_lines(text: str) -> str:
    """A text as the continuation lines of a field: each line indented, an
    empty one as " .", its HTML comments left out."""
    text = "\n".join(line for line in text.splitlines() if not line.startswith("<!--"))
    text = re.sub(r"\n\s*\n\s*(\n\s*)*", "\n\n", text)
    return "\n".join(f" {line}" if line.strip() else " ." for line in text.splitlines())


def copyright_file(template: str, credits: str, output: str, package: str) -> None:
    text = Path(template).read_text(encoding="utf-8").replace("@QZ_PACKAGE_NAME@", package)
    credits_lines = field_lines(Path(credits).read_text(encoding="utf-8").strip())
    if "@QZ_PORTRAITS_CREDITS@" not in text:
        sys.exit(f"debian_files.py: {template} has no @QZ_PORTRAITS_CREDITS@ line")
    Path(output).write_text(text.replace(" @QZ_PORTRAITS_CREDITS@", credits_lines),
                            encoding="utf-8")


def icon(ico_file: str, output: str) -> None:
    data = Path(ico_file).read_bytes()
    _, kind, count = struct.unpack_from("<3H", data)
    images = []
    for entry in range(count if kind == 1 else 0):
        width, *_, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * entry)
        images.append((width or 256, data[offset:offset + size]))
    largest = max(images, default=(0, b""))[1]
    if not largest.startswith(b"\x89PNG\r\n\x1a\n"):
        sys.exit(f"debian_files.py: {ico_file}: its largest image is not a PNG file")
    Path(output).write_bytes(largest)


def main() -> None:
    commands = {"copyright": (copyright_file, 4), "icon": (icon, 2)}
    if len(sys.argv) < 2 or sys.argv[1] not in commands or \
            len(sys.argv) != 2 + commands[sys.argv[1]][1]:
        sys.exit(__doc__)
    commands[sys.argv[1]][0](*sys.argv[2:])


if __name__ == "__main__":
    main()
