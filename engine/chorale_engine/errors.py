"""Errors that reach the user as {"detail": "..."} with an HTTP status."""


class EngineError(Exception):
    """A failure with a sentence meant for the user. `status` is the HTTP status to answer."""

    def __init__(self, detail: str, status: int = 500):
        super().__init__(detail)
        self.detail = detail
        self.status = status


class RequestError(EngineError):
    """The request itself is wrong (missing key, bad path, unreadable file)."""

    def __init__(self, detail: str, status: int = 400):
        super().__init__(detail, status)


class ToolMissing(EngineError):
    """A program or library the backend needs is not installed; the text says how to get it."""

    def __init__(self, detail: str):
        super().__init__(detail, 503)
