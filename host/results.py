"""The results file a teacher opens in a spreadsheet: one row per answer,
appended as soon as it is given so that a session left halfway is kept.
The rows of this run of the host are also kept for the teacher's page."""

import csv
import threading
from datetime import datetime
from pathlib import Path

COLUMNS = ["date", "élève", "session", "module", "question", "repère", "réponse choisie",
           "bonne réponse", "juste", "temps (s)"]
KEPT_ROWS = 100_000  # for the teacher's page: a few days of a class, a few tens of MB
# A spreadsheet runs a cell that starts with one of these as a formula.
FORMULA_STARTS = ("=", "+", "-", "@", "\t", "\r")


class ResultsFileError(OSError):
    pass


def cell(text: str) -> str:
    """Text a spreadsheet shows as it is."""
    return "'" + text if text.startswith(FORMULA_STARTS) else text


class ResultsLog:
    def __init__(self, path: Path):
        self.path = path
        self.rows: list[dict[str, str]] = []  # this run's, for the teacher's page
        self._lock = threading.Lock()

    def open_or_create(self) -> None:
        """Creates the file with its header if it has none; raises OSError
        where it cannot be written, and ResultsFileError where it holds other
        columns (an older host's), so that the host can say so at start."""
        with self._lock, self._open():
            pass
        with self.path.open(encoding="utf-8-sig", newline="") as file:
            header = next(csv.reader(file), [])
        if header != COLUMNS:
            raise ResultsFileError(
                f"{self.path} has other columns ({', '.join(header)}): give another "
                f"results file, or move this one away")

    def append(self, pupil: str, session: str, module: str, question: str, identifies: str,
               chosen: str, right: str, correct: bool, seconds: float) -> None:
        row = [datetime.now().isoformat(sep=" ", timespec="seconds"), pupil, session, module,
               question, identifies, chosen, right, "oui" if correct else "non",
               f"{seconds:.1f}"]
        with self._lock, self._open() as file:
            csv.writer(file).writerow([cell(value) for value in row])
            self.rows.append(dict(zip(COLUMNS, row)))
            del self.rows[:-KEPT_ROWS]

    def _open(self):
        self.path.parent.mkdir(parents=True, exist_ok=True)
        file = self.path.open("a", encoding="utf-8", newline="")
        if file.tell() == 0:
            # The byte order mark makes spreadsheets read the accents as UTF-8.
            file.write("\ufeff")
            csv.writer(file).writerow(COLUMNS)
        return file
