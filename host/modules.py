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


class SoundError(RuntimeError):
    pass


@dataclass(frozen=True)
class ModuleInfo:
    name: str     # "treble7", as the page and the command line name it
    file: Path    # the built module file, never run in place by the web host
    group: str
    label: str
    seconds: int  # how long the module lives: its countdown, 0 when it has none
    kind: str = ""
    sound_at: int = 0  # seconds from its start to the press of its sound button

    @property
    def title(self) -> str:
        """The module named alone, as the quiz's header names it."""
        return f"{self.group}, {self.label.lower()}" if self.kind == "notes" else self.label


def module_table(bin_dir: Path) -> list[dict[str, str]]:
    """The rows of the module table the build wrote in bin_dir: name, file,
    kind, clef, level, asked, carried (lowest-highest), seconds (its life),
    sound_at (seconds from start to the press of its sound button)."""
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
    return ModuleInfo(row["name"], file, group, label, int(row["seconds"]), row["kind"],
                      int(row["sound_at"]))


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


def titles_by_file(bin_dir: Path) -> dict[str, str]:
    """Each built module's title by its file name, as older results files name it."""
    return {module.file.name: module.title for module in catalogue(bin_dir)}


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
    return run_tool(tools_dir, ["qzres", "extract", str(module_file), "IMAGES", name],
                    PictureError)


def module_sound(tools_dir: Path, module_file: Path, name: str) -> bytes:
    """Sound `name` of module_file as a WAVE file: a recording as it is, a
    note rendered as the module plays it (qzsound)."""
    return run_tool(tools_dir, ["qzsound", str(module_file), name], SoundError)


def run_tool(tools_dir: Path, command: list[str], error_class) -> bytes:
    """The output of one of the build's tools; error_class with its error line."""
    tool = tools_dir / command[0]
    try:
        result = subprocess.run([str(tool), *command[1:]], capture_output=True, check=False)
    except OSError as error:
        raise error_class(f"cannot run {tool}: {error.strerror}") from error
    if result.returncode != 0:
        raise error_class(result.stderr.decode(errors="replace").strip()
                          or f"{command[0]} failed (exit {result.returncode})")
    return result.stdout
