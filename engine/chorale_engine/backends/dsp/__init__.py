"""The offline backend: signal-processing voice conversion and espeak-ng speech.

Needs no download and no GPU: Rubber Band shifts pitch and formants, numpy/scipy analyse the
voices and match the spectrum, espeak-ng speaks the 23 languages.
"""

from __future__ import annotations

import logging
import os
import threading
from collections import OrderedDict

from ...audio import Audio, read_mono
from ...config import EngineConfig
from ...errors import EngineError
from ...jobs import ConvertJob, SpeechJob
from ...state import JobProgress
from ..base import Backend, PrepareReport
from . import convert as conversion
from . import speech
from .stretch import PitchShifter, find_pitch_shifter

log = logging.getLogger(__name__)

FAST_BELOW_STEPS = 25  # fewer "diffusion steps" than this asks for speed over quality
REFERENCE_CACHE_SIZE = 8


def available(config: EngineConfig) -> str | None:
    return None


def create(config: EngineConfig) -> "DspBackend":
    return DspBackend(config)


class DspBackend(Backend):
    name = "dsp"

    def __init__(self, config: EngineConfig):
        self._config = config
        self._shifter: PitchShifter | None = None
        self._voices: OrderedDict[tuple, conversion.VoiceModel] = OrderedDict()
        self._voices_lock = threading.Lock()

    def prepare(self, report: PrepareReport) -> None:
        report(0.2, "Checking speech tools…")
        speech.espeak_path()
        report(0.6, "Checking pitch tools…")
        self._shifter = find_pitch_shifter()
        log.info("dsp backend ready: pitch shifting with %s", self._shifter.name)

    def convert(self, job: ConvertJob, progress: JobProgress) -> Audio:
        source = read_mono(job.source_wav, "source recording")
        reference = self._voice(job.target_wav, progress.phase)
        settings = conversion.ConversionSettings(
            singing=job.singing,
            similarity=job.similarity_cfg_rate,
            fast=job.diffusion_steps < FAST_BELOW_STEPS,
        )
        samples, report = conversion.convert(
            source.samples, source.rate, reference, settings, self._shifter, progress.phase
        )
        log.info(
            "converted %.2f s: pitch x%.3f, formants x%.3f, level %+.1f dB, EQ %s",
            source.seconds,
            report.pitch_ratio,
            report.formant_ratio,
            report.level_gain_db,
            report.eq_gains_db,
        )
        return Audio(samples, source.rate)

    def speak(self, job: SpeechJob, progress: JobProgress) -> Audio:
        reference = None
        if job.audio_prompt_wav:
            reference = self._voice(job.audio_prompt_wav, progress.phase)
        step = progress.phase("Speaking…", 0.05, 0.3)
        variant = speech.variant_for(reference.profile.f0_median) if reference else None
        spoken = speech.synthesise(
            job.text, job.language_id, variant, self._config.scratch_dir()
        )
        step(1.0)
        if reference is None:
            return spoken

        def phase(message: str, start: float, end: float):
            # The conversion's own 0..1 plan, squeezed after the speech phase.
            return progress.phase(message, 0.3 + 0.7 * start, 0.3 + 0.7 * end)

        samples, report = conversion.convert(
            spoken.samples,
            spoken.rate,
            reference,
            conversion.ConversionSettings(),
            self._shifter,
            phase,
        )
        log.info(
            "spoke %.2f s (%s): pitch x%.3f, formants x%.3f",
            spoken.seconds,
            job.language_id,
            report.pitch_ratio,
            report.formant_ratio,
        )
        return Audio(samples, spoken.rate)

    def _voice(self, path: str, phase) -> conversion.VoiceModel:
        """The reference's voice model, learnt once per file version."""
        try:
            st = os.stat(path)
        except OSError as exc:
            raise EngineError(f"Could not read the reference clip at {path}.", 400) from exc
        key = (os.path.realpath(path), st.st_mtime_ns, st.st_size)
        with self._voices_lock:
            model = self._voices.get(key)
            if model is not None:
                self._voices.move_to_end(key)
                return model
        step = phase("Analysing voice…", 0.0, 0.05)
        clip = read_mono(path, "reference clip")
        model = conversion.learn_voice(clip.samples, clip.rate)
        step(1.0)
        if not model.has_voice:
            raise EngineError(
                f"The reference clip has no voiced speech to learn the voice from: {path}", 422
            )
        with self._voices_lock:
            self._voices[key] = model
            while len(self._voices) > REFERENCE_CACHE_SIZE:
                self._voices.popitem(last=False)
        return model
