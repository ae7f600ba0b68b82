"""Backend selection by CHORALE_ENGINE_BACKEND: "auto" (default), "dsp" or "neural".

A backend lives in a module of this package that defines:
    available(config) -> str | None   None when usable here, else the reason it is not
    create(config) -> Backend
"auto" takes "neural" when that module exists and reports itself available, else "dsp".
"""

from __future__ import annotations

import importlib
import logging

from ..config import BACKEND_CHOICES, EngineConfig
from ..errors import EngineError
from .base import Backend

log = logging.getLogger(__name__)


class UnavailableBackend(Backend):
    """Stands in for a backend that cannot run, so that "/status" can say why."""

    def __init__(self, name: str, reason: str):
        self.name = name
        self.reason = reason

    def prepare(self, report):
        raise EngineError(self.reason, 503)

    def convert(self, job, progress):
        raise EngineError(self.reason, 503)

    def speak(self, job, progress):
        raise EngineError(self.reason, 503)


def _load(name: str):
    try:
        return importlib.import_module(f"{__name__}.{name}")
    except ModuleNotFoundError as exc:
        if exc.name == f"{__name__}.{name}":
            return None
        raise


def _try_neural(config: EngineConfig) -> tuple[Backend | None, str]:
    """The neural backend when it can run here, else why not. Its failures never stop the
    engine: "auto" falls back to the offline backend."""
    try:
        module = _load("neural")
        if module is None:
            return None, "The neural backend is not part of this installation."
        reason = module.available(config)
        if reason is None:
            return module.create(config), ""
        return None, reason
    except Exception as exc:
        log.exception("neural backend failed to load")
        return None, f"The neural backend failed to load ({type(exc).__name__}: {exc})."


def create_backend(config: EngineConfig) -> Backend:
    choice = config.backend
    if choice not in BACKEND_CHOICES:
        return UnavailableBackend(
            choice,
            f'Unknown voice engine backend "{choice}" in CHORALE_ENGINE_BACKEND. '
            f"Use one of: {', '.join(BACKEND_CHOICES)}.",
        )
    if choice in ("auto", "neural"):
        backend, reason = _try_neural(config)
        if backend is not None:
            return backend
        if choice == "neural":
            return UnavailableBackend(
                "neural", f"{reason} Set CHORALE_ENGINE_BACKEND=dsp to use the offline voices."
            )
        log.info("neural backend not used: %s", reason)
    return _load("dsp").create(config)
