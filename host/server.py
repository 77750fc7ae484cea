"""The web host: the pupils' page and the teacher's in static/, and the JSON
calls they make.

    GET  /api/modules                       the modules built, by group
    POST /api/sessions                      {"module", "length", "pupil"[, "previous"]}
    POST /api/sessions/ID/next              put the next question
    POST /api/sessions/ID/answer            {"number", "place"}: judge it
    GET  /api/sessions/ID/module            the module's countdown and error
    GET  /api/sessions/ID/pictures/N        question N's picture (JPEG)
    GET  /api/sessions/ID/sounds/N          question N's sound (WAVE)
    GET  /api/sessions/ID/summary           score, time, questions missed
    GET  /enseignant                        the teacher's page, and its calls:
    GET  /api/teacher/class                 this run's results per pupil and module
    GET  /api/teacher/resultats.csv         the results file

The teacher's page and calls answer the host machine, or a device that
gives the code the host printed at start (?code=, or the X-Teacher-Code
header).

A request the host cannot take is answered with {"error": "..."} in French
and a 4xx status; a module that fails is no such error: its question says so
and the session goes on (the module's error line goes to the host's console).
The host is meant for a class on a shared network: posts are JSON from the
page's own origin, bodies are small, the Host header must name this machine,
idle connections are closed and every reply forbids framing and sniffing.
"""

import hmac
import ipaddress
import json
import re
import socket
import subprocess
import sys
import threading
import time
import traceback
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

from host.modules import SoundError, catalogue
from host.session import MAX_LENGTH, PUPIL_NAME, Question, Session, SessionError, SessionLimit
from host.sound import SoundLibrary

STATIC_DIR = Path(__file__).resolve().parent / "static"
CONTENT_TYPES = {".html": "text/html; charset=utf-8", ".css": "text/css; charset=utf-8",
                 ".js": "text/javascript; charset=utf-8"}
MAX_BODY = 4096
IDLE_TIMEOUT = 20.0   # seconds a connection may take to send its request
MAX_CONNECTIONS = 256  # at once; beyond, new ones are closed unanswered
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


def class_view(rows: list[dict[str, str]], bin_dir: Path) -> dict:
    """This run's results per pupil and per module, as the teacher's page shows them."""
    titles = {info.file.name: info.title for info in catalogue(bin_dir)}
    pupils: dict[str, dict] = {}
    modules: dict[str, dict] = {}
    for row in rows:
        right = row["juste"] == "oui"
        title = titles.get(row["module"], row["module"])
        pupil = pupils.setdefault(row["élève"], {"name": row["élève"], "answered": 0,
                                                 "right": 0, "modules": {}})
        module = modules.setdefault(title, {"module": title, "answered": 0, "right": 0})
        per_module = pupil["modules"].setdefault(title, {"answered": 0, "right": 0})
        for tally in (pupil, module, per_module):
            tally["answered"] += 1
            tally["right"] += right
    return {"pupils": sorted(pupils.values(), key=lambda pupil: pupil["name"].casefold()),
            "modules": sorted(modules.values(), key=lambda module: module["module"]),
            "answers": len(rows)}


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
        ("POST", r"/api/sessions/([\w-]+)/next", "next_question"),
        ("POST", r"/api/sessions/([\w-]+)/answer", "answer"),
        ("GET", r"/api/sessions/([\w-]+)/module", "module_state"),
        ("GET", r"/api/sessions/([\w-]+)/pictures/(\d{1,3})", "picture"),
        ("GET", r"/api/sessions/([\w-]+)/sounds/(\d{1,3})", "sound"),
        ("GET", r"/api/sessions/([\w-]+)/summary", "summary"),
        ("GET", r"/api/teacher/class", "teacher_class"),
        ("GET", r"/api/teacher/resultats\.csv", "teacher_csv"),
    ]

    def setup(self):
        self.timeout = self.server.idle_timeout  # applied to the socket by setup()
        super().setup()

    def do_GET(self):  # noqa: N802 (the name http.server calls)
        self._route("GET")

    def do_POST(self):  # noqa: N802
        self._route("POST")

    def _route(self, method: str) -> None:
        path, _, self.query = self.path.partition("?")
        try:
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
        except (ValueError, UnicodeError) as error:
            self._send_error(HTTPStatus.BAD_REQUEST, str(error))
        except Forbidden as error:
            self._send_error(HTTPStatus.FORBIDDEN, str(error))
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
        self._require_teacher("La page de l’enseignant s’ouvre sur l’ordinateur du serveur, "
                              "ou avec le code affiché à son démarrage (…/enseignant?code=…).")
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
                         "max_length": MAX_LENGTH})

    def start_session(self) -> None:
        body = self._read_json()
        module = body.get("module")
        if not isinstance(module, str) or not re.fullmatch(r"\w{1,40}", module):
            raise BadRequest("Choisissez un module.")
        previous = body.get("previous")
        session = self.server.sessions.start(
            module, whole_number(body, "length", 1, MAX_LENGTH, "Le nombre de questions"),
            pupil_name(body), self.client_address[0],
            previous if isinstance(previous, str) else None)
        self._send_json({"id": session.id, "module": session.module.title,
                         "length": session.length, "seconds": session.module.seconds},
                        HTTPStatus.CREATED)

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
        view = class_view(list(self.server.sessions.results.rows), self.server.bin_dir)
        self._send_json(view | {"since": self.server.started_at,
                                "live_sessions": self.server.sessions.live_count()})

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
        if not declared.isdigit():
            raise BadRequest("La longueur de la requête est invalide.")
        length = int(declared)
        if length > MAX_BODY:
            raise BadRequest(f"La requête est trop longue ({MAX_BODY} octets au plus).",
                             HTTPStatus.REQUEST_ENTITY_TOO_LARGE)
        try:
            data = self.rfile.read(length)
        except TimeoutError:
            data = b""
        if len(data) != length:
            raise BadRequest("La requête est incomplète.")
        try:
            body = json.loads(data or b"{}")
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
        status = HTTPStatus(code)
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
                 teacher_code: str, idle_timeout: float = IDLE_TIMEOUT,
                 max_connections: int = MAX_CONNECTIONS):
        if ":" in address:
            self.address_family = socket.AF_INET6
        self.sessions = sessions
        self.bin_dir = sessions.bin_dir
        self.sounds = sounds
        self.teacher_code = teacher_code
        self.idle_timeout = idle_timeout
        self.started_at = time.strftime("%H:%M")
        self._connections = threading.BoundedSemaphore(max_connections)
        self._own_addresses = machine_addresses()
        self._names = {"localhost", socket.gethostname().lower(),
                       socket.gethostname().lower() + ".local"}
        super().__init__((address, port), QuizRequestHandler)

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
        if not self._connections.acquire(blocking=False):
            self.shutdown_request(request)
            return
        super().process_request(request, client_address)

    def process_request_thread(self, request, client_address):
        try:
            super().process_request_thread(request, client_address)
        finally:
            self._connections.release()

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
