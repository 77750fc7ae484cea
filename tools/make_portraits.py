#!/usr/bin/python3
"""Draw the 104 composer portraits of the portraits module.

Writes OUTPUT_DIR/101.jpg .. 204.jpg (default: the repository's
resources/portraits/drawn/), the picture of row n under 100 + n.  A real
portrait saved as resources/portraits/NNN.jpg takes the place of the drawn
one when the module is built, so nothing here writes into that folder.

Every picture is a baseline JPEG, 146 x 200 pixels, three colour components:
a stylised bust of the composer in the dress of his time, framed like a
museum painting, with two hints and nothing that spells the name:

  - his life years on a plate under the bust ("1833 – 1897", "v. 1450 – 1521"
    where the year of birth is not known for sure);
  - the flag of his country in the upper left corner.

Dress follows the era:
  renaissance  dark robe, ruff or flat collar, sometimes a cap
  baroque      full-bottomed wig, lace jabot, coat with buttons
  classical    powdered wig with side rolls, stock and frill, wide lapels
  romantic     high collar points, wrapped cravat, tailcoat
  late         frock coat, wing collar, bow tie or cravat
  modern       suit, shirt collar and necktie
and the table COMPOSERS gives each one his hair (style and colour), facial
hair, glasses and hat, after the way he is best known from his portraits.
Face shape, skin, eyes, colours of the dress and of the ground vary with the
row; all of it comes from a generator seeded with the row number, so two runs
give byte-identical files with the same Pillow and fonts.

The drawing is made at four times the final size and reduced with a Lanczos
filter.  A faint canvas grain is laid over it, and the JPEG quality steps down
from 88 while a file would pass MAX_BYTES.

Usage: /usr/bin/python3 tools/make_portraits.py [OUTPUT_DIR] [--sheet FILE.png]
                                               [--only ROW ...]
  --sheet  also writes a contact sheet of the pictures drawn, for review;
  --only   draws only the given rows (1..104).
Needs Debian's python3-pil and fonts-dejavu-core.
"""

import argparse
import io
import math
import os
import random
import sys
from dataclasses import dataclass

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

WIDTH, HEIGHT = 146, 200
S = 4                                   # supersampling factor
FIRST_PICTURE = 100                     # row n is picture 100 + n
MIN_BYTES, MAX_BYTES = 5600, 13500
QUALITIES = (88, 86, 84, 82, 80, 77, 74, 70)
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
DEFAULT_OUTPUT = os.path.join(REPO, "resources", "portraits", "drawn")


# --- the composers ----------------------------------------------------------

@dataclass(frozen=True)
class Composer:
    row: int
    born: str             # "1833", or "v. 1450" when uncertain
    died: str
    country: str          # key of FLAGS
    era: str              # renaissance, baroque, classical, romantic, late, modern
    hair: str             # see draw_hair
    hair_colour: str      # key of HAIR
    face: str = ""        # "", round, thin, long, plump
    facial: str = ""      # "+"-joined: beard, longbeard, pointed, goatee, moustache,
                          # walrus, sideburns, chin
    beard_colour: str = ""  # default: hair colour
    glasses: str = ""     # "", round, pince
    hat: str = ""         # "", beret, tophat, bowler, furcap, bonnet
    neck: str = ""        # overrides the era's neckwear: ruff, scarf, lavalliere, abbe
    skin: str = ""        # "", dark


# Life years are those of the standard reference works.  Country: where the
# composer is counted as belonging (Lully, Gossec, Offenbach and Varèse are
# counted as French, Handel and Gluck as German, Franck and Lassus as
# Belgian/Flemish, Honegger and Rousseau as Swiss).
COMPOSERS = [
    Composer(1, "1803", "1856", "FR", "romantic", "swept", "dark", facial="sideburns"),
    Composer(2, "1860", "1909", "ES", "late", "short", "black", face="plump",
             facial="beard+moustache"),
    Composer(3, "1685", "1750", "DE", "baroque", "wig_full", "powder", face="plump"),
    Composer(4, "1714", "1788", "DE", "classical", "wig_tied", "powder", face="long"),
    Composer(5, "1735", "1782", "DE", "classical", "wig_tied", "powder"),
    Composer(6, "1881", "1945", "HU", "modern", "swept", "white", face="thin"),
    Composer(7, "1770", "1827", "DE", "romantic", "wild", "pepper", face="round",
             neck="scarf"),
    Composer(8, "1801", "1835", "IT", "romantic", "curly", "blond", face="thin",
             facial="sideburns"),
    Composer(9, "1803", "1869", "FR", "romantic", "wild", "auburn", face="long"),
    Composer(10, "1838", "1875", "FR", "late", "curly", "dark", face="round",
             facial="beard+moustache", glasses="pince"),
    Composer(11, "1743", "1805", "IT", "classical", "wig_tied", "powder"),
    Composer(12, "1775", "1834", "FR", "romantic", "curly", "brown", facial="sideburns"),
    Composer(13, "1833", "1887", "RU", "late", "swept", "dark", face="round",
             facial="beard+moustache"),
    Composer(14, "1833", "1897", "DE", "late", "swept", "grey", face="round",
             facial="longbeard+moustache", beard_colour="white"),
    Composer(15, "1913", "1976", "GB", "modern", "wavy", "brown", face="long"),
    Composer(16, "1838", "1920", "DE", "late", "receding", "grey",
             facial="beard+moustache"),
    Composer(17, "1824", "1896", "AT", "late", "cropped", "grey", face="plump"),
    Composer(18, "1866", "1924", "IT", "modern", "swept", "dark", face="long",
             facial="moustache"),
    Composer(19, "1841", "1894", "FR", "late", "bald", "dark", face="plump",
             facial="beard+moustache"),
    Composer(20, "1860", "1956", "FR", "late", "wild", "dark", facial="goatee+moustache",
             neck="lavalliere"),
    Composer(21, "1855", "1899", "FR", "late", "short", "dark", facial="beard+moustache"),
    Composer(22, "1760", "1842", "IT", "romantic", "receding", "grey", face="long"),
    Composer(23, "1810", "1849", "PL", "romantic", "side", "auburn", face="thin"),
    Composer(24, "1749", "1801", "IT", "classical", "wig_tied", "powder", face="plump"),
    Composer(25, "1653", "1713", "IT", "baroque", "wig_full", "dark"),
    Composer(26, "1668", "1733", "FR", "baroque", "wig_full", "black", face="long"),
    Composer(27, "1862", "1918", "FR", "late", "fringe", "black", face="round",
             facial="pointed+moustache"),
    Composer(28, "1657", "1726", "FR", "baroque", "wig_full", "brown", face="plump"),
    Composer(29, "1836", "1891", "FR", "late", "receding", "dark",
             facial="beard+moustache"),
    Composer(30, "v. 1450", "1521", "FR", "renaissance", "short", "dark", face="long",
             hat="bonnet"),
    Composer(31, "1797", "1848", "IT", "romantic", "curly", "dark", facial="sideburns"),
    Composer(32, "1865", "1935", "FR", "late", "bald", "dark", facial="pointed+moustache"),
    Composer(33, "1848", "1933", "FR", "late", "short", "grey", face="long",
             facial="walrus"),
    Composer(34, "1841", "1904", "CZ", "late", "swept", "pepper", face="round",
             facial="beard+moustache", beard_colour="dark"),
    Composer(35, "1876", "1946", "ES", "modern", "bald", "dark", face="thin"),
    Composer(36, "1845", "1924", "FR", "late", "short", "white", facial="walrus"),
    Composer(37, "1822", "1890", "BE", "late", "short", "grey", face="round",
             facial="sideburns"),
    Composer(38, "1898", "1937", "US", "modern", "slick", "black", face="long"),
    Composer(39, "1804", "1857", "RU", "romantic", "side", "dark", facial="moustache"),
    Composer(40, "1714", "1787", "DE", "classical", "wig_tied", "powder", face="plump"),
    Composer(41, "1734", "1829", "FR", "classical", "wig_tied", "grey", face="long"),
    Composer(42, "1818", "1893", "FR", "late", "bald", "grey",
             facial="beard+moustache", beard_colour="white"),
    Composer(43, "1843", "1907", "NO", "late", "swept", "white", facial="walrus"),
    Composer(44, "1685", "1759", "DE", "baroque", "wig_full", "white", face="plump"),
    Composer(45, "1732", "1809", "AT", "classical", "wig_tied", "grey", face="long"),
    Composer(46, "1892", "1955", "CH", "modern", "slick", "dark", face="round"),
    Composer(47, "1778", "1837", "AT", "romantic", "curly", "brown", face="plump"),
    Composer(48, "1851", "1931", "FR", "late", "receding", "grey",
             facial="beard+moustache"),
    Composer(49, "1854", "1928", "CZ", "late", "wild", "white", face="round",
             facial="walrus"),
    Composer(50, "v. 1868", "1917", "US", "modern", "cropped", "black", face="round",
             skin="dark", neck="bowtie"),
    Composer(51, "1867", "1950", "FR", "modern", "bald", "white",
             facial="longbeard+moustache"),
    Composer(52, "1823", "1892", "FR", "late", "receding", "grey",
             facial="beard+moustache"),
    Composer(53, "v. 1532", "1594", "BE", "renaissance", "short", "dark",
             facial="beard+moustache", neck="ruff"),
    Composer(54, "1811", "1886", "HU", "late", "long", "white", face="long", neck="abbe"),
    Composer(55, "1632", "1687", "FR", "baroque", "wig_full", "dark", face="round"),
    Composer(56, "1860", "1911", "AT", "late", "swept", "black", face="long",
             glasses="round"),
    Composer(57, "1656", "1728", "FR", "baroque", "wig_full", "brown", face="long"),
    Composer(58, "1863", "1945", "IT", "late", "wild", "black", face="round"),
    Composer(59, "1842", "1912", "FR", "late", "short", "grey", face="long",
             facial="moustache"),
    Composer(60, "1763", "1817", "FR", "romantic", "curly", "dark", face="round"),
    Composer(61, "1809", "1847", "DE", "romantic", "curly", "black", face="long",
             facial="sideburns"),
    Composer(62, "1908", "1992", "FR", "modern", "receding", "grey", face="round",
             glasses="round"),
    Composer(63, "1791", "1864", "DE", "romantic", "receding", "dark",
             facial="sideburns"),
    Composer(64, "1567", "1643", "IT", "renaissance", "bald", "pepper", face="long",
             facial="pointed+moustache", neck="ruff"),
    Composer(65, "1839", "1881", "RU", "late", "wild", "brown", face="plump",
             facial="beard+moustache"),
    Composer(66, "1756", "1791", "AT", "classical", "wig_tied", "powder"),
    Composer(67, "1819", "1880", "FR", "late", "curly", "dark", face="thin",
             facial="sideburns", glasses="pince"),
    Composer(68, "v. 1525", "1594", "IT", "renaissance", "bald", "grey", face="long",
             facial="longbeard+moustache"),
    Composer(69, "1710", "1736", "IT", "baroque", "wig_tied", "powder", face="thin"),
    Composer(70, "1899", "1963", "FR", "modern", "receding", "dark", face="long"),
    Composer(71, "1858", "1924", "IT", "late", "short", "dark", facial="moustache"),
    Composer(72, "1659", "1695", "GB", "baroque", "wig_full", "dark", face="thin"),
    Composer(73, "1873", "1943", "RU", "modern", "cropped", "grey", face="long"),
    Composer(74, "1683", "1764", "FR", "baroque", "wig_tied", "grey", face="thin"),
    Composer(75, "1875", "1937", "FR", "modern", "slick", "pepper", face="thin"),
    Composer(76, "1844", "1908", "RU", "late", "short", "grey", face="long",
             facial="longbeard+moustache", glasses="round"),
    Composer(77, "1792", "1868", "IT", "romantic", "curly", "brown", face="plump"),
    Composer(78, "1712", "1778", "CH", "classical", "short", "dark", hat="furcap"),
    Composer(79, "1829", "1894", "RU", "late", "wild", "dark", face="round"),
    Composer(80, "1835", "1921", "FR", "late", "bald", "grey", face="round",
             facial="beard+moustache", beard_colour="white"),
    Composer(81, "1750", "1825", "IT", "classical", "wig_tied", "powder", face="round"),
    Composer(82, "1866", "1925", "FR", "modern", "short", "dark", facial="goatee+moustache",
             glasses="pince", hat="bowler"),
    Composer(83, "1660", "1725", "IT", "baroque", "wig_full", "dark", face="round"),
    Composer(84, "1685", "1757", "IT", "baroque", "wig_full", "grey", face="plump"),
    Composer(85, "1870", "1958", "FR", "modern", "receding", "dark", face="round",
             facial="moustache"),
    Composer(86, "1797", "1828", "AT", "romantic", "curly", "brown", face="round",
             glasses="round"),
    Composer(87, "1810", "1856", "DE", "romantic", "side", "brown", face="plump"),
    Composer(88, "1865", "1957", "FI", "modern", "bald", "none", face="round"),
    Composer(89, "1824", "1884", "CZ", "late", "swept", "brown", facial="sideburns",
             glasses="round"),
    Composer(90, "1825", "1899", "AT", "late", "curly", "black",
             facial="sideburns+moustache"),
    Composer(91, "1804", "1849", "AT", "romantic", "curly", "black", face="thin",
             facial="sideburns"),
    Composer(92, "1864", "1949", "DE", "modern", "receding", "grey", face="long"),
    Composer(93, "1882", "1971", "RU", "modern", "slick", "dark", face="long",
             facial="moustache", glasses="round"),
    Composer(94, "1882", "1937", "PL", "modern", "receding", "dark", face="round"),
    Composer(95, "1692", "1770", "IT", "baroque", "wig_full", "white", face="long"),
    Composer(96, "1840", "1893", "RU", "late", "short", "white",
             facial="beard+moustache"),
    Composer(97, "1681", "1767", "DE", "baroque", "wig_full", "powder", face="round"),
    Composer(98, "1811", "1896", "FR", "late", "receding", "white", face="long",
             facial="goatee+moustache"),
    Composer(99, "1883", "1965", "FR", "modern", "wild", "grey", face="long"),
    Composer(100, "1813", "1901", "IT", "late", "short", "grey",
             facial="beard+moustache", beard_colour="white", hat="tophat", neck="scarf"),
    Composer(101, "1887", "1959", "BR", "modern", "slick", "black", face="round"),
    Composer(102, "1678", "1741", "IT", "baroque", "wig_full", "red", face="thin"),
    Composer(103, "1813", "1883", "DE", "late", "receding", "grey", face="long",
             facial="chin", hat="beret"),
    Composer(104, "1786", "1826", "DE", "romantic", "curly", "brown", face="thin"),
]

HAIR = {
    "black": (34, 28, 26), "dark": (62, 44, 32), "brown": (106, 72, 44),
    "auburn": (140, 66, 34), "red": (168, 78, 36), "blond": (196, 160, 98),
    "pepper": (98, 92, 88), "grey": (150, 146, 142), "white": (228, 226, 220),
    "powder": (236, 234, 228), "none": (150, 146, 142),
}

SKINS = [(240, 204, 176), (236, 196, 164), (232, 190, 160), (244, 212, 186),
         (228, 186, 150), (238, 200, 172)]
DARK_SKIN = (132, 88, 62)
EYES = [(70, 48, 30), (60, 90, 130), (90, 100, 96), (84, 70, 40), (50, 40, 36)]

COATS = {
    "renaissance": [(30, 28, 30), (70, 28, 32), (40, 40, 56), (54, 40, 30)],
    "baroque": [(128, 30, 38), (44, 56, 104), (84, 56, 36), (34, 32, 34), (96, 70, 116),
                (58, 86, 62), (120, 84, 30)],
    "classical": [(156, 44, 44), (66, 96, 148), (118, 94, 60), (82, 116, 94),
                  (140, 112, 146), (60, 60, 70), (170, 120, 60)],
    "romantic": [(40, 48, 70), (76, 54, 40), (32, 32, 36), (60, 74, 52), (90, 40, 44)],
    "late": [(30, 30, 34), (48, 42, 40), (38, 46, 60), (56, 52, 48)],
    "modern": [(70, 70, 76), (46, 52, 76), (96, 80, 62), (38, 38, 42), (76, 66, 60),
               (58, 72, 86)],
}
TIES = [(150, 40, 44), (40, 70, 130), (60, 100, 70), (120, 90, 40), (100, 50, 110),
        (50, 50, 54)]
GROUNDS = [((74, 92, 84), (30, 38, 36)), ((110, 88, 60), (48, 36, 26)),
           ((84, 96, 120), (32, 38, 54)), ((120, 72, 62), (52, 28, 26)),
           ((104, 108, 70), (44, 46, 28)), ((92, 80, 104), (38, 32, 46)),
           ((140, 120, 84), (70, 56, 36)), ((70, 104, 112), (26, 44, 50)),
           ((126, 112, 100), (58, 50, 46))]

# Flags as (kind, colours); drawn by draw_flag.
FLAGS = {
    "FR": ("vertical", [(0, 35, 149), (255, 255, 255), (237, 41, 57)]),
    "IT": ("vertical", [(0, 146, 70), (255, 255, 255), (206, 43, 55)]),
    "BE": ("vertical", [(20, 20, 20), (253, 218, 36), (239, 51, 64)]),
    "DE": ("horizontal", [(20, 20, 20), (221, 0, 0), (255, 206, 0)]),
    "RU": ("horizontal", [(255, 255, 255), (0, 57, 166), (213, 43, 30)]),
    "AT": ("horizontal", [(200, 16, 46), (255, 255, 255), (200, 16, 46)]),
    "HU": ("horizontal", [(205, 42, 62), (255, 255, 255), (67, 111, 77)]),
    "PL": ("horizontal", [(255, 255, 255), (220, 20, 60)]),
    "ES": ("horizontal", [(170, 21, 27), (241, 191, 0), (241, 191, 0), (170, 21, 27)]),
    "CZ": ("czech", [(255, 255, 255), (215, 20, 26), (17, 69, 126)]),
    "NO": ("nordic", [(186, 12, 47), (255, 255, 255), (0, 32, 91)]),
    "FI": ("nordic", [(255, 255, 255), None, (0, 47, 108)]),
    "CH": ("swiss", [(218, 41, 28), (255, 255, 255)]),
    "GB": ("union", [(1, 33, 105), (255, 255, 255), (200, 16, 46)]),
    "US": ("us", [(178, 34, 52), (255, 255, 255), (60, 59, 110)]),
    "BR": ("brazil", [(0, 156, 59), (255, 223, 0), (0, 39, 118)]),
}


# --- drawing helpers --------------------------------------------------------

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


# --- the face ---------------------------------------------------------------

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


def make_head(c, rng):
    fw = 21.0 + rng.uniform(-1.2, 1.2)
    fh = 27.5 + rng.uniform(-1.2, 1.2)
    if c.face == "round":
        fw += 1.8
        fh -= 0.5
    elif c.face == "plump":
        fw += 3.2
        fh += 0.5
    elif c.face == "thin":
        fw -= 2.2
        fh += 0.5
    elif c.face == "long":
        fw -= 1.2
        fh += 2.2
    skin = DARK_SKIN if c.skin == "dark" else rng.choice(SKINS)
    skin = mix(skin, (255, 200, 170), rng.uniform(0, 0.15))
    hair = HAIR[c.hair_colour]
    beard = HAIR[c.beard_colour] if c.beard_colour else hair
    return Head(73 + rng.uniform(-1.5, 1.5), 78 + rng.uniform(-1.5, 1.5), fw, fh, skin,
                hair, beard, rng.choice(EYES))


def draw_face(canvas, h, rng, c):
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    skin_shadow = shade(h.skin, -0.22)
    # Ears, then the face over them.
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
    # Shading: light from the upper left.
    shadow = intersect(face, minus(face, ellipse_mask(
        canvas, (cx - fw * 1.35, cy - fh * 1.2, cx + fw * 0.7, cy + fh * 0.95))))
    canvas.fill(shadow.filter(ImageFilter.GaussianBlur(2.5 * S)), skin_shadow, 150)
    canvas.soft(lambda d: d.ellipse(box(cx - fw * 0.75, cy + fh * 0.05, cx - fw * 0.25,
                                        cy + fh * 0.4)), (230, 120, 110), 60, 2.5)
    canvas.soft(lambda d: d.ellipse(box(cx + fw * 0.25, cy + fh * 0.05, cx + fw * 0.75,
                                        cy + fh * 0.4)), (230, 120, 110), 45, 2.5)

    # Eyes and brows.
    ey = cy - fh * 0.05 + rng.uniform(-1, 1)
    spread = fw * rng.uniform(0.38, 0.46)
    ew, eh = 4.0 + rng.uniform(-0.4, 0.4), 2.0 + rng.uniform(-0.3, 0.4)
    brow_lift = rng.uniform(4.5, 6.5)
    brow_tilt = rng.uniform(-1.2, 1.5)
    brow = shade(h.hair if c.hair_colour not in ("white", "powder", "none") else (120, 110, 100),
                 -0.25)
    if c.hair_colour in ("white",) and c.beard_colour != "dark":
        brow = (150, 144, 138)
    for side in (-1, 1):
        x = cx + side * spread
        canvas.ellipse((x - ew, ey - eh, x + ew, ey + eh), fill=(246, 242, 236))
        canvas.ellipse((x - 1.9, ey - 1.9, x + 1.9, ey + 1.9), fill=h.eyes)
        canvas.ellipse((x - 0.9, ey - 0.9, x + 0.9, ey + 0.9), fill=(18, 14, 12))
        canvas.ellipse((x - 0.9 + side * 0.0 - 0.6, ey - 1.5, x - 0.1, ey - 0.7),
                       fill=(250, 250, 250))
        canvas.arc((x - ew - 0.3, ey - eh - 0.6, x + ew + 0.3, ey + eh + 0.6), 190, 350,
                   shade(h.skin, -0.55), 0.9)
        canvas.arc((x - ew, ey - eh - 2.2, x + ew, ey + eh), 200, 340, skin_shadow, 0.6)
        inner, outer = x - side * ew * 1.1, x + side * ew * 1.25
        canvas.line([(inner, ey - brow_lift + brow_tilt * 0.3),
                     (x, ey - brow_lift - 1.2),
                     (outer, ey - brow_lift + brow_tilt)], brow, 1.6)
    # Nose.
    nose_len = fh * rng.uniform(0.36, 0.46)
    nose_w = rng.uniform(2.6, 4.0) + (0.8 if c.face == "plump" else 0)
    ny = ey + nose_len
    canvas.soft(lambda d: d.polygon(pts([(cx + 1.2, ey + 1), (cx + nose_w + 1, ny),
                                         (cx + 1, ny + 1)])), skin_shadow, 150, 1.0)
    canvas.line([(cx + 0.8, ey + 2), (cx + nose_w * 0.6, ny - 1.5), (cx + 0.8, ny + 0.4)],
                shade(h.skin, -0.32), 0.8)
    canvas.arc((cx - nose_w, ny - 2.4, cx + nose_w, ny + 1.2), 20, 160, shade(h.skin, -0.4), 0.9)
    if c.row == 65:  # a red nose
        canvas.soft(lambda d: d.ellipse(box(cx - 3, ny - 4, cx + 3, ny + 1)),
                    (210, 70, 70), 150, 1.0)
    # Mouth.
    my = ny + (h.chin - ny) * rng.uniform(0.36, 0.44)
    mw = fw * rng.uniform(0.32, 0.42)
    smile = rng.uniform(-0.8, 1.0)
    lip = mix(h.skin, (170, 70, 70), 0.55)
    canvas.polygon([(cx - mw, my), (cx, my + 1.6 + smile * 0.3), (cx + mw, my),
                    (cx, my + 0.4)], fill=lip)
    canvas.line([(cx - mw, my - smile * 0.5), (cx, my + 0.3), (cx + mw, my - smile * 0.5)],
                shade(lip, -0.45), 0.8)
    canvas.arc((cx - 3.5, my + 2, cx + 3.5, my + 5.5), 30, 150, skin_shadow, 0.7)
    return ey, ny, my


# --- hair, wigs and hats ----------------------------------------------------

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
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    col = h.hair
    dark = shade(col, -0.3)
    light = shade(col, 0.22)
    style = c.hair
    if c.hat and style == "short":
        # Only the hair below the hat shows.
        if c.hat == "bonnet":
            m = hair_cap(canvas, h, 4, 0, 0.4, width=0.84, down=0.45)
        else:
            m = hair_cap(canvas, h, 2, 0, 0.42, width=0.86, down=0.1)
        canvas.fill(m, col)
        strands(canvas, rng, (cx - fw - 4, h.top, cx + fw + 4, cy + fh * 0.5), dark, 30, 6,
                0.5, (80, 100), clip=m)
        return
    if style == "none" or c.hair_colour == "none" and style == "bald":
        return
    if style == "bald":
        for side in (-1, 1):
            m = ellipse_mask(canvas, (cx + side * fw - 5, cy - fh * 0.42,
                                      cx + side * fw + 5, cy + fh * 0.12))
            m = minus(m, ellipse_mask(canvas, (cx - fw + 2.5, h.top, cx + fw - 2.5,
                                                h.chin)))
            canvas.fill(m, col)
        strands(canvas, rng, (cx - fw - 3, cy - fh * 0.35, cx - fw + 1, cy + fh * 0.05),
                dark, 6, 3, 0.5, (70, 110))
        strands(canvas, rng, (cx + fw - 1, cy - fh * 0.35, cx + fw + 3, cy + fh * 0.05),
                dark, 6, 3, 0.5, (70, 110))
        canvas.soft(lambda d: d.ellipse(box(cx - fw * 0.5, h.top + 2, cx + fw * 0.1,
                                            h.top + fh * 0.35)), (255, 255, 255), 70, 2.0)
        return
    if style == "wig_full":
        m = hair_cap(canvas, h, 7, 4, 0.3, width=0.8, down=0.3)
        canvas.fill(m, col)
        centres = ring_points(h, rng, 180, 360, 11, fw + 5, fh + 5, 1.2)
        curls(canvas, rng, centres, 5.0, col)
        for side in (-1, 1):
            for i in range(7):
                y = cy - fh * 0.2 + i * 8.5
                x = cx + side * (fw + 5 + min(i, 4) * 1.8) + rng.uniform(-1.5, 1.5)
                curls(canvas, rng, [(x, y), (x + side * 6.5, y + 4)], 5.2, col)
        # The parting.
        canvas.line([(cx, h.top - 9), (cx + 0.5, h.top + 2)], dark, 0.8)
        return
    if style == "wig_tied":
        m = hair_cap(canvas, h, 4, 3, 0.2, width=0.82, down=0.05)
        canvas.fill(m, col)
        for i in range(9):
            x = cx - fw * 0.7 + i * fw * 1.4 / 8
            canvas.arc((x - 6, h.top - 6, x + 6, h.top + 12), 200, 250, shade(col, -0.12), 0.6)
        for side in (-1, 1):
            for j, y in enumerate((cy - fh * 0.28, cy - fh * 0.02)):
                x = cx + side * (fw + 1.5)
                canvas.ellipse((x - 5.5, y - 3.2, x + 5.5, y + 3.2), fill=col,
                               outline=shade(col, -0.2), width=0.6)
                canvas.arc((x - 3.5, y - 1.6, x + 3.5, y + 1.8), 0, 360, shade(col, -0.12),
                           0.5)
        return

    volume, lift, hairline, width, shift, down = 3, 2, 0.3, 0.86, 0.0, 0.12
    if style == "short":
        volume, lift, hairline = 2.5, 2, 0.32
    elif style == "fringe":
        volume, lift, hairline = 3.5, 2.5, 0.45
    elif style == "swept":
        volume, lift, hairline, width = 4, 6, 0.22, 0.84
    elif style == "receding":
        volume, lift, hairline, width = 3.5, 2.5, 0.1, 0.92
    elif style == "cropped":
        volume, lift, hairline = 1.2, 0.5, 0.28
    elif style == "slick":
        volume, lift, hairline, shift = 2, 1.5, 0.26, -3
    elif style == "side":
        volume, lift, hairline, shift, down = 4, 3, 0.3, 3, 0.3
    elif style in ("curly", "wavy"):
        volume, lift, hairline = 4, 3, 0.34
    elif style == "wild":
        volume, lift, hairline, down = 6, 6, 0.3, 0.2
    elif style == "long":
        volume, lift, hairline, width, down = 4, 3, 0.22, 0.82, 0.5
    m = hair_cap(canvas, h, volume, lift, hairline, width, shift, down)
    canvas.fill(m, col)
    canvas.soft(lambda d: d.ellipse(box(cx - fw * 0.8, h.top - lift - 2, cx, h.top + 6)),
                light, 110, 2.0)

    if style in ("curly", "wavy"):
        n = 13 if style == "curly" else 9
        centres = ring_points(h, rng, 192, 348, n, fw + volume - 1, fh + volume + lift - 3, 0.8)
        curls(canvas, rng, centres, 3.4 if style == "curly" else 4.0, col)
        if style == "curly":
            curls(canvas, rng, [(cx - fw * 0.5 + i * fw * 0.5, h.top + fh * 0.32)
                                for i in range(3)], 2.8, col)
    elif style == "wild":
        mass = m
        d = ImageDraw.Draw(mass)
        for x, y in ring_points(h, rng, 183, 357, 15, fw + 6, fh + 8, 2.5):
            r = rng.uniform(3.5, 6.5)
            d.ellipse(box(x - r, y - r, x + r, y + r), fill=255)
        for side in (-1, 1):  # volume over the ears
            x, y = cx + side * (fw + 3), cy - fh * 0.25
            d.ellipse(box(x - 5, y - 7, x + 5, y + 6), fill=255)
        mass = minus(mass, ellipse_mask(canvas, (cx - fw * 0.86, h.top + fh * 0.3,
                                                 cx + fw * 0.86, cy + fh * 1.8)))
        canvas.fill(mass, col)
        strands(canvas, rng, (cx - fw - 8, h.top - 12, cx + fw + 8, cy - fh * 0.2),
                dark, 44, 6, 0.6, (200, 340), clip=mass)
        strands(canvas, rng, (cx - fw - 6, h.top - 10, cx + fw + 6, cy - fh * 0.4),
                light, 18, 5, 0.5, (200, 340), clip=mass)
    elif style == "swept":
        for i in range(9):
            x = cx - fw * 0.75 + i * fw * 1.5 / 8
            canvas.arc((x - 4, h.top - lift - 4, x + 14, h.top + 14), 190, 260, dark, 0.6)
    elif style == "long":
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
            canvas.fill(m, col)
            strands(canvas, rng, (cx + side * fw - 3, cy - fh * 0.3,
                                  cx + side * fw + 10, cy + fh * 1.5),
                    dark, 18, 10, 0.5, (80, 100), clip=m)
    elif style in ("slick", "cropped", "short", "fringe", "receding", "side"):
        texture = dark if style != "cropped" else shade(col, -0.15)
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


# --- facial hair and glasses ------------------------------------------------

def draw_facial_hair(canvas, h, rng, c, ny, my):
    parts = set(c.facial.split("+")) if c.facial else set()
    if not parts:
        return
    cx, cy, fw, fh = h.cx, h.cy, h.fw, h.fh
    col = h.beard
    dark = shade(col, -0.3)
    light = shade(col, 0.2)
    if parts & {"beard", "longbeard", "pointed", "chin"}:
        extra = {"beard": 7, "longbeard": 24, "pointed": 10, "chin": 5}
        kind = next(k for k in ("longbeard", "pointed", "beard", "chin") if k in parts)
        length = extra[kind] + rng.uniform(-1.5, 1.5)
        m = ellipse_mask(canvas, (cx - fw - 1.5, cy - fh * 0.5, cx + fw + 1.5,
                                  h.chin + length))
        if kind in ("pointed", "longbeard"):
            m = union(m, polygon_mask(canvas, [(cx - fw * 0.7, h.chin), (cx + fw * 0.7, h.chin),
                                               (cx + 2, h.chin + length + 6),
                                               (cx - 2, h.chin + length + 6)]))
        cheeks = ellipse_mask(canvas, (cx - fw * 0.82, cy - fh * 1.1, cx + fw * 0.82,
                                       ny + (my - ny) * 0.2))
        if kind == "chin":
            cheeks = ellipse_mask(canvas, (cx - fw * 0.8, cy - fh * 1.0, cx + fw * 0.8,
                                           h.chin - 1))
        m = minus(m, cheeks)
        m = minus(m, polygon_mask(canvas, [(0, 0), (WIDTH, 0), (WIDTH, ny - 1),
                                           (0, ny - 1)]))
        if kind != "chin":
            for side in (-1, 1):
                m = union(m, polygon_mask(canvas, [
                    (cx + side * (fw + 0.5), cy - fh * 0.3), (cx + side * (fw - 3.5), cy - fh * 0.3),
                    (cx + side * (fw - 5), ny + 1), (cx + side * (fw + 1.5), ny + 1)]))
        if kind != "chin":
            m = minus(m, ellipse_mask(canvas, (cx - fw * 0.4, my - 2, cx + fw * 0.4, my + 2.5)))
        canvas.fill(m, col)
        bottom = h.chin + length + (6 if kind in ("pointed", "longbeard") else 0)
        strands(canvas, rng, (cx - fw - 2, ny, cx + fw + 2, bottom), dark, 40 + int(length),
                4, 0.5, (75, 105), clip=m)
        strands(canvas, rng, (cx - fw, ny, cx + fw * 0.3, bottom), light,
                14, 3.5, 0.5, (75, 105), clip=m)
        if kind != "chin":
            # The lip shows through the beard.
            canvas.line([(cx - fw * 0.28, my + 0.4), (cx + fw * 0.28, my + 0.4)],
                        mix(h.skin, (150, 60, 60), 0.6), 1.2)
    if "goatee" in parts:
        canvas.ellipse((cx - 5, my + 3, cx + 5, h.chin + 7), fill=col)
        canvas.polygon([(cx - 4, h.chin + 3), (cx + 4, h.chin + 3), (cx, h.chin + 12)], fill=col)
        strands(canvas, rng, (cx - 4, my + 4, cx + 4, h.chin + 8), dark, 10, 3, 0.5, (80, 100))
    if "sideburns" in parts:
        for side in (-1, 1):
            x_out = cx + side * (fw + 0.5)
            x_in = cx + side * (fw - 5.5)
            canvas.polygon([(x_out, cy - fh * 0.35), (cx + side * (fw - 3), cy - fh * 0.35),
                            (x_in, cy + fh * 0.45), (cx + side * (fw - 2), cy + fh * 0.62),
                            (cx + side * (fw + 0.2), cy + fh * 0.3)], fill=col)
            strands(canvas, rng, (min(x_in, x_out), cy - fh * 0.3, max(x_in, x_out),
                                  cy + fh * 0.5), dark, 8, 3, 0.5, (80, 100))
    if parts & {"moustache", "walrus"}:
        big = "walrus" in parts
        if parts & {"beard", "longbeard", "pointed"}:
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
        strands(canvas, rng, (cx - span, top, cx + span, my), dark, 12, 2.5, 0.5, (70, 110))


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


# --- dress ------------------------------------------------------------------

def draw_body(canvas, h, rng, c):
    """Shoulders, neck and what is worn, by era."""
    cx = h.cx
    coat = rng.choice(COATS[c.era])
    coat_dark = shade(coat, -0.3)
    coat_light = shade(coat, 0.15)
    shoulder_top = h.chin + 11
    neck_bottom = h.chin + 12
    # Neck.
    canvas.polygon([(cx - 9, h.cy + 10), (cx + 9, h.cy + 10), (cx + 10, neck_bottom + 4),
                    (cx - 10, neck_bottom + 4)], fill=shade(h.skin, -0.12))
    canvas.soft(lambda d: d.polygon(pts([(cx - 9, h.chin - 2), (cx + 9, h.chin - 2),
                                         (cx + 9, h.chin + 5), (cx - 9, h.chin + 5)])),
                shade(h.skin, -0.45), 110, 1.5)
    # Shoulders.
    slope = rng.uniform(-1.5, 1.5)
    canvas.ellipse((cx - 74, shoulder_top + slope, cx + 74, shoulder_top + 170), fill=coat)
    canvas.soft(lambda d: d.ellipse(box(cx - 70, shoulder_top + 2, cx - 30,
                                        shoulder_top + 30)), coat_light, 90, 4.0)
    canvas.soft(lambda d: d.ellipse(box(cx + 30, shoulder_top + 2, cx + 78,
                                        shoulder_top + 80)), coat_dark, 120, 5.0)
    white = (244, 242, 236)
    white_dark = (196, 194, 190)
    neck = c.neck
    era = c.era
    nb = neck_bottom

    if era == "renaissance":
        if neck == "ruff":
            canvas.ellipse((cx - 28, nb - 12, cx + 28, nb + 10), fill=white)
            for i in range(22):
                a = math.radians(180 + i * 360 / 22)
                canvas.line([(cx + 12 * math.cos(a), nb - 1 + 5 * math.sin(a)),
                             (cx + 27 * math.cos(a), nb - 1 + 10.5 * math.sin(a))],
                            white_dark, 0.6)
            for i in range(16):
                x = cx - 26 + i * 52 / 15
                canvas.arc((x - 2.5, nb + 5, x + 2.5, nb + 11), 0, 180, white_dark, 0.5)
        else:
            canvas.polygon([(cx - 13, nb - 2), (cx + 13, nb - 2), (cx + 16, nb + 6),
                            (cx - 16, nb + 6)], fill=white)
        # Fur facings of the open robe.
        fur = rng.choice([(110, 84, 60), (130, 104, 76), (88, 70, 56)])
        for side in (-1, 1):
            canvas.polygon([(cx + side * 12, nb + 4), (cx + side * 30, nb - 1),
                            (cx + side * 46, nb + 8), (cx + side * 32, 200),
                            (cx + side * 15, 200)], fill=fur)
            lo, hi = sorted((cx + side * 12, cx + side * 46))
            strands(canvas, rng, (lo, nb, hi, 196), shade(fur, -0.3), 60, 2.5, 0.5, (40, 140))
            strands(canvas, rng, (lo, nb, hi, 196), shade(fur, 0.25), 30, 2.0, 0.5, (40, 140))
        return

    if era == "baroque":
        # Coat with buttons, jabot of lace.
        canvas.polygon([(cx - 20, nb), (cx + 20, nb), (cx + 6, 200), (cx - 6, 200)],
                       fill=coat_dark)
        for i in range(5):
            y = nb + 22 + i * 10
            canvas.ellipse((cx + 8, y - 1.6, cx + 11, y + 1.4), fill=(214, 180, 90))
        canvas.polygon([(cx - 11, nb - 4), (cx + 11, nb - 4), (cx + 14, nb + 30),
                        (cx, nb + 38), (cx - 14, nb + 30)], fill=white)
        for i in range(5):
            y = nb + 6 + i * 6.5
            w = 10 + i * 1.0
            canvas.arc((cx - w, y - 3, cx + w, y + 4), 10, 170, white_dark, 0.6)
        canvas.ellipse((cx - 5, nb - 4, cx + 5, nb + 3), fill=white, outline=white_dark,
                       width=0.5)
        return

    if era == "classical":
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
                         (cx + side * 22, nb + 40)], coat_dark, 0.6)
        canvas.polygon([(cx - 9, nb - 6), (cx + 9, nb - 6), (cx + 10, nb + 2),
                        (cx - 10, nb + 2)], fill=white)
        canvas.polygon([(cx - 6, nb + 1), (cx + 6, nb + 1), (cx + 8, nb + 20),
                        (cx, nb + 24), (cx - 8, nb + 20)], fill=white)
        for i in range(3):
            canvas.arc((cx - 7, nb + 4 + i * 6, cx + 7, nb + 10 + i * 6), 10, 170,
                       white_dark, 0.5)
        if c.row == 78:  # the fur-trimmed robe of his best-known portrait
            fur = (120, 90, 64)
            for side in (-1, 1):
                canvas.polygon([(cx + side * 16, nb - 2), (cx + side * 34, nb + 4),
                                (cx + side * 26, 200), (cx + side * 14, 200)], fill=fur)
                strands(canvas, rng, (cx + side * 14 - 6, nb, cx + side * 32 + 4, 196),
                        shade(fur, -0.3), 30, 2.5, 0.5, (40, 140))
        return

    if era == "romantic":
        waist = rng.choice([(236, 226, 200), (150, 40, 40), (80, 80, 90), (200, 180, 120)])
        canvas.polygon([(cx - 16, nb), (cx + 16, nb), (cx + 12, 200), (cx - 12, 200)],
                       fill=waist)
        for side in (-1, 1):
            canvas.polygon([(cx + side * 16, nb - 4), (cx + side * 34, nb + 8),
                            (cx + side * 28, nb + 26), (cx + side * 34, nb + 34),
                            (cx + side * 14, 200), (cx + side * 10, 200),
                            (cx + side * 13, nb + 6)], fill=coat_dark)
        # High collar points up the cheeks, then the wrapped cravat.
        for side in (-1, 1):
            canvas.polygon([(cx + side * 3, nb - 2), (cx + side * 11, h.chin - 4),
                            (cx + side * 14, nb - 4)], fill=white)
        if neck == "scarf":
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
        return

    if era == "late":
        if neck == "abbe":
            canvas.polygon([(cx - 9, nb - 6), (cx + 9, nb - 6), (cx + 10, nb + 2),
                            (cx - 10, nb + 2)], fill=(24, 22, 26))
            canvas.polygon([(cx - 2.5, nb - 5), (cx + 2.5, nb - 5), (cx + 2.5, nb + 1),
                            (cx - 2.5, nb + 1)], fill=white)
            for i in range(5):
                y = nb + 10 + i * 10
                canvas.ellipse((cx - 1.2, y - 1.2, cx + 1.2, y + 1.2), fill=(60, 56, 62))
            return
        canvas.polygon([(cx - 13, nb - 2), (cx + 13, nb - 2), (cx + 4, 200), (cx - 4, 200)],
                       fill=white)
        if rng.random() < 0.45:
            vest = rng.choice([(90, 86, 84), (120, 110, 96), (60, 58, 66), (150, 140, 120)])
            for side in (-1, 1):
                canvas.polygon([(cx + side * 9, nb + 12), (cx + side * 16, nb + 8),
                                (cx + side * 14, 200), (cx + side * 1, 200)], fill=vest)
        for side in (-1, 1):
            canvas.polygon([(cx + side * 13, nb - 4), (cx + side * 30, nb + 6),
                            (cx + side * 24, nb + 24), (cx + side * 30, nb + 30),
                            (cx + side * 6, 200), (cx + side * 3, 200),
                            (cx + side * 8, nb + 10)], fill=coat_dark)
            canvas.polygon([(cx + side * 1, nb - 1), (cx + side * 9, nb - 7),
                            (cx + side * 11, nb + 1)], fill=white)
            canvas.line([(cx + side * 1, nb - 1), (cx + side * 9, nb - 7),
                         (cx + side * 11, nb + 1)], white_dark, 0.5)
        if neck == "scarf":
            scarf = (236, 234, 226)
            canvas.ellipse((cx - 16, nb - 8, cx + 16, nb + 6), fill=scarf)
            canvas.polygon([(cx - 8, nb), (cx + 2, nb), (cx - 2, 200), (cx - 14, 200)],
                           fill=scarf)
            canvas.line([(cx - 6, nb + 6), (cx - 10, 190)], white_dark, 0.6)
        elif neck == "lavalliere":
            tie = (24, 22, 26)
            canvas.polygon([(cx, nb), (cx - 14, nb - 6), (cx - 16, nb + 8)], fill=tie)
            canvas.polygon([(cx, nb), (cx + 14, nb - 6), (cx + 16, nb + 8)], fill=tie)
            canvas.polygon([(cx - 2, nb + 2), (cx - 9, nb + 24), (cx - 3, nb + 22)], fill=tie)
            canvas.polygon([(cx + 2, nb + 2), (cx + 8, nb + 26), (cx + 3, nb + 22)], fill=tie)
            canvas.ellipse((cx - 3, nb - 3, cx + 3, nb + 3), fill=tie)
        elif rng.random() < 0.3:
            # A knotted cravat.
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
        return

    # modern
    shirt = rng.choice([(244, 242, 236), (230, 236, 244), (240, 236, 222)])
    canvas.polygon([(cx - 12, nb - 4), (cx + 12, nb - 4), (cx + 4, 200), (cx - 4, 200)],
                   fill=shirt)
    for side in (-1, 1):
        canvas.polygon([(cx + side * 12, nb - 6), (cx + side * 28, nb + 4),
                        (cx + side * 22, nb + 20), (cx + side * 28, nb + 26),
                        (cx + side * 6, 200), (cx + side * 3, 200),
                        (cx + side * 6, nb + 12)], fill=coat_dark)
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


# --- ground, frame, flag and plate ------------------------------------------

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


def draw_flag(canvas, code, x, y, w, hgt):
    kind, colours = FLAGS[code]
    d = canvas.draw
    bx = box(x, y, x + w, y + hgt)
    X0, Y0, X1, Y1 = bx
    W, H = X1 - X0, Y1 - Y0

    def rect(a, b, c_, d_, colour):
        d.rectangle([round(a), round(b), round(c_) - 1, round(d_) - 1], fill=colour)

    if kind == "vertical":
        for i, colour in enumerate(colours):
            rect(X0 + W * i / 3, Y0, X0 + W * (i + 1) / 3, Y1, colour)
    elif kind == "horizontal":
        n = len(colours)
        for i, colour in enumerate(colours):
            rect(X0, Y0 + H * i / n, X1, Y0 + H * (i + 1) / n, colour)
    elif kind == "czech":
        white, red, blue = colours
        rect(X0, Y0, X1, Y0 + H / 2, white)
        rect(X0, Y0 + H / 2, X1, Y1, red)
        d.polygon([(X0, Y0), (X0 + W / 2, Y0 + H / 2), (X0, Y1)], fill=blue)
    elif kind == "nordic":
        field, border, cross = colours
        rect(X0, Y0, X1, Y1, field)
        cxp = X0 + W * 0.36
        cyp = Y0 + H / 2
        if border:
            rect(cxp - H * 0.2, Y0, cxp + H * 0.2, Y1, border)
            rect(X0, cyp - H * 0.2, X1, cyp + H * 0.2, border)
        rect(cxp - H * 0.11, Y0, cxp + H * 0.11, Y1, cross)
        rect(X0, cyp - H * 0.11, X1, cyp + H * 0.11, cross)
    elif kind == "swiss":
        red, white = colours
        # The Swiss flag is square.
        X0 = X0 + (W - H) / 2
        X1 = X0 + H
        rect(X0, Y0, X1, Y1, red)
        mx, my, u = (X0 + X1) / 2, (Y0 + Y1) / 2, H / 32
        rect(mx - 3 * u, my - 10 * u, mx + 3 * u, my + 10 * u, white)
        rect(mx - 10 * u, my - 3 * u, mx + 10 * u, my + 3 * u, white)
        bx = [round(X0), Y0, round(X1), Y1]
    elif kind == "union":
        blue, white, red = colours
        rect(X0, Y0, X1, Y1, blue)
        for a, b in (((X0, Y0), (X1, Y1)), ((X0, Y1), (X1, Y0))):
            d.line([a, b], fill=white, width=round(H * 0.2))
            d.line([a, b], fill=red, width=round(H * 0.07))
        rect(X0 + W / 2 - H * 0.17, Y0, X0 + W / 2 + H * 0.17, Y1, white)
        rect(X0, Y0 + H / 2 - H * 0.17, X1, Y0 + H / 2 + H * 0.17, white)
        rect(X0 + W / 2 - H * 0.1, Y0, X0 + W / 2 + H * 0.1, Y1, red)
        rect(X0, Y0 + H / 2 - H * 0.1, X1, Y0 + H / 2 + H * 0.1, red)
    elif kind == "us":
        red, white, blue = colours
        for i in range(13):
            rect(X0, Y0 + H * i / 13, X1, Y0 + H * (i + 1) / 13, red if i % 2 == 0 else white)
        rect(X0, Y0, X0 + W * 0.42, Y0 + H * 7 / 13, blue)
        for i in range(4):
            for j in range(3):
                sx = X0 + W * 0.42 * (i + 0.5) / 4
                sy = Y0 + H * 7 / 13 * (j + 0.5) / 3
                d.ellipse([sx - S * 0.5, sy - S * 0.5, sx + S * 0.5, sy + S * 0.5], fill=white)
    elif kind == "brazil":
        green, yellow, blue = colours
        rect(X0, Y0, X1, Y1, green)
        mx, my = (X0 + X1) / 2, (Y0 + Y1) / 2
        d.polygon([(X0 + W * 0.08, my), (mx, Y0 + H * 0.1), (X1 - W * 0.08, my),
                   (mx, Y1 - H * 0.1)], fill=yellow)
        r = H * 0.25
        d.ellipse([mx - r, my - r, mx + r, my + r], fill=blue)
        d.arc([mx - r * 1.6, my - r * 0.6, mx + r * 1.2, my + r * 2.4], 225, 300,
              fill=(255, 255, 255), width=S)
    d.rectangle(bx, outline=(40, 34, 28), width=S // 2)


def draw_frame_and_plate(canvas, c, rng, font):
    gold = (178, 142, 70)
    gold_dark = (100, 76, 36)
    d = canvas.draw
    d.rectangle(box(0, 0, WIDTH, HEIGHT), outline=gold_dark, width=S)
    d.rectangle(box(1, 1, WIDTH - 1, HEIGHT - 1), outline=gold, width=2 * S)
    d.rectangle(box(3, 3, WIDTH - 3, HEIGHT - 3), outline=gold_dark, width=S // 2)
    years = "%s \u2013 %s" % (c.born, c.died)
    tb = d.textbbox((0, 0), years, font=font)
    tw = (tb[2] - tb[0]) / S
    pw = max(tw + 12, 70)
    px0, py0 = (WIDTH - pw) / 2, 181
    px1, py1 = px0 + pw, 195
    d.rectangle(box(px0 + 1, py0 + 1, px1 + 1, py1 + 1), fill=(20, 16, 12))
    d.rectangle(box(px0, py0, px1, py1), fill=(214, 180, 96), outline=gold_dark, width=S // 2)
    d.rectangle(box(px0 + 1.5, py0 + 1.5, px1 - 1.5, py1 - 1.5), outline=(240, 214, 140),
                width=S // 4)
    cx = (px0 + px1) / 2 * S
    cy = (py0 + py1) / 2 * S
    d.text((cx, cy), years, font=font, fill=(52, 36, 16), anchor="mm")


def portrait(c, font):
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
    draw_flag(canvas, c.country, 8, 8, 24, 16)
    draw_frame_and_plate(canvas, c, rng, font)
    small = canvas.image.convert("RGB").resize((WIDTH, HEIGHT), Image.LANCZOS)
    return grain(small, rng, 1)


def encode(image):
    """Baseline JPEG bytes, at the best quality that stays under MAX_BYTES."""
    for quality in QUALITIES:
        out = io.BytesIO()
        image.save(out, "JPEG", quality=quality, subsampling=0, optimize=True,
                   progressive=False)
        data = out.getvalue()
        if len(data) <= MAX_BYTES:
            return data
    return data


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", nargs="?", default=DEFAULT_OUTPUT)
    parser.add_argument("--sheet", help="also write a contact sheet (PNG) to this path")
    parser.add_argument("--only", type=int, nargs="*", help="rows to draw (default: all)")
    args = parser.parse_args(argv)

    assert [c.row for c in COMPOSERS] == list(range(1, 105))
    os.makedirs(args.output, exist_ok=True)
    font = ImageFont.truetype(FONT, 10 * S)
    pictures = []
    sizes = []
    for c in COMPOSERS:
        if args.only and c.row not in args.only:
            continue
        data = encode(portrait(c, font))
        name = "%d.jpg" % (FIRST_PICTURE + c.row)
        with open(os.path.join(args.output, name), "wb") as f:
            f.write(data)
        sizes.append((len(data), name))
        pictures.append(Image.open(io.BytesIO(data)).convert("RGB"))
    out_of_range = [n for size, n in sizes if not MIN_BYTES <= size <= MAX_BYTES]
    print("%d pictures, %d..%d bytes%s" % (len(sizes), min(sizes)[0], max(sizes)[0],
          "; outside %d..%d: %s" % (MIN_BYTES, MAX_BYTES, " ".join(out_of_range))
          if out_of_range else ""))
    if args.sheet:
        columns = 13
        rows = (len(pictures) + columns - 1) // columns
        sheet = Image.new("RGB", (columns * (WIDTH + 4), rows * (HEIGHT + 4)), "white")
        for i, picture in enumerate(pictures):
            sheet.paste(picture, ((i % columns) * (WIDTH + 4), (i // columns) * (HEIGHT + 4)))
        sheet.save(args.sheet)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
