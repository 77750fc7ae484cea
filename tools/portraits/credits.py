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
# Repositories that call their images public domain for the age of the work:
# the same basis as ours, stated by them.
AGE_STATED_REPOSITORIES = {"jsonpassion/design-humanities-timeline"}

# Photographs of composers who lived past 1900 whose source names no
# photographer: nothing dates them before 1900, so they are free as anonymous
# works published more than 70 years ago, and a photographer's name, once
# known, has to be checked against the rule.
ANONYMOUS_PHOTOGRAPHS = {102, 106, 116, 118, 127, 134, 143, 148, 149, 150, 156, 158, 159, 171, 173,
                         175, 176, 180, 182, 188, 193}

# What each repository's statement comes to, for the table; the statements
# themselves are quoted above it.
LICENCE_SUMMARIES = {
    "openopus-org/openopus_api": "public domain (CC0 1.0), all its data",
    "christina0w0/classica": "none for its images (MIT, its software)",
    "mielenyvin/composers-timeline": "none",
    "historiaMusica/untref_2": "none",
    "jsonpassion/design-humanities-timeline":
        '"Public Domain (artist deceased 70+ years)", its images but the CC BY-SA ones it lists',
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
and otherwise unchanged, or kept as found where its row says so; the SHA-256 is
that of the original, at the commit named.

{drawn}

Bases on which the likenesses are free to redistribute:

- old artwork (`pd-old-artwork`): the artwork's author died more than 70 years
  ago; a faithful reproduction of a two-dimensional public-domain work adds no
  new copyright.
- photograph before 1930 (`pd-pre1930-photo`): a photograph published before
  1930 that is either an anonymous photograph published more than 70 years ago,
  or one whose named photographer died more than 70 years ago.

{anonymous}

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


def anonymous_paragraph(provenance):
    """The photographs whose basis is their age and their anonymity."""
    anonymous = sorted(ANONYMOUS_PHOTOGRAPHS)
    wrong = [p for p in anonymous
             if p not in provenance or provenance[p]["basis"] != "pd-pre1930-photo"]
    if wrong:
        raise ValueError("not photographs in provenance.tsv: %s" % ", ".join(map(str, wrong)))
    return paragraph(
        "%d photographs, of composers who lived past 1900, name no photographer: %s. "
        "Their basis is their age and their anonymity: each is taken as an anonymous "
        "photograph published more than 70 years ago. A school that learns who took "
        "one of them should check that the photographer died more than 70 years ago."
        % (len(anonymous), ", ".join(map(str, anonymous))))


def repositories_paragraph(provenance):
    """How many likenesses each repository gave, and which rest on the age of
    the work alone."""
    counts = {}
    for row in provenance.values():
        counts[row["source_repository"]] = counts.get(row["source_repository"], 0) + 1
    stating = FREE_REPOSITORIES | AGE_STATED_REPOSITORIES
    unstated = sorted(p for p, row in provenance.items()
                      if row["source_repository"] not in stating)
    age_stated = sorted(p for p, row in provenance.items()
                        if row["source_repository"] in AGE_STATED_REPOSITORIES)
    by_count = sorted(counts.items(), key=lambda item: -item[1])
    parts = ["%d from `%s`" % (n, repo) for repo, n in by_count]
    parts[0] = parts[0].replace(" from ", " come from ", 1)
    listing = parts[0] if len(parts) == 1 else ", ".join(parts[:-1]) + " and " + parts[-1]
    text = ("Of the %d likenesses, %s. %d (%s) come from repositories that state no "
            "licence for their images: they rest on the age of the work alone, and "
            "their notes say what is still to verify."
            % (len(provenance), listing, len(unstated), ", ".join(map(str, unstated))))
    if age_stated:
        text += (" %d (%s) %s from a repository that calls its images public domain "
                 "because their artists died more than 70 years ago: the same basis, "
                 "stated by the repository." % (len(age_stated), ", ".join(map(str, age_stated)),
                                               "comes" if len(age_stated) == 1 else "come"))
    return paragraph(text)


def credits_text(provenance):
    """The text of CREDITS.md for provenance (picture number -> row)."""
    # Repository -> statement -> the pictures whose rows quote it: a row may
    # quote what the repository says of that one picture.
    repositories = {}
    for picture in sorted(provenance):
        row = provenance[picture]
        statements = repositories.setdefault(row["source_repository"], {})
        statements.setdefault(row["licence_as_stated"], []).append(picture)
    marks = {repo: "[%d]" % (i + 1) for i, repo in enumerate(sorted(repositories))}
    text = HEADER.format(real=len(provenance), drawn=drawn_paragraph(provenance),
                         anonymous=anonymous_paragraph(provenance),
                         repositories=repositories_paragraph(provenance),
                         statements="".join(statement_text(repo, repositories[repo], marks)
                                            for repo in sorted(repositories)))
    text += "| %s |\n|%s\n" % (" | ".join(COLUMNS), "---|" * len(COLUMNS))
    for picture in sorted(provenance):
        row = provenance[picture]
        basis = BASES[row["basis"]]
        if picture in ANONYMOUS_PHOTOGRAPHS:
            basis += ", no photographer named: age and anonymity"
        cells = ["`%d.jpg`" % picture, row["composer"], row["shows"], basis,
                 "`%s` `%s` %s" % (row["source_repository"], row["source_path"],
                                   row["source_commit"]),
                 row["source_sha256"], licence_cell(row, marks), row["notes"]]
        text += "| " + " | ".join(cell.replace("|", "\\|") for cell in cells) + " |\n"
    return text


def statement_text(repo, statements, marks):
    """What one repository states, quoted; with the pictures each statement
    concerns where its rows quote more than one."""
    if len(statements) == 1:
        return "%s `%s`: %s\n\n" % (marks[repo], repo, next(iter(statements)))
    return "%s `%s`:\n\n%s\n" % (marks[repo], repo, "".join(
        "- of %s: %s\n" % (", ".join("`%d.jpg`" % p for p in pictures), stated)
        for stated, pictures in statements.items()))


def licence_cell(row, marks):
    repo = row["source_repository"]
    return "%s %s" % (LICENCE_SUMMARIES.get(repo, row["licence_as_stated"]), marks[repo])
