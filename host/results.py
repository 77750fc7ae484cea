"""The results file a teacher opens in a spreadsheet: one row per answer,
appended as soon as it is given so that a session left halfway is kept.
It is written for a French spreadsheet: `;` between cells, decimal commas,
UTF-8 with a byte order mark. The teacher's page reads it back, so that a
restart of the host loses nothing."""

import csv
import io
import os
import re
import threading
from datetime import datetime
from pathlib import Path

COLUMNS = ["date", "élève", "session", "module", "question", "repère", "réponse choisie",
           "bonne réponse", "juste", "temps (s)"]
DELIMITER = ";"
OLD_DELIMITER = ","  # the hosts before wrote commas and dot decimals
# A spreadsheet runs a cell that starts with one of these as a formula.
FORMULA_STARTS = ("=", "+", "-", "@", "\t", "\r")
BOM = "\ufeff"


class ResultsFileError(OSError):
    pass


def cell(text: str) -> str:
    """Text a spreadsheet shows as it is."""
    return "'" + text if text.startswith(FORMULA_STARTS) else text


def decimal(seconds: float) -> str:
    return f"{seconds:.1f}".replace(".", ",")


class ResultsLog:
    def __init__(self, path: Path):
        self.path = path
        self._lock = threading.Lock()
        # Where each day's rows are in the file, for the teacher's page: a
        # year of a class is read back a day at a time, never held whole.
        self._days: dict[str, list[list[int]]] = {}
        self._indexed_to = 0

    def open_or_create(self, titles: dict[str, str] | None = None) -> Path | None:
        """Creates the file with its header if it has none. A file of the
        hosts before (commas, dot decimals, module file names) is rewritten
        in today's form, its module files named by `titles` where known; the
        old file is kept beside it and its path returned. Raises OSError where
        the file cannot be written, and ResultsFileError where it holds other
        columns, so that the host can say so at start."""
        with self._lock, self._open():
            pass
        header = self._header()
        if header[DELIMITER] == COLUMNS:
            return None
        if header[OLD_DELIMITER] == COLUMNS:
            return self._convert(titles or {})
        raise ResultsFileError(
            f"{self.path} has other columns ({', '.join(header[DELIMITER])}): give another "
            f"results file, or move this one away")

    def append(self, pupil: str, session: str, module: str, question: str, identifies: str,
               chosen: str, right: str, correct: bool, seconds: float) -> None:
        row = [datetime.now().isoformat(sep=" ", timespec="seconds"), pupil, session, module,
               question, identifies, chosen, right, "oui" if correct else "non",
               decimal(seconds)]
        with self._lock, self._open() as file:
            csv.writer(file, delimiter=DELIMITER).writerow([cell(value) for value in row])

    def days(self) -> list[str]:
        """The days ("YYYY-MM-DD") the file has answers of, latest first."""
        with self._lock:
            self._index()
            return sorted(self._days, reverse=True)

    def rows(self, day: str) -> list[dict[str, str]]:
        """The rows of one day, as written (cells as the spreadsheet sees them)."""
        with self._lock:
            self._index()
            chunks = []
            with self.path.open("rb") as file:
                for start, end in self._days.get(day, []):
                    file.seek(start)
                    chunks.append(file.read(end - start).decode("utf-8"))
        reader = csv.reader(io.StringIO("".join(chunks)), delimiter=DELIMITER)
        return [dict(zip(COLUMNS, row)) for row in reader if len(row) == len(COLUMNS)]

    def _index(self) -> None:
        """Notes where the lines appended since the last call are; a row is
        one line (no cell holds a line break) starting with its date."""
        if self.path.stat().st_size < self._indexed_to:  # replaced: index it again
            self._days, self._indexed_to = {}, 0
        with self.path.open("rb") as file:
            file.seek(self._indexed_to)
            for line in file:
                start, self._indexed_to = self._indexed_to, self._indexed_to + len(line)
                day = line[:10].decode(errors="replace")
                if not re.fullmatch(r"\d{4}-\d\d-\d\d", day) or not line.endswith(b"\n"):
                    continue
                spans = self._days.setdefault(day, [])
                if spans and spans[-1][1] == start:
                    spans[-1][1] = self._indexed_to
                else:
                    spans.append([start, self._indexed_to])

    def _header(self) -> dict[str, list[str]]:
        with self.path.open(encoding="utf-8-sig", newline="") as file:
            line = file.readline()
        return {delimiter: next(csv.reader([line], delimiter=delimiter), [])
                for delimiter in (DELIMITER, OLD_DELIMITER)}

    def _convert(self, titles: dict[str, str]) -> Path:
        kept = self.path.with_name(self.path.stem + "-avant-conversion" + self.path.suffix)
        if kept.exists():
            raise ResultsFileError(
                f"{self.path} is in the older form (commas) and {kept} is in the way of "
                f"keeping it: move one of them away")
        with self.path.open(encoding="utf-8-sig", newline="") as file:
            old_rows = list(csv.reader(file, delimiter=OLD_DELIMITER))[1:]
        new = self.path.with_name(self.path.name + ".new")
        with new.open("w", encoding="utf-8", newline="") as file:
            file.write(BOM)
            writer = csv.writer(file, delimiter=DELIMITER)
            writer.writerow(COLUMNS)
            for row in old_rows:
                if len(row) == len(COLUMNS):
                    if re.fullmatch(r"[\d.eE+-]+", row[2]):  # a label read as a number
                        row[2] = "s" + row[2]
                    row[3] = titles.get(row[3], row[3])
                    row[9] = row[9].replace(".", ",")
                writer.writerow(row)
            file.flush()
            os.fsync(file.fileno())
        os.link(self.path, kept)
        os.replace(new, self.path)
        return kept

    def _open(self):
        self.path.parent.mkdir(parents=True, exist_ok=True)
        file = self.path.open("a", encoding="utf-8", newline="")
        if file.tell() == 0:
            # The byte order mark makes spreadsheets read the accents as UTF-8.
            file.write(BOM)
            csv.writer(file, delimiter=DELIMITER).writerow(COLUMNS)
        return file
