#!/usr/bin/python3
"""Draws the modules' program icon: a treble clef on white, 16, 32, 48 and
256 px (the large icon views and the Start menu take the 256 px image).

    /usr/bin/python3 tools/make_icon.py [RESOURCES_DIR]

Writes RESOURCES_DIR/common/icon.ico (default: the repository's resources/).
Needs Debian's python3-pil and fonts-noto-core (Noto Music).
"""

import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/noto/NotoMusic-Regular.ttf"
TREBLE_CLEF = "\U0001D11E"


def main() -> None:
    resources = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[1] / "resources"
    size = 256
    image = Image.new("RGB", (size, size), "white")
    draw = ImageDraw.Draw(image)
    draw.rectangle([0, 0, size - 1, size - 1], outline=(40, 60, 140), width=12)
    font = ImageFont.truetype(FONT, 150)
    box = draw.textbbox((0, 0), TREBLE_CLEF, font=font)
    x = (size - (box[2] - box[0])) // 2 - box[0]
    y = (size - (box[3] - box[1])) // 2 - box[1]
    draw.text((x, y), TREBLE_CLEF, font=font, fill=(20, 20, 20))
    target = resources / "common" / "icon.ico"
    target.parent.mkdir(parents=True, exist_ok=True)
    image.save(target, format="ICO", sizes=[(16, 16), (32, 32), (48, 48), (256, 256)])
    print(f"wrote {target} ({target.stat().st_size} bytes)")


if __name__ == "__main__":
    main()
