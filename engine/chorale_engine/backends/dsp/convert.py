"""Voice conversion without a neural model.

Pitch moves to the reference's median (exactly when talking, by whole semitones when singing so the
melody stays in key), formants move by the vocal-tract ratio estimated from the two voices'
envelopes, a bounded matching EQ pulls the long-term spectrum toward the reference, and the level is
matched to the reference's speech level.
"""

from __future__ import annotations

import logging
from dataclasses import dataclass, field
from typing import Callable

import numpy as np
from scipy import signal

from . import analysis
from .stretch import PitchShifter, shift_in_parallel

log = logging.getLogger(__name__)

PITCH_LIMIT_SEMITONES = 24.0
EQ_LIMIT_DB = 12.0
LEVEL_BOOST_LIMIT_DB = 20.0
LEVEL_CUT_LIMIT_DB = 30.0
PEAK_CEILING = 10 ** (-1.0 / 20)  # -1 dBFS
EQ_CORE_BAND = (200.0, 4000.0)  # the level reference for the EQ's shape
EMPTY_BAND_DB = 45.0  # a band this far below the core level counts as empty

Phase = Callable[[str, float, float], Callable[[float], None]]


@dataclass
class ConversionSettings:
    singing: bool = False
    similarity: float = 0.7  # 0..1: strength of the matching EQ
    fast: bool = False  # shorter analysis window in the shifter


@dataclass
class VoiceModel:
    """Everything learnt from one clip; cached per reference file."""

    profile: analysis.VoiceProfile
    band_centres: np.ndarray
    band_levels: np.ndarray
    level: float  # speech level (linear RMS of the active part)

    @property
    def has_voice(self) -> bool:
        return self.profile.f0_median > 0


@dataclass
class ConversionReport:
    pitch_ratio: float = 1.0
    formant_ratio: float = 1.0
    eq_gains_db: list[float] = field(default_factory=list)
    level_gain_db: float = 0.0


def learn_voice(samples: np.ndarray, rate: int) -> VoiceModel:
    x16 = analysis.to_analysis_rate(samples, rate)
    profile = analysis.profile_voice(x16)
    centres, levels = analysis.band_levels(samples, rate)
    return VoiceModel(profile, centres, levels, speech_level(samples, rate))


def speech_level(samples: np.ndarray, rate: int) -> float:
    hop = max(1, int(rate * 0.02))
    frames = analysis.frame_signal(samples, hop, hop)
    return analysis.active_level(np.sqrt(np.mean(np.square(frames), axis=1, dtype=np.float64)))


def pitch_ratio_for(source: VoiceModel, reference: VoiceModel, singing: bool) -> float:
    if not (source.has_voice and reference.has_voice):
        return 1.0
    semitones = 12.0 * np.log2(reference.profile.f0_median / source.profile.f0_median)
    if singing:
        semitones = float(np.round(semitones))
    semitones = float(np.clip(semitones, -PITCH_LIMIT_SEMITONES, PITCH_LIMIT_SEMITONES))
    return float(2.0 ** (semitones / 12.0))


def convert(
    samples: np.ndarray,
    rate: int,
    reference: VoiceModel,
    settings: ConversionSettings,
    shifter: PitchShifter,
    phase: Phase,
) -> tuple[np.ndarray, ConversionReport]:
    """Convert mono `samples` toward `reference`; the result has the same length and rate."""
    report = ConversionReport()
    step = phase("Analysing voice…", 0.05, 0.25)
    source = learn_voice(samples, rate)
    step(1.0)

    report.pitch_ratio = pitch_ratio_for(source, reference, settings.singing)
    if source.has_voice and reference.has_voice:
        report.formant_ratio = analysis.estimate_formant_ratio(source.profile, reference.profile)

    step = phase("Converting…", 0.25, 0.85)
    if abs(np.log(report.pitch_ratio)) > 1e-4 or abs(np.log(report.formant_ratio)) > 1e-4:
        shifted = shift_in_parallel(
            shifter, samples, rate, report.pitch_ratio, report.formant_ratio, settings.fast, step
        )
    else:
        shifted = samples.astype(np.float32)
    step(1.0)

    step = phase("Finishing…", 0.85, 0.95)
    gains = _matching_gains(shifted, rate, reference, settings.similarity)
    report.eq_gains_db = [round(float(g), 1) for g in gains[1]]
    out = _apply_eq(shifted, rate, *gains)
    step(0.6)
    out, report.level_gain_db = _match_level(out, rate, reference.level)
    step(1.0)
    return out.astype(np.float32), report


def _matching_gains(
    y: np.ndarray, rate: int, reference: VoiceModel, strength: float
) -> tuple[np.ndarray, np.ndarray]:
    """Per-band gains (dB) that move y's long-term spectrum `strength` of the way to the
    reference's, shape only (overall level is matched separately) and bounded."""
    centres, levels = analysis.band_levels(y, rate)
    count = min(len(centres), len(reference.band_centres))
    if count < 3 or strength <= 0:
        return centres, np.zeros(len(centres))
    ours, theirs = levels[:count], reference.band_levels[:count]
    core = (centres[:count] >= EQ_CORE_BAND[0]) & (centres[:count] <= EQ_CORE_BAND[1])
    if not core.any():
        core = np.ones(count, dtype=bool)
    diff = (theirs - theirs[core].mean()) - (ours - ours[core].mean())
    # Bands that are empty on either side (a downward shift of a low-rate take leaves the top
    # empty) carry no information: hold the neighbouring gain instead of boosting noise.
    empty = (ours < ours[core].mean() - EMPTY_BAND_DB) | (
        theirs < theirs[core].mean() - EMPTY_BAND_DB
    )
    if empty.all():
        return centres, np.zeros(len(centres))
    valid = np.flatnonzero(~empty)
    diff = np.interp(np.arange(count), valid, diff[valid])
    diff = np.convolve(np.pad(diff, 1, mode="edge"), [0.25, 0.5, 0.25], mode="valid")
    gains = np.clip(strength * diff, -EQ_LIMIT_DB, EQ_LIMIT_DB)
    # Where the reference has no bandwidth (a low-rate clip), hold the last gain rather than
    # inventing a cut or a boost.
    gains = np.concatenate([gains, np.full(len(centres) - count, gains[-1])])
    return centres, gains


def _apply_eq(y: np.ndarray, rate: int, centres: np.ndarray, gains_db: np.ndarray) -> np.ndarray:
    if not np.any(np.abs(gains_db) > 0.05):
        return y
    nyquist = rate / 2.0
    freqs = np.concatenate([[0.0], centres, [nyquist]])
    db = np.concatenate([[gains_db[0]], gains_db, [gains_db[-1]]])
    taps = int(rate * 0.04) | 1  # 40 ms linear-phase FIR, odd length
    fir = signal.firwin2(taps, freqs / nyquist, 10 ** (db / 20.0))
    return signal.oaconvolve(y, fir.astype(np.float32), mode="same")


def _match_level(y: np.ndarray, rate: int, target: float) -> tuple[np.ndarray, float]:
    current = speech_level(y, rate)
    gain_db = 0.0
    if current > 0 and target > 0:
        gain_db = float(
            np.clip(20 * np.log10(target / current), -LEVEL_CUT_LIMIT_DB, LEVEL_BOOST_LIMIT_DB)
        )
    out = y * np.float32(10 ** (gain_db / 20))
    peak = float(np.max(np.abs(out), initial=0.0))
    if peak > PEAK_CEILING:
        # Plain gain, never clipping: a quieter clone beats a distorted one.
        out *= np.float32(PEAK_CEILING / peak)
        gain_db += 20 * np.log10(PEAK_CEILING / peak)
    return out, gain_db
