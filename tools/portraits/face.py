"""The drawn head: its proportions and colours, the face, facial hair, glasses."""

from dataclasses import dataclass

from PIL import ImageFilter

from .canvas import (S, box, ellipse_mask, intersect, minus, mix, polygon_mask, pts, shade,
                     strands, union)
from .composers import DARK_SKIN, EYES, HAIR, SKINS
from . import WIDTH


@dataclass
class Head:
    cx: float
    cy: float
    fw: float     # half width of the face
    fh: float     # half height of the face
    skin: tuple
    hair: tuple
    beard: tuple
    eyes: tuple

    @property
    def top(self):
        return self.cy - self.fh

    @property
    def chin(self):
        return self.cy + self.fh

    def face_box(self):
        return (self.cx - self.fw, self.top, self.cx + self.fw, self.chin)


# Half width and half height added to the face by its shape.
FACE_SHAPES = {"": (0, 0), "round": (1.8, -0.5), "plump": (3.2, 0.5), "thin": (-2.2, 0.5),
               "long": (-1.2, 2.2)}


def make_head(c, rng):
    fw = 21.0 + rng.uniform(-1.2, 1.2)
    fh = 27.5 + rng.uniform(-1.2, 1.2)
    wider, taller = FACE_SHAPES[c.face]
    fw += wider
    fh += taller
    skin = DARK_SKIN if c.skin == "dark" else rng.choice(SKINS)
    skin = mix(skin, (255, 200, 170), rng.uniform(0, 0.15))
    hair = HAIR[c.hair_colour]
    beard = HAIR[c.beard_colour] if c.beard_colour else hair
    return Head(73 + rng.uniform(-1.5, 1.5), 78 + rng.uniform(-1.5, 1.5), fw, fh, skin,
                hair, beard, rng.choice(EYES))


# --- the face ---------------------------------------------------------------

def draw_face(canvas, h, rng, c):
    """The face with its features; returns the heights of the eyes, the
    nose's tip and the mouth, where facial hair and glasses go."""
    draw_skin(canvas, h)
    ey = draw_eyes(canvas, h, rng, c)
    ny = draw_nose(canvas, h, rng, c, ey)
    my = draw_mouth(canvas, h, rng, ny)
    return ey, ny, my


def draw_skin(canvas, h):
    """Ears, then the face over them, shaded from the upper left."""
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    skin_shadow = shade(h.skin, -0.22)
    for side in (-1, 1):
        ex = cx + side * (fw - 1)
        canvas.ellipse((ex - 4, cy - 7, ex + 4, cy + 7), fill=shade(h.skin, -0.08))
        canvas.arc((ex - 2.5, cy - 5, ex + 2.5, cy + 5), 90 - side * 90, 270 - side * 90,
                   skin_shadow, 0.8)
    face = ellipse_mask(canvas, h.face_box())
    # A slightly squarer jaw for the broader faces.
    jaw = polygon_mask(canvas, [(cx - fw * 0.92, cy), (cx + fw * 0.92, cy),
                                (cx + fw * 0.62, cy + fh * 0.86), (cx, cy + fh),
                                (cx - fw * 0.62, cy + fh * 0.86)])
    face = union(face, jaw)
    canvas.fill(face, h.skin)
    shadow = intersect(face, minus(face, ellipse_mask(
        canvas, (cx - fw * 1.35, cy - fh * 1.2, cx + fw * 0.7, cy + fh * 0.95))))
    canvas.fill(shadow.filter(ImageFilter.GaussianBlur(2.5 * S)), skin_shadow, 150)
    canvas.soft(lambda d: d.ellipse(box(cx - fw * 0.75, cy + fh * 0.05, cx - fw * 0.25,
                                        cy + fh * 0.4)), (230, 120, 110), 60, 2.5)
    canvas.soft(lambda d: d.ellipse(box(cx + fw * 0.25, cy + fh * 0.05, cx + fw * 0.75,
                                        cy + fh * 0.4)), (230, 120, 110), 45, 2.5)


def brow_colour(h, c):
    if c.hair_colour == "white" and c.beard_colour != "dark":
        return (150, 144, 138)
    light = c.hair_colour in ("white", "powder", "none")
    return shade((120, 110, 100) if light else h.hair, -0.25)


def draw_eyes(canvas, h, rng, c):
    """Eyes and brows; returns the height of the eyes."""
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    ey = cy - fh * 0.05 + rng.uniform(-1, 1)
    spread = fw * rng.uniform(0.38, 0.46)
    ew, eh = 4.0 + rng.uniform(-0.4, 0.4), 2.0 + rng.uniform(-0.3, 0.4)
    brow_lift = rng.uniform(4.5, 6.5)
    brow_tilt = rng.uniform(-1.2, 1.5)
    brow = brow_colour(h, c)
    for side in (-1, 1):
        x = cx + side * spread
        canvas.ellipse((x - ew, ey - eh, x + ew, ey + eh), fill=(246, 242, 236))
        canvas.ellipse((x - 1.9, ey - 1.9, x + 1.9, ey + 1.9), fill=h.eyes)
        canvas.ellipse((x - 0.9, ey - 0.9, x + 0.9, ey + 0.9), fill=(18, 14, 12))
        canvas.ellipse((x - 1.5, ey - 1.5, x - 0.1, ey - 0.7), fill=(250, 250, 250))
        canvas.arc((x - ew - 0.3, ey - eh - 0.6, x + ew + 0.3, ey + eh + 0.6), 190, 350,
                   shade(h.skin, -0.55), 0.9)
        canvas.arc((x - ew, ey - eh - 2.2, x + ew, ey + eh), 200, 340, shade(h.skin, -0.22),
                   0.6)
        inner, outer = x - side * ew * 1.1, x + side * ew * 1.25
        canvas.line([(inner, ey - brow_lift + brow_tilt * 0.3),
                     (x, ey - brow_lift - 1.2),
                     (outer, ey - brow_lift + brow_tilt)], brow, 1.6)
    return ey


def draw_nose(canvas, h, rng, c, ey):
    """The nose down from the eyes; returns the height of its tip."""
    cx = h.cx
    nose_len = h.fh * rng.uniform(0.36, 0.46)
    nose_w = rng.uniform(2.6, 4.0) + (0.8 if c.face == "plump" else 0)
    ny = ey + nose_len
    canvas.soft(lambda d: d.polygon(pts([(cx + 1.2, ey + 1), (cx + nose_w + 1, ny),
                                         (cx + 1, ny + 1)])), shade(h.skin, -0.22), 150, 1.0)
    canvas.line([(cx + 0.8, ey + 2), (cx + nose_w * 0.6, ny - 1.5), (cx + 0.8, ny + 0.4)],
                shade(h.skin, -0.32), 0.8)
    canvas.arc((cx - nose_w, ny - 2.4, cx + nose_w, ny + 1.2), 20, 160, shade(h.skin, -0.4), 0.9)
    if c.row == 65:  # a red nose
        canvas.soft(lambda d: d.ellipse(box(cx - 3, ny - 4, cx + 3, ny + 1)),
                    (210, 70, 70), 150, 1.0)
    return ny


def draw_mouth(canvas, h, rng, ny):
    """The mouth between the nose and the chin; returns its height."""
    cx = h.cx
    my = ny + (h.chin - ny) * rng.uniform(0.36, 0.44)
    mw = h.fw * rng.uniform(0.32, 0.42)
    smile = rng.uniform(-0.8, 1.0)
    lip = mix(h.skin, (170, 70, 70), 0.55)
    canvas.polygon([(cx - mw, my), (cx, my + 1.6 + smile * 0.3), (cx + mw, my),
                    (cx, my + 0.4)], fill=lip)
    canvas.line([(cx - mw, my - smile * 0.5), (cx, my + 0.3), (cx + mw, my - smile * 0.5)],
                shade(lip, -0.45), 0.8)
    canvas.arc((cx - 3.5, my + 2, cx + 3.5, my + 5.5), 30, 150, shade(h.skin, -0.22), 0.7)
    return my


# --- facial hair and glasses ------------------------------------------------

BEARD_LENGTHS = {"beard": 7, "longbeard": 24, "pointed": 10, "chin": 5}


def draw_facial_hair(canvas, h, rng, c, ny, my):
    parts = set(c.facial.split("+")) if c.facial else set()
    if parts & set(BEARD_LENGTHS):
        kind = next(k for k in ("longbeard", "pointed", "beard", "chin") if k in parts)
        draw_beard(canvas, h, rng, kind, ny, my)
    if "goatee" in parts:
        cx, col = h.cx, h.beard
        canvas.ellipse((cx - 5, my + 3, cx + 5, h.chin + 7), fill=col)
        canvas.polygon([(cx - 4, h.chin + 3), (cx + 4, h.chin + 3), (cx, h.chin + 12)], fill=col)
        strands(canvas, rng, (cx - 4, my + 4, cx + 4, h.chin + 8), shade(col, -0.3), 10, 3, 0.5,
                (80, 100))
    if "sideburns" in parts:
        draw_sideburns(canvas, h, rng)
    if parts & {"moustache", "walrus"}:
        bearded = bool(parts & {"beard", "longbeard", "pointed"})
        draw_moustache(canvas, h, rng, "walrus" in parts, bearded, ny, my)


def beard_mask(canvas, h, kind, length, ny, my):
    """Where a beard of this kind and length grows: below the nose, around the
    cheeks, and over the chin."""
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    m = ellipse_mask(canvas, (cx - fw - 1.5, cy - fh * 0.5, cx + fw + 1.5, h.chin + length))
    if kind in ("pointed", "longbeard"):
        m = union(m, polygon_mask(canvas, [(cx - fw * 0.7, h.chin), (cx + fw * 0.7, h.chin),
                                           (cx + 2, h.chin + length + 6),
                                           (cx - 2, h.chin + length + 6)]))
    cheeks = ellipse_mask(canvas, (cx - fw * 0.82, cy - fh * 1.1, cx + fw * 0.82,
                                   ny + (my - ny) * 0.2))
    if kind == "chin":
        cheeks = ellipse_mask(canvas, (cx - fw * 0.8, cy - fh * 1.0, cx + fw * 0.8, h.chin - 1))
    m = minus(m, cheeks)
    m = minus(m, polygon_mask(canvas, [(0, 0), (WIDTH, 0), (WIDTH, ny - 1), (0, ny - 1)]))
    if kind == "chin":
        return m
    for side in (-1, 1):
        m = union(m, polygon_mask(canvas, [
            (cx + side * (fw + 0.5), cy - fh * 0.3), (cx + side * (fw - 3.5), cy - fh * 0.3),
            (cx + side * (fw - 5), ny + 1), (cx + side * (fw + 1.5), ny + 1)]))
    return minus(m, ellipse_mask(canvas, (cx - fw * 0.4, my - 2, cx + fw * 0.4, my + 2.5)))


def draw_beard(canvas, h, rng, kind, ny, my):
    cx, fw = h.cx, h.fw
    col = h.beard
    length = BEARD_LENGTHS[kind] + rng.uniform(-1.5, 1.5)
    m = beard_mask(canvas, h, kind, length, ny, my)
    canvas.fill(m, col)
    bottom = h.chin + length + (6 if kind in ("pointed", "longbeard") else 0)
    strands(canvas, rng, (cx - fw - 2, ny, cx + fw + 2, bottom), shade(col, -0.3),
            40 + int(length), 4, 0.5, (75, 105), clip=m)
    strands(canvas, rng, (cx - fw, ny, cx + fw * 0.3, bottom), shade(col, 0.2),
            14, 3.5, 0.5, (75, 105), clip=m)
    if kind != "chin":
        # The lip shows through the beard.
        canvas.line([(cx - fw * 0.28, my + 0.4), (cx + fw * 0.28, my + 0.4)],
                    mix(h.skin, (150, 60, 60), 0.6), 1.2)


def draw_sideburns(canvas, h, rng):
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    for side in (-1, 1):
        x_out = cx + side * (fw + 0.5)
        x_in = cx + side * (fw - 5.5)
        canvas.polygon([(x_out, cy - fh * 0.35), (cx + side * (fw - 3), cy - fh * 0.35),
                        (x_in, cy + fh * 0.45), (cx + side * (fw - 2), cy + fh * 0.62),
                        (cx + side * (fw + 0.2), cy + fh * 0.3)], fill=h.beard)
        strands(canvas, rng, (min(x_in, x_out), cy - fh * 0.3, max(x_in, x_out),
                              cy + fh * 0.5), shade(h.beard, -0.3), 8, 3, 0.5, (80, 100))


def draw_moustache(canvas, h, rng, big, bearded, ny, my):
    """A moustache, or a walrus one (big); over a beard it is a shade apart."""
    cx, fw = h.cx, h.fw
    col = h.beard
    if bearded:
        col = shade(col, -0.18) if sum(col) > 240 else shade(col, 0.14)
    drop = 4.5 if big else 2.5
    span = fw * (0.55 if big else 0.48)
    top = ny + 1.2
    for side in (-1, 1):
        canvas.polygon([(cx, top), (cx + side * span * 0.5, top - 0.3),
                        (cx + side * span, top + drop * 0.7),
                        (cx + side * (span + 1.5), my + (2.5 if big else 1)),
                        (cx + side * span * 0.6, my - 0.5 + (1.5 if big else 0)),
                        (cx, my - 1.2 + (1.5 if big else 0))], fill=col)
    strands(canvas, rng, (cx - span, top, cx + span, my), shade(h.beard, -0.3), 12, 2.5, 0.5,
            (70, 110))


def draw_glasses(canvas, h, c, ey):
    if not c.glasses:
        return
    cx, fw = h.cx, h.fw
    spread = fw * 0.42
    rim = (70, 60, 50) if c.glasses == "round" else (150, 130, 80)
    r = 5.0 if c.glasses == "round" else 4.2
    for side in (-1, 1):
        x = cx + side * spread
        canvas.soft(lambda d, x=x: d.ellipse(box(x - r, ey - r * 0.85, x + r, ey + r * 0.85)),
                    (220, 235, 240), 60, 0.3)
        canvas.ellipse((x - r, ey - r * 0.85, x + r, ey + r * 0.85), fill=None, outline=rim,
                       width=0.8)
        if c.glasses == "round":
            canvas.line([(x + side * r, ey - 1), (cx + side * (fw + 1), ey - 2.5)], rim, 0.8)
    canvas.arc((cx - spread + r - 1, ey - 3, cx + spread - r + 1, ey + 2), 200, 340, rim, 0.8)
    if c.glasses == "pince":
        x = cx + spread + r
        canvas.line([(x, ey), (x + 4, ey + 14), (x + 2, ey + 30)], (60, 56, 50), 0.4)
