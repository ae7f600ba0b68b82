"""The engine's side of the app protocol, over a real Unix socket."""

import os
import signal
import socket
import stat
import subprocess
import sys
import threading
import time

import numpy as np
import pytest
import soundfile as sf

from helpers import SERVER, http, start_engine


def test_health_status_progress_and_prepare(engine):
    health = engine.get("/health")
    assert health.status == 200 and health.json == {"ok": True}

    status = engine.get("/status").json
    assert status["ready"] is True and status["loading"] is False
    assert status["progress"] == 1.0 and status["message"] == "Ready"
    assert "error" not in status

    assert engine.get("/progress").json == {"progress": 0.0, "message": ""}
    # Preparing again is cheap and harmless.
    assert engine.post("/prepare").json["ok"] is True


def test_answers_are_framed_json_and_the_connection_closes(engine):
    for method, path in [("GET", "/health"), ("GET", "/status"), ("GET", "/nowhere")]:
        r = http(engine.sock, method, path)
        assert r.headers["content-type"].startswith("application/json")
        assert "chunked" not in r.headers.get("transfer-encoding", "")
        assert r.closed_after, "body length must match Content-Length, then close"
        assert isinstance(r.json, dict)


def test_one_request_per_connection(engine):
    request = b"GET /health HTTP/1.1\r\nHost: localhost\r\n\r\n"
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        s.settimeout(10)
        s.connect(engine.sock)
        s.sendall(request + request)  # a second request on the same connection is not served
        data = b""
        while chunk := s.recv(4096):
            data += chunk
    assert data.count(b"HTTP/1.1 200") == 1


@pytest.fixture(scope="module")
def files(tmp_path_factory, voices):
    d = tmp_path_factory.mktemp("bad")
    text = d / "notes.wav"
    text.write_text("this is not audio")
    empty = d / "empty.wav"
    sf.write(empty, np.zeros(0, dtype=np.float32), 16000)
    return {
        "good": str(voices["male"]),
        "ref": str(voices["female"]),
        "text": str(text),
        "empty": str(empty),
        "dir": str(d),
        "out": str(d / "out.wav"),
    }


def convert_body(files, **changes):
    body = {
        "source_wav": files["good"],
        "target_wav": files["ref"],
        "output_wav": files["out"],
        "diffusion_steps": 40,
        "similarity_cfg_rate": 0.7,
        "convert_style": True,
        "singing": False,
    }
    for key, value in changes.items():
        if value is KeyError:
            del body[key]
        else:
            body[key] = value
    return body


BAD_REQUESTS = [
    # (case, method, path, body builder, status, words expected in "detail")
    ("missing source", "POST", "/convert", lambda f: convert_body(f, source_wav=KeyError),
     400, '"source_wav" is required'),
    ("relative source", "POST", "/convert", lambda f: convert_body(f, source_wav="take.wav"),
     400, "absolute path"),
    ("relative output", "POST", "/convert", lambda f: convert_body(f, output_wav="out/x.wav"),
     400, "absolute path"),
    ("source not found", "POST", "/convert",
     lambda f: convert_body(f, source_wav=f["dir"] + "/gone.wav"), 404, "does not exist"),
    ("source not audio", "POST", "/convert", lambda f: convert_body(f, source_wav=f["text"]),
     400, "Could not read the source recording"),
    ("reference not audio", "POST", "/convert", lambda f: convert_body(f, target_wav=f["text"]),
     400, "Could not read the reference clip"),
    ("empty reference", "POST", "/convert", lambda f: convert_body(f, target_wav=f["empty"]),
     400, "contains no audio"),
    ("reference is a folder", "POST", "/convert", lambda f: convert_body(f, target_wav=f["dir"]),
     400, "is a folder"),
    ("output folder missing", "POST", "/convert",
     lambda f: convert_body(f, output_wav=f["dir"] + "/nope/out.wav"), 400,
     "output folder does not exist"),
    ("output is a folder", "POST", "/convert", lambda f: convert_body(f, output_wav=f["dir"]),
     400, "output path is a folder"),
    ("singing not boolean", "POST", "/convert", lambda f: convert_body(f, singing="yes"),
     400, '"singing" must be true or false'),
    ("steps not whole", "POST", "/convert", lambda f: convert_body(f, diffusion_steps=2.5),
     400, '"diffusion_steps" must be a whole number'),
    ("similarity out of range", "POST", "/convert",
     lambda f: convert_body(f, similarity_cfg_rate=3), 400, "between 0 and 1"),
    ("no text", "POST", "/tts", lambda f: {"text": "  ", "output_wav": f["out"],
                                           "language_id": "en"}, 400, "no text"),
    ("nothing to pronounce", "POST", "/tts",
     lambda f: {"text": "...", "output_wav": f["out"], "language_id": "en"}, 422,
     "nothing to pronounce"),
    ("unknown language", "POST", "/tts", lambda f: {"text": "Hi", "output_wav": f["out"],
                                                    "language_id": "xx"}, 400, "Unsupported"),
    ("upper-case language", "POST", "/tts", lambda f: {"text": "Hi", "output_wav": f["out"],
                                                       "language_id": "EN"}, 400, "Unsupported"),
    ("prompt not audio", "POST", "/tts",
     lambda f: {"text": "Hi", "output_wav": f["out"], "language_id": "en",
                "audio_prompt_wav": f["text"]}, 400, "Could not read the reference clip"),
    ("body not an object", "POST", "/convert", lambda f: [1, 2], 400, "JSON object"),
    ("no body", "POST", "/tts", lambda f: None, 400, "JSON object body"),
    ("unknown endpoint", "GET", "/models", lambda f: None, 404, "no endpoint /models"),
    ("wrong method", "GET", "/convert", lambda f: None, 405, "answers POST"),
]


@pytest.mark.parametrize(
    "method,path,build,status,words",
    [c[1:] for c in BAD_REQUESTS],
    ids=[c[0] for c in BAD_REQUESTS],
)
def test_bad_requests_answer_a_detail(engine, files, method, path, build, status, words):
    r = http(engine.sock, method, path, build(files))
    assert r.status == status, r.body
    detail = r.json["detail"]
    assert words in detail
    assert "Traceback" not in detail
    assert not os.path.exists(files["out"])


@pytest.mark.parametrize(
    "raw,headers,status,words",
    [
        (b"{not json", {"Content-Length": "9"}, 400, "not valid JSON"),
        (b"5\r\n{}{}{\r\n0\r\n\r\n", {"Transfer-Encoding": "chunked"}, 411, "Content-Length"),
        (b"{}", {"Content-Length": "abc"}, 400, "Content-Length"),
    ],
    ids=["invalid json", "chunked", "bad length"],
)
def test_malformed_bodies(engine, raw, headers, status, words):
    r = http(engine.sock, "POST", "/convert", raw_body=raw, headers=headers)
    assert r.status == status and words in r.json["detail"]


def test_reference_without_a_voice_is_refused(engine, voices, tmp_path):
    noise = tmp_path / "noise.wav"
    rng = np.random.default_rng(1)
    sf.write(noise, 0.1 * rng.standard_normal(16000 * 2).astype(np.float32), 16000)
    out = tmp_path / "out.wav"
    r = engine.post("/convert", {"source_wav": str(voices["male"]), "target_wav": str(noise),
                                 "output_wav": str(out)})
    assert r.status == 422 and "no voiced speech" in r.json["detail"]
    assert not out.exists()


@pytest.fixture(scope="module")
def long_take(tmp_path_factory, voices):
    """About 20 s of 48 kHz speech: long enough to poll while it converts."""
    data, rate = sf.read(voices["male48"], dtype="float32")
    reps = int(np.ceil(20 * rate / len(data)))
    path = tmp_path_factory.mktemp("long") / "long.wav"
    sf.write(path, np.tile(data, reps), rate, subtype="FLOAT")
    return path


def test_status_and_progress_answer_during_a_long_convert(engine, voices, long_take, tmp_path):
    out = tmp_path / "clone.wav"
    out.write_bytes(b"previous clone")  # must stay intact until the new one is complete
    result = {}

    def convert():
        result["r"] = engine.post("/convert", {"source_wav": str(long_take),
                                               "target_wav": str(voices["female"]),
                                               "output_wav": str(out), "singing": False})

    worker = threading.Thread(target=convert)
    worker.start()
    seen, statuses, contents = [], 0, set()
    while worker.is_alive():
        p = engine.get("/progress", timeout=10)
        s = engine.get("/status", timeout=10)
        if worker.is_alive():
            seen.append((p.json["progress"], p.json["message"]))
            statuses += s.status == 200 and s.json["ready"] is True
            with open(out, "rb") as current:
                contents.add(current.read(4))
        time.sleep(0.02)
    worker.join()

    assert result["r"].status == 200 and result["r"].json == {"ok": True}
    assert statuses > 0 and len(seen) > 2, "polls must be answered while /convert is open"
    values = [v for v, _ in seen]
    assert values == sorted(values) and all(0 <= v <= 1 for v in values)
    phases = {m for _, m in seen if m}
    assert phases and phases <= {"Analysing voice…", "Converting…", "Finishing…"}
    assert "Converting…" in phases
    # Never a half-written file: the old bytes, then the whole new WAV.
    assert contents <= {b"prev", b"RIFF"}
    info = sf.info(out)
    assert info.frames == sf.info(long_take).frames
    assert [p for p in os.listdir(tmp_path) if p.endswith(".part")] == []
    assert engine.get("/progress").json == {"progress": 0.0, "message": ""}


def test_sigterm_stops_removes_socket_and_partial_output(tmp_path, voices, long_take):
    eng = start_engine(tmp_path)
    assert stat.S_ISSOCK(os.lstat(eng.sock).st_mode)
    assert os.lstat(eng.sock).st_mode & 0o077 == 0, "socket must be private to the user"
    out_dir = tmp_path / "out"
    out_dir.mkdir()
    body = {"source_wav": str(long_take), "target_wav": str(voices["female"]),
            "output_wav": str(out_dir / "x.wav")}
    threading.Thread(target=lambda: _quiet(eng.post, "/convert", body), daemon=True).start()
    deadline = time.monotonic() + 20
    while eng.get("/progress").json["message"] != "Converting…" and time.monotonic() < deadline:
        time.sleep(0.02)
    assert eng.stop() == 0
    assert not os.path.exists(eng.sock)
    # No half-written file: nothing, or (on a machine fast enough to finish) the whole clone.
    left = os.listdir(out_dir)
    assert left in ([], ["x.wav"])
    if left:
        assert sf.info(out_dir / "x.wav").frames == sf.info(long_take).frames
    assert "received SIGTERM" in eng.log_text()


def _quiet(fn, *args):
    try:
        fn(*args)
    except OSError:
        pass


def test_leftover_socket_is_replaced_but_other_files_are_not(tmp_path):
    stale = tmp_path / "engine.sock"
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    s.bind(str(stale))
    s.close()  # a socket file nobody listens on, as a crash leaves it
    eng = start_engine(tmp_path)
    assert eng.get("/health").json == {"ok": True}
    assert eng.stop() == 0

    taken = tmp_path / "taken"
    taken.mkdir()
    (taken / "engine.sock").write_text("keep me")
    eng = start_engine(taken, wait=False)
    assert eng.process.wait(20) == 1
    assert (taken / "engine.sock").read_text() == "keep me"
    assert "not a socket" in eng.log_text()


@pytest.mark.parametrize(
    "env,words",
    [
        ({"PATH": "/nonexistent"}, "espeak-ng is not installed. Install it with: sudo apt install"),
        ({"CHORALE_ENGINE_BACKEND": "neural"}, "neural backend is not part of this installation"),
        ({"CHORALE_ENGINE_BACKEND": "fastest"}, 'Unknown voice engine backend "fastest"'),
    ],
    ids=["missing espeak", "neural not installed", "unknown backend"],
)
def test_preparation_failures_reach_status(tmp_path, voices, env, words):
    eng = start_engine(tmp_path, env)
    try:
        r = eng.post("/prepare")
        assert r.status >= 400 and words in r.json["detail"]
        status = eng.get("/status").json
        assert status["ready"] is False and status["loading"] is False
        assert words in status["error"]
        # Jobs say the same instead of failing obscurely.
        job = eng.post("/tts", {"text": "Hi", "output_wav": str(tmp_path / "o.wav"),
                                "language_id": "en"})
        assert job.status >= 400 and words in job.json["detail"]
    finally:
        assert eng.stop() == 0


def test_fresh_engine_uses_dsp_prepares_on_demand_and_cleans_scratch(tmp_path, voices):
    eng = start_engine(tmp_path, {"CHORALE_ENGINE_BACKEND": ""})
    try:
        # Before /prepare: not ready, and no message that would replace the app's own.
        assert eng.get("/status").json == {"ready": False, "loading": False, "progress": 0.0,
                                           "message": "", "backend": "dsp"}
        # A job that comes first prepares the backend itself.
        r = eng.post("/tts", {"text": "Hello.", "output_wav": str(tmp_path / "o.wav"),
                              "language_id": "en"})
        assert r.status == 200, r.body
        assert eng.get("/status").json["ready"] is True
        assert (tmp_path / "data" / "tmp").is_dir()
        assert list((tmp_path / "data" / "tmp").iterdir()) == []  # scratch files cleaned up
    finally:
        assert eng.stop() == 0


def test_engine_stops_when_the_app_that_started_it_is_gone(tmp_path):
    # A stand-in for the app: starts the engine, waits until it listens, then dies without
    # sending SIGTERM, as a crashed or killed app would.
    sock = tmp_path / "engine.sock"
    launcher = (
        "import os, subprocess, sys, time\n"
        f"p = subprocess.Popen([sys.executable, {str(SERVER)!r}, '--unix-socket', {str(sock)!r}],"
        f" stdout=open({str(tmp_path / 'engine.log')!r}, 'wb'), stderr=subprocess.STDOUT,"
        " env=dict(os.environ, CHORALE_ENGINE_BACKEND='dsp'))\n"
        "print(p.pid, flush=True)\n"
        f"while not os.path.exists({str(sock)!r}): time.sleep(0.05)\n"
    )
    out = subprocess.run([sys.executable, "-c", launcher], capture_output=True, text=True,
                         timeout=60, check=True)
    pid = int(out.stdout.strip())
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        if not _running(pid):
            break
        time.sleep(0.1)
    else:
        os.kill(pid, signal.SIGKILL)
        raise AssertionError("the engine outlived the app that started it")
    assert not sock.exists()
    assert "the app that started the engine is gone" in (tmp_path / "engine.log").read_text()


def _running(pid: int) -> bool:
    """Alive and not a zombie (an orphan's exit may never be reaped in a container)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False
