"""HTTP/1.1 over a Unix stream socket: one request per connection, JSON in and out.

Each connection gets its own thread, so "/status" and "/progress" answer while a "/prepare",
"/convert" or "/tts" is still open on another connection.
"""

from __future__ import annotations

import json
import logging
import socketserver
import time
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler
from urllib.parse import urlsplit

from .errors import EngineError
from .service import INTERNAL_ERROR, EngineService

log = logging.getLogger(__name__)

MAX_BODY_BYTES = 1 << 20

# path -> (method, handler name on EngineService, takes a JSON body)
ROUTES = {
    "/health": ("GET", "health", False),
    "/status": ("GET", "model_status", False),
    "/progress": ("GET", "job_progress", False),
    "/prepare": ("POST", "prepare", False),
    "/convert": ("POST", "convert", True),
    "/tts": ("POST", "tts", True),
}


class EngineRequestHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ChoraleEngine/1"
    timeout = 60  # for reading a request; answers may take as long as the job needs

    server: "EngineHTTPServer"

    def address_string(self) -> str:
        # A Unix-socket peer has no address ('' from accept); the base class would index it.
        return "local"

    def log_message(self, format: str, *args) -> None:
        log.info("%s", format % args)

    def log_request(self, code="-", size="-") -> None:
        # Logged once the answer is out, with its duration (see _answer).
        pass

    def do_GET(self) -> None:
        self._dispatch("GET")

    def do_POST(self) -> None:
        self._dispatch("POST")

    def do_PUT(self) -> None:
        self._dispatch("PUT")

    def do_DELETE(self) -> None:
        self._dispatch("DELETE")

    def _dispatch(self, method: str) -> None:
        started = time.monotonic()
        path = urlsplit(self.path).path
        route = ROUTES.get(path)
        try:
            body = self._read_body()
            if route is None:
                raise EngineError(f"There is no endpoint {path}.", HTTPStatus.NOT_FOUND)
            expected, name, wants_body = route
            if method != expected:
                raise EngineError(
                    f"{path} answers {expected} requests, not {method}.",
                    HTTPStatus.METHOD_NOT_ALLOWED,
                )
            handler = getattr(self.server.service, name)
            if wants_body:
                result = handler(self._json_object(body))
            else:
                result = handler()
            self._answer(HTTPStatus.OK, result, started)
        except EngineError as exc:
            self._answer(exc.status, {"detail": exc.detail}, started)
        except (TimeoutError, ConnectionError) as exc:
            # The client stopped sending its request; nobody is left to answer.
            log.info("%s %s: connection lost (%s)", method, path, exc)
            self.close_connection = True
        except Exception:
            log.exception("%s %s failed", method, path)
            self._answer(HTTPStatus.INTERNAL_SERVER_ERROR, {"detail": INTERNAL_ERROR}, started)

    def _read_body(self) -> bytes:
        if self.headers.get("Transfer-Encoding"):
            raise EngineError(
                "Send the request body with a Content-Length; chunked bodies are not accepted.",
                HTTPStatus.LENGTH_REQUIRED,
            )
        length_text = self.headers.get("Content-Length")
        if length_text is None:
            return b""
        try:
            length = int(length_text)
            if length < 0:
                raise ValueError
        except ValueError:
            raise EngineError("The Content-Length header is not a valid length.", 400)
        if length > MAX_BODY_BYTES:
            raise EngineError("The request body is too large.", HTTPStatus.REQUEST_ENTITY_TOO_LARGE)
        body = self.rfile.read(length)
        if len(body) < length:
            raise EngineError("The request body ended early.", 400)
        return body

    @staticmethod
    def _json_object(body: bytes) -> dict:
        if not body.strip():
            raise EngineError("The request needs a JSON object body.", 400)
        try:
            value = json.loads(body.decode("utf-8"))
        except (UnicodeDecodeError, json.JSONDecodeError) as exc:
            raise EngineError(f"The request body is not valid JSON ({exc}).", 400)
        if not isinstance(value, dict):
            raise EngineError("The request body must be a JSON object.", 400)
        return value

    def _answer(self, status: int, payload: dict, started: float | None = None) -> None:
        data = json.dumps(payload, ensure_ascii=False).encode("utf-8")
        self.close_connection = True
        try:
            self.send_response(int(status))
            self.send_header("Content-Type", "application/json; charset=utf-8")
            self.send_header("Content-Length", str(len(data)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(data)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            log.info("client left before the answer to %s %s", self.command, self._path())
            return
        if started is not None and not (self._path() in ("/status", "/progress") and status == 200):
            # Polls are too frequent to log one by one.
            elapsed = time.monotonic() - started
            log.info("%s %s -> %d (%.2f s)", self.command, self._path(), int(status), elapsed)
        if int(status) >= 400:
            log.info("  detail: %s", payload.get("detail"))

    def _path(self) -> str:
        return urlsplit(getattr(self, "path", "") or "").path

    def send_error(self, code: int, message: str | None = None, explain: str | None = None):
        # Malformed requests (bad request line, unsupported method): JSON like every answer.
        detail = message or HTTPStatus(code).phrase
        self._answer(code, {"detail": detail})


class EngineHTTPServer(socketserver.ThreadingUnixStreamServer):
    daemon_threads = True
    block_on_close = False

    def __init__(self, path: str, service: EngineService):
        self.service = service
        super().__init__(path, EngineRequestHandler)

    def handle_error(self, request, client_address) -> None:
        log.exception("connection failed")
