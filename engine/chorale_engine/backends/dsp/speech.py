"""Speech in the 23 app languages with espeak-ng."""

from __future__ import annotations

import logging
import os
import shutil
import subprocess
import tempfile
from pathlib import Path

import numpy as np

from ...audio import Audio, read_mono
from ...errors import EngineError, ToolMissing

log = logging.getLogger(__name__)

ESPEAK_HINT = "espeak-ng is not installed. Install it with: sudo apt install espeak-ng"

# App language code -> espeak-ng voice. Chinese needs the pinyin voice to read hanzi;
# Norwegian is Bokmål.
LANGUAGE_VOICES = {
    "en": "en-us",
    "ar": "ar",
    "zh": "cmn-latn-pinyin",
    "da": "da",
    "nl": "nl",
    "fi": "fi",
    "fr": "fr-fr",
    "de": "de",
    "el": "el",
    "he": "he",
    "hi": "hi",
    "it": "it",
    "ja": "ja",
    "ko": "ko",
    "ms": "ms",
    "no": "nb",
    "pl": "pl",
    "pt": "pt",
    "ru": "ru",
    "es": "es",
    "sw": "sw",
    "sv": "sv",
    "tr": "tr",
}

NOTHING_TO_SAY = "The text has nothing to pronounce (espeak-ng produced no sound for it)."

FEMALE_VARIANT = "f3"  # about 210 Hz
FEMALE_ABOVE_HZ = 160.0


def espeak_path() -> str:
    path = shutil.which("espeak-ng")
    if not path:
        raise ToolMissing(ESPEAK_HINT)
    return path


def variant_for(reference_f0: float) -> str | None:
    """Start from the espeak voice nearer the reference's pitch: smaller shifts sound better."""
    return FEMALE_VARIANT if reference_f0 > FEMALE_ABOVE_HZ else None


def prepare_text(text: str, language: str) -> str:
    if language == "ja":
        return _kanji_to_kana(text)
    return text


def _kanji_to_kana(text: str) -> str:
    """espeak-ng reads only kana; kakasi, when installed, spells kanji out in hiragana."""
    kakasi = shutil.which("kakasi")
    if not kakasi:
        return text
    try:
        result = subprocess.run(
            [kakasi, "-JH", "-i", "utf8", "-o", "utf8"],
            input=text.encode("utf-8"),
            capture_output=True,
            timeout=30,
        )
    except (OSError, subprocess.SubprocessError) as exc:
        log.warning("kakasi failed: %s", exc)
        return text
    if result.returncode != 0:
        log.warning("kakasi failed: %s", result.stderr.decode("utf-8", "replace").strip())
        return text
    return result.stdout.decode("utf-8", "replace")


def synthesise(text: str, language: str, variant: str | None, scratch: Path) -> Audio:
    voice = LANGUAGE_VOICES[language]
    if variant:
        voice = f"{voice}+{variant}"
    spoken = prepare_text(text, language)
    with tempfile.TemporaryDirectory(prefix="chorale-tts-", dir=scratch) as tmp:
        wav = os.path.join(tmp, "speech.wav")
        # The text goes through stdin: it can never be taken for an option.
        cmd = [espeak_path(), "-v", voice, "-b", "1", "-w", wav, "--stdin"]
        try:
            result = subprocess.run(
                cmd,
                input=spoken.encode("utf-8"),
                capture_output=True,
                timeout=120 + len(spoken) / 20,
            )
        except subprocess.TimeoutExpired as exc:
            raise EngineError("espeak-ng took too long to speak the text.") from exc
        except OSError as exc:
            raise ToolMissing(ESPEAK_HINT) from exc
        if result.returncode != 0 or not os.path.exists(wav):
            err = result.stderr.decode("utf-8", "replace").strip()
            log.error("espeak-ng %s failed (%d): %s", voice, result.returncode, err)
            raise EngineError(f"espeak-ng could not speak the text: {err or 'no output'}.")
        try:
            speech = read_mono(wav, "synthesised speech")
        except EngineError as exc:
            raise EngineError(NOTHING_TO_SAY, 422) from exc
    if not np.any(np.abs(speech.samples) > 1e-4):
        raise EngineError(NOTHING_TO_SAY, 422)
    return speech
