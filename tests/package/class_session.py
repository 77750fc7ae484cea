"""Run inside the fresh tree as the pupil's user, against an installed
`qz serve` at the address given: the pupils' page, the teacher's and its QR
code are served (the host's own machine needs no code), and a one-question
session of oeuvres is started, put and answered, its answer kept in the
results file given. Prints what failed and exits non-zero."""

import json
import sys
import time
import urllib.request
from pathlib import Path


def call(base: str, method: str, path: str, body: dict | None = None):
    request = urllib.request.Request(base + path, method=method,
                                     data=json.dumps(body).encode() if body is not None else None,
                                     headers={"Content-Type": "application/json"})
    with urllib.request.urlopen(request, timeout=20) as response:
        data = response.read()
        return json.loads(data) if response.headers.get_content_type() == "application/json" \
            else data.decode()


def main() -> None:
    base, results = sys.argv[1].rstrip("/"), Path(sys.argv[2])
    for path, mark in (("/", "<html"), ("/enseignant", "<html"), ("/api/teacher/qr.svg", "<svg")):
        text = call(base, "GET", path)
        assert mark in text.lower(), f"{path} is not what it should be: {text[:200]!r}"
    session = call(base, "POST", "/api/sessions",
                   {"module": "oeuvres", "length": 1, "pupil": "Élève Test"})
    question = call(base, "POST", f"/api/sessions/{session['id']}/next")
    assert question.get("answers"), f"no answers in {question}"
    call(base, "POST", f"/api/sessions/{session['id']}/answer",
         {"number": question["number"], "place": 1})
    for _ in range(50):
        if results.is_file() and "Élève Test" in results.read_text(encoding="utf-8-sig"):
            return
        time.sleep(0.1)
    sys.exit(f"class_session: the answer is not in {results}")


if __name__ == "__main__":
    main()
