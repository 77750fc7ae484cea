#!/usr/bin/python3
"""Draw the staff pictures of the note-reading modules.

Writes, under the output folder (default: the repository's resources/):

  staff/treble/NN_WORD.jpg   positions 01..29, treble clef (01 = C3, 08 = middle C)
  staff/bass/NN_WORD.jpg     positions 01..29, bass clef   (01 = E1, 20 = middle C)
  common/100.jpg             the blank white picture, padded to exactly 1093 bytes

Every picture is a baseline JPEG, 146 x 200 pixels, three colour components:
a five-line staff across the picture, the clef at its left and one whole note
at the position, with ledger lines where the note lies outside the staff.

Layout (pixels of the finished picture):
  one position step = 6 px, so a staff space is 12 px; the 29 positions with
  their note heads span rows 10..191;
  the staff lines are the pixel rows 130, 118, 106, 94, 82 (positions 10, 12,
  14, 16, 18) and ledger lines use the same rule (position p -> row 190 - 6p);
  the clef starts at x = 5 and the note head is centred on x = 93.

The drawing is done at four times the final size and reduced with a box
filter, so staff and ledger lines come out as crisp one-pixel rows while the
clef and note glyphs are antialiased.  Nothing depends on the clock or on
randomness: the same font, Pillow and libjpeg give byte-identical files.

Usage: /usr/bin/python3 tools/make_staff_pictures.py [OUTPUT_DIR] [--font FILE]
Needs Debian's python3-pil and fonts-noto-core (Noto Music).
"""

import argparse
import io
import os
import sys

from PIL import Image, ImageDraw, ImageFont

WIDTH, HEIGHT = 146, 200
SUPERSAMPLE = 4
POSITIONS = range(1, 30)

STEP = 6                   # pixels per diatonic step
ROW_OF_POSITION_0 = 190    # pixel row of a line at position p: 190 - STEP * p
STAFF_LINES = (10, 12, 14, 16, 18)
STAFF_LEFT, STAFF_RIGHT = 3, 143   # staff lines cover columns 3..142
CLEF_LEFT = 5
NOTE_CENTRE_X = 93
LEDGER_OVERHANG = 5        # ledger line reaches this far past each side of the head

TREBLE_CLEF = "\U0001D11E"
BASS_CLEF = "\U0001D122"
WHOLE_NOTE = "\U0001D15D"

DEFAULT_FONT = "/usr/share/fonts/truetype/noto/NotoMusic-Regular.ttf"

WORDS = ("DO", "RE", "MI", "FA", "SOL", "LA", "SI")
# Index in WORDS of the note at position 1.
FIRST_WORD = {"treble": 0, "bass": 2}

BLANK_SIZE = 1093
JPEG_OPTIONS = dict(quality=92, subsampling=0, optimize=True, progressive=False)


def position_name(clef, position):
    """File stem of a position, e.g. ('treble', 8) -> '08_DO'."""
    word = WORDS[(FIRST_WORD[clef] + position - 1) % len(WORDS)]
    return "%02d_%s" % (position, word)


def ledger_positions(position):
    """Positions of the ledger lines a note at `position` needs."""
    if position < STAFF_LINES[0]:
        return list(range(STAFF_LINES[0] - 2, position - 1, -2))
    if position > STAFF_LINES[-1]:
        return list(range(STAFF_LINES[-1] + 2, position + 1, 2))
    return []


# --- geometry on the supersampled canvas -----------------------------------

S = SUPERSAMPLE
SPACE = 2 * STEP * S       # staff space on the canvas


def line_top(position):
    """First canvas row of the line drawn through `position` (even)."""
    return (ROW_OF_POSITION_0 - STEP * position) * S


def centre_y(position):
    """Canvas y of the middle of a line or space at `position`."""
    return (ROW_OF_POSITION_0 - STEP * position) * S + S / 2


def draw_line(draw, position, x0, x1):
    """One-pixel line (after reduction) through `position`, columns x0..x1-1."""
    top = line_top(position)
    draw.rectangle([x0 * S, top, x1 * S - 1, top + S - 1], fill=0)


def glyph_ink_box(font, glyph):
    """Ink bounding box of `glyph` relative to its origin (left, baseline)."""
    return font.getbbox(glyph, anchor="ls")


def dot_pair(font, glyph):
    """Vertical centres (relative to the baseline) of the two dots of a bass
    clef: they are the rightmost ink of the glyph."""
    left, top, right, bottom = glyph_ink_box(font, glyph)
    pad = 4
    scratch = Image.new("L", (right - left + 2 * pad, bottom - top + 2 * pad), 255)
    ImageDraw.Draw(scratch).text((pad - left, pad - top), glyph, font=font,
                                 fill=0, anchor="ls")
    pixels = scratch.load()
    width, height = scratch.size

    def runs(x):
        found, start = [], None
        for y in range(height):
            ink = pixels[x, y] < 128
            if ink and start is None:
                start = y
            elif not ink and start is not None:
                found.append((start, y))
                start = None
        if start is not None:
            found.append((start, height))
        return found

    # Walk in from the right edge while the column shows two separate runs
    # (the dots) and keep the column where they are tallest: the dot centres.
    best = None
    for x in range(width - 1, -1, -1):
        column = runs(x)
        if not column:
            continue
        if len(column) != 2:
            if best is not None:
                break
            continue
        size = sum(b - a for a, b in column)
        if best is None or size > best[0]:
            best = (size, column)
    if best is None:
        raise SystemExit("cannot find the dots of the bass clef in the font")
    (a1, b1), (a2, b2) = best[1]
    to_baseline = pad - top  # scratch row of the baseline
    return ((a1 + b1) / 2 - to_baseline, (a2 + b2) / 2 - to_baseline)


class Glyphs:
    """The font set up for the staff: clefs and note head at the right sizes."""

    def __init__(self, font_file):
        # Noto Music draws its clefs for a staff whose space is a quarter of
        # the em and whose bottom line lies on the baseline.
        em = 4 * SPACE
        self.treble = ImageFont.truetype(font_file, em)
        self.note = ImageFont.truetype(font_file, em)
        # Its bass clef dots are a little closer than one staff space at that
        # size; scale the clef so that they sit in the middle of the spaces
        # on either side of the F line.
        probe_size = 1000
        probe = ImageFont.truetype(font_file, probe_size)
        upper, lower = dot_pair(probe, BASS_CLEF)
        bass_size = round(probe_size * SPACE / (lower - upper))
        self.bass = ImageFont.truetype(font_file, bass_size)
        upper, lower = dot_pair(self.bass, BASS_CLEF)
        self.bass_dots_mid = (upper + lower) / 2  # relative to the baseline

    def draw_clef(self, draw, clef):
        x = CLEF_LEFT * S
        if clef == "treble":
            # The curl wraps the G line because the bottom line is the baseline.
            baseline = centre_y(STAFF_LINES[0])
            left = glyph_ink_box(self.treble, TREBLE_CLEF)[0]
            draw.text((x - left, round(baseline)), TREBLE_CLEF, font=self.treble,
                      fill=0, anchor="ls")
        else:
            # The dots straddle the F line (position 16).
            baseline = centre_y(16) - self.bass_dots_mid
            left = glyph_ink_box(self.bass, BASS_CLEF)[0]
            draw.text((x - left, round(baseline)), BASS_CLEF, font=self.bass,
                      fill=0, anchor="ls")

    def note_box(self):
        return glyph_ink_box(self.note, WHOLE_NOTE)

    def draw_note(self, draw, position):
        left, top, right, bottom = self.note_box()
        x = NOTE_CENTRE_X * S - (left + right) / 2
        y = centre_y(position) - (top + bottom) / 2
        draw.text((round(x), round(y)), WHOLE_NOTE, font=self.note, fill=0,
                  anchor="ls")


def staff_picture(glyphs, clef, position):
    canvas = Image.new("L", (WIDTH * S, HEIGHT * S), 255)
    draw = ImageDraw.Draw(canvas)
    for line in STAFF_LINES:
        draw_line(draw, line, STAFF_LEFT, STAFF_RIGHT)
    glyphs.draw_clef(draw, clef)

    left, _, right, _ = glyphs.note_box()
    head_half = (right - left) / (2 * S)
    x0 = round(NOTE_CENTRE_X - head_half - LEDGER_OVERHANG)
    x1 = round(NOTE_CENTRE_X + head_half + LEDGER_OVERHANG)
    for ledger in ledger_positions(position):
        draw_line(draw, ledger, x0, x1)
    glyphs.draw_note(draw, position)

    return canvas.reduce(S).convert("RGB")


def jpeg_bytes(image):
    out = io.BytesIO()
    image.save(out, "JPEG", **JPEG_OPTIONS)
    return out.getvalue()


def pad_with_comment(data, size):
    """Grow a JPEG to exactly `size` bytes with a COM segment placed right
    after the SOI and APP0 (JFIF) segments."""
    assert data[:2] == b"\xff\xd8", "not a JPEG"
    at = 2
    if data[at:at + 2] == b"\xff\xe0":
        at += 2 + int.from_bytes(data[at + 2:at + 4], "big")
    missing = size - len(data)
    if missing < 4 or missing > 4 + 65533:
        raise SystemExit("cannot pad a %d-byte JPEG to %d bytes" % (len(data), size))
    body_length = missing - 4
    text = b"blank picture".ljust(body_length, b" ")[:body_length]
    segment = b"\xff\xfe" + (body_length + 2).to_bytes(2, "big") + text
    padded = data[:at] + segment + data[at:]
    assert len(padded) == size
    return padded


def write(path, data, written):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as handle:
        handle.write(data)
    written.append((path, len(data)))


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", nargs="?",
                        default=os.path.join(os.path.dirname(here), "resources"),
                        help="folder that receives staff/ and common/ "
                             "(default: the repository's resources/)")
    parser.add_argument("--font", default=DEFAULT_FONT,
                        help="Noto Music font file (default: %(default)s)")
    args = parser.parse_args(argv)

    if not os.path.isfile(args.font):
        raise SystemExit("font not found: %s (install fonts-noto-core)" % args.font)
    glyphs = Glyphs(args.font)

    written = []
    for clef in ("treble", "bass"):
        for position in POSITIONS:
            picture = staff_picture(glyphs, clef, position)
            path = os.path.join(args.output, "staff", clef,
                                position_name(clef, position) + ".jpg")
            write(path, jpeg_bytes(picture), written)

    blank = jpeg_bytes(Image.new("RGB", (WIDTH, HEIGHT), (255, 255, 255)))
    write(os.path.join(args.output, "common", "100.jpg"),
          pad_with_comment(blank, BLANK_SIZE), written)

    for path, size in written:
        print("wrote %s (%d bytes)" % (path, size))
    print("%d files" % len(written))
    return 0


if __name__ == "__main__":
    sys.exit(main())
