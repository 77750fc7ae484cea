#!/usr/bin/python3
"""Make the 41 instrument pictures of the instruments module.

Writes resources/instruments/pictures/NN_NAME.jpg (default output folder: the
repository's resources/instruments/pictures/), one per picture row of the
instruments bank.  Every picture is a baseline JPEG, 146 x 200 pixels, three
colour components, the instrument centred on a white ground and shown without
any text.

Each picture comes from one of three sources, listed in PICTURES below:

  clipart   an SVG of Debian's openclipart-svg (public domain), found under
            /usr/share/openclipart/svg/
  emoji     a glyph of Debian's fonts-noto-color-emoji (Apache-2.0), drawn at
            the font's only bitmap size, 109, and scaled
  drawing   an SVG of our own, in tools/instrument_drawings/

SVGs are rendered by rsvg-convert at about eight times the final size, laid on
white, turned when the entry asks for it (long instruments lie along the
diagonal of the picture so that they fill it), cropped to their ink, reduced
with a Lanczos filter to fit the frame minus a margin and centred.  An entry's
`scale` can shrink the instrument inside the frame (no entry uses it now).

Some drawings hold more than the instrument, composed in the SVG itself,
where the picture alone would leave room for doubt at 146 x 200:
  - the double bass stands beside a grown-up and the cello beside an
    orchestra chair, on one floor, so that their sizes tell them apart;
  - beside the oboe and the piccolo a magnifying glass shows the oboe's
    double reed (2.7 times larger) and the piccolo's lip plate (3 times);
    the piccolo lies aslant and takes less of its frame than the flute.

The JPEG quality is 90; it steps down while a picture would pass MAX_BYTES
and up while a very plain one stays under MIN_BYTES.  Nothing depends on the
clock or on randomness: with the same packages two runs give byte-identical
files.

Usage: /usr/bin/python3 tools/make_instrument_pictures.py [OUTPUT_DIR]
Needs these Debian packages: python3-pil, librsvg2-bin (rsvg-convert),
openclipart-svg, fonts-noto-color-emoji.
"""

import io
import os
import subprocess
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFont

WIDTH, HEIGHT = 146, 200
MARGIN = 5                 # white border kept around the instrument
RENDER_LONG_SIDE = 1600    # pixels of the longer side of an SVG rendering
MIN_BYTES, MAX_BYTES = 2600, 22400
QUALITIES = (90, 88, 85, 82, 80, 75, 70)
RAISED_QUALITIES = (92, 94, 95)

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
DRAWINGS = os.path.join(HERE, "instrument_drawings")
CLIPART = "/usr/share/openclipart/svg"
EMOJI_FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"
EMOJI_SIZE = 109           # the one strike of Noto Color Emoji
DEFAULT_OUTPUT = os.path.join(REPO, "resources", "instruments", "pictures")


def clipart(path, rotate=0, scale=1.0):
    return dict(kind="clipart", path=os.path.join(CLIPART, path),
                rotate=rotate, scale=scale)


def emoji(codepoint, rotate=0, scale=1.0):
    return dict(kind="emoji", codepoint=codepoint, rotate=rotate, scale=scale)


def drawing(name, rotate=0, scale=1.0):
    return dict(kind="drawing", path=os.path.join(DRAWINGS, name),
                rotate=rotate, scale=scale)


# Picture number and resource name -> source.  `rotate` is in degrees,
# counter-clockwise, applied before the crop.
PICTURES = [
    ("01_ACCORDEON", emoji(0x1FA97)),
    ("02_BATTERIE", clipart("recreation/music/drums_jarno_vasamaa_.svg")),
    ("03_BOMBARDE", drawing("bombarde.svg")),
    ("04_CORNEMUSE", drawing("cornemuse.svg")),
    ("05_DJEMBE", clipart("recreation/music/djambf_ganson.svg")),
    ("06_FLUTE_BEC", drawing("flute_bec.svg")),
    ("07_GUITARE_ELECTRIQUE", clipart("recreation/music/guitar_jarno_vasamaa2.svg")),
    ("08_GUITARE", clipart("recreation/music/guitar_jarno_vasamaa1.svg")),
    ("09_HARMONICA", drawing("harmonica.svg", rotate=40)),
    ("10_SYNTHE", drawing("synthe.svg")),
    ("11_PIANO", drawing("piano.svg")),
    ("12_XYLOPHONE", clipart("recreation/music/xylophone_ganson.svg")),
    ("13_BASSON", drawing("basson.svg")),
    ("14_CLARINETTE", drawing("clarinette.svg")),
    ("15_CLBASSE", drawing("clarinette_basse.svg")),
    ("16_COR", clipart("recreation/music/french_horn_ganson.svg")),
    ("17_COR_ANGLAIS", drawing("cor_anglais.svg")),
    ("18_CONTREBASSE", drawing("contrebasse.svg")),
    ("19_CONTREBASSON", drawing("contrebasson.svg")),
    ("20_STEEL_DRUM", drawing("steel_drum.svg")),
    ("21_FLUTE", clipart("recreation/music/flute_ganson.svg")),
    ("22_GCAISSE", drawing("grosse_caisse.svg")),
    ("23_HARPE", clipart("recreation/music/harp2_ganson.svg")),
    ("24_HAUTBOIS", drawing("hautbois.svg")),
    ("25_PICCOLO", drawing("piccolo.svg")),
    ("26_TAMBOUR", emoji(0x1F941)),
    ("27_BALAFON", drawing("balafon.svg")),
    ("28_TROMBONE", clipart("recreation/music/tenor_trombone_ganson.svg")),
    ("29_TROMPETTE", clipart("recreation/music/trumpet_b_flat_colour_ganso.svg", rotate=35)),
    ("30_TUBA", drawing("tuba.svg")),
    ("31_VIOLON", clipart("recreation/music/violin_colour_ganson.svg", rotate=90)),
    ("32_VIOLONCELLE", drawing("violoncelle.svg")),
    ("33_GUIRO", drawing("guiro.svg", rotate=55)),
    ("34_SAXO", drawing("saxophone.svg")),
    ("35_CYMBALES", drawing("cymbales.svg")),
    ("36_MARACAS", clipart("recreation/music/maracas_ganson.svg")),
    ("37_CLOCHES", drawing("cloches.svg")),
    ("38_CONGAS", drawing("congas.svg")),
    ("39_BONGOS", drawing("bongos.svg")),
    ("40_TIMBALES", drawing("timbales.svg")),
    ("41_TAMAS", drawing("tamas.svg")),
]


def render_svg(path):
    """The SVG at `path` rendered on white, longer side RENDER_LONG_SIDE."""
    if not os.path.isfile(path):
        raise SystemExit("missing source %s" % path)
    png = subprocess.run(
        ["rsvg-convert", "--format=png", "--keep-aspect-ratio",
         "--width=%d" % RENDER_LONG_SIDE, "--height=%d" % RENDER_LONG_SIDE, path],
        check=True, stdout=subprocess.PIPE).stdout
    return on_white(Image.open(io.BytesIO(png)))


def render_emoji(codepoint):
    """The colour glyph of `codepoint` on white, at the font's own size."""
    font = ImageFont.truetype(EMOJI_FONT, EMOJI_SIZE)
    glyph = chr(codepoint)
    left, top, right, bottom = font.getbbox(glyph)
    layer = Image.new("RGBA", (right - left + 8, bottom - top + 8), (255, 255, 255, 0))
    ImageDraw.Draw(layer).text((4 - left, 4 - top), glyph, font=font,
                               embedded_color=True)
    if layer.getbbox() is None:
        raise SystemExit("the emoji font has no glyph U+%04X" % codepoint)
    return on_white(layer)


def on_white(image):
    image = image.convert("RGBA")
    ground = Image.new("RGBA", image.size, (255, 255, 255, 255))
    return Image.alpha_composite(ground, image).convert("RGB")


def ink_box(image):
    """Bounding box of what differs visibly from the white ground."""
    white = Image.new("RGB", image.size, (255, 255, 255))
    grey = ImageChops.difference(image, white).convert("L")
    box = grey.point(lambda v: 255 if v > 10 else 0).getbbox()
    if box is None:
        raise SystemExit("a source rendered blank")
    return box


def framed(image, rotate, scale):
    """`image` turned, cropped to its ink and centred on the 146 x 200 frame."""
    if rotate:
        image = image.rotate(rotate, resample=Image.BICUBIC, expand=True,
                             fillcolor=(255, 255, 255))
    image = image.crop(ink_box(image))
    room_w = (WIDTH - 2 * MARGIN) * scale
    room_h = (HEIGHT - 2 * MARGIN) * scale
    factor = min(room_w / image.width, room_h / image.height)
    size = (max(1, round(image.width * factor)), max(1, round(image.height * factor)))
    image = image.resize(size, resample=Image.LANCZOS)
    frame = Image.new("RGB", (WIDTH, HEIGHT), (255, 255, 255))
    frame.paste(image, ((WIDTH - size[0]) // 2, (HEIGHT - size[1]) // 2))
    return frame


def source_image(source):
    if source["kind"] == "emoji":
        return render_emoji(source["codepoint"])
    return render_svg(source["path"])


def encode(picture, quality):
    out = io.BytesIO()
    picture.save(out, "JPEG", quality=quality, subsampling=0, optimize=True,
                 progressive=False)
    return out.getvalue()


def jpeg_bytes(picture):
    """Baseline JPEG of `picture`: quality 90, lowered while the file would
    pass MAX_BYTES, raised while a very plain picture stays under MIN_BYTES."""
    data = encode(picture, QUALITIES[0])
    if len(data) < MIN_BYTES:
        for quality in RAISED_QUALITIES:
            data = encode(picture, quality)
            if len(data) >= MIN_BYTES:
                break
        return data, quality
    for quality in QUALITIES:
        data = encode(picture, quality)
        if len(data) <= MAX_BYTES:
            break
    return data, quality


def main(argv):
    if len(argv) > 2 or (len(argv) == 2 and argv[1].startswith("-")):
        raise SystemExit("usage: make_instrument_pictures.py [OUTPUT_DIR]")
    output = argv[1] if len(argv) == 2 else DEFAULT_OUTPUT
    os.makedirs(output, exist_ok=True)
    for name, source in PICTURES:
        picture = framed(source_image(source), source["rotate"], source["scale"])
        data, quality = jpeg_bytes(picture)
        path = os.path.join(output, name + ".jpg")
        with open(path, "wb") as f:
            f.write(data)
        note = "" if MIN_BYTES <= len(data) <= MAX_BYTES else "  (outside %d..%d bytes)" % (
            MIN_BYTES, MAX_BYTES)
        print("wrote %s  %6d bytes  quality %d%s" % (os.path.relpath(path), len(data),
                                                     quality, note))


if __name__ == "__main__":
    main(sys.argv)
