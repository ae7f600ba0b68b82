"""Where the engine keeps things, from the environment the app gives it."""

from __future__ import annotations

import os
import tempfile
from dataclasses import dataclass
from pathlib import Path

BACKEND_CHOICES = ("auto", "dsp", "neural")


@dataclass(frozen=True)
class EngineConfig:
    data_dir: Path | None  # CHORALE_DATA_DIR: the app's data root
    models_dir: Path | None  # HF_HOME: model cache root
    checkpoints_dir: Path | None  # CHORALE_HF_CACHE: downloaded checkpoints
    transformers_dir: Path | None  # TRANSFORMERS_CACHE
    backend: str  # CHORALE_ENGINE_BACKEND, lower-cased ("auto" when unset)

    @classmethod
    def from_environment(cls, env: dict[str, str] | None = None) -> "EngineConfig":
        env = dict(os.environ if env is None else env)

        def path(name: str) -> Path | None:
            value = env.get(name, "").strip()
            return Path(value).expanduser() if value else None

        data_dir = path("CHORALE_DATA_DIR")
        models = path("HF_HOME") or (data_dir / "models" if data_dir else None)
        return cls(
            data_dir=data_dir,
            models_dir=models,
            checkpoints_dir=path("CHORALE_HF_CACHE")
            or (models / "checkpoints" if models else None),
            transformers_dir=path("TRANSFORMERS_CACHE")
            or (models / "transformers" if models else None),
            backend=(env.get("CHORALE_ENGINE_BACKEND", "").strip().lower() or "auto"),
        )

    def scratch_dir(self) -> Path:
        """Folder for the engine's own temporary files: the data root's "tmp" when known."""
        if self.data_dir:
            tmp = self.data_dir / "tmp"
            try:
                tmp.mkdir(parents=True, exist_ok=True)
                return tmp
            except OSError:
                pass
        return Path(tempfile.gettempdir())
