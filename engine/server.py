#!/usr/bin/env python3
"""Chorale voice engine: `server.py --unix-socket PATH`.

Serves HTTP/1.1 with JSON bodies on the given Unix socket. See README.md beside this file.
"""

import importlib.util
import os
import signal
import sys

# Until the server installs its own handlers, a stop request just ends the process quietly:
# the imports below take a moment and nothing exists yet that needs cleaning up.
signal.signal(signal.SIGTERM, lambda signum, frame: os._exit(0))

SYSTEM_PYTHON = "/usr/bin/python3"
NEEDED = ("numpy", "scipy", "soundfile")


def ensure_dependencies() -> None:
    """Run under the system Python when this interpreter (say a pyenv or venv one without the
    Debian packages) lacks numpy, scipy or soundfile."""
    missing = [name for name in NEEDED if importlib.util.find_spec(name) is None]
    if not missing:
        return
    here = os.path.realpath(sys.executable)
    if (
        os.environ.get("CHORALE_ENGINE_REEXEC") != "1"
        and os.access(SYSTEM_PYTHON, os.X_OK)
        and os.path.realpath(SYSTEM_PYTHON) != here
    ):
        os.environ["CHORALE_ENGINE_REEXEC"] = "1"
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, os.path.abspath(__file__), *sys.argv[1:]])
    sys.stderr.write(
        f"The voice engine needs {', '.join(missing)} for {sys.executable}. Install them with: "
        "sudo apt install python3-numpy python3-scipy python3-soundfile\n"
    )
    sys.exit(1)


ensure_dependencies()

# Importable whatever the working directory is (the app starts us inside vendor/seed-vc).
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from chorale_engine.app import main  # noqa: E402

if __name__ == "__main__":
    sys.exit(main())
