"""Conversion properties on real speech made by espeak-ng, through the running engine."""

import numpy as np
import pytest
import soundfile as sf
from scipy import signal

from helpers import cents, median_f0


def convert(engine, source, target, out, **options):
    body = {"source_wav": str(source), "target_wav": str(target), "output_wav": str(out),
            "diffusion_steps": 40, "similarity_cfg_rate": 0.7, "convert_style": True,
            "singing": False}
    body.update(options)
    r = engine.post("/convert", body)
    assert r.status == 200 and r.json == {"ok": True}, r.body
    info = sf.info(out)
    assert info.format == "WAV" and info.subtype == "FLOAT"
    data, rate = sf.read(out, dtype="float32")
    return data, rate


def band_distance(a, rate_a, b, rate_b, top):
    """RMS difference of two level-normalised third-octave long-term spectra up to `top` Hz."""
    def bands(x, rate):
        f, p = signal.welch(x, rate, nperseg=1 << int(np.log2(rate / 8)))
        centres = 100 * 2 ** (np.arange(40) / 3)
        centres = centres[centres * 2 ** (1 / 6) < top]
        v = np.array([10 * np.log10(p[(f >= c * 2 ** -(1 / 6)) & (f < c * 2 ** (1 / 6))].mean()
                                    + 1e-14) for c in centres])
        return v - v.mean()
    return float(np.sqrt(np.mean((bands(a, rate_a) - bands(b, rate_b)) ** 2)))


@pytest.mark.parametrize(
    "source,target",
    [("male", "female"), ("female_take", "male_ref"), ("male48", "female")],
    ids=["male to female", "female to male", "48 kHz take"],
)
def test_talking_conversion_takes_the_reference_pitch_and_colour(engine, voices, out_dir,
                                                                 source, target):
    src, src_rate = sf.read(voices[source], dtype="float32")
    ref, ref_rate = sf.read(voices[target], dtype="float32")
    out, rate = convert(engine, voices[source], voices[target], out_dir / "clone.wav")

    assert rate == src_rate
    assert abs(len(out) - len(src)) <= 0.01 * len(src)
    assert abs(cents(median_f0(out, rate), median_f0(ref, ref_rate))) < 50
    assert np.max(np.abs(out)) <= 1.0 and np.sqrt(np.mean(out**2)) > 0.01

    # The long-term spectrum moves toward the reference (within the band all three cover).
    top = 0.45 * min(ref_rate, src_rate * min(1.0, median_f0(out, rate) / median_f0(src, src_rate)))
    before = band_distance(src, src_rate, ref, ref_rate, top)
    after = band_distance(out, rate, ref, ref_rate, top)
    assert after < 0.7 * before, (before, after)


def test_singing_moves_by_whole_semitones(engine, voices, out_dir):
    src, rate = sf.read(voices["male"], dtype="float32")
    out, _ = convert(engine, voices["male"], voices["female"], out_dir / "sung.wav",
                     singing=True, convert_style=False, diffusion_steps=50)
    steps = cents(median_f0(out, rate), median_f0(src, rate)) / 100
    assert abs(steps - round(steps)) < 0.2
    assert round(steps) >= 6  # still a big move up toward the female voice


def test_stereo_source_and_mono_output(engine, voices, out_dir):
    mono, rate = sf.read(voices["male"], dtype="float32")
    stereo = out_dir / "stereo.wav"
    sf.write(stereo, np.stack([mono, 0.5 * mono], axis=1), rate, subtype="PCM_16")
    out, out_rate = convert(engine, stereo, voices["female"], out_dir / "clone.wav")
    assert out.ndim == 1 and out_rate == rate and len(out) == len(mono)


@pytest.mark.parametrize(
    "samples",
    [np.zeros(22050, dtype=np.float32), np.zeros(300, dtype=np.float32) + 0.01,
     (0.2 * np.sin(2 * np.pi * 220 * np.arange(1000) / 22050)).astype(np.float32)],
    ids=["silence", "300 samples", "tiny tone"],
)
def test_takes_without_speech_still_convert(engine, voices, out_dir, samples):
    take = out_dir / "take.wav"
    sf.write(take, samples, 22050, subtype="FLOAT")
    out, _ = convert(engine, take, voices["female"], out_dir / "clone.wav")
    assert len(out) == len(samples) and np.all(np.isfinite(out))


def test_output_overwrites_an_existing_clone(engine, voices, out_dir):
    target = out_dir / "converted.wav"
    target.write_bytes(b"old")
    convert(engine, voices["male"], voices["female"], target)
    assert sf.info(target).frames > 0
    assert sorted(p.name for p in out_dir.iterdir()) == ["converted.wav"]
