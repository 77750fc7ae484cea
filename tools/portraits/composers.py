"""The drawn portraits' data: how each composer is drawn, and the palettes.

Only rows without a real likeness are drawn (22 of them now), but every row has
its entry, so that a likeness taken out of sources/ falls back to a drawing.
A drawn portrait shows a bust and nothing else: no name, no years, no flag.
The hair, facial hair, glasses and hat follow the way the composer is best
known from his portraits, and the dress his era:

  renaissance  dark robe, ruff or flat collar, sometimes a cap
  baroque      full-bottomed wig, lace jabot, coat with buttons
  classical    powdered wig with side rolls, stock and frill, wide lapels
  romantic     high collar points, wrapped cravat, tailcoat
  late         frock coat, wing collar, bow tie or cravat
  modern       suit, shirt collar and necktie
"""

from dataclasses import dataclass


@dataclass(frozen=True)
class Composer:
    row: int
    era: str              # renaissance, baroque, classical, romantic, late, modern
    hair: str             # see hair.py
    hair_colour: str      # key of HAIR
    face: str = ""        # "", round, thin, long, plump
    facial: str = ""      # "+"-joined: beard, longbeard, pointed, goatee, moustache,
                          # walrus, sideburns, chin
    beard_colour: str = ""  # default: hair colour
    glasses: str = ""     # "", round, pince
    hat: str = ""         # "", beret, tophat, bowler, furcap, bonnet
    neck: str = ""        # overrides the era's neckwear: ruff, scarf, lavalliere, abbe,
                          # bowtie (modern)
    skin: str = ""        # "", dark


COMPOSERS = [
    Composer(1, "romantic", "swept", "dark", facial="sideburns"),
    Composer(2, "late", "short", "black", face="plump", facial="beard+moustache"),
    Composer(3, "baroque", "wig_full", "powder", face="plump"),
    Composer(4, "classical", "wig_tied", "powder", face="long"),
    Composer(5, "classical", "wig_tied", "powder"),
    Composer(6, "modern", "swept", "white", face="thin"),
    Composer(7, "romantic", "wild", "pepper", face="round", neck="scarf"),
    Composer(8, "romantic", "curly", "blond", face="thin", facial="sideburns"),
    Composer(9, "romantic", "wild", "auburn", face="long"),
    Composer(10, "late", "curly", "dark", face="round", facial="beard+moustache", glasses="pince"),
    Composer(11, "classical", "wig_tied", "powder"),
    Composer(12, "romantic", "curly", "brown", facial="sideburns"),
    Composer(13, "late", "swept", "dark", face="round", facial="beard+moustache"),
    Composer(14, "late", "swept", "grey", face="round", facial="longbeard+moustache",
             beard_colour="white"),
    Composer(15, "modern", "wavy", "brown", face="long"),
    Composer(16, "late", "receding", "grey", facial="beard+moustache"),
    Composer(17, "late", "cropped", "grey", face="plump"),
    Composer(18, "modern", "swept", "dark", face="long", facial="moustache"),
    Composer(19, "late", "bald", "dark", face="plump", facial="beard+moustache"),
    Composer(20, "late", "wild", "dark", facial="goatee+moustache", neck="lavalliere"),
    Composer(21, "late", "short", "dark", facial="beard+moustache"),
    Composer(22, "romantic", "receding", "grey", face="long"),
    Composer(23, "romantic", "side", "auburn", face="thin"),
    Composer(24, "classical", "wig_tied", "powder", face="plump"),
    Composer(25, "baroque", "wig_full", "dark"),
    Composer(26, "baroque", "wig_full", "black", face="long"),
    Composer(27, "late", "fringe", "black", face="round", facial="pointed+moustache"),
    Composer(28, "baroque", "wig_full", "brown", face="plump"),
    Composer(29, "late", "receding", "dark", facial="beard+moustache"),
    Composer(30, "renaissance", "short", "dark", face="long", hat="bonnet"),
    Composer(31, "romantic", "curly", "dark", facial="sideburns"),
    Composer(32, "late", "bald", "dark", facial="pointed+moustache"),
    Composer(33, "late", "short", "grey", face="long", facial="walrus"),
    Composer(34, "late", "swept", "pepper", face="round", facial="beard+moustache",
             beard_colour="dark"),
    Composer(35, "modern", "bald", "dark", face="thin"),
    Composer(36, "late", "short", "white", facial="walrus"),
    Composer(37, "late", "short", "grey", face="round", facial="sideburns"),
    Composer(38, "modern", "slick", "black", face="long"),
    Composer(39, "romantic", "side", "dark", facial="moustache"),
    Composer(40, "classical", "wig_tied", "powder", face="plump"),
    Composer(41, "classical", "wig_tied", "grey", face="long"),
    Composer(42, "late", "bald", "grey", facial="beard+moustache", beard_colour="white"),
    Composer(43, "late", "swept", "white", facial="walrus"),
    Composer(44, "baroque", "wig_full", "white", face="plump"),
    Composer(45, "classical", "wig_tied", "grey", face="long"),
    Composer(46, "modern", "slick", "dark", face="round"),
    Composer(47, "romantic", "curly", "brown", face="plump"),
    Composer(48, "late", "receding", "grey", facial="beard+moustache"),
    Composer(49, "late", "wild", "white", face="round", facial="walrus"),
    Composer(50, "modern", "cropped", "black", face="round", neck="bowtie", skin="dark"),
    Composer(51, "modern", "bald", "white", facial="longbeard+moustache"),
    Composer(52, "late", "receding", "grey", facial="beard+moustache"),
    Composer(53, "renaissance", "short", "dark", facial="beard+moustache", neck="ruff"),
    Composer(54, "late", "long", "white", face="long", neck="abbe"),
    Composer(55, "baroque", "wig_full", "dark", face="round"),
    Composer(56, "late", "swept", "black", face="long", glasses="round"),
    Composer(57, "baroque", "wig_full", "brown", face="long"),
    Composer(58, "late", "wild", "black", face="round"),
    Composer(59, "late", "short", "grey", face="long", facial="moustache"),
    Composer(60, "romantic", "curly", "dark", face="round"),
    Composer(61, "romantic", "curly", "black", face="long", facial="sideburns"),
    Composer(62, "modern", "receding", "grey", face="round", glasses="round"),
    Composer(63, "romantic", "receding", "dark", facial="sideburns"),
    Composer(64, "renaissance", "bald", "pepper", face="long", facial="pointed+moustache",
             neck="ruff"),
    Composer(65, "late", "wild", "brown", face="plump", facial="beard+moustache"),
    Composer(66, "classical", "wig_tied", "powder"),
    Composer(67, "late", "curly", "dark", face="thin", facial="sideburns", glasses="pince"),
    Composer(68, "renaissance", "bald", "grey", face="long", facial="longbeard+moustache"),
    Composer(69, "baroque", "wig_tied", "powder", face="thin"),
    Composer(70, "modern", "receding", "dark", face="long"),
    Composer(71, "late", "short", "dark", facial="moustache"),
    Composer(72, "baroque", "wig_full", "dark", face="thin"),
    Composer(73, "modern", "cropped", "grey", face="long"),
    Composer(74, "baroque", "wig_tied", "grey", face="thin"),
    Composer(75, "modern", "slick", "pepper", face="thin"),
    Composer(76, "late", "short", "grey", face="long", facial="longbeard+moustache",
             glasses="round"),
    Composer(77, "romantic", "curly", "brown", face="plump"),
    Composer(78, "classical", "short", "dark", hat="furcap"),
    Composer(79, "late", "wild", "dark", face="round"),
    Composer(80, "late", "bald", "grey", face="round", facial="beard+moustache",
             beard_colour="white"),
    Composer(81, "classical", "wig_tied", "powder", face="round"),
    Composer(82, "modern", "short", "dark", facial="goatee+moustache", glasses="pince",
             hat="bowler"),
    Composer(83, "baroque", "wig_full", "dark", face="round"),
    Composer(84, "baroque", "wig_full", "grey", face="plump"),
    Composer(85, "modern", "receding", "dark", face="round", facial="moustache"),
    Composer(86, "romantic", "curly", "brown", face="round", glasses="round"),
    Composer(87, "romantic", "side", "brown", face="plump"),
    Composer(88, "modern", "bald", "none", face="round"),
    Composer(89, "late", "swept", "brown", facial="sideburns", glasses="round"),
    Composer(90, "late", "curly", "black", facial="sideburns+moustache"),
    Composer(91, "romantic", "curly", "black", face="thin", facial="sideburns"),
    Composer(92, "modern", "receding", "grey", face="long"),
    Composer(93, "modern", "slick", "dark", face="long", facial="moustache", glasses="round"),
    Composer(94, "modern", "receding", "dark", face="round"),
    Composer(95, "baroque", "wig_full", "white", face="long"),
    Composer(96, "late", "short", "white", facial="beard+moustache"),
    Composer(97, "baroque", "wig_full", "powder", face="round"),
    Composer(98, "late", "receding", "white", face="long", facial="goatee+moustache"),
    Composer(99, "modern", "wild", "grey", face="long"),
    Composer(100, "late", "short", "grey", facial="beard+moustache", beard_colour="white",
             hat="tophat", neck="scarf"),
    Composer(101, "modern", "slick", "black", face="round"),
    Composer(102, "baroque", "wig_full", "red", face="thin"),
    Composer(103, "late", "receding", "grey", face="long", facial="chin", hat="beret"),
    Composer(104, "romantic", "curly", "brown", face="thin"),
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

