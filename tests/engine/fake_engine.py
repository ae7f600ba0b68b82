#!/usr/bin/env python3
"""A scriptable stand-in for the voice engine, for tests of the app's engine client.

    fake_engine.py --unix-socket PATH

Honours the engine's contract (HTTP/1.1 on a Unix socket, one request per connection, JSON
bodies, "/health", "/prepare", "/status", "/progress", "/convert", "/tts") with no models: a
conversion copies the source take to the output, speech copies the reference clip (or writes
half a second of silence). Python 3 standard library only.

Everything else is set through the environment, which the app passes on to the engine:

  FAKE_ENGINE_LOG=FILE        Append one JSON line per event to FILE:
                                {"event": "start", "pid", "argv", "cwd", "env": {the CHORALE_*,
                                 HF_*, TRANSFORMERS_CACHE, PYTHON*, PYTORCH_*, HYDRA_* variables}}
                                {"event": "request", "method", "path", "body": parsed JSON or null}
  FAKE_ENGINE_STARTUP_DELAY=S Wait S seconds before creating the socket.
  FAKE_ENGINE_NO_SOCKET=1     Never create the socket; stay alive until terminated.
  FAKE_ENGINE_EXIT=CODE       Exit with CODE instead of creating the socket (after the delay).

  FAKE_ENGINE_HEALTH, FAKE_ENGINE_STATUS, FAKE_ENGINE_PROGRESS, FAKE_ENGINE_PREPARE,
  FAKE_ENGINE_CONVERT, FAKE_ENGINE_TTS
                              How that endpoint answers: a JSON object (every request gets it)
                              or a JSON array of objects (one per request in turn, the last one
                              repeated). An object is the JSON body to send, plus these
                              optional keys, which are not sent:
                                "_http": 422       status code (default 200)
                                "_delay": 0.5      seconds to wait before answering
                                "_body": "text"    send this text as the body instead of JSON
                                "_chunked": true   send the body with chunked transfer coding
                                "_raw": "..."      send exactly this text as the whole response
                                                   ("" closes the connection without a byte)
                                "_hang": true      never answer (until the engine is stopped)
                                "_stall_after": "..."
                                                   send exactly this text, then never send
                                                   another byte nor close (a hang
                                                   mid-response)
                                "_junk": N         answer status 200 with N bytes of junk: an
                                                   unterminated JSON array of zeros, so a
                                                   reader must scan all of it to reject it
                                "_die": true       the whole engine process exits at once,
                                                   mid-request; /convert and /tts first write
                                                   half of their output file
                                "_write": false    for /convert and /tts: do not write the
                                                   output file (written by default when the
                                                   status is below 400)
                              Defaults: /health {"ok": true}; /prepare {"ok": true} at once;
                              /status {"ready": false, "loading": false, "progress": 0,
                              "message": "Idle"} until a /prepare has arrived, then
                              {"ready": true, "loading": false, "progress": 1, "message":
                              "Models ready"}; /progress {"progress": 0, "message": ""};
                              /convert and /tts {"ok": true}.

The engine exits by itself when the process that started it goes away, so a test that crashes
leaves no engine behind. Stdout and stderr each get a line at start-up ("fake engine PID:
starting (stdout)", and the same with "(stderr)"), so a test can see where both streams go and
which process wrote them.
"""

import json
import os
import shutil
import socket
import socketserver
import sys
import threading
import time
import wave

ENDPOINTS = {
    "/health": "HEALTH",
    "/status": "STATUS",
    "/progress": "PROGRESS",
    "/prepare": "PREPARE",
    "/convert": "CONVERT",
    "/tts": "TTS",
}

REASONS = {200: "OK", 400: "Bad Request", 404: "Not Found", 422: "Unprocessable Entity",
           500: "Internal Server Error", 503: "Service Unavailable"}

log_lock = threading.Lock()
state_lock = threading.Lock()
request_counts = {}
prepared = threading.Event()


def log_event(record):
    path = os.environ.get("FAKE_ENGINE_LOG")
    if not path:
        return
    with log_lock, open(path, "a", encoding="utf-8") as f:
        f.write(json.dumps(record) + "\n")


def scripted_answers(name):
    text = os.environ.get("FAKE_ENGINE_" + name)
    if not text:
        return None
    answers = json.loads(text)
    return answers if isinstance(answers, list) else [answers]


def next_answer(path):
    """The scripted answer for this request, or None to use the default."""
    name = ENDPOINTS[path]
    answers = scripted_answers(name)
    with state_lock:
        index = request_counts.get(path, 0)
        request_counts[path] = index + 1
    if not answers:
        return None
    return dict(answers[min(index, len(answers) - 1)])


def default_answer(path):
    if path == "/health":
        return {"ok": True}
    if path == "/status":
        if prepared.is_set():
            return {"ready": True, "loading": False, "progress": 1, "message": "Models ready"}
        return {"ready": False, "loading": False, "progress": 0, "message": "Idle"}
    if path == "/progress":
        return {"progress": 0, "message": ""}
    return {"ok": True}


def write_silence(path):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(22050)
        w.writeframes(b"\0\0" * 11025)


def write_output(path, request):
    output = request.get("output_wav")
    if not output:
        return
    source = request.get("source_wav") if path == "/convert" else request.get("audio_prompt_wav")
    if source:
        shutil.copyfile(source, output)
    else:
        write_silence(output)


def write_half_output(path, request):
    """What a conversion that dies while writing leaves: the first half of its output."""
    output = request.get("output_wav")
    if not output:
        return
    write_output(path, request)
    with open(output, "rb") as f:
        data = f.read()
    with open(output, "wb") as f:
        f.write(data[:len(data) // 2])


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = self.rfile.read1(65536)
            if not chunk:
                return
            head += chunk
        head, _, body = head.partition(b"\r\n\r\n")
        lines = head.decode("utf-8", "replace").split("\r\n")
        method, target = (lines[0].split(" ") + ["", ""])[:2]
        length = 0
        for line in lines[1:]:
            name, _, value = line.partition(":")
            if name.strip().lower() == "content-length":
                length = int(value.strip())
        while len(body) < length:
            chunk = self.rfile.read1(65536)
            if not chunk:
                break
            body += chunk
        try:
            parsed = json.loads(body) if body else None
        except ValueError:
            parsed = None
        log_event({"event": "request", "method": method, "path": target, "body": parsed})

        if target not in ENDPOINTS:
            self.answer(404, json.dumps({"detail": "Not found"}).encode())
            return
        answer = next_answer(target)
        if answer is None:
            answer = default_answer(target)
        if target == "/prepare":
            prepared.set()

        delay = answer.pop("_delay", 0)
        if delay:
            time.sleep(delay)
        if answer.pop("_hang", False):
            threading.Event().wait()
        if "_stall_after" in answer:
            self.wfile.write(answer["_stall_after"].encode("utf-8"))
            threading.Event().wait()
        if "_junk" in answer:
            self.send_junk(int(answer["_junk"]))
            return
        if answer.pop("_die", False):
            if target in ("/convert", "/tts") and parsed:
                write_half_output(target, parsed)
            os._exit(1)
        if "_raw" in answer:
            self.wfile.write(answer["_raw"].encode("utf-8"))
            return
        status = answer.pop("_http", 200)
        write = answer.pop("_write", True)
        chunked = answer.pop("_chunked", False)
        text = answer.pop("_body", None)
        if target in ("/convert", "/tts") and status < 400 and write and parsed:
            try:
                write_output(target, parsed)
            except OSError as error:
                status, answer = 500, {"detail": str(error)}
        payload = text.encode("utf-8") if text is not None else json.dumps(answer).encode()
        self.answer(status, payload, chunked)

    def send_junk(self, size):
        head = b"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n"
        self.wfile.write(head + b'{"detail": [')
        block = b"0," * (1 << 19)
        sent = 0
        while sent < size:
            piece = block[:size - sent]
            self.wfile.write(piece)
            sent += len(piece)

    def answer(self, status, payload, chunked=False):
        head = "HTTP/1.1 %d %s\r\nContent-Type: application/json\r\nConnection: close\r\n" % (
            status, REASONS.get(status, "Status"))
        if chunked:
            head += "Transfer-Encoding: chunked\r\n\r\n"
            payload = b"%x\r\n%s\r\n0\r\n\r\n" % (len(payload), payload)
        else:
            head += "Content-Length: %d\r\n\r\n" % len(payload)
        self.wfile.write(head.encode() + payload)


class Server(socketserver.ThreadingUnixStreamServer):
    daemon_threads = True


def exit_with_parent():
    """A test that crashes must not leave its engine behind."""
    parent = os.getppid()
    while True:
        time.sleep(0.2)
        if os.getppid() != parent:
            os._exit(0)


def main(argv):
    threading.Thread(target=exit_with_parent, daemon=True).start()
    if len(argv) != 3 or argv[1] != "--unix-socket":
        print("usage: fake_engine.py --unix-socket PATH", file=sys.stderr)
        return 2
    socket_path = argv[2]
    watched = ("CHORALE_", "HF_", "TRANSFORMERS_", "PYTHON", "PYTORCH_", "HYDRA_")
    log_event({
        "event": "start",
        "pid": os.getpid(),
        "argv": argv,
        "cwd": os.getcwd(),
        "env": {k: v for k, v in os.environ.items() if k.startswith(watched)},
    })
    print("fake engine %d: starting (stdout)" % os.getpid(), flush=True)
    print("fake engine %d: starting (stderr)" % os.getpid(), file=sys.stderr, flush=True)

    time.sleep(float(os.environ.get("FAKE_ENGINE_STARTUP_DELAY", "0")))
    if "FAKE_ENGINE_EXIT" in os.environ:
        return int(os.environ["FAKE_ENGINE_EXIT"])
    if os.environ.get("FAKE_ENGINE_NO_SOCKET") == "1":
        threading.Event().wait()

    if os.path.exists(socket_path):
        os.unlink(socket_path)
    with Server(socket_path, Handler) as server:
        server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
