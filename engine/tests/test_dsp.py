"""The dsp backend's building blocks, in process."""

import shutil

import numpy as np
import pytest
import soundfile as sf

from chorale_engine.backends.dsp import analysis, convert, stretch
from helpers import cents, median_f0


def harmonic_tone(f0, seconds=1.0, rate=16000):
    t = np.arange(int(seconds * rate)) / rate
    return sum(np.sin(2 * np.pi * k * f0 * t) / k for k in range(1, 8)).astype(np.float32) * 0.2


@pytest.mark.parametrize("f0", [65.0, 110.0, 220.0, 440.0, 880.0])
def test_pitch_tracker_finds_the_fundamental(f0):
    track = analysis.track_pitch(analysis.to_analysis_rate(harmonic_tone(f0, rate=44100), 44100))
    voiced = track.f0[track.voiced]
    assert len(voiced) > 0.8 * len(track.f0)
    assert abs(cents(float(np.median(voiced)), f0)) < 10


def test_noise_and_silence_are_unvoiced():
    rng = np.random.default_rng(3)
    for x in (np.zeros(16000), 0.1 * rng.standard_normal(16000)):
        profile = analysis.profile_voice(x)
        assert profile.f0_median == 0.0


def shifters():
    found = []
    lib = stretch.RubberBandLibrary.load()
    if lib:
        found.append(pytest.param(lib, id="library"))
    cli = stretch.RubberBandCli.find()
    if cli:
        found.append(pytest.param(cli, id="cli"))
    return found


@pytest.fixture(scope="module")
def speech(voices):
    data, rate = sf.read(voices["male"], dtype="float32")
    return data, rate


@pytest.mark.parametrize("shifter", shifters())
@pytest.mark.parametrize("pitch,formant", [(1.8, 1.18), (0.7, 0.88), (1.0, 1.15)])
def test_shifters_keep_length_and_reach_the_ratios(speech, shifter, pitch, formant):
    x, rate = speech
    y = shifter.shift(x, rate, pitch, formant)
    assert len(y) == len(x) and y.dtype == np.float32
    assert abs(cents(median_f0(y, rate), median_f0(x, rate) * pitch)) < 25
    before = analysis.profile_voice(analysis.to_analysis_rate(x, rate))
    after = analysis.profile_voice(analysis.to_analysis_rate(y, rate))
    # The formant estimate shares its pitch prior with the shift, so judge the envelope warp.
    assert abs(np.log(analysis.envelope_warp(before, after) / formant)) < np.log(1.07)


def test_parallel_shift_matches_length_and_pitch(speech):
    lib = stretch.RubberBandLibrary.load()
    if not lib:
        pytest.skip("librubberband not available")
    x, rate = speech
    y = stretch.shift_in_parallel(lib, x, rate, 1.5, 1.1, workers=3)
    assert len(y) == len(x)
    assert abs(cents(median_f0(y, rate), median_f0(x, rate) * 1.5)) < 25
    assert np.all(np.isfinite(y)) and np.max(np.abs(y)) < 2.0


def test_split_points_fall_in_quiet_places():
    rate = 16000
    x = np.ones(rate * 9, dtype=np.float32)
    x[int(4.3 * rate) : int(4.4 * rate)] = 0.0  # one pause near the middle
    cuts = stretch.split_points(x, rate, 2)
    assert len(cuts) == 1 and 4.3 * rate <= cuts[0] <= 4.4 * rate


def test_matching_eq_is_bounded_and_follows_similarity(voices):
    male, rate = sf.read(voices["male"], dtype="float32")
    female, ref_rate = sf.read(voices["female"], dtype="float32")
    reference = convert.learn_voice(female, ref_rate)
    _, none = convert._matching_gains(male, rate, reference, 0.0)
    _, half = convert._matching_gains(male, rate, reference, 0.5)
    _, full = convert._matching_gains(male, rate, reference, 1.0)
    assert np.all(none == 0)
    assert np.max(np.abs(full)) <= convert.EQ_LIMIT_DB
    unclipped = np.abs(full) < convert.EQ_LIMIT_DB
    assert np.allclose(half[unclipped], full[unclipped] / 2, atol=0.01)


def test_level_is_matched_without_clipping():
    rate = 16000
    quiet = harmonic_tone(150, 2, rate) * 0.05
    loud, gain = convert._match_level(quiet, rate, target=0.5)
    assert np.max(np.abs(loud)) <= convert.PEAK_CEILING + 1e-6
    assert gain > 0


def test_pitch_ratio_rules():
    def model(f0):
        profile = analysis.VoiceProfile(f0, np.ones(513), np.zeros(3))
        return convert.VoiceModel(profile, np.array([]), np.array([]), 0.1)

    assert convert.pitch_ratio_for(model(100), model(173), singing=False) == pytest.approx(1.73)
    sung = convert.pitch_ratio_for(model(100), model(173), singing=True)
    assert 12 * np.log2(sung) == pytest.approx(round(12 * np.log2(1.73)))
    assert convert.pitch_ratio_for(model(0), model(173), singing=False) == 1.0
    assert convert.pitch_ratio_for(model(50), model(1000), singing=False) == pytest.approx(4.0)


def test_missing_rubber_band_names_the_package(monkeypatch):
    monkeypatch.setattr(stretch.RubberBandLibrary, "load", classmethod(lambda cls: None))
    monkeypatch.setattr(shutil, "which", lambda name: None)
    from chorale_engine.errors import ToolMissing

    with pytest.raises(ToolMissing, match="sudo apt install rubberband-cli"):
        stretch.find_pitch_shifter()


def test_backend_choice_from_environment():
    from chorale_engine.backends import UnavailableBackend, create_backend
    from chorale_engine.config import EngineConfig

    def chosen(value):
        return create_backend(EngineConfig.from_environment({"CHORALE_ENGINE_BACKEND": value}))

    assert chosen("").name == chosen("auto").name == chosen("DSP").name == "dsp"
    assert isinstance(chosen("neural"), UnavailableBackend)
    assert isinstance(chosen("gpu"), UnavailableBackend)


def test_a_neural_module_plugs_in_without_touching_the_server(monkeypatch):
    import sys
    import types

    from chorale_engine.backends import UnavailableBackend, create_backend
    from chorale_engine.backends.base import Backend
    from chorale_engine.config import EngineConfig

    class Neural(Backend):
        name = "neural"

        def prepare(self, report):
            report(1.0, "Loaded")

        def convert(self, job, progress):
            raise NotImplementedError

        def speak(self, job, progress):
            raise NotImplementedError

    def install(available):
        module = types.ModuleType("chorale_engine.backends.neural")
        module.available = available
        module.create = lambda config: Neural()
        monkeypatch.setitem(sys.modules, "chorale_engine.backends.neural", module)

    def chosen(value):
        return create_backend(EngineConfig.from_environment({"CHORALE_ENGINE_BACKEND": value}))

    install(lambda config: None)
    assert chosen("auto").name == chosen("neural").name == "neural"
    assert chosen("dsp").name == "dsp"

    install(lambda config: "PyTorch is not installed.")
    assert chosen("auto").name == "dsp"
    unavailable = chosen("neural")
    assert isinstance(unavailable, UnavailableBackend)
    assert unavailable.reason.startswith("PyTorch is not installed.")

    def broken(config):
        raise ImportError("libtorch.so: cannot open shared object file")

    install(broken)
    assert chosen("auto").name == "dsp"
    assert "failed to load" in chosen("neural").reason


def test_config_follows_the_app_environment(tmp_path):
    from chorale_engine.config import EngineConfig

    data = tmp_path / "Chorale"
    config = EngineConfig.from_environment({"CHORALE_DATA_DIR": str(data),
                                            "HF_HOME": str(data / "models"),
                                            "CHORALE_HF_CACHE": str(data / "models/checkpoints")})
    assert config.checkpoints_dir == data / "models" / "checkpoints"
    assert config.transformers_dir == data / "models" / "transformers"
    assert config.scratch_dir() == data / "tmp" and (data / "tmp").is_dir()
    assert EngineConfig.from_environment({}).data_dir is None


def test_job_progress_never_goes_back():
    from chorale_engine.state import JobProgress

    progress = JobProgress()
    step = progress.phase("Converting…", 0.2, 0.8)
    step(0.5)
    assert progress.snapshot() == {"progress": 0.5, "message": "Converting…"}
    step(0.1)
    progress.phase("Analysing voice…", 0.0, 0.1)
    assert progress.snapshot()["progress"] == 0.5
    progress.finish()
    assert progress.snapshot() == {"progress": 0.0, "message": ""}
