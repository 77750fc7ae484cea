"""A drawn portrait: a stylised bust of the composer on a painted ground.

It shows what a real portrait shows and nothing more: a face with the hair,
facial hair, glasses and hat he is known by, in the dress of his time, on a
ground filling the whole picture, like the framed likenesses beside it.  No
name, no years, no flag, no frame or plate: those gave the answer away.

Face shape, skin, eyes, colours of the dress and of the ground vary with the
row; all of it comes from a generator seeded with the picture number.  The
drawing is made at four times the final size and reduced with a Lanczos
filter, then a faint canvas grain is laid over it.
"""

import random

from PIL import Image, ImageChops, ImageDraw, ImageFilter

from . import FIRST_PICTURE, HEIGHT, WIDTH
from .canvas import S, Canvas, box, mix, shade
from .composers import GROUNDS
from .dress import draw_body
from .face import draw_face, draw_facial_hair, draw_glasses, make_head
from .hair import draw_back_hair, draw_hair, draw_hat


def draw(c):
    """The 146 x 200 RGB picture of composer c (an entry of COMPOSERS)."""
    rng = random.Random(FIRST_PICTURE + c.row)
    canvas = Canvas(ground(rng))
    h = make_head(c, rng)
    draw_back_hair(canvas, h, rng, c)
    draw_body(canvas, h, rng, c)
    ey, ny, my = draw_face(canvas, h, rng, c)
    draw_facial_hair(canvas, h, rng, c, ny, my)
    draw_hair(canvas, h, rng, c)
    draw_hat(canvas, h, rng, c)
    draw_glasses(canvas, h, c, ey)
    small = canvas.image.convert("RGB").resize((WIDTH, HEIGHT), Image.LANCZOS,
                                               box=[v * S for v in head_and_shoulders()])
    return grain(small, rng, 1)


# The bust is drawn on the whole 146 x 200 picture; what is shown is this box
# of it (left, top, height), which gives the head about the size the framed
# likenesses give theirs.
SHOWN = (73 - 65 * WIDTH / HEIGHT, 22, 130)


def head_and_shoulders():
    left, top, height = SHOWN
    return (left, top, left + height * WIDTH / HEIGHT, top + height)


def ground(rng):
    """Gradient ground with a light behind the head and a faint grain."""
    top, bottom = rng.choice(GROUNDS)
    top = mix(top, (128, 128, 128), rng.uniform(-0.1, 0.15))
    g = Image.new("RGB", (1, HEIGHT))
    for y in range(HEIGHT):
        g.putpixel((0, y), mix(top, bottom, (y / HEIGHT) ** 1.2))
    g = g.resize((WIDTH * S, HEIGHT * S), Image.BILINEAR)
    light = Image.new("L", (WIDTH * S, HEIGHT * S), 0)
    lx = rng.uniform(50, 90)
    ImageDraw.Draw(light).ellipse(box(lx - 55, 10, lx + 55, 130), fill=90)
    light = light.filter(ImageFilter.GaussianBlur(18 * S))
    g.paste(Image.new("RGB", g.size, shade(top, 0.35)), (0, 0), light)
    return g


def grain(image, rng, strength):
    """Deterministic canvas grain (from rng) added to the final picture."""
    noise = Image.frombytes("L", image.size,
                            bytes(rng.randrange(256) for _ in range(image.size[0] *
                                                                      image.size[1])))
    noise = noise.filter(ImageFilter.GaussianBlur(0.5))
    noise = noise.point(lambda v: 128 + (v - 128) * strength // 16)
    r, g, b = image.split()
    return Image.merge("RGB", [ImageChops.add(ch, noise, 1, -128) for ch in (r, g, b)])

