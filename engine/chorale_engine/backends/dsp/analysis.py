"""Voice analysis for the offline backend: pitch track, voice profile and long-term spectrum.

Everything runs on a 16 kHz mono copy of the signal, which is plenty for pitch and formants and
keeps the analysis cheap next to the pitch shifter.
"""

from __future__ import annotations

from dataclasses import dataclass

import numpy as np
from scipy import signal

ANALYSIS_RATE = 16000
HOP = 160  # 10 ms
YIN_WINDOW = 512  # 32 ms integration window
F0_MIN = 40.0
F0_MAX = 1100.0
YIN_THRESHOLD = 0.15
VOICED_LIMIT = 0.30  # frames whose best dip stays above this are unvoiced
FORMANT_MIN, FORMANT_MAX = 0.75, 1.35  # plausible adult-to-adult vocal tract ratios
PRIOR_WEIGHT = 2.0

ENVELOPE_FFT = 1024  # 64 ms frames for spectra
# Band edges for the long-term spectrum and the matching EQ: third-octave-like bands from 80 Hz.
BAND_CENTRES = 80.0 * 2.0 ** (np.arange(0, 26) / 3.0)  # 80 Hz .. ~25 kHz


def to_analysis_rate(samples: np.ndarray, rate: int) -> np.ndarray:
    if rate == ANALYSIS_RATE:
        return samples.astype(np.float64, copy=False)
    g = np.gcd(int(rate), ANALYSIS_RATE)
    return signal.resample_poly(samples, ANALYSIS_RATE // g, int(rate) // g).astype(np.float64)


def frame_signal(x: np.ndarray, length: int, hop: int) -> np.ndarray:
    """Frames of `length` samples every `hop` samples (a strided view; zero-padded at the end)."""
    if len(x) < length:
        x = np.pad(x, (0, length - len(x)))
    count = 1 + (len(x) - length) // hop
    return np.lib.stride_tricks.sliding_window_view(x, length)[::hop][:count]


@dataclass
class PitchTrack:
    f0: np.ndarray  # Hz per frame, 0 where unvoiced
    rms: np.ndarray  # frame level (linear)
    hop_seconds: float

    @property
    def voiced(self) -> np.ndarray:
        return self.f0 > 0


def _blocks(count: int, size: int = 1024):
    """Slices over `count` frames, a block at a time: spectra of a long take would not fit."""
    for start in range(0, count, size):
        yield slice(start, min(count, start + size))


def track_pitch(x16: np.ndarray) -> PitchTrack:
    """YIN pitch tracker (cumulative mean normalised difference), vectorised over frames."""
    tau_max = int(np.ceil(ANALYSIS_RATE / F0_MIN))
    frames = frame_signal(x16, YIN_WINDOW + tau_max, HOP)
    parts = [_yin(frames[block], tau_max) for block in _blocks(len(frames))]
    best, tau, energy = (np.concatenate(p) for p in zip(*parts))

    rms = np.sqrt(np.maximum(energy / YIN_WINDOW, 0.0))
    loud_floor = max(rms.max(initial=0.0) * 10 ** (-40 / 20), 1e-4)
    voiced = (best < VOICED_LIMIT) & (rms > loud_floor)
    f0 = np.where(voiced, ANALYSIS_RATE / tau, 0.0)
    f0 = _drop_isolated(f0)
    return PitchTrack(f0=f0, rms=rms, hop_seconds=HOP / ANALYSIS_RATE)


def _yin(frames: np.ndarray, tau_max: int) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
    """Per frame: depth of the chosen dip, its lag (refined), and the window's energy."""
    tau_min = int(ANALYSIS_RATE / F0_MAX)
    span = frames.shape[1]
    n_fft = 1 << int(np.ceil(np.log2(span + YIN_WINDOW)))

    # r(tau) = sum_j x[j] x[j+tau] over the integration window, for every frame at once.
    spec_full = np.fft.rfft(frames, n_fft, axis=1)
    spec_head = np.fft.rfft(frames[:, :YIN_WINDOW], n_fft, axis=1)
    corr = np.fft.irfft(spec_full * np.conj(spec_head), n_fft, axis=1)[:, : tau_max + 1]
    squares = np.cumsum(np.pad(frames**2, ((0, 0), (1, 0))), axis=1)
    energy_head = squares[:, YIN_WINDOW]
    taus = np.arange(tau_max + 1)
    energy_shift = squares[:, taus + YIN_WINDOW] - squares[:, taus]
    diff = energy_head[:, None] + energy_shift - 2.0 * corr
    diff[:, 0] = 0.0
    diff = np.maximum(diff, 0.0)

    running = np.cumsum(diff[:, 1:], axis=1)
    cmnd = np.ones_like(diff)
    with np.errstate(divide="ignore", invalid="ignore"):
        cmnd[:, 1:] = np.where(running > 0, diff[:, 1:] * taus[1:] / running, 1.0)

    search = cmnd[:, tau_min : tau_max + 1]
    below = search < YIN_THRESHOLD
    # First dip under the threshold, walked down to its local minimum; else the global minimum.
    idx = np.where(below.any(axis=1), below.argmax(axis=1), search.argmin(axis=1))
    rows = np.arange(len(search))
    for _ in range(64):
        nxt = np.minimum(idx + 1, search.shape[1] - 1)
        step = search[rows, nxt] < search[rows, idx]
        if not step.any():
            break
        idx = np.where(step, nxt, idx)
    best = search[rows, idx]
    lag = idx + tau_min

    # Parabolic refinement of the dip position.
    left = cmnd[rows, np.maximum(lag - 1, 1)]
    mid = cmnd[rows, lag]
    right = cmnd[rows, np.minimum(lag + 1, tau_max)]
    denom = left - 2.0 * mid + right
    with np.errstate(divide="ignore", invalid="ignore"):
        shift = np.where(np.abs(denom) > 1e-12, 0.5 * (left - right) / denom, 0.0)
    return best, lag + np.clip(shift, -0.5, 0.5), energy_head


def _drop_isolated(f0: np.ndarray, run: int = 3) -> np.ndarray:
    """Unvoice voiced runs shorter than `run` frames: they are almost always tracking noise."""
    voiced = f0 > 0
    out = f0.copy()
    start = None
    for i, v in enumerate(np.append(voiced, False)):
        if v and start is None:
            start = i
        elif not v and start is not None:
            if i - start < run:
                out[start:i] = 0.0
            start = None
    return out


def smooth_log_spectrum(power: np.ndarray, lifter: int) -> np.ndarray:
    """Cepstrally smoothed log power spectrum (removes harmonic ripple, keeps the envelope)."""
    log_power = np.log(np.maximum(power, 1e-12))
    cep = np.fft.irfft(log_power)
    cep[lifter:-lifter] = 0.0
    return np.fft.rfft(cep).real


@dataclass
class VoiceProfile:
    """What the converter needs to know about one voice."""

    f0_median: float  # Hz, 0 when the clip has no voiced speech
    mean_power: np.ndarray  # average power spectrum of voiced frames (ENVELOPE_FFT grid, 16 kHz)
    formants: np.ndarray  # median F1..F3 in Hz over voiced frames (zeros when unknown)


def profile_voice(x16: np.ndarray, track: PitchTrack | None = None) -> VoiceProfile:
    track = track or track_pitch(x16)
    voiced = track.voiced
    # The median in log frequency: pitch is heard on a log scale.
    median = float(2.0 ** np.median(np.log2(track.f0[voiced]))) if voiced.sum() >= 5 else 0.0

    frames = frame_signal(x16, ENVELOPE_FFT, HOP)
    n = min(len(frames), len(voiced))
    window = np.hanning(ENVELOPE_FFT)
    pick = np.flatnonzero(voiced[:n]) if voiced[:n].any() else np.arange(n)
    total = np.zeros(ENVELOPE_FFT // 2 + 1)
    for block in _blocks(len(pick)):
        total += (np.abs(np.fft.rfft(frames[pick[block]] * window, axis=1)) ** 2).sum(axis=0)
    mean_power = total / len(pick) if len(pick) else np.ones(ENVELOPE_FFT // 2 + 1)

    return VoiceProfile(median, mean_power, median_formants(x16, voiced))


def active_level(rms: np.ndarray) -> float:
    """Level of the frames that carry speech: frames within 30 dB of the loudest ones."""
    if rms.size == 0 or rms.max() <= 0:
        return 0.0
    top = np.percentile(rms, 95)
    active = rms[rms > top * 10 ** (-30 / 20)]
    return float(np.sqrt(np.mean(active**2))) if active.size else 0.0


LPC_RATE = 10000
LPC_ORDER = 12


def median_formants(x16: np.ndarray, voiced: np.ndarray) -> np.ndarray:
    """Median of the three lowest LPC formants over voiced frames (10 kHz, order 12)."""
    x = signal.resample_poly(x16, 5, 8)
    if len(x) < 2:
        return np.zeros(3)
    x = np.append(x[0], x[1:] - 0.7 * x[:-1])  # pre-emphasis
    length, hop = 250, 100  # 25 ms every 10 ms, aligned with the pitch frames
    frames = frame_signal(x, length, hop)
    pick = np.flatnonzero(voiced[: len(frames)])
    if len(pick) < 5:
        return np.zeros(3)
    lowest = np.concatenate([_lowest_formants(frames[pick[block]]) for block in _blocks(len(pick))])
    return np.median(lowest, axis=0) if len(lowest) >= 5 else np.zeros(3)


def _lowest_formants(frames: np.ndarray) -> np.ndarray:
    """The three lowest sharp LPC resonances per frame; frames with fewer are dropped."""
    power = np.abs(np.fft.rfft(frames * np.hamming(frames.shape[1]), 512, axis=1)) ** 2
    acf = np.fft.irfft(power, 512, axis=1)[:, : LPC_ORDER + 1]
    acf = acf[acf[:, 0] > 1e-10]
    if len(acf) == 0:
        return np.zeros((0, 3))
    acf[:, 0] *= 1.0001  # white-noise floor keeps the recursion stable
    coeffs = _levinson(acf, LPC_ORDER)
    companion = np.zeros((len(coeffs), LPC_ORDER, LPC_ORDER))
    companion[:, 0, :] = -coeffs[:, 1:]
    companion[:, np.arange(1, LPC_ORDER), np.arange(LPC_ORDER - 1)] = 1.0
    roots = np.linalg.eigvals(companion)
    freq = np.angle(roots) * LPC_RATE / (2 * np.pi)
    bandwidth = -np.log(np.abs(roots) + 1e-12) * LPC_RATE / np.pi
    freq = np.where((freq > 200) & (freq < 4800) & (bandwidth < 500), freq, np.inf)
    lowest = np.sort(freq, axis=1)[:, :3]
    return lowest[np.isfinite(lowest).all(axis=1)]


def _levinson(acf: np.ndarray, order: int) -> np.ndarray:
    """Levinson-Durbin recursion for many frames at once; returns [1, a1..ap] per row."""
    a = np.zeros((len(acf), order + 1))
    a[:, 0] = 1.0
    err = acf[:, 0].copy()
    for i in range(1, order + 1):
        k = -np.sum(a[:, :i] * acf[:, i:0:-1], axis=1) / err
        prev = a[:, :i].copy()
        a[:, 1 : i + 1] += k[:, None] * prev[:, ::-1]
        err *= 1.0 - k * k
    return a


def envelope_lifter(*f0s: float) -> int:
    """Cepstral lifter that stays below the shortest pitch period of the voices compared."""
    top = max([f for f in f0s if f > 0], default=150.0)
    return int(np.clip(0.5 * ANALYSIS_RATE / top, 12, 36))


def envelope_warp(source: VoiceProfile, reference: VoiceProfile) -> float:
    """Frequency warp that best maps the source's long-term envelope onto the reference's.

    Searches a factor a so that source(f / a) matches reference(f) over the formant region, after
    removing each envelope's overall tilt (tilt is the matching EQ's job). Both envelopes are
    smoothed alike, and a mild pitch-based prior settles near-ties.
    """
    lifter = envelope_lifter(source.f0_median, reference.f0_median)
    src_env = smooth_log_spectrum(source.mean_power, lifter)
    ref_env = smooth_log_spectrum(reference.mean_power, lifter)
    freqs = np.fft.rfftfreq(ENVELOPE_FFT, 1.0 / ANALYSIS_RATE)
    grid = np.geomspace(250.0, 4500.0, 160)
    ref = _detrend(grid, np.interp(grid, freqs, ref_env))
    ref /= np.linalg.norm(ref) + 1e-12
    prior = np.log(pitch_prior(source, reference))
    ratios = np.geomspace(FORMANT_MIN, FORMANT_MAX, 97)
    scores = np.empty(len(ratios))
    for k, ratio in enumerate(ratios):
        src = _detrend(grid, np.interp(grid / ratio, freqs, src_env))
        scores[k] = float(np.dot(src, ref) / (np.linalg.norm(src) + 1e-12))
    scores -= PRIOR_WEIGHT * (np.log(ratios) - prior) ** 2
    return float(ratios[int(np.argmax(scores))])


def pitch_prior(source: VoiceProfile, reference: VoiceProfile) -> float:
    """Formants follow pitch loosely across adult speakers: about the 0.25th power of the F0
    ratio (a male-to-female move of one octave gives formants about 19 % higher)."""
    if source.f0_median > 0 and reference.f0_median > 0:
        return float((reference.f0_median / source.f0_median) ** 0.25)
    return 1.0


def formant_ratio_lpc(source: VoiceProfile, reference: VoiceProfile) -> float | None:
    """Ratio of the median F2 and F3, which depend on the speaker more than on the words."""
    if not (source.formants.all() and reference.formants.all()):
        return None
    ratios = reference.formants[1:] / source.formants[1:]
    return float(np.exp(np.mean(np.log(ratios))))


def estimate_formant_ratio(source: VoiceProfile, reference: VoiceProfile) -> float:
    """Formant ratio from three imperfect witnesses: the envelope warp, the LPC formants and the
    pitch prior. Each can be fooled by the words spoken (the two clips rarely say the same
    thing); the median of the three survives any one of them going wrong."""
    votes = [envelope_warp(source, reference), pitch_prior(source, reference)]
    lpc = formant_ratio_lpc(source, reference)
    if lpc is not None:
        votes.append(lpc)
    return float(np.clip(np.median(votes), FORMANT_MIN, FORMANT_MAX))


def _detrend(freqs: np.ndarray, values: np.ndarray) -> np.ndarray:
    x = np.log(freqs)
    slope, intercept = np.polyfit(x, values, 1)
    return values - (slope * x + intercept)


def band_levels(samples: np.ndarray, rate: int) -> tuple[np.ndarray, np.ndarray]:
    """Long-term spectrum of the active part in bands up to Nyquist: (centres Hz, levels dB)."""
    n_fft = 2048 if rate > 24000 else 1024
    hop = n_fft // 2
    frames = frame_signal(samples, n_fft, hop)
    window = np.hanning(n_fft)
    level = np.concatenate(
        [np.sum((frames[block] * window) ** 2, axis=1) for block in _blocks(len(frames))]
    )
    keep = np.flatnonzero(level > np.percentile(level, 95) * 10 ** (-30 / 10))
    if len(keep) == 0:
        keep = np.arange(len(frames))
    total = np.zeros(n_fft // 2 + 1)
    for block in _blocks(len(keep)):
        total += (np.abs(np.fft.rfft(frames[keep[block]] * window, axis=1)) ** 2).sum(axis=0)
    mean = total / len(keep)
    freqs = np.fft.rfftfreq(n_fft, 1.0 / rate)
    centres = BAND_CENTRES[BAND_CENTRES * 2 ** (1 / 6) < rate / 2]
    out = np.empty(len(centres))
    for i, c in enumerate(centres):
        lo, hi = c * 2 ** (-1 / 6), c * 2 ** (1 / 6)
        sel = (freqs >= lo) & (freqs < hi)
        band = mean[sel].mean() if sel.any() else np.interp(c, freqs, mean)
        out[i] = 10.0 * np.log10(max(band, 1e-14))
    return centres, out
