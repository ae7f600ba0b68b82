"""Shared engine state read by "/status" and "/progress" while jobs run on other threads."""

from __future__ import annotations

import threading
from typing import Callable


class ModelStatus:
    """Preparation state of the backend ("/status")."""

    def __init__(self) -> None:
        self._lock = threading.Lock()
        self.ready = False
        self.loading = False
        self.progress = 0.0
        self.message = ""  # empty: the app keeps showing its own text until we have news
        self.error: str | None = None

    def begin(self, message: str) -> None:
        with self._lock:
            self.loading, self.ready, self.error = True, False, None
            self.progress, self.message = 0.0, message

    def report(self, progress: float, message: str | None = None) -> None:
        with self._lock:
            self.progress = min(1.0, max(self.progress, float(progress)))
            if message:
                self.message = message

    def succeed(self) -> None:
        with self._lock:
            self.loading, self.ready, self.error = False, True, None
            self.progress, self.message = 1.0, "Ready"

    def fail(self, error: str) -> None:
        with self._lock:
            self.loading, self.ready = False, False
            self.error, self.message = error, "Voice engine unavailable"

    def snapshot(self) -> dict:
        with self._lock:
            out = {
                "ready": self.ready,
                "loading": self.loading,
                "progress": round(self.progress, 4),
                "message": self.message,
            }
            if self.error:
                out["error"] = self.error
            return out


StepFn = Callable[[float], None]


class JobProgress:
    """Progress of the running conversion or speech job ("/progress").

    Phases map their own 0..1 onto a slice of the job; the published fraction never goes back.
    Between jobs it reads 0 with no message, so a new job never shows the last one's "done".
    """

    def __init__(self) -> None:
        self._lock = threading.Lock()
        self.progress = 0.0
        self.message = ""

    def start(self) -> None:
        with self._lock:
            self.progress, self.message = 0.0, ""

    def phase(self, message: str, start: float, end: float) -> StepFn:
        self._set(start, message)

        def step(fraction: float) -> None:
            fraction = min(1.0, max(0.0, float(fraction)))
            self._set(start + (end - start) * fraction, None)

        return step

    def finish(self) -> None:
        self.start()

    def _set(self, value: float, message: str | None) -> None:
        with self._lock:
            self.progress = min(1.0, max(self.progress, value))
            if message:
                self.message = message

    def snapshot(self) -> dict:
        with self._lock:
            return {"progress": round(self.progress, 4), "message": self.message}
