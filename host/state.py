"""What the web host keeps across restarts besides the results: the
teacher's code and the class's assignment, in a small JSON file beside the
results file. It is replaced whole, so a host stopped while writing it
leaves the previous one."""

import json
import os
import secrets
import threading
from pathlib import Path


class HostState:
    def __init__(self, path: Path, new_code: bool = False):
        self.path = path
        self._lock = threading.Lock()
        try:
            values = json.loads(path.read_text(encoding="utf-8"))
        except (OSError, ValueError):
            values = {}
        if not isinstance(values, dict):
            values = {}
        code = values.get("teacher_code")
        self.teacher_code = code if isinstance(code, str) and code.isalnum() and \
            not new_code else secrets.token_hex(4)
        assignment = values.get("assignment")
        self.assignment = assignment if isinstance(assignment, dict) else None
        self._save()

    def assign(self, assignment: dict | None) -> None:
        """Sets the module and length the class is asked to play (None: none)."""
        with self._lock:
            self.assignment = assignment
            self._save()

    def _save(self) -> None:
        self.path.parent.mkdir(parents=True, exist_ok=True)
        new = self.path.with_name(self.path.name + ".new")
        new.write_text(json.dumps({"teacher_code": self.teacher_code,
                                   "assignment": self.assignment}, ensure_ascii=False),
                       encoding="utf-8")
        new.chmod(0o600)
        os.replace(new, self.path)
