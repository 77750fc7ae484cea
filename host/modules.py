"""The built modules, as the module table the build writes beside them
(bin/modules.tsv) lists them, grouped by kind for the page, and the pictures
they carry."""

import csv
import subprocess
from dataclasses import dataclass
from pathlib import Path

MODULE_TABLE = "modules.tsv"
CLEF_GROUPS = {"treble": "Lecture de notes, clé de sol", "bass": "Lecture de notes, clé de fa"}
# The page's group title and label of each bank module's kind, in page order.
BANK_KINDS = {
    "oeuvres": ("Œuvres", "Compositeurs et œuvres"),
    "theorie": ("Théorie", "Théorie et vocabulaire"),
    "portraits": ("Portraits", "Portraits de compositeurs"),
    "instruments": ("Instruments", "Instruments"),
}


class UnknownModule(LookupError):
    pass


class PictureError(RuntimeError):
    pass


@dataclass(frozen=True)
class ModuleInfo:
    name: str     # "treble7", as the page and the command line name it
    file: Path    # the built module file, never run in place by the web host
    group: str
    label: str
    seconds: int  # how long the module lives: its countdown, 0 when it has none
    kind: str = ""

    @property
    def title(self) -> str:
        """The module named alone, as the quiz's header names it."""
        return f"{self.group}, {self.label.lower()}" if self.kind == "notes" else self.label


def module_table(bin_dir: Path) -> list[dict[str, str]]:
    """The rows of the module table the build wrote in bin_dir: name, file,
    kind, clef, level, asked, carried (lowest-highest), seconds."""
    try:
        with open(bin_dir / MODULE_TABLE, encoding="utf-8", newline="") as table:
            return list(csv.DictReader(table, delimiter="\t"))
    except FileNotFoundError:
        return []


def _info(row: dict[str, str], file: Path) -> ModuleInfo:
    if row["kind"] == "notes":
        group, label = CLEF_GROUPS[row["clef"]], f"Niveau {row['level']}"
    else:
        group, label = BANK_KINDS[row["kind"]]
    return ModuleInfo(row["name"], file, group, label, int(row["seconds"]), row["kind"])


def describe(file: Path) -> ModuleInfo | None:
    """What the page says about a module file; None for a file the module
    table beside it does not list."""
    for row in module_table(file.parent):
        if row["file"].lower() == file.name.lower():
            return _info(row, file)
    return None


def catalogue(bin_dir: Path) -> list[ModuleInfo]:
    """The modules built in bin_dir, in the table's order: treble then bass
    by level, then the banks."""
    return [_info(row, bin_dir / row["file"]) for row in module_table(bin_dir)
            if (bin_dir / row["file"]).is_file()]


def find_module(bin_dir: Path, name: str) -> Path:
    wanted = name.lower().removesuffix(".exe") + ".exe"
    built = sorted(bin_dir.glob("*.exe"))
    for candidate in built:
        if candidate.name.lower() == wanted:
            return candidate
    known = ", ".join(p.stem.lower() for p in built) or "none"
    raise UnknownModule(f"no module '{name}' in {bin_dir} (built: {known})")


def extract_picture(tools_dir: Path, module_file: Path, name: str) -> bytes:
    """The JPEG named `name` among the IMAGES of module_file, read by the
    resource tool so that names are matched as the modules match them."""
    try:
        result = subprocess.run([str(tools_dir / "qzres"), "extract", str(module_file),
                                 "IMAGES", name], capture_output=True, check=False)
    except OSError as error:
        raise PictureError(f"cannot run {tools_dir / 'qzres'}: {error.strerror}") from error
    if result.returncode != 0:
        raise PictureError(result.stderr.decode(errors="replace").strip()
                           or f"qzres failed (exit {result.returncode})")
    return result.stdout
