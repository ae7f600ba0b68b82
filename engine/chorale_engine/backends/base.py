"""What a backend provides to the server.

The server owns the socket, request checking, the worker lock, progress state and the atomic
output write; a backend only prepares its tools or models and turns jobs into audio.
"""

from __future__ import annotations

from abc import ABC, abstractmethod
from typing import Callable

from ..audio import Audio
from ..jobs import ConvertJob, SpeechJob
from ..state import JobProgress

PrepareReport = Callable[[float, str], None]  # (fraction 0..1, short message for the user)


class Backend(ABC):
    name: str = ""

    @abstractmethod
    def prepare(self, report: PrepareReport) -> None:
        """Check tools, download and load models. May take long; report progress as it goes.
        Raise EngineError (or ToolMissing) with a sentence for the user when it cannot work."""

    @abstractmethod
    def convert(self, job: ConvertJob, progress: JobProgress) -> Audio:
        """Convert `job.source_wav` to the voice of `job.target_wav`. Called one job at a time,
        only after a successful prepare()."""

    @abstractmethod
    def speak(self, job: SpeechJob, progress: JobProgress) -> Audio:
        """Speak `job.text` in `job.language_id`, in the voice of `job.audio_prompt_wav` when
        given. Called one job at a time, only after a successful prepare()."""
