"""Command line, socket set-up and shutdown of the engine process."""

from __future__ import annotations

import argparse
import errno
import logging
import os
import signal
import socket
import stat
import sys
import threading

from . import audio
from .backends import create_backend
from .config import EngineConfig
from .http import EngineHTTPServer
from .service import EngineService

log = logging.getLogger("chorale_engine")

# sockaddr_un.sun_path holds 108 bytes including the terminating NUL.
MAX_SOCKET_PATH_BYTES = 107


class StartupError(Exception):
    pass


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description="Chorale voice engine")
    parser.add_argument("--unix-socket", required=True, metavar="PATH", help="socket to listen on")
    args = parser.parse_args(argv)

    logging.basicConfig(
        level=logging.INFO,
        stream=sys.stderr,
        format="%(asctime)s %(levelname)s %(name)s: %(message)s",
    )
    umask = os.umask(0o077)  # read the umask; the socket itself is made private below
    os.umask(umask)
    audio.set_file_mode_from_umask(umask)

    config = EngineConfig.from_environment()
    backend = create_backend(config)
    log.info(
        "starting: backend %s (requested %s), data %s, models %s, cwd %s, python %s",
        backend.name,
        config.backend,
        config.data_dir,
        config.models_dir,
        os.getcwd(),
        sys.version.split()[0],
    )
    service = EngineService(backend)

    # Handlers go in before the socket exists, so a SIGTERM can never leave a socket behind.
    stopping = threading.Event()
    running: list[EngineHTTPServer] = []

    def stop(signum, frame, reason: str | None = None) -> None:
        if stopping.is_set():
            return
        stopping.set()
        log.info("%s, stopping", reason or f"received {signal.Signals(signum).name}")
        if running:
            # shutdown() waits for serve_forever to return, so it cannot run on this thread.
            threading.Thread(target=running[0].shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    try:
        server = bind(args.unix_socket, service)
    except StartupError as exc:
        log.error("%s", exc)
        return 1
    own = os.stat(args.unix_socket)
    running.append(server)
    watch_parent(stopping, lambda: stop(signal.SIGTERM, None, "the app that started the engine is gone"))
    try:
        if not stopping.is_set():
            log.info("listening on %s", args.unix_socket)
            server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()
        remove_socket(args.unix_socket, own)
        audio.remove_pending_outputs()
        log.info("stopped")
        logging.shutdown()
    # Jobs still running on worker threads are abandoned; their partial files are gone.
    sys.stdout.flush()
    sys.stderr.flush()
    os._exit(0)


def watch_parent(stopping: threading.Event, on_orphaned) -> None:
    """Stop when the process that started the engine goes away (a crashed or killed app never
    sends SIGTERM); the engine would otherwise keep running with nobody to talk to."""
    parent = os.getppid()

    def watch() -> None:
        while not stopping.wait(1.0):
            if os.getppid() != parent:
                on_orphaned()
                return

    threading.Thread(target=watch, name="parent-watch", daemon=True).start()


def bind(path: str, service: EngineService) -> EngineHTTPServer:
    if len(os.fsencode(path)) > MAX_SOCKET_PATH_BYTES:
        raise StartupError(f"The socket path is too long for a Unix socket: {path}")
    folder = os.path.dirname(path) or "."
    if not os.path.isdir(folder):
        raise StartupError(f"The socket's folder does not exist: {folder}")
    clear_stale_socket(path)
    old = os.umask(0o077)  # only the user may connect: the engine reads and writes their voice
    try:
        return EngineHTTPServer(path, service)
    except OSError as exc:
        raise StartupError(f"Could not listen on {path}: {exc.strerror}") from exc
    finally:
        os.umask(old)


def clear_stale_socket(path: str) -> None:
    """Remove a socket left by a crashed engine; refuse to touch anything else."""
    try:
        st = os.lstat(path)
    except FileNotFoundError:
        return
    if not stat.S_ISSOCK(st.st_mode):
        raise StartupError(f"{path} exists and is not a socket; not replacing it.")
    probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    probe.settimeout(1.0)
    try:
        probe.connect(path)
    except OSError as exc:
        if exc.errno in (errno.ECONNREFUSED, errno.ENOENT):
            log.info("removing stale socket %s", path)
            os.unlink(path)
            return
        raise StartupError(f"Could not check the existing socket {path}: {exc.strerror}")
    finally:
        probe.close()
    raise StartupError(f"Another engine is already listening on {path}.")


def remove_socket(path: str, own: os.stat_result) -> None:
    """Remove our socket file, but not one that a newer engine has put in its place."""
    try:
        st = os.lstat(path)
        if (st.st_dev, st.st_ino) == (own.st_dev, own.st_ino):
            os.unlink(path)
    except OSError:
        pass
