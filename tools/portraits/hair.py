"""The drawn head's hair, wigs and hats, by the style of the composer table:
swept, short, fringe, receding, cropped, slick, side, curly, wavy, wild, long,
bald, wig_full (baroque), wig_tied (classical)."""

import math

from PIL import ImageDraw

from .canvas import box, ellipse_mask, intersect, minus, polygon_mask, shade, strands, union
from . import WIDTH


def hair_cap(canvas, h, volume, lift, hairline, width=0.85, shift=0.0, down=0.15):
    """Hair covering the top of the head: a large ellipse less the forehead.

    `hairline` is the distance from the top of the face to the middle of the
    hairline, in face half-heights; `shift` moves the forehead sideways for a
    parting."""
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    outer = ellipse_mask(canvas, (cx - fw - volume, h.top - volume - lift,
                                  cx + fw + volume, cy + fh * down + volume * 0.5))
    lower = cy + fh * down
    outer = intersect(outer, polygon_mask(canvas, [(0, 0), (WIDTH, 0), (WIDTH, lower),
                                                   (0, lower)]))
    forehead = ellipse_mask(canvas, (cx - fw * width + shift, h.top + fh * hairline,
                                     cx + fw * width + shift, cy + fh * 1.8))
    return minus(outer, forehead)


def curls(canvas, rng, centres, radius, colour, outline_amount=-0.3):
    dark = shade(colour, outline_amount)
    light = shade(colour, 0.18)
    for x, y in centres:
        r = radius * rng.uniform(0.8, 1.2)
        canvas.ellipse((x - r, y - r, x + r, y + r), fill=colour)
        canvas.arc((x - r * 0.85, y - r * 0.85, x + r * 0.85, y + r * 0.85),
                   rng.uniform(10, 40), rng.uniform(140, 170), dark, 0.7)
        canvas.arc((x - r * 0.5, y - r * 0.6, x + r * 0.4, y + r * 0.3), 200, 280, light, 0.6)


def ring_points(h, rng, start_deg, end_deg, count, rx, ry, jitter=1.0):
    out = []
    for i in range(count):
        a = math.radians(start_deg + (end_deg - start_deg) * i / max(1, count - 1))
        out.append((h.cx + rx * math.cos(a) + rng.uniform(-jitter, jitter),
                    h.cy + ry * math.sin(a) + rng.uniform(-jitter, jitter)))
    return out


def draw_back_hair(canvas, h, rng, c):
    """Whatever lies behind the head and shoulders."""
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    if c.hair == "wig_full":
        col = h.hair
        m = ellipse_mask(canvas, (cx - fw - 16, h.top - 12, cx + fw + 16, cy + fh * 1.6))
        m = union(m, polygon_mask(canvas, [(cx - fw - 18, cy), (cx + fw + 18, cy),
                                           (cx + fw + 22, cy + fh * 2.1),
                                           (cx - fw - 22, cy + fh * 2.1)]))
        canvas.fill(m, shade(col, -0.28))
    elif c.hair == "long":
        m = ellipse_mask(canvas, (cx - fw - 8, h.top - 6, cx + fw + 8, cy + fh * 1.3))
        m = union(m, polygon_mask(canvas, [(cx - fw - 8, cy), (cx + fw + 8, cy),
                                           (cx + fw + 11, cy + fh * 1.75),
                                           (cx - fw - 11, cy + fh * 1.75)]))
        canvas.fill(m, shade(h.hair, -0.2))


def draw_hair(canvas, h, rng, c):
    """The hair over the head, in front of the face's edges."""
    if c.hat and c.hair == "short":
        draw_hair_under_hat(canvas, h, rng, c)
    elif c.hair == "bald":
        if c.hair_colour != "none":
            draw_bald(canvas, h, rng)
    elif c.hair == "wig_full":
        draw_full_wig(canvas, h, rng)
    elif c.hair == "wig_tied":
        draw_tied_wig(canvas, h)
    else:
        draw_natural_hair(canvas, h, rng, c.hair)


def draw_hair_under_hat(canvas, h, rng, c):
    """Only the hair below the hat shows."""
    if c.hat == "bonnet":
        m = hair_cap(canvas, h, 4, 0, 0.4, width=0.84, down=0.45)
    else:
        m = hair_cap(canvas, h, 2, 0, 0.42, width=0.86, down=0.1)
    canvas.fill(m, h.hair)
    strands(canvas, rng, (h.cx - h.fw - 4, h.top, h.cx + h.fw + 4, h.cy + h.fh * 0.5),
            shade(h.hair, -0.3), 30, 6, 0.5, (80, 100), clip=m)


def draw_bald(canvas, h, rng):
    """Hair at the sides only, and a light on the crown."""
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    dark = shade(h.hair, -0.3)
    for side in (-1, 1):
        m = ellipse_mask(canvas, (cx + side * fw - 5, cy - fh * 0.42,
                                  cx + side * fw + 5, cy + fh * 0.12))
        m = minus(m, ellipse_mask(canvas, (cx - fw + 2.5, h.top, cx + fw - 2.5, h.chin)))
        canvas.fill(m, h.hair)
    strands(canvas, rng, (cx - fw - 3, cy - fh * 0.35, cx - fw + 1, cy + fh * 0.05),
            dark, 6, 3, 0.5, (70, 110))
    strands(canvas, rng, (cx + fw - 1, cy - fh * 0.35, cx + fw + 3, cy + fh * 0.05),
            dark, 6, 3, 0.5, (70, 110))
    canvas.soft(lambda d: d.ellipse(box(cx - fw * 0.5, h.top + 2, cx + fw * 0.1,
                                        h.top + fh * 0.35)), (255, 255, 255), 70, 2.0)


def draw_full_wig(canvas, h, rng):
    """The full-bottomed wig of the baroque: curls around the face and down
    to the shoulders, parted in the middle."""
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    col = h.hair
    m = hair_cap(canvas, h, 7, 4, 0.3, width=0.8, down=0.3)
    canvas.fill(m, col)
    centres = ring_points(h, rng, 180, 360, 11, fw + 5, fh + 5, 1.2)
    curls(canvas, rng, centres, 5.0, col)
    for side in (-1, 1):
        for i in range(7):
            y = cy - fh * 0.2 + i * 8.5
            x = cx + side * (fw + 5 + min(i, 4) * 1.8) + rng.uniform(-1.5, 1.5)
            curls(canvas, rng, [(x, y), (x + side * 6.5, y + 4)], 5.2, col)
    canvas.line([(cx, h.top - 9), (cx + 0.5, h.top + 2)], shade(col, -0.3), 0.8)


def draw_tied_wig(canvas, h):
    """The powdered wig of the classical era, with two rolls over each ear."""
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    col = h.hair
    m = hair_cap(canvas, h, 4, 3, 0.2, width=0.82, down=0.05)
    canvas.fill(m, col)
    for i in range(9):
        x = cx - fw * 0.7 + i * fw * 1.4 / 8
        canvas.arc((x - 6, h.top - 6, x + 6, h.top + 12), 200, 250, shade(col, -0.12), 0.6)
    for side in (-1, 1):
        for y in (cy - fh * 0.28, cy - fh * 0.02):
            x = cx + side * (fw + 1.5)
            canvas.ellipse((x - 5.5, y - 3.2, x + 5.5, y + 3.2), fill=col,
                           outline=shade(col, -0.2), width=0.6)
            canvas.arc((x - 3.5, y - 1.6, x + 3.5, y + 1.8), 0, 360, shade(col, -0.12), 0.5)


# The cap of each natural style: volume, lift, hairline, width, shift, down
# (see hair_cap).
CAPS = {
    "short": (2.5, 2, 0.32, 0.86, 0.0, 0.12),
    "fringe": (3.5, 2.5, 0.45, 0.86, 0.0, 0.12),
    "swept": (4, 6, 0.22, 0.84, 0.0, 0.12),
    "receding": (3.5, 2.5, 0.1, 0.92, 0.0, 0.12),
    "cropped": (1.2, 0.5, 0.28, 0.86, 0.0, 0.12),
    "slick": (2, 1.5, 0.26, 0.86, -3, 0.12),
    "side": (4, 3, 0.3, 0.86, 3, 0.3),
    "curly": (4, 3, 0.34, 0.86, 0.0, 0.12),
    "wavy": (4, 3, 0.34, 0.86, 0.0, 0.12),
    "wild": (6, 6, 0.3, 0.86, 0.0, 0.2),
    "long": (4, 3, 0.22, 0.82, 0.0, 0.5),
}


def draw_natural_hair(canvas, h, rng, style):
    """The cap of the style, lit from the upper left, then its texture."""
    cap = CAPS[style]
    m = hair_cap(canvas, h, *cap)
    canvas.fill(m, h.hair)
    lift = cap[1]
    canvas.soft(lambda d: d.ellipse(box(h.cx - h.fw * 0.8, h.top - lift - 2, h.cx, h.top + 6)),
                shade(h.hair, 0.22), 110, 2.0)
    if style in ("curly", "wavy"):
        draw_curly_texture(canvas, h, rng, style, cap)
    elif style == "wild":
        draw_wild_texture(canvas, h, rng, m)
    elif style == "swept":
        for i in range(9):
            x = h.cx - h.fw * 0.75 + i * h.fw * 1.5 / 8
            canvas.arc((x - 4, h.top - lift - 4, x + 14, h.top + 14), 190, 260,
                       shade(h.hair, -0.3), 0.6)
    elif style == "long":
        draw_long_locks(canvas, h, rng)
    else:
        draw_combed_texture(canvas, h, rng, style, m, cap)


def draw_curly_texture(canvas, h, rng, style, cap):
    volume, lift = cap[0], cap[1]
    n = 13 if style == "curly" else 9
    centres = ring_points(h, rng, 192, 348, n, h.fw + volume - 1, h.fh + volume + lift - 3, 0.8)
    curls(canvas, rng, centres, 3.4 if style == "curly" else 4.0, h.hair)
    if style == "curly":
        curls(canvas, rng, [(h.cx - h.fw * 0.5 + i * h.fw * 0.5, h.top + h.fh * 0.32)
                            for i in range(3)], 2.8, h.hair)


def draw_wild_texture(canvas, h, rng, mass):
    """Tufts standing out all round, and over the ears."""
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    d = ImageDraw.Draw(mass)
    for x, y in ring_points(h, rng, 183, 357, 15, fw + 6, fh + 8, 2.5):
        r = rng.uniform(3.5, 6.5)
        d.ellipse(box(x - r, y - r, x + r, y + r), fill=255)
    for side in (-1, 1):
        x, y = cx + side * (fw + 3), cy - fh * 0.25
        d.ellipse(box(x - 5, y - 7, x + 5, y + 6), fill=255)
    mass = minus(mass, ellipse_mask(canvas, (cx - fw * 0.86, h.top + fh * 0.3,
                                             cx + fw * 0.86, cy + fh * 1.8)))
    canvas.fill(mass, h.hair)
    strands(canvas, rng, (cx - fw - 8, h.top - 12, cx + fw + 8, cy - fh * 0.2),
            shade(h.hair, -0.3), 44, 6, 0.6, (200, 340), clip=mass)
    strands(canvas, rng, (cx - fw - 6, h.top - 10, cx + fw + 6, cy - fh * 0.4),
            shade(h.hair, 0.22), 18, 5, 0.5, (200, 340), clip=mass)


def draw_long_locks(canvas, h, rng):
    """Hair falling to the shoulders on both sides."""
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    for side in (-1, 1):
        m = polygon_mask(canvas, [(cx + side * (fw - 2), cy - fh * 0.5),
                                  (cx + side * (fw + 7), cy - fh * 0.3),
                                  (cx + side * (fw + 9), cy + fh * 0.5),
                                  (cx + side * (fw + 12), cy + fh * 1.3),
                                  (cx + side * (fw + 10), cy + fh * 1.6),
                                  (cx + side * (fw + 6), cy + fh * 1.5),
                                  (cx + side * (fw + 3), cy + fh * 1.62),
                                  (cx + side * (fw + 1), cy + fh * 1.2),
                                  (cx + side * (fw - 1), cy + fh * 0.4)])
        canvas.fill(m, h.hair)
        strands(canvas, rng, (cx + side * fw - 3, cy - fh * 0.3,
                              cx + side * fw + 10, cy + fh * 1.5),
                shade(h.hair, -0.3), 18, 10, 0.5, (80, 100), clip=m)


def draw_combed_texture(canvas, h, rng, style, m, cap):
    """Combed strands, a parting for the slick and side styles, a fringe."""
    cx, fw, fh = h.cx, h.fw, h.fh
    lift, shift = cap[1], cap[4]
    dark = shade(h.hair, -0.3)
    texture = dark if style != "cropped" else shade(h.hair, -0.15)
    strands(canvas, rng, (cx - fw * 0.8, h.top - lift, cx + fw * 0.8, h.top + fh * 0.3),
            texture, 16, 5, 0.5, (160, 200) if style != "slick" else (170, 190), clip=m)
    if style in ("slick", "side"):
        px = cx + (shift * 1.6 if shift else -fw * 0.4)
        canvas.line([(px, h.top - lift + 1), (px + 1, h.top + fh * 0.25)], dark, 0.8)
    if style == "fringe":
        for i in range(8):
            x = cx - fw * 0.7 + i * fw * 1.4 / 7
            canvas.line([(x, h.top + fh * 0.1), (x + 1, h.top + fh * 0.42)], dark, 0.6)


def draw_hat(canvas, h, rng, c):
    cx, fw, top = h.cx, h.fw, h.top
    if c.hat == "beret":
        col = (42, 36, 46)
        canvas.ellipse((cx - fw - 6, top - 13, cx + fw + 8, top + 9), fill=col)
        canvas.soft(lambda d: d.ellipse(box(cx - fw, top - 11, cx + 4, top - 2)),
                    (120, 110, 130), 90, 2.0)
        canvas.arc((cx - fw - 6, top - 13, cx + fw + 8, top + 9), 0, 180, shade(col, -0.4), 0.8)
    elif c.hat == "tophat":
        col = (26, 24, 28)
        canvas.polygon([(cx - fw + 1, top - 30), (cx + fw - 1, top - 30),
                        (cx + fw + 1, top + 3), (cx - fw - 1, top + 3)], fill=col)
        canvas.ellipse((cx - fw + 1, top - 33, cx + fw - 1, top - 27), fill=shade(col, 0.15))
        canvas.polygon([(cx - fw - 1, top - 2), (cx + fw + 1, top - 2),
                        (cx + fw + 1, top + 2), (cx - fw - 1, top + 2)], fill=(60, 56, 62))
        canvas.ellipse((cx - fw - 10, top - 1, cx + fw + 10, top + 8), fill=col)
        canvas.soft(lambda d: d.rectangle(box(cx - fw + 4, top - 28, cx - fw + 8, top)),
                    (200, 200, 210), 60, 1.2)
    elif c.hat == "bowler":
        col = (30, 28, 30)
        canvas.ellipse((cx - fw - 1, top - 18, cx + fw + 1, top + 12), fill=col)
        canvas.ellipse((cx - fw - 9, top + 2, cx + fw + 9, top + 10), fill=col)
        canvas.soft(lambda d: d.ellipse(box(cx - fw + 3, top - 15, cx - 2, top - 5)),
                    (200, 200, 210), 60, 1.5)
    elif c.hat == "furcap":
        col = (92, 64, 42)
        canvas.polygon([(cx - fw - 2, top - 16), (cx + fw + 2, top - 16),
                        (cx + fw + 4, top + 7), (cx - fw - 4, top + 7)], fill=col)
        canvas.ellipse((cx - fw - 2, top - 20, cx + fw + 2, top - 12), fill=(150, 60, 50))
        strands(canvas, rng, (cx - fw - 3, top - 15, cx + fw + 3, top + 6),
                shade(col, -0.35), 60, 2.5, 0.6, (60, 120))
        strands(canvas, rng, (cx - fw - 3, top - 15, cx + fw + 3, top + 6),
                shade(col, 0.25), 30, 2.0, 0.5, (60, 120))
    elif c.hat == "bonnet":
        # The soft flat cap of the Renaissance, worn over hair cut in a bob.
        col = (28, 26, 30)
        canvas.ellipse((cx - fw - 9, top - 12, cx + fw + 7, top + 5), fill=col)
        canvas.polygon([(cx - fw - 1, top - 2), (cx + fw + 1, top - 2), (cx + fw + 2, top + 7),
                        (cx - fw - 2, top + 7)], fill=shade(col, 0.1))
        canvas.soft(lambda d: d.ellipse(box(cx - fw - 4, top - 11, cx + 2, top - 4)),
                    (130, 126, 140), 80, 1.8)
        canvas.soft(lambda d: d.ellipse(box(cx - fw * 0.7, top - 2, cx, top + 7)),
                    (140, 140, 150), 70, 1.5)
