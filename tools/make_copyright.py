#!/usr/bin/python3
"""Build step: the Debian package's copyright file, in the machine-readable
format, from its template and the portraits' credits.

    make_copyright.py TEMPLATE PORTRAIT_CREDITS OUTPUT PACKAGE_NAME

The template's @QZ_PACKAGE_NAME@ becomes the package's name and its line
@QZ_PORTRAITS_CREDITS@ the portraits' credits (resources/portraits/CREDITS.md,
which tools/make_portraits.py writes from their provenance), as the
continuation lines of a field.
"""

import re
import sys
from pathlib import Path


def field_lines(text: str) -> str:
    """A text as the continuation lines of a field: each line indented, an
    empty one as " .", its HTML comments left out."""
    text = "\n".join(line for line in text.splitlines() if not line.startswith("<!--"))
    text = re.sub(r"\n\s*\n\s*(\n\s*)*", "\n\n", text)
    return "\n".join(f" {line}" if line.strip() else " ." for line in text.splitlines())


def main() -> None:
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    template, credits, output, package = sys.argv[1:]
    text = Path(template).read_text(encoding="utf-8").replace("@QZ_PACKAGE_NAME@", package)
    credits_lines = field_lines(Path(credits).read_text(encoding="utf-8").strip())
    if "@QZ_PORTRAITS_CREDITS@" not in text:
        sys.exit(f"make_copyright.py: {template} has no @QZ_PORTRAITS_CREDITS@ line")
    Path(output).write_text(text.replace(" @QZ_PORTRAITS_CREDITS@", credits_lines),
                            encoding="utf-8")


if __name__ == "__main__":
    main()
