"""The built modules, grouped by kind for the page, and the pictures they carry."""

import re
import subprocess
from dataclasses import dataclass
from pathlib import Path

NOTE_MODULE = re.compile(r"^(treble|bass)([2-7])$")
CLEF_GROUPS = {"treble": "Lecture de notes, clé de sol", "bass": "Lecture de notes, clé de fa"}
# Bank modules in page order: group title, label, seconds the module lives.
BANK_MODULES = {
    "oeuvres": ("Œuvres", "Compositeurs et œuvres", 0),
    "theorie": ("Théorie", "Théorie et vocabulaire", 0),
    "portraits": ("Portraits", "Portraits de compositeurs", 0),
    "instruments": ("Instruments", "Instruments", 10),
}
NOTE_MODULE_SECONDS = 5
# The modules with sound play it at the third second of their countdown.
SOUND_SECOND = 3


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

    @property
    def title(self) -> str:
        """The module named alone, as the quiz's header names it."""
        return f"{self.group}, {self.label.lower()}" if NOTE_MODULE.match(self.name) else self.label


def describe(file: Path) -> ModuleInfo | None:
    """What the page says about a module file; None for a file that is no module."""
    name = file.stem.lower()
    if match := NOTE_MODULE.match(name):
        return ModuleInfo(name, file, CLEF_GROUPS[match[1]], f"Niveau {match[2]}",
                          NOTE_MODULE_SECONDS)
    if name in BANK_MODULES:
        group, label, seconds = BANK_MODULES[name]
        return ModuleInfo(name, file, group, label, seconds)
    return None


def catalogue(bin_dir: Path) -> list[ModuleInfo]:
    """The modules built in bin_dir, treble then bass by level, then the banks."""
    modules = [info for file in bin_dir.glob("*.exe") if (info := describe(file))]
    group_order = [*CLEF_GROUPS.values(), *(group for group, _, _ in BANK_MODULES.values())]
    return sorted(modules, key=lambda info: (group_order.index(info.group), info.name))


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
