"""The results file a teacher opens in a spreadsheet: one row per answer,
appended as soon as it is given so that a session left halfway is kept."""

import csv
import threading
from datetime import datetime
from pathlib import Path

COLUMNS = ["date", "module", "question", "réponse choisie", "bonne réponse", "temps (s)"]


class ResultsLog:
    def __init__(self, path: Path):
        self.path = path
        self._lock = threading.Lock()

    def open_or_create(self) -> None:
        """Creates the file with its header if it has none; raises OSError
        where it cannot be written, so that the host can say so at start."""
        with self._lock, self._open():
            pass

    def append(self, module: str, question: str, chosen: str, right: str,
               seconds: float) -> None:
        row = [datetime.now().isoformat(sep=" ", timespec="seconds"), module, question,
               chosen, right, f"{seconds:.1f}"]
        with self._lock, self._open() as file:
            csv.writer(file).writerow(row)

    def _open(self):
        self.path.parent.mkdir(parents=True, exist_ok=True)
        file = self.path.open("a", encoding="utf-8", newline="")
        if file.tell() == 0:
            # The byte order mark makes spreadsheets read the accents as UTF-8.
            file.write("\ufeff")
            csv.writer(file).writerow(COLUMNS)
        return file
