"""Scripted failure modes: the next COUNT requests to a path are answered badly.

Modes:
  status   reply with HTTP status ARG (default 500) and a JSON error body
  cut      announce the full body, send half of it, close the connection
  drop     close the connection without any reply
  nonjson  HTTP 200 with a body that is not JSON
  error    HTTP 200 with {"status":"error","code":ARG} (ARG default 1011)
  delay    wait ARG milliseconds (default 500, at most 10000), then answer normally
"""
import threading

MODES = ("status", "cut", "drop", "nonjson", "error", "delay")
DEFAULT_ARG = {"status": 500, "error": 1011, "delay": 500}


class Rule:
    def __init__(self, path, mode, count=1, arg=None):
        if mode not in MODES:
            raise ValueError("unknown failure mode %r (one of %s)" % (mode, ", ".join(MODES)))
        if count < 1:
            raise ValueError("count must be at least 1")
        self.path = path
        self.mode = mode
        self.count = count
        self.arg = DEFAULT_ARG.get(mode) if arg is None else int(arg)
        if mode == "status" and not 100 <= self.arg <= 599:
            raise ValueError("status must be 100..599")
        if mode == "delay":
            self.arg = max(0, min(self.arg, 10000))


def parse_rule(text):
    """PATH=MODE[:COUNT[:ARG]]"""
    path, sep, rest = text.partition("=")
    if not sep or not path.startswith("/"):
        raise ValueError("failure must be PATH=MODE[:COUNT[:ARG]]: " + text)
    parts = rest.split(":")
    count = int(parts[1]) if len(parts) > 1 and parts[1] else 1
    arg = parts[2] if len(parts) > 2 and parts[2] else None
    return Rule(path, parts[0], count, arg)


class Script:
    def __init__(self, rules=()):
        self._lock = threading.Lock()
        self._rules = list(rules)

    def add(self, rule):
        with self._lock:
            self._rules.append(rule)

    def take(self, path):
        """The (mode, arg) to apply to this request, or None; uses up one count."""
        with self._lock:
            for rule in self._rules:
                if rule.path == path and rule.count > 0:
                    rule.count -= 1
                    return rule.mode, rule.arg
        return None
