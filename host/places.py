"""Where the host finds the modules and keeps a user's files.

From a checkout the modules are those of the release build and are run
where they are built; the answers go beside the host. Installed (the modules
in bin/ beside the host, in a folder named after the package, as the Debian
package lays them out) the modules' folder is not the user's: since a
module's exchange file is beside it, each user runs them from a folder of
their own in their cache folder, where each module file is a hard link to
the installed one or, where the file system does not allow one (another
file system, or the kernel's protection of other users' files), a copy,
made again only when the installed file changes. The answers and the host's
state go to the user's data folder.
"""

import os
import shutil
import tempfile
from pathlib import Path

from host.modules import MODULE_TABLE

USER_MODULES = "modules"
RESULTS_FILE = "resultats.csv"


class Places:
    def __init__(self, root: Path):
        self.root = root
        self.installed = (root / "bin" / MODULE_TABLE).is_file()
        build = root if self.installed else root / "build" / "release"
        self.bin_dir = build / "bin"
        self.tools_dir = build / "tools"

    def data_folder(self) -> Path:
        """The user's data folder for this host: the checkout itself, or
        $XDG_DATA_HOME/<package> (~/.local/share/<package>)."""
        if not self.installed:
            return self.root
        return _xdg_folder("XDG_DATA_HOME", ".local/share") / self.root.name

    def cache_folder(self) -> Path:
        """$XDG_CACHE_HOME/<package> (~/.cache/<package>), made if missing."""
        folder = _xdg_folder("XDG_CACHE_HOME", ".cache") / self.root.name
        folder.mkdir(parents=True, exist_ok=True)
        return folder

    def default_results(self) -> Path:
        return self.data_folder() / RESULTS_FILE

    def work_root(self) -> Path:
        """Where the web host makes its folder: the system's temporary
        folder, or installed the cache folder, where the modules' hard links
        can be made from the user's own."""
        return self.cache_folder() if self.installed else Path(tempfile.gettempdir())

    def pin_user_folders(self) -> None:
        """Names the data and cache folders in the environment, so that a
        child given another HOME keeps this user's."""
        os.environ["XDG_DATA_HOME"] = str(_xdg_folder("XDG_DATA_HOME", ".local/share"))
        os.environ["XDG_CACHE_HOME"] = str(_xdg_folder("XDG_CACHE_HOME", ".cache"))

    def runnable_modules(self, bin_dir: Path) -> Path:
        """The folder the modules of bin_dir are run from: bin_dir itself
        from a checkout, the user's own folder when installed."""
        if not self.installed:
            return bin_dir
        return user_modules(bin_dir, self.cache_folder() / USER_MODULES)


def _xdg_folder(variable: str, under_home: str) -> Path:
    # The XDG base directory rules: a relative value is invalid and ignored.
    value = os.environ.get(variable, "")
    return Path(value) if os.path.isabs(value) else Path.home() / under_home


def user_modules(bin_dir: Path, folder: Path) -> Path:
    """Puts each module file and the module table of bin_dir in folder, the
    user's: a hard link where allowed, else a copy, kept while the original
    is unchanged. Returns folder."""
    folder.mkdir(parents=True, exist_ok=True)
    for source in sorted(bin_dir.glob("*.exe")) + [bin_dir / MODULE_TABLE]:
        target = folder / source.name
        if _same_file(source, target):
            continue
        # Made beside, then put in place at once: a host running the old
        # file keeps it, another never sees half a file.
        partial = folder / f".{source.name}.{os.getpid()}"
        try:
            try:
                os.link(source, partial)
            except OSError:
                shutil.copy2(source, partial)
            os.replace(partial, target)
        finally:
            partial.unlink(missing_ok=True)
    return folder


def _same_file(source: Path, target: Path) -> bool:
    try:
        theirs, ours = source.stat(), target.stat()
    except FileNotFoundError:
        return False
    if (theirs.st_dev, theirs.st_ino) == (ours.st_dev, ours.st_ino):
        return True
    return (theirs.st_size, theirs.st_mtime_ns) == (ours.st_size, ours.st_mtime_ns)
