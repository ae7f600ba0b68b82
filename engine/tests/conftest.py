import shutil

import pytest

from helpers import espeak, start_engine

SOURCE_TEXT = (
    "The quick brown fox jumps over the lazy dog while the farmer watches from the old "
    "wooden fence near the river."
)
REFERENCE_TEXT = (
    "Please call Stella. Ask her to bring these things with her from the store: six spoons "
    "of fresh snow peas."
)


def pytest_collection_modifyitems(config, items):
    missing = [tool for tool in ("espeak-ng",) if not shutil.which(tool)]
    if missing:
        skip = pytest.mark.skip(reason=f"needs {', '.join(missing)}")
        for item in items:
            item.add_marker(skip)


@pytest.fixture(scope="session")
def voices(tmp_path_factory):
    """Real speech: a male take and a female reference saying different things."""
    d = tmp_path_factory.mktemp("voices")
    return {
        "male": espeak(d / "male.wav", SOURCE_TEXT, "en-us"),
        "female": espeak(d / "female.wav", REFERENCE_TEXT, "en-us+f3"),
        "female_take": espeak(d / "female_take.wav", SOURCE_TEXT, "en-us+f2"),
        "male_ref": espeak(d / "male_ref.wav", REFERENCE_TEXT, "en-us+m3"),
        "male48": espeak(d / "male48.wav", SOURCE_TEXT, "en-us", rate=48000),
    }


@pytest.fixture(scope="session")
def engine(tmp_path_factory):
    """One engine for the whole run, prepared."""
    work = tmp_path_factory.mktemp("engine")
    eng = start_engine(work)
    assert eng.post("/prepare").status == 200
    yield eng
    assert eng.stop() == 0


@pytest.fixture
def out_dir(tmp_path):
    d = tmp_path / "out"
    d.mkdir()
    return d
