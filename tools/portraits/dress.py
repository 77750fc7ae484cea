"""The drawn bust's neck, shoulders and dress, by era (see composers.py)."""

import math

from .canvas import box, pts, shade, strands
from .composers import COATS, TIES

WHITE = (244, 242, 236)
WHITE_DARK = (196, 194, 190)


def draw_body(canvas, h, rng, c):
    """Shoulders, neck and what is worn, by era."""
    cx = h.cx
    coat = rng.choice(COATS[c.era])
    coat_dark = shade(coat, -0.3)
    shoulder_top = h.chin + 11
    canvas.polygon([(cx - 9, h.cy + 10), (cx + 9, h.cy + 10), (cx + 10, h.chin + 16),
                    (cx - 10, h.chin + 16)], fill=shade(h.skin, -0.12))
    canvas.soft(lambda d: d.polygon(pts([(cx - 9, h.chin - 2), (cx + 9, h.chin - 2),
                                         (cx + 9, h.chin + 5), (cx - 9, h.chin + 5)])),
                shade(h.skin, -0.45), 110, 1.5)
    slope = rng.uniform(-1.5, 1.5)
    canvas.ellipse((cx - 74, shoulder_top + slope, cx + 74, shoulder_top + 170), fill=coat)
    canvas.soft(lambda d: d.ellipse(box(cx - 70, shoulder_top + 2, cx - 30,
                                        shoulder_top + 30)), shade(coat, 0.15), 90, 4.0)
    canvas.soft(lambda d: d.ellipse(box(cx + 30, shoulder_top + 2, cx + 78,
                                        shoulder_top + 80)), coat_dark, 120, 5.0)
    ERAS[c.era](canvas, h, rng, c, coat)


def draw_renaissance(canvas, h, rng, c, coat):
    """A ruff or a flat collar, and the fur facings of an open robe."""
    cx, nb = h.cx, h.chin + 12
    if c.neck == "ruff":
        canvas.ellipse((cx - 28, nb - 12, cx + 28, nb + 10), fill=WHITE)
        for i in range(22):
            a = math.radians(180 + i * 360 / 22)
            canvas.line([(cx + 12 * math.cos(a), nb - 1 + 5 * math.sin(a)),
                         (cx + 27 * math.cos(a), nb - 1 + 10.5 * math.sin(a))],
                        WHITE_DARK, 0.6)
        for i in range(16):
            x = cx - 26 + i * 52 / 15
            canvas.arc((x - 2.5, nb + 5, x + 2.5, nb + 11), 0, 180, WHITE_DARK, 0.5)
    else:
        canvas.polygon([(cx - 13, nb - 2), (cx + 13, nb - 2), (cx + 16, nb + 6),
                        (cx - 16, nb + 6)], fill=WHITE)
    fur = rng.choice([(110, 84, 60), (130, 104, 76), (88, 70, 56)])
    for side in (-1, 1):
        canvas.polygon([(cx + side * 12, nb + 4), (cx + side * 30, nb - 1),
                        (cx + side * 46, nb + 8), (cx + side * 32, 200),
                        (cx + side * 15, 200)], fill=fur)
        lo, hi = sorted((cx + side * 12, cx + side * 46))
        strands(canvas, rng, (lo, nb, hi, 196), shade(fur, -0.3), 60, 2.5, 0.5, (40, 140))
        strands(canvas, rng, (lo, nb, hi, 196), shade(fur, 0.25), 30, 2.0, 0.5, (40, 140))


def draw_baroque(canvas, h, rng, c, coat):
    """Coat with buttons, jabot of lace."""
    cx, nb = h.cx, h.chin + 12
    canvas.polygon([(cx - 20, nb), (cx + 20, nb), (cx + 6, 200), (cx - 6, 200)],
                   fill=shade(coat, -0.3))
    for i in range(5):
        y = nb + 22 + i * 10
        canvas.ellipse((cx + 8, y - 1.6, cx + 11, y + 1.4), fill=(214, 180, 90))
    canvas.polygon([(cx - 11, nb - 4), (cx + 11, nb - 4), (cx + 14, nb + 30),
                    (cx, nb + 38), (cx - 14, nb + 30)], fill=WHITE)
    for i in range(5):
        y = nb + 6 + i * 6.5
        w = 10 + i * 1.0
        canvas.arc((cx - w, y - 3, cx + w, y + 4), 10, 170, WHITE_DARK, 0.6)
    canvas.ellipse((cx - 5, nb - 4, cx + 5, nb + 3), fill=WHITE, outline=WHITE_DARK,
                   width=0.5)


def draw_classical(canvas, h, rng, c, coat):
    """Waistcoat, wide lapels, stock and frill."""
    cx, nb = h.cx, h.chin + 12
    coat_light = shade(coat, 0.15)
    waist = rng.choice([(236, 224, 190), (200, 170, 120), (230, 230, 230), coat_light])
    canvas.polygon([(cx - 14, nb), (cx + 14, nb), (cx + 12, 200), (cx - 12, 200)],
                   fill=waist)
    for i in range(4):
        y = nb + 24 + i * 9
        canvas.ellipse((cx - 1.3, y - 1.3, cx + 1.3, y + 1.3), fill=shade(waist, -0.35))
    for side in (-1, 1):
        canvas.polygon([(cx + side * 14, nb - 2), (cx + side * 30, nb + 6),
                        (cx + side * 22, nb + 40), (cx + side * 12, 200),
                        (cx + side * 9, 200), (cx + side * 11, nb + 4)], fill=coat_light)
        canvas.line([(cx + side * 14, nb - 2), (cx + side * 30, nb + 6),
                     (cx + side * 22, nb + 40)], shade(coat, -0.3), 0.6)
    canvas.polygon([(cx - 9, nb - 6), (cx + 9, nb - 6), (cx + 10, nb + 2),
                    (cx - 10, nb + 2)], fill=WHITE)
    canvas.polygon([(cx - 6, nb + 1), (cx + 6, nb + 1), (cx + 8, nb + 20),
                    (cx, nb + 24), (cx - 8, nb + 20)], fill=WHITE)
    for i in range(3):
        canvas.arc((cx - 7, nb + 4 + i * 6, cx + 7, nb + 10 + i * 6), 10, 170,
                   WHITE_DARK, 0.5)
    if c.hat == "furcap":  # the fur-trimmed robe that goes with it
        fur = (120, 90, 64)
        for side in (-1, 1):
            canvas.polygon([(cx + side * 16, nb - 2), (cx + side * 34, nb + 4),
                            (cx + side * 26, 200), (cx + side * 14, 200)], fill=fur)
            strands(canvas, rng, (cx + side * 14 - 6, nb, cx + side * 32 + 4, 196),
                    shade(fur, -0.3), 30, 2.5, 0.5, (40, 140))


def draw_romantic(canvas, h, rng, c, coat):
    """Waistcoat, tailcoat, high collar points up the cheeks, wrapped cravat."""
    cx, nb = h.cx, h.chin + 12
    waist = rng.choice([(236, 226, 200), (150, 40, 40), (80, 80, 90), (200, 180, 120)])
    canvas.polygon([(cx - 16, nb), (cx + 16, nb), (cx + 12, 200), (cx - 12, 200)],
                   fill=waist)
    for side in (-1, 1):
        canvas.polygon([(cx + side * 16, nb - 4), (cx + side * 34, nb + 8),
                        (cx + side * 28, nb + 26), (cx + side * 34, nb + 34),
                        (cx + side * 14, 200), (cx + side * 10, 200),
                        (cx + side * 13, nb + 6)], fill=shade(coat, -0.3))
    for side in (-1, 1):
        canvas.polygon([(cx + side * 3, nb - 2), (cx + side * 11, h.chin - 4),
                        (cx + side * 14, nb - 4)], fill=WHITE)
    if c.neck == "scarf":
        cravat = (150, 36, 40)
    else:
        cravat = rng.choice([(24, 22, 24), (244, 242, 236), (236, 232, 222)])
    canvas.ellipse((cx - 13, nb - 8, cx + 13, nb + 6), fill=cravat)
    outline = shade(cravat, -0.25 if sum(cravat) > 300 else 0.3)
    canvas.arc((cx - 13, nb - 8, cx + 13, nb + 6), 10, 170, outline, 0.6)
    canvas.ellipse((cx - 4, nb - 2, cx + 4, nb + 5), fill=cravat, outline=outline,
                   width=0.5)
    canvas.polygon([(cx - 3, nb + 4), (cx + 3, nb + 4), (cx + 7, nb + 16),
                    (cx - 6, nb + 15)], fill=cravat)


def draw_late(canvas, h, rng, c, coat):
    """Frock coat over a shirt, sometimes a waistcoat, wing collar and
    neckwear; or an abbé's cassock."""
    cx, nb = h.cx, h.chin + 12
    if c.neck == "abbe":
        canvas.polygon([(cx - 9, nb - 6), (cx + 9, nb - 6), (cx + 10, nb + 2),
                        (cx - 10, nb + 2)], fill=(24, 22, 26))
        canvas.polygon([(cx - 2.5, nb - 5), (cx + 2.5, nb - 5), (cx + 2.5, nb + 1),
                        (cx - 2.5, nb + 1)], fill=WHITE)
        for i in range(5):
            y = nb + 10 + i * 10
            canvas.ellipse((cx - 1.2, y - 1.2, cx + 1.2, y + 1.2), fill=(60, 56, 62))
        return
    canvas.polygon([(cx - 13, nb - 2), (cx + 13, nb - 2), (cx + 4, 200), (cx - 4, 200)],
                   fill=WHITE)
    if rng.random() < 0.45:
        vest = rng.choice([(90, 86, 84), (120, 110, 96), (60, 58, 66), (150, 140, 120)])
        for side in (-1, 1):
            canvas.polygon([(cx + side * 9, nb + 12), (cx + side * 16, nb + 8),
                            (cx + side * 14, 200), (cx + side * 1, 200)], fill=vest)
    for side in (-1, 1):
        canvas.polygon([(cx + side * 13, nb - 4), (cx + side * 30, nb + 6),
                        (cx + side * 24, nb + 24), (cx + side * 30, nb + 30),
                        (cx + side * 6, 200), (cx + side * 3, 200),
                        (cx + side * 8, nb + 10)], fill=shade(coat, -0.3))
        canvas.polygon([(cx + side * 1, nb - 1), (cx + side * 9, nb - 7),
                        (cx + side * 11, nb + 1)], fill=WHITE)
        canvas.line([(cx + side * 1, nb - 1), (cx + side * 9, nb - 7),
                     (cx + side * 11, nb + 1)], WHITE_DARK, 0.5)
    draw_late_neckwear(canvas, cx, nb, rng, c.neck)


def draw_late_neckwear(canvas, cx, nb, rng, neck):
    """A white scarf, a lavallière, a knotted cravat or a bow tie."""
    if neck == "scarf":
        scarf = (236, 234, 226)
        canvas.ellipse((cx - 16, nb - 8, cx + 16, nb + 6), fill=scarf)
        canvas.polygon([(cx - 8, nb), (cx + 2, nb), (cx - 2, 200), (cx - 14, 200)],
                       fill=scarf)
        canvas.line([(cx - 6, nb + 6), (cx - 10, 190)], WHITE_DARK, 0.6)
    elif neck == "lavalliere":
        tie = (24, 22, 26)
        canvas.polygon([(cx, nb), (cx - 14, nb - 6), (cx - 16, nb + 8)], fill=tie)
        canvas.polygon([(cx, nb), (cx + 14, nb - 6), (cx + 16, nb + 8)], fill=tie)
        canvas.polygon([(cx - 2, nb + 2), (cx - 9, nb + 24), (cx - 3, nb + 22)], fill=tie)
        canvas.polygon([(cx + 2, nb + 2), (cx + 8, nb + 26), (cx + 3, nb + 22)], fill=tie)
        canvas.ellipse((cx - 3, nb - 3, cx + 3, nb + 3), fill=tie)
    elif rng.random() < 0.3:
        tie = rng.choice([(24, 22, 26), (70, 40, 44), (40, 44, 70)])
        canvas.polygon([(cx - 3.5, nb - 1), (cx + 3.5, nb - 1), (cx + 2.5, nb + 3),
                        (cx - 2.5, nb + 3)], fill=shade(tie, 0.1))
        canvas.polygon([(cx - 2.5, nb + 3), (cx + 2.5, nb + 3), (cx + 6, nb + 22),
                        (cx - 5, nb + 22)], fill=tie)
    else:
        tie = rng.choice([(24, 22, 26), (24, 22, 26), (60, 40, 80), (110, 30, 34)])
        canvas.polygon([(cx, nb), (cx - 7, nb - 3.5), (cx - 7, nb + 3.5)], fill=tie)
        canvas.polygon([(cx, nb), (cx + 7, nb - 3.5), (cx + 7, nb + 3.5)], fill=tie)
        canvas.ellipse((cx - 2, nb - 2, cx + 2, nb + 2), fill=tie)


def draw_modern(canvas, h, rng, c, coat):
    """Suit, shirt collar, and a necktie under it or a bow tie over it."""
    cx, nb = h.cx, h.chin + 12
    shirt = rng.choice([(244, 242, 236), (230, 236, 244), (240, 236, 222)])
    canvas.polygon([(cx - 12, nb - 4), (cx + 12, nb - 4), (cx + 4, 200), (cx - 4, 200)],
                   fill=shirt)
    for side in (-1, 1):
        canvas.polygon([(cx + side * 12, nb - 6), (cx + side * 28, nb + 4),
                        (cx + side * 22, nb + 20), (cx + side * 28, nb + 26),
                        (cx + side * 6, 200), (cx + side * 3, 200),
                        (cx + side * 6, nb + 12)], fill=shade(coat, -0.3))
    if c.neck != "bowtie":
        # A necktie goes under the collar points, which hide the sides of its knot.
        tie = rng.choice(TIES)
        if c.row == 62:  # colourful shirt and tie
            tie = (200, 90, 40)
        canvas.polygon([(cx - 3, nb - 1), (cx + 3, nb - 1), (cx + 2, nb + 3),
                        (cx - 2, nb + 3)], fill=shade(tie, -0.2))
        canvas.polygon([(cx - 2, nb + 3), (cx + 2, nb + 3), (cx + 4.5, 190), (cx, 196),
                        (cx - 4.5, 190)], fill=tie)
        if rng.random() < 0.5:
            for i in range(6):
                y = nb + 8 + i * 10
                canvas.line([(cx - 3, y), (cx + 3, y + 3)], shade(tie, 0.3), 0.8)
    for side in (-1, 1):
        canvas.polygon([(cx + side * 1, nb - 1), (cx + side * 10, nb - 8),
                        (cx + side * 8, nb + 4)], fill=shirt)
        canvas.line([(cx + side * 1, nb - 1), (cx + side * 10, nb - 8), (cx + side * 8, nb + 4)],
                    shade(shirt, -0.25), 0.5)
    if c.neck == "bowtie":
        # A bow tie sits in front of the collar, so it is drawn after it.
        tie = (40, 36, 40)
        canvas.polygon([(cx - 1, nb), (cx - 8, nb - 4), (cx - 8, nb + 4)], fill=tie)
        canvas.polygon([(cx + 1, nb), (cx + 8, nb - 4), (cx + 8, nb + 4)], fill=tie)
        canvas.ellipse((cx - 2, nb - 2, cx + 2, nb + 2), fill=shade(tie, 0.25))


ERAS = {"renaissance": draw_renaissance, "baroque": draw_baroque,
        "classical": draw_classical, "romantic": draw_romantic, "late": draw_late,
        "modern": draw_modern}
