"""Contact sheets to look at the pictures as `./qz serve` shows them: at 1x
and enlarged 2x with sharp pixels, each beside its neighbours in row order,
labelled with its number and whether it is a likeness (L) or drawn (D)."""

import os

from PIL import Image, ImageDraw

from . import HEIGHT, WIDTH

GAP, LABEL = 6, 14
# Scale -> (columns, pictures per page): pages narrow enough to be seen whole.
LAYOUTS = {1: (10, 30), 2: (5, 10)}


def write_sheets(pictures, folder):
    """pictures: [(number, 'L' or 'D', RGB image)] in row order.  Writes
    folder/sheet-1x-N.png and folder/sheet-2x-N.png; returns their paths."""
    os.makedirs(folder, exist_ok=True)
    paths = []
    for scale, (columns, per_page) in LAYOUTS.items():
        for first in range(0, len(pictures), per_page):
            page = pictures[first:first + per_page]
            path = os.path.join(folder, "sheet-%dx-%d.png" % (scale, first // per_page + 1))
            sheet(page, scale, columns).save(path)
            paths.append(path)
    return paths


def sheet(page, scale, columns):
    cell_w, cell_h = WIDTH * scale + GAP, HEIGHT * scale + LABEL + GAP
    lines = (len(page) + columns - 1) // columns
    out = Image.new("RGB", (columns * cell_w + GAP, lines * cell_h + GAP), (246, 244, 238))
    draw = ImageDraw.Draw(out)
    for i, (number, kind, picture) in enumerate(page):
        x = GAP + (i % columns) * cell_w
        y = GAP + (i // columns) * cell_h
        out.paste(picture.resize((WIDTH * scale, HEIGHT * scale), Image.NEAREST), (x, y))
        draw.text((x, y + HEIGHT * scale + 2), "%d %s" % (number, kind), fill=(40, 40, 40))
    return out
