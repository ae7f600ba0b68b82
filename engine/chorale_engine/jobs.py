"""The two job requests, parsed and checked before they wait for the worker."""

from __future__ import annotations

from dataclasses import dataclass
from typing import Any

from . import audio
from .errors import RequestError

# The 23 language codes the app sends as "language_id".
LANGUAGE_CODES = (
    "en ar zh da nl fi fr de el he hi it ja ko ms no pl pt ru es sw sv tr".split()
)

MAX_TEXT_CHARACTERS = 20000


@dataclass(frozen=True)
class ConvertJob:
    source_wav: str
    target_wav: str
    output_wav: str
    diffusion_steps: int = 40
    similarity_cfg_rate: float = 0.7
    convert_style: bool = True
    singing: bool = False


@dataclass(frozen=True)
class SpeechJob:
    text: str
    output_wav: str
    language_id: str = "en"
    audio_prompt_wav: str | None = None


def parse_convert(body: dict[str, Any]) -> ConvertJob:
    job = ConvertJob(
        source_wav=_path(body, "source_wav"),
        target_wav=_path(body, "target_wav"),
        output_wav=_path(body, "output_wav"),
        diffusion_steps=_integer(body, "diffusion_steps", 40, 1, 1000),
        similarity_cfg_rate=_number(body, "similarity_cfg_rate", 0.7, 0.0, 1.0),
        convert_style=_boolean(body, "convert_style", True),
        singing=_boolean(body, "singing", False),
    )
    audio.check_readable(job.source_wav, "source recording")
    audio.check_readable(job.target_wav, "reference clip")
    audio.check_writable(job.output_wav)
    return job


def parse_speech(body: dict[str, Any]) -> SpeechJob:
    text = body.get("text")
    if not isinstance(text, str):
        raise RequestError('"text" is required and must be a string.')
    if not text.strip():
        raise RequestError("There is no text to speak.")
    if len(text) > MAX_TEXT_CHARACTERS:
        raise RequestError(
            f"The text is too long ({len(text)} characters; at most {MAX_TEXT_CHARACTERS})."
        )
    language = body.get("language_id", "en")
    if not isinstance(language, str) or language not in LANGUAGE_CODES:
        raise RequestError(
            f'Unsupported language "{language}". Use one of: {", ".join(LANGUAGE_CODES)}.'
        )
    prompt = _path(body, "audio_prompt_wav", required=False)
    job = SpeechJob(
        text=text,
        output_wav=_path(body, "output_wav"),
        language_id=language,
        audio_prompt_wav=prompt,
    )
    if prompt:
        audio.check_readable(prompt, "reference clip")
    audio.check_writable(job.output_wav)
    return job


def _path(body: dict[str, Any], key: str, required: bool = True) -> str | None:
    value = body.get(key)
    if value is None and not required:
        return None
    if not isinstance(value, str) or not value:
        raise RequestError(f'"{key}" is required and must be a file path.')
    if "\0" in value:
        raise RequestError(f'"{key}" contains a NUL character.')
    if not audio.is_absolute(value):
        raise RequestError(f'"{key}" must be an absolute path, not "{value}".')
    return value


def _integer(body: dict[str, Any], key: str, default: int, low: int, high: int) -> int:
    value = body.get(key, default)
    # JSON writers may send 40.0 for 40; bool is an int subclass in Python and is not a number.
    if isinstance(value, float) and value.is_integer():
        value = int(value)
    if isinstance(value, bool) or not isinstance(value, int):
        raise RequestError(f'"{key}" must be a whole number.')
    if not low <= value <= high:
        raise RequestError(f'"{key}" must be between {low} and {high}.')
    return value


def _number(body: dict[str, Any], key: str, default: float, low: float, high: float) -> float:
    value = body.get(key, default)
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise RequestError(f'"{key}" must be a number.')
    if not low <= value <= high:
        raise RequestError(f'"{key}" must be between {low:g} and {high:g}.')
    return float(value)


def _boolean(body: dict[str, Any], key: str, default: bool) -> bool:
    value = body.get(key, default)
    if not isinstance(value, bool):
        raise RequestError(f'"{key}" must be true or false.')
    return value
