"""resources/portraits/CREDITS.md, written from provenance.tsv so that the two
never disagree."""

import textwrap

from . import FIRST_PICTURE, ROWS

BASES = {
    "pd-old-artwork": "old artwork",
    "pd-pre1930-photo": "photograph before 1930",
}

# Repositories that put their images in the public domain themselves.
FREE_REPOSITORIES = {"openopus-org/openopus_api"}

# What each repository's statement comes to, for the table; the statements
# themselves are quoted above it.
LICENCE_SUMMARIES = {
    "openopus-org/openopus_api": "public domain (CC0 1.0), all its data",
    "christina0w0/classica": "none for its images (MIT, its software)",
    "mielenyvin/composers-timeline": "none",
}

HEADER = """\
# Portraits: sources and licences

<!-- Written by tools/make_portraits.py from provenance.tsv: edit that, not this. -->

The pictures `101.jpg`..`204.jpg` of the portraits module (row n shows picture
100 + n) are made by `tools/make_portraits.py` (run with `/usr/bin/python3`,
needs `python3-pil`). {real} of them are real likenesses, each framed from
`sources/NNN.jpg`: cut to 146:200 around the face, never stretched, reduced to
146 x 200, its levels stretched where the source is faded or dim, saved as a
baseline JPEG. Nothing is added: no text, no frame. Each source is the original
file named below, re-encoded as a JPEG of at most 800 pixels on its long side
and otherwise unchanged; the SHA-256 is that of the original, at the commit
named.

{drawn}

Bases on which the likenesses are free to redistribute:

- old artwork (`pd-old-artwork`): the artwork's author died more than 70 years
  ago; a faithful reproduction of a two-dimensional public-domain work adds no
  new copyright.
- photograph before 1930 (`pd-pre1930-photo`): a photograph published before
  1930.

{repositories}

What each source repository states (the licence column below):

{statements}"""

COLUMNS = ["Picture", "Composer", "What it shows", "Basis", "Source repository, path, commit",
           "SHA-256 of the original", "Licence stated", "Notes"]


def paragraph(text):
    return textwrap.fill(text, width=80, break_on_hyphens=False)


def drawn_paragraph(provenance):
    drawn = [FIRST_PICTURE + row for row in ROWS if FIRST_PICTURE + row not in provenance]
    return paragraph(
        "The %d other pictures (%s) have no likeness that is both available and "
        "clearly free (20th-century photographs of unknown date or author, or no "
        "picture at all): they are drawn by the script, for this project."
        % (len(drawn), ", ".join(map(str, drawn))))


def repositories_paragraph(provenance):
    """How many likenesses each repository gave, and which rest on the age of
    the work alone."""
    counts = {}
    for row in provenance.values():
        counts[row["source_repository"]] = counts.get(row["source_repository"], 0) + 1
    unstated = sorted(p for p, row in provenance.items()
                      if row["source_repository"] not in FREE_REPOSITORIES)
    by_count = sorted(counts.items(), key=lambda item: -item[1])
    parts = ["%d from `%s`" % (n, repo) for repo, n in by_count]
    parts[0] = parts[0].replace(" from ", " come from ", 1)
    listing = parts[0] if len(parts) == 1 else ", ".join(parts[:-1]) + " and " + parts[-1]
    return paragraph(
        "Of the %d likenesses, %s. %d (%s) come from repositories that state no "
        "licence for their images: they rest on the age of the work alone, and "
        "their notes say what is still to verify."
        % (len(provenance), listing, len(unstated), ", ".join(map(str, unstated))))


def credits_text(provenance):
    """The text of CREDITS.md for provenance (picture number -> row)."""
    repositories = {}
    for row in provenance.values():
        stated = repositories.setdefault(row["source_repository"], row["licence_as_stated"])
        if stated != row["licence_as_stated"]:
            raise ValueError("%s: two licence statements" % row["source_repository"])
    marks = {repo: "[%d]" % (i + 1) for i, repo in enumerate(sorted(repositories))}
    statements = "".join("%s `%s`: %s\n\n" % (marks[repo], repo, repositories[repo])
                         for repo in sorted(repositories))
    text = HEADER.format(real=len(provenance), drawn=drawn_paragraph(provenance),
                         repositories=repositories_paragraph(provenance),
                         statements=statements)
    text += "| %s |\n|%s\n" % (" | ".join(COLUMNS), "---|" * len(COLUMNS))
    for picture in sorted(provenance):
        row = provenance[picture]
        cells = ["`%d.jpg`" % picture, row["composer"], row["shows"],
                 BASES[row["basis"]],
                 "`%s` `%s` %s" % (row["source_repository"], row["source_path"],
                                   row["source_commit"]),
                 row["source_sha256"], licence_cell(row, marks), row["notes"]]
        text += "| " + " | ".join(cell.replace("|", "\\|") for cell in cells) + " |\n"
    return text


def licence_cell(row, marks):
    repo = row["source_repository"]
    return "%s %s" % (LICENCE_SUMMARIES.get(repo, row["licence_as_stated"]), marks[repo])
