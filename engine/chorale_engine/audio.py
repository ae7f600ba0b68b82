"""Reading takes and clips, and writing the output WAV so that it appears whole or not at all."""

from __future__ import annotations

import os
import tempfile
import threading
from dataclasses import dataclass
from pathlib import Path

import numpy as np
import soundfile as sf

from .errors import EngineError, RequestError

OUTPUT_SUBTYPE = "FLOAT"  # 32-bit float WAV, like the app's own recordings


@dataclass
class Audio:
    samples: np.ndarray  # mono float32
    rate: int

    @property
    def seconds(self) -> float:
        return len(self.samples) / self.rate if self.rate else 0.0


def read_mono(path: str, what: str) -> Audio:
    """Read any file libsndfile knows (WAV, FLAC, MP3, ...) and mix it down to mono."""
    try:
        data, rate = sf.read(path, dtype="float32", always_2d=True)
    except (sf.LibsndfileError, RuntimeError, OSError, ValueError) as exc:
        raise RequestError(f"Could not read the {what} at {path}: {_reason(exc)}") from exc
    if len(data) == 0:
        raise RequestError(f"The {what} at {path} contains no audio.")
    samples = data.mean(axis=1) if data.shape[1] > 1 else data[:, 0]
    samples = np.nan_to_num(samples, nan=0.0, posinf=0.0, neginf=0.0).astype(np.float32)
    return Audio(samples, int(rate))


def check_readable(path: str, what: str) -> None:
    """Cheap check before queueing a job: the file exists and libsndfile understands it."""
    if not os.path.exists(path):
        raise RequestError(f"The {what} does not exist: {path}", 404)
    if os.path.isdir(path):
        raise RequestError(f"The {what} is a folder, not an audio file: {path}")
    try:
        info = sf.info(path)
    except (sf.LibsndfileError, RuntimeError, OSError, ValueError) as exc:
        raise RequestError(f"Could not read the {what} at {path}: {_reason(exc)}") from exc
    if info.frames == 0:
        raise RequestError(f"The {what} at {path} contains no audio.")


def check_writable(path: str) -> None:
    folder = os.path.dirname(path) or "/"
    if os.path.isdir(path):
        raise RequestError(f"The output path is a folder: {path}")
    if not os.path.isdir(folder):
        raise RequestError(f"The output folder does not exist: {folder}")
    if not os.access(folder, os.W_OK | os.X_OK):
        raise RequestError(f"The output folder is not writable: {folder}")


def _reason(exc: Exception) -> str:
    text = str(exc).strip()
    # libsndfile's messages start with the path again; keep only the explanation.
    if ": " in text and "Error opening" in text:
        text = text.rsplit(": ", 1)[-1]
    return text.rstrip(".") + "." if text else "unknown error."


# Temporary outputs being written right now, removed if the engine is stopped mid-write.
_pending: set[str] = set()
_pending_lock = threading.Lock()
_file_mode = 0o644


def set_file_mode_from_umask(umask: int) -> None:
    """Outputs get the permissions a plain file creation would give (mkstemp makes them 0600)."""
    global _file_mode
    _file_mode = 0o666 & ~umask


def write_wav_atomic(path: str, audio: Audio) -> None:
    """Write to a temporary file in the same folder, flush it to disk, then rename it over
    `path`: a reader never sees a half-written file, and a failed write leaves the old one."""
    folder = os.path.dirname(path) or "/"
    name = os.path.basename(path)
    try:
        fd, tmp = tempfile.mkstemp(prefix=f".{name}.", suffix=".part", dir=folder)
    except OSError as exc:
        raise RequestError(f"Could not write the output file {path}: {exc.strerror}.") from exc
    with _pending_lock:
        _pending.add(tmp)
    try:
        with os.fdopen(fd, "wb") as handle:
            sf.write(handle, audio.samples, audio.rate, format="WAV", subtype=OUTPUT_SUBTYPE)
            handle.flush()
            os.fsync(handle.fileno())
        os.chmod(tmp, _file_mode)
        os.replace(tmp, path)
    except (OSError, RuntimeError, sf.LibsndfileError) as exc:
        _remove(tmp)
        reason = getattr(exc, "strerror", None) or str(exc)
        raise EngineError(f"Could not write the output file {path}: {reason}.") from exc
    except BaseException:
        _remove(tmp)
        raise
    finally:
        with _pending_lock:
            _pending.discard(tmp)


def remove_pending_outputs() -> None:
    with _pending_lock:
        for tmp in list(_pending):
            _remove(tmp)
        _pending.clear()


def _remove(path: str) -> None:
    try:
        os.unlink(path)
    except OSError:
        pass


def is_absolute(path: str) -> bool:
    return Path(path).is_absolute()
