"""Chorale's voice engine: an HTTP/JSON server on a Unix socket with pluggable backends."""
