"""Drawing at four times the final size: colours, coordinates and shapes.

Coordinates are given in picture pixels (0..146, 0..200) and drawn on the
supersampled canvas, which drawn.py reduces with a Lanczos filter.
"""

import math

from PIL import Image, ImageChops, ImageDraw, ImageFilter

S = 4                                   # supersampling factor

def mix(a, b, t):
    """Colour a moved toward b by t (0..1)."""
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def shade(colour, amount):
    """Darker (amount < 0) or lighter (amount > 0) colour."""
    return mix(colour, (0, 0, 0) if amount < 0 else (255, 255, 255), abs(amount))


def box(x0, y0, x1, y1):
    """A box in picture pixels on the supersampled canvas."""
    return [round(x0 * S), round(y0 * S), round(x1 * S), round(y1 * S)]


def pts(points):
    return [(round(x * S), round(y * S)) for x, y in points]


class Canvas:
    """The supersampled picture and the shapes it is drawn with."""

    def __init__(self, ground):
        self.image = ground.convert("RGBA")
        self.draw = ImageDraw.Draw(self.image)

    def mask(self):
        return Image.new("L", self.image.size, 0)

    def fill(self, mask, colour, alpha=255):
        """Paint `colour` through `mask` (optionally with extra opacity)."""
        if alpha != 255:
            mask = mask.point(lambda v: v * alpha // 255)
        layer = Image.new("RGBA", self.image.size, colour + (255,))
        self.image.paste(layer, (0, 0), mask)

    def ellipse(self, b, fill, outline=None, width=0.0):
        self.draw.ellipse(box(*b), fill=fill, outline=outline, width=round(width * S))

    def polygon(self, points, fill, outline=None):
        self.draw.polygon(pts(points), fill=fill, outline=outline)

    def line(self, points, colour, width):
        self.draw.line(pts(points), fill=colour, width=max(1, round(width * S)), joint="curve")

    def arc(self, b, start, end, colour, width):
        self.draw.arc(box(*b), start, end, fill=colour, width=max(1, round(width * S)))

    def soft(self, draw_shapes, colour, alpha, blur=1.5):
        """Translucent, blurred shapes (shadows, blush, light)."""
        m = self.mask()
        draw_shapes(ImageDraw.Draw(m))
        m = m.filter(ImageFilter.GaussianBlur(blur * S))
        self.fill(m, colour, alpha)


def ellipse_mask(canvas, b):
    m = canvas.mask()
    ImageDraw.Draw(m).ellipse(box(*b), fill=255)
    return m


def polygon_mask(canvas, points):
    m = canvas.mask()
    ImageDraw.Draw(m).polygon(pts(points), fill=255)
    return m


def minus(a, b):
    return ImageChops.subtract(a, b)


def union(a, b):
    return ImageChops.lighter(a, b)


def intersect(a, b):
    return ImageChops.darker(a, b)


def strands(canvas, rng, region, colour, count, length, width, angle_range, clip=None):
    """Short strokes starting inside the box `region`, for texture of hair or
    fur; with a `clip` mask, only the part of them inside it shows."""
    x0, y0, x1, y1 = region
    m = canvas.mask()
    d = ImageDraw.Draw(m)
    for _ in range(count):
        x = rng.uniform(x0, x1)
        y = rng.uniform(y0, y1)
        a = math.radians(rng.uniform(*angle_range))
        d.line(pts([(x, y), (x + length * math.cos(a), y + length * math.sin(a))]), fill=255,
               width=max(1, round(width * S)))
    canvas.fill(m if clip is None else intersect(m, clip), colour)

