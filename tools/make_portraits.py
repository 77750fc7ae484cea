#!/usr/bin/python3
"""Make the 104 pictures of the portraits module, and their credits.

Writes resources/portraits/101.jpg .. 204.jpg (or into OUTPUT_DIR), the
picture of row n under 100 + n, each a baseline JPEG of 146 x 200 pixels with
three colour components:

  - a real likeness framed from resources/portraits/sources/NNN.jpg where
    provenance.tsv lists one (tools/portraits/likeness.py);
  - a drawn bust otherwise (tools/portraits/drawn.py), with nothing beside
    the face that would give the answer away;

and resources/portraits/CREDITS.md from provenance.tsv.  The same sources
give the same bytes with the same Pillow.

Usage: /usr/bin/python3 tools/make_portraits.py [OUTPUT_DIR] [--only PICTURE ...]
                                               [--sheets DIR]
  --only    makes only these pictures (101..204), and no credits;
  --sheets  also writes contact sheets at 1x and 2x into DIR, for review.
Needs Debian's python3-pil.
"""

import argparse
import os
import sys

from portraits import FIRST_PICTURE, PORTRAITS_DIR, ROWS, credits, jpeg, likeness, review
from portraits.composers import COMPOSERS
from portraits.drawn import draw


def make(picture, provenance):
    """('L', image) for a likeness, ('D', image) for a drawn portrait."""
    if picture in provenance:
        return "L", likeness.frame(picture)
    return "D", draw(COMPOSERS[picture - FIRST_PICTURE - 1])


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", nargs="?", default=PORTRAITS_DIR)
    parser.add_argument("--only", type=int, nargs="+", metavar="PICTURE")
    parser.add_argument("--sheets", metavar="DIR")
    args = parser.parse_args(argv)

    assert [c.row for c in COMPOSERS] == list(ROWS)
    provenance = likeness.read_provenance()
    pictures = [FIRST_PICTURE + row for row in ROWS]
    if args.only:
        pictures = [p for p in pictures if p in args.only]
    os.makedirs(args.output, exist_ok=True)
    made, sizes = [], []
    for picture in pictures:
        kind, image = make(picture, provenance)
        data = jpeg.encode(image)
        with open(os.path.join(args.output, "%d.jpg" % picture), "wb") as f:
            f.write(data)
        sizes.append(len(data))
        made.append((picture, kind, jpeg.decode(data)))
    if not args.only:
        with open(os.path.join(args.output, "CREDITS.md"), "w", encoding="utf-8",
                  newline="\n") as f:
            f.write(credits.credits_text(provenance))
    likenesses = sum(kind == "L" for _, kind, _ in made)
    print("%d pictures (%d likenesses, %d drawn), %d..%d bytes"
          % (len(made), likenesses, len(made) - likenesses, min(sizes), max(sizes)))
    if args.sheets:
        review.write_sheets(made, args.sheets)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
