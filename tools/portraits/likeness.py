"""A real likeness framed as the module shows it: 146 x 200, the face in the
upper middle as in a portrait gallery.

The sources (resources/portraits/sources/NNN.jpg) are mostly head-and-shoulders
crops, near square, with the face near the centre.  A picture is cut from its
source, never stretched: by default the whole height of the source and a
centred 146:200 width of it (the whole width and the top of a source narrower
than that).  FRAMES gives the box instead where that would not frame the face
well: a seated figure, a face near the edge, a print whose lettering would name
the composer.  The cut is reduced with a Lanczos filter (106 alone is slightly
enlarged, 186 pixels high to 200), then a faded or dim one has its levels
stretched, so that it looks neither paler nor darker than its neighbours.
Nothing else is changed: no text, no frame.
"""

import csv
import os

from PIL import Image

from . import HEIGHT, PROVENANCE, SOURCES_DIR, WIDTH

# Picture number -> framing box (left, top, height) in source pixels; the
# width is height * 146 / 200.
FRAMES = {
    106: (58, 0, 186),     # Bartók seated in an armchair, 330 x 304: head and shoulders
    110: (188, 0, 682),    # the face right of centre: the glasses kept off the edge
    158: (118, 0, 454),    # the face right of centre: the cheek kept off the edge
    159: (150, 0, 618),    # the face right of centre: the moustache kept off the edge
    163: (90, 50, 450),    # Meyerbeer seated, half figure, 500 x 657: head and shoulders
    173: (30, 0, 330),     # Rachmaninov: closer, and without the studio's stamp, lower left
    190: (96, 0, 426),     # the face right of centre: the moustache kept off the edge
    191: (140, 50, 330),   # Strauss I, upper body on a white sheet, 500 x 751: head and
                           # shoulders, and his signature printed below kept out
    192: (63, 3, 245),     # R. Strauss seated, full figure, 330 x 421: head and shoulders
    193: (61, 0, 270),     # Stravinsky seated at a table: head and shoulders
    195: (132, 0, 498),    # the face right of centre: the nose kept off the edge
    203: (30, 0, 700),     # Wagner in profile, looking left: the nose kept off the edge
}

# Levels: a faded or dim source, whose darkest and lightest 0.5 % of pixels
# lie less than MIN_RANGE levels apart, is stretched so that they reach BLACK
# and WHITE, by one linear map of the three channels (the hues stay); the
# other sources are left as they are.
CLIP = 0.005
MIN_RANGE = 200
BLACK, WHITE = 8, 247


def read_provenance(path=PROVENANCE):
    """The rows of provenance.tsv as dictionaries, keyed by picture number."""
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE))
    return {int(row["row"]): row for row in rows}


def source_path(picture):
    return os.path.join(SOURCES_DIR, "%d.jpg" % picture)


def framing_box(picture, size):
    """(left, top, right, bottom) of the cut, 146:200, inside the source."""
    width, height = size
    if picture in FRAMES:
        left, top, cut_height = FRAMES[picture]
        cut_width = cut_height * WIDTH / HEIGHT
    elif width * HEIGHT >= height * WIDTH:
        cut_height = height
        cut_width = height * WIDTH / HEIGHT
        left, top = (width - cut_width) / 2, 0
    else:
        cut_width = width
        cut_height = width * HEIGHT / WIDTH
        left, top = 0, 0
    right, bottom = left + cut_width, top + cut_height
    if left < 0 or top < 0 or right > width + 1e-9 or bottom > height + 1e-9:
        raise ValueError("picture %d: framing box %r outside its %d x %d source"
                         % (picture, (left, top, right, bottom), width, height))
    return (left, top, min(right, width), min(bottom, height))


def level_map(image):
    """The lookup table (for the three channels) that stretches the levels of
    a faded or dim picture; None for the others."""
    histogram = image.convert("L").histogram()
    total = sum(histogram)
    low = percentile(histogram, total * CLIP)
    high = percentile(histogram, total * (1 - CLIP))
    if high - low >= MIN_RANGE:
        return None
    scale = (WHITE - BLACK) / max(1, high - low)
    table = [max(0, min(255, round(BLACK + (v - low) * scale))) for v in range(256)]
    return table * 3


def percentile(histogram, count):
    """The first level at which `count` pixels have been seen."""
    seen = 0
    for level, n in enumerate(histogram):
        seen += n
        if seen >= count:
            return level
    return len(histogram) - 1


def frame(picture):
    """The 146 x 200 RGB picture made from the source of this picture number."""
    with Image.open(source_path(picture)) as original:
        source = original.convert("RGB")
    cut = source.resize((WIDTH, HEIGHT), Image.LANCZOS, box=framing_box(picture, source.size))
    table = level_map(cut)
    return cut.point(table) if table else cut
