#!/usr/bin/python3
"""Build step: the Debian package's copyright file, in the machine-readable
format, from its template and the portraits' provenance.

    make_copyright.py TEMPLATE PROVENANCE_TSV OUTPUT PACKAGE_NAME

The template's @QZ_PACKAGE_NAME@ becomes the package's name and its line
@QZ_PORTRAITS_STANZA@ the portraits module's paragraph: each likeness with
its composer, what it shows, the basis on which it is free and the source it
was framed from; the pictures without a row in the provenance are drawn.
"""

import csv
import sys
import textwrap
from pathlib import Path

FIRST_PORTRAIT, LAST_PORTRAIT = 101, 204
BASES = {
    "pd-old-artwork": "old artwork, its author dead more than 70 years",
    "pd-pre1930-photo": "photograph published before 1930",
}


def field_lines(paragraphs: list[str]) -> list[str]:
    """Paragraphs as the continuation lines of a field: wrapped, each line
    indented, an empty paragraph as " ."."""
    lines = []
    for paragraph in paragraphs:
        lines += [f" {line}" for line in textwrap.wrap(paragraph, 78)] or [" ."]
    return lines


def portraits_stanza(provenance: Path, package: str) -> str:
    with open(provenance, encoding="utf-8", newline="") as table:
        rows = {int(row["row"]): row for row in csv.DictReader(table, delimiter="\t")}
    drawn = [str(n) for n in range(FIRST_PORTRAIT, LAST_PORTRAIT + 1) if n not in rows]
    comment = [
        f"The portraits module carries the pictures {FIRST_PORTRAIT}..{LAST_PORTRAIT}. "
        f"{len(rows)} are likenesses, each framed (cut around the face, reduced, its "
        "levels stretched where faded) from the source named, whose SHA-256 and "
        "licence as its repository states it are in resources/portraits/provenance.tsv "
        f"of the project's sources. The {len(drawn)} others ({', '.join(drawn)}) are "
        "drawn for this project.",
        "",
    ]
    for number, row in sorted(rows.items()):
        try:
            basis = BASES[row["basis"]]
        except KeyError:
            sys.exit(f"make_copyright.py: {provenance}: row {number}: unknown basis "
                     f"{row['basis']!r}")
        comment.append(f"{number}.jpg, {row['composer']}: {row['shows']}; {basis}; from "
                       f"{row['source_repository']} {row['source_path']} at "
                       f"{row['source_commit'][:12]}.")
    return "\n".join([
        f"Files: usr/lib/{package}/bin/portraits.exe",
        "Copyright: 2026 Projet Quiz musical",
        "License: Quiz-musical and GPL-3+ with GCC-Runtime-Library-Exception-3.1 "
        "and public-domain",
        "Comment:\n" + "\n".join(field_lines(comment)),
    ])


def main() -> None:
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    template, provenance, output, package = sys.argv[1:]
    text = Path(template).read_text(encoding="utf-8").replace("@QZ_PACKAGE_NAME@", package)
    text = text.replace("@QZ_PORTRAITS_STANZA@", portraits_stanza(Path(provenance), package))
    Path(output).write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main()
