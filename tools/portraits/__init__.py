"""The 104 pictures of the portraits module, made by tools/make_portraits.py.

Row n of the portraits bank shows picture 100 + n, written as
resources/portraits/NNN.jpg: a baseline JPEG, 146 x 200 pixels, three colour
components.  A row whose picture has a source in resources/portraits/sources/
(listed in provenance.tsv) shows that real likeness, framed (likeness.py); the
other rows show a drawn bust (drawn.py, after the table of composers.py).
Both kinds are written by jpeg.py, the credits by credits.py; review.py makes
the contact sheets to look at them.  Nothing depends on the clock or on chance:
the same sources give the same bytes with the same Pillow.
"""

import os

WIDTH, HEIGHT = 146, 200
FIRST_PICTURE = 100                     # row n is picture 100 + n
ROWS = range(1, 105)

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PORTRAITS_DIR = os.path.join(REPO, "resources", "portraits")
SOURCES_DIR = os.path.join(PORTRAITS_DIR, "sources")
PROVENANCE = os.path.join(PORTRAITS_DIR, "provenance.tsv")
