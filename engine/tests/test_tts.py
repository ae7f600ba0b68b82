"""Speech in every app language."""

import shutil

import numpy as np
import pytest
import soundfile as sf

from helpers import cents, median_f0

SAMPLES = {
    "en": "Hello, how are you today?",
    "ar": "مرحبا، كيف حالك اليوم؟",
    "zh": "你好，今天天气很好。",
    "da": "Hej, hvordan har du det i dag?",
    "nl": "Hallo, hoe gaat het vandaag?",
    "fi": "Hei, mitä kuuluu tänään?",
    "fr": "Bonjour, comment allez-vous aujourd'hui ?",
    "de": "Hallo, wie geht es dir heute?",
    "el": "Γεια σου, τι κάνεις σήμερα;",
    "he": "שלום, מה שלומך היום?",
    "hi": "नमस्ते, आज आप कैसे हैं?",
    "it": "Ciao, come stai oggi?",
    "ja": "こんにちは、いい天気ですね。",
    "ko": "안녕하세요, 오늘 기분이 어때요?",
    "ms": "Hai, apa khabar hari ini?",
    "no": "Hei, hvordan har du det i dag?",
    "pl": "Cześć, jak się dzisiaj masz?",
    "pt": "Olá, como está hoje?",
    "ru": "Привет, как дела сегодня?",
    "es": "Hola, ¿cómo estás hoy?",
    "sw": "Habari, unaendeleaje leo?",
    "sv": "Hej, hur mår du idag?",
    "tr": "Merhaba, bugün nasılsın?",
}


def test_every_app_language_has_a_sample():
    from chorale_engine.backends.dsp.speech import LANGUAGE_VOICES
    from chorale_engine.jobs import LANGUAGE_CODES

    assert len(LANGUAGE_CODES) == 23
    assert set(SAMPLES) == set(LANGUAGE_CODES) == set(LANGUAGE_VOICES)


@pytest.mark.parametrize("language", list(SAMPLES))
def test_speaks_each_language(engine, out_dir, language):
    out = out_dir / f"{language}.wav"
    r = engine.post("/tts", {"text": SAMPLES[language], "output_wav": str(out),
                             "language_id": language})
    assert r.status == 200 and r.json == {"ok": True}, r.body
    data, rate = sf.read(out, dtype="float32")
    assert len(data) / rate > 0.8
    assert np.sqrt(np.mean(data**2)) > 0.01


@pytest.mark.parametrize("language", ["en", "zh", "ru"])
def test_speech_takes_the_reference_voice(engine, voices, out_dir, language):
    out = out_dir / "spoken.wav"
    r = engine.post("/tts", {"text": SAMPLES[language], "output_wav": str(out),
                             "language_id": language,
                             "audio_prompt_wav": str(voices["female"])})
    assert r.status == 200, r.body
    data, rate = sf.read(out, dtype="float32")
    ref, ref_rate = sf.read(voices["female"], dtype="float32")
    assert abs(cents(median_f0(data, rate), median_f0(ref, ref_rate))) < 50


def test_text_is_never_read_as_options(engine, out_dir):
    out = out_dir / "dash.wav"
    r = engine.post("/tts", {"text": "--help -w /tmp/evil.wav", "output_wav": str(out),
                             "language_id": "en"})
    assert r.status == 200 and sf.info(out).duration > 1.0


@pytest.mark.skipif(not shutil.which("kakasi"), reason="kakasi is not installed")
def test_japanese_kanji_are_spelled_in_kana():
    from chorale_engine.backends.dsp.speech import prepare_text

    kana = prepare_text("今日は天気がいい。", "ja")
    assert not any("\u4e00" <= ch <= "\u9fff" for ch in kana)
    assert "てんき" in kana
