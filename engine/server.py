#!/usr/bin/env python3
"""Chorale voice engine: `server.py --unix-socket PATH`.

Serves HTTP/1.1 with JSON bodies on the given Unix socket. See README.md beside this file.
"""

import os
import signal
import sys

# Until the server installs its own handlers, a stop request just ends the process quietly:
# the imports below take a moment and nothing exists yet that needs cleaning up.
signal.signal(signal.SIGTERM, lambda signum, frame: os._exit(0))

# Importable whatever the working directory is (the app starts us inside vendor/seed-vc).
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from chorale_engine.app import main  # noqa: E402

if __name__ == "__main__":
    sys.exit(main())
