"""The engine's operations, independent of HTTP: preparation, status, and the job worker."""

from __future__ import annotations

import logging
import threading
import time
from typing import Any

from . import audio, jobs
from .backends.base import Backend
from .errors import EngineError
from .state import JobProgress, ModelStatus

log = logging.getLogger(__name__)

INTERNAL_ERROR = "The voice engine hit an internal error. See engine.log for details."


class EngineService:
    def __init__(self, backend: Backend):
        self.backend = backend
        self.status = ModelStatus()
        self.progress = JobProgress()
        self._prepare_lock = threading.Lock()
        # One heavy job at a time: backends keep state between calls and the CPU is shared.
        self._job_lock = threading.Lock()

    # Quick answers, safe from any thread at any time.

    def health(self) -> dict:
        return {"ok": True}

    def model_status(self) -> dict:
        return {**self.status.snapshot(), "backend": self.backend.name}

    def job_progress(self) -> dict:
        return self.progress.snapshot()

    # Slow operations.

    def prepare(self) -> dict:
        self.ensure_ready()
        return {"ok": True, "ready": True}

    def ensure_ready(self) -> None:
        with self._prepare_lock:
            if self.status.ready:
                return
            self.status.begin("Checking voice tools…")
            started = time.monotonic()
            try:
                self.backend.prepare(self.status.report)
            except EngineError as exc:
                log.error("preparation failed: %s", exc.detail)
                self.status.fail(exc.detail)
                raise
            except Exception as exc:
                log.exception("preparation failed")
                self.status.fail(INTERNAL_ERROR)
                raise EngineError(INTERNAL_ERROR) from exc
            self.status.succeed()
            log.info("%s backend ready in %.2f s", self.backend.name, time.monotonic() - started)

    def convert(self, body: dict[str, Any]) -> dict:
        job = jobs.parse_convert(body)
        return self._run(job.output_wav, lambda: self.backend.convert(job, self.progress), job)

    def tts(self, body: dict[str, Any]) -> dict:
        job = jobs.parse_speech(body)
        return self._run(job.output_wav, lambda: self.backend.speak(job, self.progress), job)

    def _run(self, output: str, work, job) -> dict:
        self.ensure_ready()
        with self._job_lock:
            started = time.monotonic()
            self.progress.start()
            try:
                result = work()
                step = self.progress.phase("Finishing…", 0.95, 1.0)
                audio.write_wav_atomic(output, result)
                step(1.0)
            except EngineError:
                raise
            except Exception as exc:
                log.exception("job failed: %s", job)
                raise EngineError(INTERNAL_ERROR) from exc
            finally:
                self.progress.finish()
            log.info(
                "%s done in %.2f s (%.2f s of audio) -> %s",
                type(job).__name__,
                time.monotonic() - started,
                result.seconds,
                output,
            )
            return {"ok": True}
