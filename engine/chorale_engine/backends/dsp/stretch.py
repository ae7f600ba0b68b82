"""Pitch shifting with formant control through Rubber Band.

The R3 ("finer") engine of librubberband 3 is driven directly through its C interface with
ctypes: one offline pass shifts the pitch and moves the formant envelope by its own ratio, and the
output keeps the input's length exactly. When only the command-line tool is installed, the same
result is built from the tool's formant-preserving shift: resample by the formant ratio first (which
moves pitch, formants and tempo together), then let the tool restore the tempo and finish the pitch
with formants preserved.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import logging
import os
import shutil
import subprocess
import tempfile
import threading
from concurrent.futures import ThreadPoolExecutor
from fractions import Fraction
from typing import Callable, Protocol

import numpy as np
import soundfile as sf
from scipy import signal

from ...errors import ToolMissing

log = logging.getLogger(__name__)

ProgressFn = Callable[[float], None]

INSTALL_HINT = "Rubber Band is not installed. Install it with: sudo apt install rubberband-cli"

# Option bits from rubberband-c.h.
_OPT_OFFLINE = 0x00000000
_OPT_THREADING_NEVER = 0x00010000
_OPT_WINDOW_SHORT = 0x00100000
_OPT_FORMANT_PRESERVED = 0x01000000
_OPT_ENGINE_FINER = 0x20000000

_BLOCK = 8192


class PitchShifter(Protocol):
    name: str

    def shift(
        self,
        samples: np.ndarray,
        rate: int,
        pitch_ratio: float,
        formant_ratio: float,
        fast: bool = False,
        progress: ProgressFn | None = None,
    ) -> np.ndarray:
        """Mono float32 in, same length out: pitch times `pitch_ratio`, formants times
        `formant_ratio` (both relative to the input)."""
        ...


_FloatPtr = ctypes.POINTER(ctypes.c_float)


class RubberBandLibrary:
    name = "librubberband (R3)"

    def __init__(self, lib: ctypes.CDLL):
        self._lib = lib
        state = ctypes.c_void_p
        lib.rubberband_new.restype = state
        lib.rubberband_new.argtypes = [
            ctypes.c_uint,
            ctypes.c_uint,
            ctypes.c_int,
            ctypes.c_double,
            ctypes.c_double,
        ]
        lib.rubberband_delete.argtypes = [state]
        lib.rubberband_delete.restype = None
        lib.rubberband_set_formant_scale.argtypes = [state, ctypes.c_double]
        lib.rubberband_set_formant_scale.restype = None
        lib.rubberband_set_expected_input_duration.argtypes = [state, ctypes.c_uint]
        lib.rubberband_set_expected_input_duration.restype = None
        lib.rubberband_set_max_process_size.argtypes = [state, ctypes.c_uint]
        lib.rubberband_set_max_process_size.restype = None
        for fn in (lib.rubberband_study, lib.rubberband_process):
            fn.argtypes = [state, ctypes.POINTER(_FloatPtr), ctypes.c_uint, ctypes.c_int]
            fn.restype = None
        lib.rubberband_available.argtypes = [state]
        lib.rubberband_available.restype = ctypes.c_int
        lib.rubberband_retrieve.argtypes = [state, ctypes.POINTER(_FloatPtr), ctypes.c_uint]
        lib.rubberband_retrieve.restype = ctypes.c_uint
        lib.rubberband_set_default_debug_level.argtypes = [ctypes.c_int]
        lib.rubberband_set_default_debug_level.restype = None
        lib.rubberband_set_default_debug_level(0)

    @classmethod
    def load(cls) -> "RubberBandLibrary | None":
        names = ["librubberband.so.2", ctypes.util.find_library("rubberband")]
        for name in filter(None, names):
            try:
                lib = ctypes.CDLL(name)
            except OSError:
                continue
            # Formant scaling arrived with the R3 engine in version 3.
            if hasattr(lib, "rubberband_set_formant_scale"):
                return cls(lib)
        return None

    def shift(self, samples, rate, pitch_ratio, formant_ratio, fast=False, progress=None):
        x = np.ascontiguousarray(samples, dtype=np.float32)
        n = len(x)
        if n == 0:
            return x.copy()
        options = _OPT_OFFLINE | _OPT_ENGINE_FINER | _OPT_FORMANT_PRESERVED
        options |= _OPT_THREADING_NEVER
        if fast:
            options |= _OPT_WINDOW_SHORT
        lib = self._lib
        st = lib.rubberband_new(int(rate), 1, options, 1.0, float(pitch_ratio))
        if not st:
            raise RuntimeError("Rubber Band could not start")
        try:
            # The formant scale is applied on top of the pitch shift.
            lib.rubberband_set_formant_scale(st, float(formant_ratio / pitch_ratio))
            lib.rubberband_set_expected_input_duration(st, n)
            lib.rubberband_set_max_process_size(st, _BLOCK)

            def at(array: np.ndarray, offset: int):
                ptrs = (_FloatPtr * 1)()
                ptrs[0] = ctypes.cast(array.ctypes.data + offset * 4, _FloatPtr)
                return ptrs

            blocks = range(0, n, _BLOCK)
            for i in blocks:
                m = min(_BLOCK, n - i)
                lib.rubberband_study(st, at(x, i), m, int(i + m >= n))
            out = np.zeros(n, dtype=np.float32)
            filled = 0
            scratch = np.zeros(_BLOCK * 4, dtype=np.float32)

            def drain() -> int:
                nonlocal filled
                while True:
                    avail = lib.rubberband_available(st)
                    if avail <= 0:
                        return avail
                    got = lib.rubberband_retrieve(st, at(scratch, 0), min(avail, len(scratch)))
                    take = min(got, n - filled)
                    out[filled : filled + take] = scratch[:take]
                    filled += take

            for i in blocks:
                m = min(_BLOCK, n - i)
                lib.rubberband_process(st, at(x, i), m, int(i + m >= n))
                drain()
                if progress:
                    progress((i + m) / n)
            while drain() != -1:
                pass
            if filled < n:
                log.warning("Rubber Band returned %d of %d samples", filled, n)
            return out
        finally:
            lib.rubberband_delete(st)


class RubberBandCli:
    name = "rubberband command-line tool (R3)"

    def __init__(self, path: str):
        self._path = path

    @classmethod
    def find(cls) -> "RubberBandCli | None":
        path = shutil.which("rubberband")
        if not path:
            return None
        try:
            result = subprocess.run([path, "--version"], capture_output=True, text=True, timeout=10)
        except (OSError, subprocess.SubprocessError):
            return None
        # The version goes to stdout or stderr depending on the build; R3 needs version 3.
        version = (result.stdout + result.stderr).strip()
        major = version.split(".")[0]
        if major.isdigit() and int(major) < 3:
            return None
        return cls(path)

    def shift(self, samples, rate, pitch_ratio, formant_ratio, fast=False, progress=None):
        x = np.asarray(samples, dtype=np.float32)
        n = len(x)
        if n == 0:
            return x.copy()
        # Playing the signal faster by the formant ratio moves formants and pitch together;
        # the tool then stretches it back and corrects the pitch while keeping those formants.
        squeezed = _resample_by(x, formant_ratio)
        with tempfile.TemporaryDirectory(prefix="chorale-rb-") as tmp:
            src = os.path.join(tmp, "in.wav")
            dst = os.path.join(tmp, "out.wav")
            sf.write(src, squeezed, int(rate), subtype="FLOAT")
            cmd = [
                self._path,
                "-q",
                "-3",
                "-F",
                "-D",
                f"{n / rate:.9f}",
                "-f",
                f"{pitch_ratio / formant_ratio:.9f}",
                src,
                dst,
            ]
            if fast:
                cmd.insert(3, "--window-short")
            result = subprocess.run(cmd, capture_output=True, text=True)
            if result.returncode != 0:
                raise RuntimeError(f"rubberband failed: {result.stderr.strip()[-300:]}")
            y, _ = sf.read(dst, dtype="float32", always_2d=True)
        if progress:
            progress(1.0)
        y = y[:, 0]
        return np.pad(y, (0, max(0, n - len(y))))[:n]


def _resample_by(x: np.ndarray, ratio: float) -> np.ndarray:
    """Resample so that playback at the same rate is `ratio` times faster."""
    if abs(ratio - 1.0) < 1e-4:
        return x
    frac = Fraction(1.0 / ratio).limit_denominator(200)
    return signal.resample_poly(x, frac.numerator, frac.denominator).astype(np.float32)


def find_pitch_shifter(prefer: str | None = None) -> PitchShifter:
    """The best available shifter. `prefer` ("library" or "cli") forces one (used in tests)."""
    prefer = prefer or os.environ.get("CHORALE_RUBBERBAND", "")
    if prefer != "cli":
        lib = RubberBandLibrary.load()
        if lib:
            return lib
        if prefer == "library":
            raise ToolMissing(INSTALL_HINT)
    cli = RubberBandCli.find()
    if cli:
        return cli
    raise ToolMissing(INSTALL_HINT)


CHUNK_CONTEXT_SECONDS = 0.25  # processed on both sides of a chunk and thrown away
CROSSFADE_SECONDS = 0.01
MIN_CHUNK_SECONDS = 3.0
MAX_CHUNK_SECONDS = 30.0


def worker_count() -> int:
    try:
        return max(1, min(4, len(os.sched_getaffinity(0))))
    except (AttributeError, OSError):
        return max(1, min(4, os.cpu_count() or 1))


def split_points(samples: np.ndarray, rate: int, parts: int) -> list[int]:
    """Cut positions near equal shares, each moved to the quietest 20 ms within a second."""
    n = len(samples)
    hop = max(1, rate // 50)
    frames = len(samples) // hop
    if parts < 2 or frames < 2:
        return []
    energy = np.square(samples[: frames * hop].astype(np.float64)).reshape(frames, hop).sum(axis=1)
    cuts = []
    for k in range(1, parts):
        centre = k * n // parts // hop
        lo, hi = max(1, centre - 50), min(frames - 1, centre + 50)
        if hi <= lo:
            continue
        best = lo + int(np.argmin(energy[lo:hi]))
        cuts.append(best * hop + hop // 2)
    return sorted(set(cuts))


def shift_in_parallel(
    shifter: PitchShifter,
    samples: np.ndarray,
    rate: int,
    pitch_ratio: float,
    formant_ratio: float,
    fast: bool = False,
    progress: ProgressFn | None = None,
    workers: int | None = None,
) -> np.ndarray:
    """Shift long signals in chunks on several cores (the library call releases the GIL).

    Chunks are cut at quiet moments, processed with extra context on both sides so that the
    shifter's start-up and tail stay outside the kept part, and joined with a short crossfade.
    """
    n = len(samples)
    workers = workers or worker_count()
    seconds = n / rate
    # As many chunks as workers, more for long takes so that memory stays bounded.
    parts = max(workers, int(np.ceil(seconds / MAX_CHUNK_SECONDS)))
    parts = min(parts, int(seconds // MIN_CHUNK_SECONDS))
    if parts < 2 or not isinstance(shifter, RubberBandLibrary):
        return shifter.shift(samples, rate, pitch_ratio, formant_ratio, fast, progress)

    bounds = [0, *split_points(samples, rate, parts), n]
    context = int(CHUNK_CONTEXT_SECONDS * rate)
    fade = max(1, int(CROSSFADE_SECONDS * rate))
    done = [0.0] * (len(bounds) - 1)
    lock = threading.Lock()

    def run(index: int) -> tuple[np.ndarray, int]:
        start, end = bounds[index], bounds[index + 1]
        lo, hi = max(0, start - context - fade), min(n, end + context + fade)

        def report(fraction: float) -> None:
            if progress:
                with lock:
                    done[index] = fraction
                    progress(sum(done) / len(done))

        out = shifter.shift(samples[lo:hi], rate, pitch_ratio, formant_ratio, fast, report)
        return out, lo

    with ThreadPoolExecutor(max_workers=min(workers, len(bounds) - 1)) as pool:
        pieces = list(pool.map(run, range(len(bounds) - 1)))

    result = np.zeros(n, dtype=np.float32)
    ramp = np.linspace(0.0, 1.0, 2 * fade, dtype=np.float32)
    for index, (piece, offset) in enumerate(pieces):
        start, end = bounds[index], bounds[index + 1]
        # Each piece covers [start - fade, end + fade) plus context; blend across each cut.
        a = max(0, start - fade) if index > 0 else 0
        b = min(n, end + fade) if index < len(pieces) - 1 else n
        segment = piece[a - offset : b - offset].copy()
        if index > 0:
            head = min(2 * fade, len(segment))
            segment[:head] *= ramp[:head]
        if index < len(pieces) - 1:
            tail = min(2 * fade, len(segment))
            segment[len(segment) - tail :] *= ramp[::-1][2 * fade - tail :]
        result[a:b] += segment
    return result
