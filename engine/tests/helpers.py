"""Test helpers: a raw HTTP client over the engine's Unix socket, an engine process, speech."""

from __future__ import annotations

import json
import os
import signal
import socket
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

import numpy as np
import soundfile as sf

ENGINE_DIR = Path(__file__).resolve().parents[1]
SERVER = ENGINE_DIR / "server.py"
sys.path.insert(0, str(ENGINE_DIR))


@dataclass
class Response:
    status: int
    headers: dict[str, str]
    body: bytes
    closed_after: bool  # the server closed the connection after the body

    @property
    def json(self) -> dict:
        return json.loads(self.body)


def http(sock_path: str, method: str, path: str, body=None, raw_body: bytes | None = None,
         headers: dict[str, str] | None = None, timeout: float = 120.0) -> Response:
    """One HTTP/1.1 exchange the way the app does it: write the request, read until close."""
    data = raw_body if raw_body is not None else (
        json.dumps(body).encode() if body is not None else b""
    )
    head = [f"{method} {path} HTTP/1.1", "Host: localhost"]
    hdrs = dict(headers or {})
    if data and "Transfer-Encoding" not in hdrs:
        hdrs.setdefault("Content-Type", "application/json")
        hdrs.setdefault("Content-Length", str(len(data)))
    head += [f"{k}: {v}" for k, v in hdrs.items()]
    request = ("\r\n".join(head) + "\r\n\r\n").encode() + data
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        s.settimeout(timeout)
        s.connect(sock_path)
        s.sendall(request)
        chunks = []
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            chunks.append(chunk)
    raw = b"".join(chunks)
    if not raw:
        raise ConnectionError("the engine closed the connection without an answer")
    head_bytes, _, rest = raw.partition(b"\r\n\r\n")
    lines = head_bytes.decode("latin-1").split("\r\n")
    status = int(lines[0].split()[1])
    parsed = {}
    for line in lines[1:]:
        key, _, value = line.partition(":")
        parsed[key.strip().lower()] = value.strip()
    length = int(parsed.get("content-length", "-1"))
    return Response(status, parsed, rest, closed_after=(length == len(rest)))


@dataclass
class Engine:
    sock: str
    process: subprocess.Popen
    log: Path
    env: dict = field(default_factory=dict)

    def get(self, path: str, **kw) -> Response:
        return http(self.sock, "GET", path, **kw)

    def post(self, path: str, body=None, **kw) -> Response:
        return http(self.sock, "POST", path, body, **kw)

    def stop(self, timeout: float = 10.0) -> int:
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        return self.process.wait(timeout)

    def log_text(self) -> str:
        return self.log.read_text(errors="replace") if self.log.exists() else ""


def start_engine(workdir: Path, env_extra: dict | None = None, sock_name: str = "engine.sock",
                 wait: bool = True) -> Engine:
    """Launch server.py like the app: fixed arguments, data-dir environment, log file."""
    data = workdir / "data"
    (data / "models").mkdir(parents=True, exist_ok=True)
    sock = str(workdir / sock_name)
    env = dict(os.environ)
    env.update({
        "PYTHONUNBUFFERED": "1",
        "HF_HOME": str(data / "models"),
        "TRANSFORMERS_CACHE": str(data / "models" / "transformers"),
        "CHORALE_HF_CACHE": str(data / "models" / "checkpoints"),
        "CHORALE_DATA_DIR": str(data),
        "CHORALE_ENGINE_BACKEND": "dsp",
    })
    env.update(env_extra or {})
    log = workdir / "engine.log"
    cwd = workdir / "cwd"
    cwd.mkdir(exist_ok=True)
    with open(log, "wb") as out:
        process = subprocess.Popen(
            [sys.executable, str(SERVER), "--unix-socket", sock],
            stdout=out, stderr=subprocess.STDOUT, cwd=cwd, env=env,
        )
    engine = Engine(sock, process, log, env)
    if wait:
        wait_for_health(engine)
    return engine


def wait_for_health(engine: Engine, timeout: float = 20.0) -> None:
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if engine.process.poll() is not None:
            raise RuntimeError(f"engine exited early:\n{engine.log_text()}")
        if os.path.exists(engine.sock):
            try:
                if engine.get("/health", timeout=2).json == {"ok": True}:
                    return
            except (OSError, ValueError):
                pass
        time.sleep(0.05)
    raise RuntimeError(f"engine did not become healthy:\n{engine.log_text()}")


def espeak(path: Path, text: str, voice: str = "en-us", rate: int | None = None) -> Path:
    subprocess.run(["espeak-ng", "-v", voice, "-w", str(path), text], check=True)
    if rate:
        data, sr = sf.read(path, dtype="float32")
        from scipy import signal
        g = np.gcd(sr, rate)
        sf.write(path, signal.resample_poly(data, rate // g, sr // g), rate, subtype="FLOAT")
    return path


def median_f0(samples: np.ndarray, rate: int) -> float:
    from chorale_engine.backends.dsp import analysis
    return analysis.profile_voice(analysis.to_analysis_rate(samples, rate)).f0_median


def cents(a: float, b: float) -> float:
    return 1200.0 * float(np.log2(a / b))
