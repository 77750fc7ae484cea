"""The web host: the pupils' page and the teacher's in static/, and the JSON
calls they make.

    GET  /api/modules                       the modules built, by group, and the
                                            class's assignment
    POST /api/sessions                      {"module", "length", "pupil"[, "previous"]
                                            [, "browser"]}: a new session; the earlier
                                            ones of the same browser are closed
    GET  /api/sessions/ID                   what a page reloaded needs to resume it:
                                            module, length, score, the question asked
    POST /api/sessions/ID/next              put the next question
    POST /api/sessions/ID/answer            {"number", "place"}: judge it
    GET  /api/sessions/ID/module            the module's countdown and error
    GET  /api/sessions/ID/pictures/N        question N's picture (JPEG)
    GET  /api/sessions/ID/sounds/N          question N's sound (WAVE)
    GET  /api/sessions/ID/summary           score, time, questions missed
    GET  /enseignant                        the teacher's page, and its calls:
    GET  /api/teacher/class[?day=YYYY-MM-DD] a day's results (today's by default) per
                                            pupil and module, what was missed most
    GET  /api/teacher/resultats.csv         the results file
    GET  /api/teacher/pictures/MODULE/NAME  a picture of a module (JPEG)
    GET  /api/teacher/qr.svg                the pupils' address as a QR code
    POST /api/teacher/assignment            {"module", "length"}: what the class plays;
                                            {"module": null} for nothing

The teacher's page and calls answer the host machine, or a device that
gives the code the host printed at start (?code=, or the X-Teacher-Code
header); the code is kept across restarts.

A request the host cannot take is answered with {"error": "..."} in French
and a 4xx status, with "gone": true when the session no longer exists (the
page then offers a new one); a module that fails is no such error: its
question says so and the session goes on (the module's error line goes to
the host's console). The host is meant for a class on a shared network:
posts are JSON from the page's own origin, bodies are small and shallow, the
Host header must name this machine, a request must arrive whole within the
time limit, one address holds a share of the connections only, and every
reply forbids framing and sniffing.
"""

import hmac
import html
import ipaddress
import json
import re
import socket
import subprocess
import sys
import threading
import time
import traceback
from collections import Counter
from datetime import date
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

from host.modules import ModuleInfo, PictureError, SoundError, catalogue, extract_picture
from host.results import ResultsLog
from host.session import (MAX_LENGTH, PUPIL_NAME, Question, Session, SessionError, SessionGone,
                          SessionLimit)
from host.sound import SoundLibrary
from host.state import HostState

try:
    import qrcode
    import qrcode.image.svg
except ImportError:  # scripts/install-deps installs it; the page does without
    qrcode = None

STATIC_DIR = Path(__file__).resolve().parent / "static"
CONTENT_TYPES = {".html": "text/html; charset=utf-8", ".css": "text/css; charset=utf-8",
                 ".js": "text/javascript; charset=utf-8"}
MAX_BODY = 4096
MAX_NESTING = 8       # the pages send flat objects
IDLE_TIMEOUT = 20.0   # seconds a connection may take to send its whole request
MAX_CONNECTIONS = 256  # at once; beyond, new ones are closed unanswered
# At once from one address: a class behind one router stays well within it,
# one device cannot hold every connection.
MAX_CONNECTIONS_PER_ADDRESS = 64
MISSED_SHOWN = 5      # per module on the teacher's page
LISTEN_QUEUE = 128    # a class starting at once
SECURITY_HEADERS = {
    "X-Content-Type-Options": "nosniff",
    "X-Frame-Options": "DENY",
    "Referrer-Policy": "no-referrer",
    "Content-Security-Policy": "default-src 'self'; img-src 'self' data:; "
                               "media-src 'self' blob:; object-src 'none'; base-uri 'none'; "
                               "form-action 'self'; frame-ancestors 'none'",
}
STATUS_MESSAGES = {
    HTTPStatus.BAD_REQUEST: "La requête est mal formée.",
    HTTPStatus.NOT_FOUND: "Cette page n’existe pas.",
    HTTPStatus.NOT_IMPLEMENTED: "Le serveur ne connaît pas cette méthode.",
    HTTPStatus.REQUEST_URI_TOO_LONG: "L’adresse demandée est trop longue.",
    HTTPStatus.REQUEST_HEADER_FIELDS_TOO_LARGE: "Les en-têtes de la requête sont trop longs.",
    HTTPStatus.HTTP_VERSION_NOT_SUPPORTED: "Cette version de HTTP n’est pas prise en charge.",
    HTTPStatus.REQUEST_TIMEOUT: "La requête a pris trop de temps.",
}
MODULE_FAILED = "Le module n’a pas pu poser cette question."


def typeset(text: str) -> str:
    """French spacing: a narrow no-break space before : ; ? ! and », a
    no-break space after «, so that none of them starts a line."""
    text = re.sub(r" ([:;?!»])", "\u202f\\1", text)
    return text.replace("« ", "«\u00a0").replace("\u202f»", "\u00a0»")


class BadRequest(ValueError):
    def __init__(self, message: str, status: HTTPStatus = HTTPStatus.BAD_REQUEST):
        super().__init__(message)
        self.status = status


class Forbidden(PermissionError):
    pass


class NotFound(LookupError):
    pass


def question_view(session: Session, question: Question) -> dict:
    view = {"number": question.number, "length": session.length, "score": session.score(),
            "error": MODULE_FAILED if question.error else None}
    if question.record:
        running, remaining, _ = session.module_state()
        view |= {
            "question": question.record["question"],
            "answers": question.answers,
            "picture": media_url(session, question, "pictures", question.picture),
            "picture_error": "L’image de cette question manque." if question.picture_error
            else None,
            "sound": media_url(session, question, "sounds", question.sound),
            # When the module plays it: the page plays it then too.
            "sound_in": max(0.0, question.module_started + session.module.sound_at -
                            time.monotonic()),
            "running": running,
            "remaining": remaining,
        }
    return view


def media_url(session: Session, question: Question, kind: str, present) -> str | None:
    return f"/api/sessions/{session.id}/{kind}/{question.number}" if present else None


def summary_view(session: Session) -> dict:
    answered = [question for question in session.questions if question.chosen]
    last = max((question.shown_at + question.seconds for question in answered),
               default=session.started)
    return {
        "module": session.module.title,
        "length": session.length,
        "answered": len(answered),
        "right": session.score(),
        "seconds": round(last - session.started, 1),
        "missed": [{"number": question.number, "question": question.record["question"],
                    "picture": media_url(session, question, "pictures", question.picture),
                    "sound": media_url(session, question, "sounds", question.sound),
                    "chosen": question.answers[question.chosen - 1],
                    "right": question.right_answer}
                   for question in answered if not question.correct],
        "failed": [question.number for question in session.questions if question.error],
    }


def resume_view(session: Session) -> dict:
    """What a page reloaded needs to go on with its session: the question
    still waiting for its answer, if any; else it asks for the next one, or
    shows the result once the session is finished."""
    last = session.questions[-1] if session.questions else None
    return {"id": session.id, "module": session.module.title, "name": session.module.name,
            "length": session.length, "seconds": session.module.seconds,
            "pupil": session.pupil, "score": session.score(), "finished": session.finished,
            "question": question_view(session, last) if last and last.pending else None}


def staff_place(identifies: str) -> str | None:
    """Where a note module's picture ("17_Mi") puts its note on the staff.
    Positions count from the clef's lowest; the staff's bottom line is 10 in
    both clefs."""
    match = re.fullmatch(r"(\d{1,2})_\w+", identifies)
    if not match:
        return None
    step = int(match[1]) - 10  # even on a line, odd in a space

    def ordinal(number: int) -> str:
        return "1re" if number == 1 else f"{number}e"

    if 0 <= step <= 8:
        return f"{ordinal(step // 2 + 1)} ligne" if step % 2 == 0 else \
            f"{ordinal(step // 2 + 1)} interligne"
    if step == -1:
        return "sous la portée"
    if step == 9:
        return "au-dessus de la portée"
    if step < 0:
        ledger = -step // 2
        return f"{ordinal(ledger)} ligne supplémentaire en dessous" if step % 2 == 0 else \
            f"sous la {ordinal(ledger)} ligne supplémentaire"
    ledger = (step - 8) // 2
    return f"{ordinal(ledger)} ligne supplémentaire au-dessus" if step % 2 == 0 else \
        f"au-dessus de la {ordinal(ledger)} ligne supplémentaire"


def class_view(results: ResultsLog, modules: list[ModuleInfo], day: str | None = None) -> dict:
    """One day's results per pupil and per module (today's by default), and
    for each module the questions missed most, as the teacher's page shows
    them. Rows of older hosts name their module by its file."""
    known = {info.title: info for info in modules} | {info.file.name: info for info in modules}
    day = day or date.today().isoformat()
    rows = results.rows(day)
    pupils: dict[str, dict] = {}
    by_module: dict[str, dict] = {}
    asked: dict[str, Counter] = {}
    missed: dict[str, Counter] = {}
    for row in rows:
        right = row["juste"] == "oui"
        info = known.get(row["module"])
        title = info.title if info else row["module"]
        pupil = pupils.setdefault(row["élève"], {"name": row["élève"], "answered": 0,
                                                 "right": 0, "modules": {}})
        module = by_module.setdefault(title, {
            "module": title, "name": info.name if info else None,
            "kind": info.kind if info else "", "answered": 0, "right": 0})
        per_module = pupil["modules"].setdefault(title, {"answered": 0, "right": 0})
        for tally in (pupil, module, per_module):
            tally["answered"] += 1
            tally["right"] += right
        key = (row["question"], row["repère"], row["bonne réponse"])
        asked.setdefault(title, Counter())[key] += 1
        if not right:
            missed.setdefault(title, Counter())[key] += 1
    for title, module in by_module.items():
        module["missed"] = [
            {"question": question, "right_answer": answer, "wrong": wrong,
             "asked": asked[title][(question, identifies, answer)],
             "place": staff_place(identifies) if module["kind"] == "notes" else None,
             "picture": f"/api/teacher/pictures/{module['name']}/{identifies}"
             if module["name"] and module["kind"] in ("notes", "portraits", "instruments")
             and re.fullmatch(r"[\w.-]{1,40}", identifies, re.ASCII) else None}
            for (question, identifies, answer), wrong
            in missed.get(title, Counter()).most_common(MISSED_SHOWN)]
    order = {info.title: index for index, info in enumerate(modules)}
    return {"day": day, "days": results.days(), "answers": len(rows),
            "pupils": list(pupils.values()),
            "modules": sorted(by_module.values(),
                              key=lambda module: (order.get(module["module"], len(order)),
                                                  module["module"]))}


def json_nesting(text: str) -> int:
    """How deep the arrays and objects of a JSON text go, read before
    parsing it: the parser recurses."""
    depth = deepest = 0
    in_string = escaped = False
    for char in text:
        if in_string:
            if escaped:
                escaped = False
            elif char == "\\":
                escaped = True
            elif char == '"':
                in_string = False
        elif char == '"':
            in_string = True
        elif char in "[{":
            depth += 1
            deepest = max(deepest, depth)
        elif char in "]}":
            depth -= 1
    return deepest


def french_page(title: str, message: str) -> bytes:
    """A page for a browser that opened an address it may not open."""
    return (f'<!doctype html>\n<html lang="fr">\n<head><meta charset="utf-8">'
            f'<meta name="viewport" content="width=device-width, initial-scale=1">'
            f'<title>{html.escape(title)}</title><link rel="icon" href="data:,">'
            f'<link rel="stylesheet" href="/static/style.css"></head>\n'
            f'<body><main><h1>{html.escape(title)}</h1>\n<p class="lead">'
            f'{html.escape(typeset(message))}</p>\n'
            f'<p><a href="/">Aller au quiz</a></p></main></body>\n</html>\n').encode()


def whole_number(body: dict, key: str, low: int, high: int, what: str) -> int:
    value = body.get(key)
    if isinstance(value, bool) or not isinstance(value, int) or not low <= value <= high:
        raise BadRequest(f"{what} doit être un nombre entier de {low} à {high}.")
    return value


def pupil_name(body: dict) -> str:
    name = " ".join(str(body.get("pupil") or "").split())
    if not PUPIL_NAME.fullmatch(name):
        raise BadRequest("Écrivez votre prénom : il commence par une lettre et compte au plus "
                         "40 lettres, chiffres, espaces, tirets ou apostrophes.")
    return name


class QuizRequestHandler(BaseHTTPRequestHandler):
    server_version = "qz"
    sys_version = ""
    server: "QuizServer"

    ROUTES = [
        ("GET", r"/", "page"),
        ("GET", r"/enseignant", "teacher_page"),
        ("GET", r"/static/([\w-]+\.(?:html|css|js))", "static_file"),
        ("GET", r"/api/modules", "modules"),
        ("POST", r"/api/sessions", "start_session"),
        ("GET", r"/api/sessions/([\w-]+)", "resume"),
        ("POST", r"/api/sessions/([\w-]+)/next", "next_question"),
        ("POST", r"/api/sessions/([\w-]+)/answer", "answer"),
        ("GET", r"/api/sessions/([\w-]+)/module", "module_state"),
        ("GET", r"/api/sessions/([\w-]+)/pictures/(\d{1,3})", "picture"),
        ("GET", r"/api/sessions/([\w-]+)/sounds/(\d{1,3})", "sound"),
        ("GET", r"/api/sessions/([\w-]+)/summary", "summary"),
        ("GET", r"/api/teacher/class", "teacher_class"),
        ("GET", r"/api/teacher/resultats\.csv", "teacher_csv"),
        ("GET", r"/api/teacher/pictures/(\w{1,40})/([\w.-]{1,40})", "teacher_picture"),
        ("GET", r"/api/teacher/qr\.svg", "teacher_qr"),
        ("POST", r"/api/teacher/assignment", "teacher_assignment"),
    ]

    def setup(self):
        self.timeout = self.server.idle_timeout  # applied to the socket by setup()
        super().setup()
        # The whole request within the time limit, however slowly it comes.
        self.server.watch(self.connection)

    def finish(self):
        self.server.forget(self.connection)
        super().finish()

    def do_GET(self):  # noqa: N802 (the name http.server calls)
        self._route("GET")

    def do_POST(self):  # noqa: N802
        self._route("POST")

    def _route(self, method: str) -> None:
        path, _, self.query = self.path.partition("?")
        try:
            if method == "GET" and not self.server.forget(self.connection):
                raise BadRequest("La requête a pris trop de temps.", HTTPStatus.REQUEST_TIMEOUT)
            self._check_host()
            if method == "POST":
                self._check_post()
            for route_method, pattern, name in self.ROUTES:
                if route_method == method and (match := re.fullmatch(pattern, path)):
                    getattr(self, name)(*match.groups())
                    return
            raise NotFound("Cette page n’existe pas.")
        except BadRequest as error:
            self._send_error(error.status, str(error))
        except (ValueError, UnicodeError):
            self._send_error(HTTPStatus.BAD_REQUEST, STATUS_MESSAGES[HTTPStatus.BAD_REQUEST])
        except Forbidden as error:
            self._send_error(HTTPStatus.FORBIDDEN, str(error))
        except SessionGone as error:
            self._send_json({"error": str(error), "gone": True}, HTTPStatus.NOT_FOUND)
        except LookupError as error:
            self._send_error(HTTPStatus.NOT_FOUND, error.args[0])
        except SessionLimit as error:
            self._send_error(HTTPStatus.TOO_MANY_REQUESTS, str(error))
        except SessionError as error:
            self._send_error(HTTPStatus.CONFLICT, str(error))
        except (BrokenPipeError, ConnectionResetError, TimeoutError):
            self.close_connection = True
        except Exception:  # pylint: disable=broad-except
            traceback.print_exc()
            self._send_error(HTTPStatus.INTERNAL_SERVER_ERROR,
                             "Le serveur a rencontré une erreur : réessayez.")

    # What every request must show.
    def _check_host(self) -> None:
        """The Host header names this machine: a page of another site that
        had its name point here (DNS rebinding) is refused."""
        match = re.fullmatch(r"(?:\[(?P<literal>[0-9a-fA-F:.]+)\]|(?P<name>[^:\[\]/]+))"
                             r"(?::(?P<port>\d{1,5}))?", self.headers.get("Host", ""))
        if not match or int(match["port"] or 80) != self.server.server_address[1] or \
                not self.server.is_own_name(match["literal"] or match["name"]):
            raise BadRequest("Le serveur ne répond qu’à sa propre adresse.",
                             HTTPStatus.MISDIRECTED_REQUEST)

    def _check_post(self) -> None:
        """Posts are JSON sent by the page itself: a page of another site can
        neither send JSON without asking first nor hide its origin."""
        media_type = self.headers.get("Content-Type", "").split(";")[0].strip().lower()
        if media_type != "application/json":
            raise BadRequest("Le serveur n’accepte que du JSON.",
                             HTTPStatus.UNSUPPORTED_MEDIA_TYPE)
        origin = self.headers.get("Origin")
        site = self.headers.get("Sec-Fetch-Site", "same-origin")
        if (origin is not None and origin != f"http://{self.headers['Host']}") or \
                site not in ("same-origin", "none"):
            raise Forbidden("Seule la page du quiz peut envoyer des réponses.")

    def _require_teacher(self, refusal: str = "Code de l’enseignant manquant ou faux.") -> None:
        """Lets the host machine in, or a device that gives the code."""
        code = self.headers.get("X-Teacher-Code") or \
            next(iter(re.findall(r"(?:^|&)code=([\w-]*)", self.query)), "")
        if self.server.is_local_client(self.client_address[0]) or \
                (code and hmac.compare_digest(code, self.server.teacher_code)):
            return
        if code:
            time.sleep(0.5)  # guessing the code takes a long while
        raise Forbidden(refusal)

    # The pages and their assets.
    def page(self) -> None:
        self.static_file("index.html")

    def teacher_page(self) -> None:
        try:
            self._require_teacher("La page de l’enseignant s’ouvre sur l’ordinateur du "
                                  "serveur, ou avec le code affiché à son démarrage "
                                  "(…/enseignant?code=…).")
        except Forbidden as error:
            self._send(french_page("La page de l’enseignant", str(error)),
                       CONTENT_TYPES[".html"], "no-store", HTTPStatus.FORBIDDEN)
            return
        self.static_file("teacher.html")

    def static_file(self, name: str) -> None:
        file = STATIC_DIR / name
        if not file.is_file():
            raise NotFound("Cette page n’existe pas.")
        self._send(file.read_bytes(), CONTENT_TYPES[file.suffix], "no-cache")

    # The pupils' calls.
    def modules(self) -> None:
        groups: dict[str, list] = {}
        for module in catalogue(self.server.bin_dir):
            groups.setdefault(module.group, []).append(
                {"name": module.name, "label": module.label, "title": module.title})
        self._send_json({"groups": [{"title": title, "modules": modules}
                                    for title, modules in groups.items()],
                         "max_length": MAX_LENGTH, "assignment": self._assignment()})

    def _assignment(self) -> dict | None:
        """The class's assignment, while its module is built."""
        assignment = self.server.state.assignment or {}
        length = assignment.get("length")
        if isinstance(length, bool) or not isinstance(length, int) or \
                not 1 <= length <= MAX_LENGTH:
            return None
        for module in catalogue(self.server.bin_dir):
            if module.name == assignment.get("name"):
                return {"name": module.name, "title": module.title, "length": length}
        return None

    def start_session(self) -> None:
        body = self._read_json()
        module = body.get("module")
        if not isinstance(module, str) or not re.fullmatch(r"\w{1,40}", module):
            raise BadRequest("Choisissez un module.")
        previous, browser = body.get("previous"), body.get("browser")
        session = self.server.sessions.start(
            module, whole_number(body, "length", 1, MAX_LENGTH, "Le nombre de questions"),
            pupil_name(body), self.client_address[0],
            previous if isinstance(previous, str) else None,
            browser if isinstance(browser, str) else None)
        self._send_json({"id": session.id, "module": session.module.title,
                         "length": session.length, "seconds": session.module.seconds},
                        HTTPStatus.CREATED)

    def resume(self, session_id: str) -> None:
        self._send_json(resume_view(self.server.sessions.get(session_id)))

    def next_question(self, session_id: str) -> None:
        session = self.server.sessions.get(session_id)
        question = session.next_question()
        if question.error:
            self.log_module_error(session, question.error)
        self._send_json(question_view(session, question))

    def answer(self, session_id: str) -> None:
        session = self.server.sessions.get(session_id)
        body = self._read_json()
        question = session.answer(
            whole_number(body, "number", 1, session.length, "Le numéro de la question"),
            whole_number(body, "place", 1, 4, "La réponse"))
        self._send_json({"correct": question.correct, "right": question.right_place,
                         "right_answer": question.right_answer, "score": session.score(),
                         "finished": session.finished})

    def module_state(self, session_id: str) -> None:
        session = self.server.sessions.get(session_id)
        running, remaining, error = session.module_state()
        if error:
            self.log_module_error(session, error)
        self._send_json({"running": running, "remaining": remaining,
                         "error": "Le module s’est arrêté en erreur." if error else None})

    def picture(self, session_id: str, number: str) -> None:
        question = self._question(session_id, number)
        if not question.picture:
            raise NotFound(f"La question {number} n’a pas d’image.")
        self._send(question.picture, "image/jpeg", "private, max-age=3600")

    def sound(self, session_id: str, number: str) -> None:
        question = self._question(session_id, number)
        if not question.sound:
            raise NotFound(f"La question {number} n’a pas de son.")
        try:
            wave = self.server.sounds.file(question.record["module"], question.sound)
        except SoundError as error:
            print(f"qz: the sound {question.sound} cannot be made: {error}", file=sys.stderr)
            raise NotFound(f"Le son de la question {number} manque.") from error
        self._send(wave.read_bytes(), "audio/wav", "private, max-age=3600")

    def summary(self, session_id: str) -> None:
        self._send_json(summary_view(self.server.sessions.get(session_id)))

    def _question(self, session_id: str, number: str) -> Question:
        session = self.server.sessions.get(session_id)
        index = int(number) - 1
        if not 0 <= index < len(session.questions) or not session.questions[index].record:
            raise NotFound(f"La question {number} n’existe pas.")
        return session.questions[index]

    # The teacher's calls.
    def teacher_class(self) -> None:
        self._require_teacher()
        day = next(iter(re.findall(r"(?:^|&)day=(\d{4}-\d\d-\d\d)(?:&|$)", self.query)), None)
        view = class_view(self.server.sessions.results, catalogue(self.server.bin_dir), day)
        self._send_json(view | {"live_sessions": self.server.sessions.live_count(),
                                "join": self.server.join_url,
                                "assignment": self._assignment(),
                                "modules_built": [{"name": module.name, "title": module.title}
                                                  for module in catalogue(self.server.bin_dir)],
                                "max_length": MAX_LENGTH})

    def teacher_picture(self, module_name: str, name: str) -> None:
        self._require_teacher()
        module = next((module for module in catalogue(self.server.bin_dir)
                       if module.name == module_name), None)
        if module is None:
            raise NotFound(f"Il n’y a pas de module « {module_name} ».")
        try:
            picture = self.server.picture(module, name)
        except PictureError as error:
            raise NotFound(f"L’image « {name} » manque.") from error
        self._send(picture, "image/jpeg", "private, max-age=3600")

    def teacher_qr(self) -> None:
        self._require_teacher()
        if qrcode is None:
            raise NotFound("Le QR code ne peut pas être fait sur ce serveur.")
        image = qrcode.make(self.server.join_url, image_factory=qrcode.image.svg.SvgFillImage,
                            border=2)
        self._send(image.to_string(), "image/svg+xml", "no-store")

    def teacher_assignment(self) -> None:
        self._require_teacher()
        body = self._read_json()
        module = body.get("module")
        if module is None:
            self.server.state.assign(None)
        elif not any(info.name == module for info in catalogue(self.server.bin_dir)):
            raise BadRequest("Choisissez un module de la liste.")
        else:
            self.server.state.assign({"name": module, "length": whole_number(
                body, "length", 1, MAX_LENGTH, "Le nombre de questions")})
        self._send_json({"assignment": self._assignment()})

    def teacher_csv(self) -> None:
        self._require_teacher()
        data = self.server.sessions.results.path.read_bytes()
        self._send(data, "text/csv; charset=utf-8", "no-store",
                   extra={"Content-Disposition": 'attachment; filename="resultats.csv"'})

    # Reading and writing.
    def _read_json(self) -> dict:
        declared = self.headers.get("Content-Length")
        if declared is None:
            raise BadRequest("La requête n’indique pas sa longueur.", HTTPStatus.LENGTH_REQUIRED)
        if not re.fullmatch(r"[0-9]{1,12}", declared.strip()):
            raise BadRequest("La longueur de la requête est invalide.")
        length = int(declared)
        if length > MAX_BODY:
            raise BadRequest(f"La requête est trop longue ({MAX_BODY} octets au plus).",
                             HTTPStatus.REQUEST_ENTITY_TOO_LARGE)
        try:
            data = self.rfile.read(length)
        except (TimeoutError, OSError):
            data = b""
        if not self.server.forget(self.connection):
            raise BadRequest("La requête a pris trop de temps.", HTTPStatus.REQUEST_TIMEOUT)
        if len(data) != length:
            raise BadRequest("La requête est incomplète.")
        try:
            text = data.decode() or "{}"
            if json_nesting(text) > MAX_NESTING:
                raise BadRequest("La requête JSON est trop imbriquée.")
            body = json.loads(text)
        except (UnicodeDecodeError, json.JSONDecodeError) as error:
            raise BadRequest("La requête n’est pas du JSON valide.") from error
        if not isinstance(body, dict):
            raise BadRequest("La requête doit être un objet JSON.")
        return body

    def log_module_error(self, session: Session, error: str) -> None:
        print(f"qz: {time.strftime('%H:%M:%S')} {session.pupil or '-'}: {error}", file=sys.stderr)

    def _send_error(self, status: HTTPStatus, message: str) -> None:
        self._send_json({"error": message}, status)

    def send_error(self, code, message=None, explain=None):
        """http.server's own refusals (a malformed request line, an unknown
        method), in French and as JSON like the others."""
        self.close_connection = True
        status = HTTPStatus(code) if self.server.forget(self.connection) else \
            HTTPStatus.REQUEST_TIMEOUT  # what it got of a request cut at the time limit
        self._send_json({"error": STATUS_MESSAGES.get(status, "Requête refusée.")}, status)

    def _send_json(self, value: dict, status: HTTPStatus = HTTPStatus.OK) -> None:
        if value.get("error"):
            value["error"] = typeset(value["error"])
        self._send(json.dumps(value, ensure_ascii=False).encode(),
                   "application/json; charset=utf-8", "no-store", status)

    def _send(self, data: bytes, content_type: str, cache: str,
              status: HTTPStatus = HTTPStatus.OK, extra: dict | None = None) -> None:
        self.send_response(status)
        for name, value in {"Content-Type": content_type, "Content-Length": str(len(data)),
                            "Cache-Control": cache, **SECURITY_HEADERS, **(extra or {})}.items():
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    def log_message(self, format, *args):  # pylint: disable=redefined-builtin
        # Each click is a request: only failed requests are worth a line.
        if len(args) > 1 and str(args[1]).startswith(("4", "5")):
            sys.stderr.write(f"qz: {time.strftime('%H:%M:%S')} {format % args}\n")


def machine_addresses() -> list[str]:
    """This machine's IPv4 addresses on its networks, as pupils type them."""
    try:
        listing = subprocess.run(["ip", "-4", "-o", "address", "show", "scope", "global"],
                                 capture_output=True, text=True, check=False).stdout
    except OSError:
        return []
    return re.findall(r"\binet (\d+\.\d+\.\d+\.\d+)/", listing)


class QuizServer(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = LISTEN_QUEUE

    def __init__(self, address: str, port: int, sessions, sounds: SoundLibrary,
                 state: HostState, idle_timeout: float = IDLE_TIMEOUT,
                 max_connections: int = MAX_CONNECTIONS,
                 max_per_address: int = MAX_CONNECTIONS_PER_ADDRESS):
        if ":" in address:
            self.address_family = socket.AF_INET6
        self.sessions = sessions
        self.bin_dir = sessions.bin_dir
        self.sounds = sounds
        self.state = state
        self.idle_timeout = idle_timeout
        self._connections = threading.BoundedSemaphore(max_connections)
        self._max_per_address = max_per_address
        self._per_address: Counter = Counter()
        self._deadlines: dict[socket.socket, float] = {}  # of requests still arriving
        self._expired: set[socket.socket] = set()
        self._watch_lock = threading.Lock()
        self._closing = threading.Event()
        self._pictures: dict[tuple[str, str], bytes] = {}
        self._own_addresses = machine_addresses()
        self._names = {"localhost", socket.gethostname().lower(),
                       socket.gethostname().lower() + ".local"}
        super().__init__((address, port), QuizRequestHandler)
        threading.Thread(target=self._cut_late_requests, daemon=True).start()

    @property
    def teacher_code(self) -> str:
        return self.state.teacher_code

    def watch(self, connection: socket.socket) -> None:
        with self._watch_lock:
            self._deadlines[connection] = time.monotonic() + self.idle_timeout

    def forget(self, connection: socket.socket) -> bool:
        """Ends the watch of a request read whole; False if it came too late."""
        with self._watch_lock:
            self._deadlines.pop(connection, None)
            late = connection in self._expired
            self._expired.discard(connection)
            return not late

    def _cut_late_requests(self) -> None:
        """Stops reading the requests that did not arrive whole in time, so
        that a device sending a byte now and then cannot hold a connection."""
        while not self._closing.wait(min(0.5, self.idle_timeout / 4)):
            now = time.monotonic()
            with self._watch_lock:
                late = [connection for connection, deadline in self._deadlines.items()
                        if deadline < now]
                for connection in late:
                    del self._deadlines[connection]
                    self._expired.add(connection)
            for connection in late:
                try:
                    connection.shutdown(socket.SHUT_RD)
                except OSError:
                    pass

    def server_close(self):
        self._closing.set()
        super().server_close()

    def picture(self, module: ModuleInfo, name: str) -> bytes:
        key = (module.name, name.upper())
        if key not in self._pictures:
            self._pictures[key] = extract_picture(self.sessions.tools_dir, module.file, name)
        return self._pictures[key]

    @property
    def join_url(self) -> str:
        """The address the class's devices open: the machine's on its
        network when the host listens there, else this machine's own."""
        return self.urls[1] if len(self.urls) > 1 else self.urls[0]

    def is_own_name(self, name: str) -> bool:
        """An address literal cannot be made to point elsewhere; a name must
        be one of this machine's."""
        try:
            ipaddress.ip_address(name)
            return True
        except ValueError:
            return name.lower() in self._names

    def is_local_client(self, address: str) -> bool:
        """Whether the request comes from this machine."""
        address = ipaddress.ip_address(address)
        if isinstance(address, ipaddress.IPv6Address) and address.ipv4_mapped:
            address = address.ipv4_mapped
        return address.is_loopback or str(address) in self._own_addresses

    def process_request(self, request, client_address):
        # A cap on connections at once, so that idle or slow ones cannot use
        # up the threads and open files; each closes after IDLE_TIMEOUT.
        # One address holds a share of them only.
        with self._watch_lock:
            crowded = self._per_address[client_address[0]] >= self._max_per_address
            if not crowded:
                self._per_address[client_address[0]] += 1
        if crowded:
            self.shutdown_request(request)
            return
        if not self._connections.acquire(blocking=False):
            self._release_address(client_address[0])
            self.shutdown_request(request)
            return
        super().process_request(request, client_address)

    def process_request_thread(self, request, client_address):
        try:
            super().process_request_thread(request, client_address)
        finally:
            self._connections.release()
            self._release_address(client_address[0])

    def _release_address(self, address: str) -> None:
        with self._watch_lock:
            self._per_address[address] -= 1
            if self._per_address[address] <= 0:
                del self._per_address[address]

    @property
    def urls(self) -> list[str]:
        """The addresses to type in a browser: on this machine first, then,
        when the host listens on all of them, the machine's addresses that
        the class's devices type."""
        address, port = self.server_address[:2]
        addresses = ["127.0.0.1", *self._own_addresses] if address in ("0.0.0.0", "::") \
            else [address]
        return [f"http://[{each}]:{port}/" if ":" in each else f"http://{each}:{port}/"
                for each in addresses]
