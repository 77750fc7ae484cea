"""The exchange file between host and module, and the records it carries."""

import re

EXCHANGE_FILE = "question.qzd"
FIELD_NAMES = ["question", "reponse1", "reponse2", "reponse3", "reponse4",
               "bonne_reponse", "image", "musiques_sons", "module"]
# What the host leaves in the exchange file before starting a module; the
# module only checks that it holds nine fields.
HOST_REQUEST = '"qz","question","","","","","","",""\r\n'.encode("cp1252")
BLANK_PICTURE = "100"
# A module's exit status when its record is written but its own sound could
# not be played: the question stands.
SOUND_FAILED = 2
NO_SOUND = "non"


def parse_record(data: bytes) -> dict[str, str]:
    """The nine fields of a module's record, decoded from code page 1252 and
    keyed by FIELD_NAMES."""
    text = data.decode("cp1252")
    if not text.endswith("\r\n") or text.count("\r\n") != 1:
        raise ValueError("the record is not one line ending in CR LF")
    fields = re.findall(r'"([^"]*)"(?:,|\r\n$)', text)
    if len(fields) != 9:
        raise ValueError(f"the record has {len(fields)} fields, 9 expected")
    return dict(zip(FIELD_NAMES, fields))
