"""One JSON line per request: path, headers in arrival order, the raw body, the
answer and the problems found in the request."""
import base64
import json
import threading
import time


class RequestLog:
    def __init__(self, path):
        self._path = path
        self._lock = threading.Lock()
        self._seq = 0

    def write(self, method, path, headers, body, status, note, violations=()):
        if not self._path:
            return
        with self._lock:
            self._seq += 1
            entry = {"seq": self._seq, "time": round(time.time(), 3), "method": method,
                     "path": path, "headers": [[k, v] for k, v in headers],
                     "body": body.decode("utf-8", errors="replace"),
                     "bodyBase64": base64.b64encode(body).decode("ascii"),
                     "status": status, "note": note,
                     "violations": list(violations)}
            with open(self._path, "a", encoding="utf-8") as f:
                f.write(json.dumps(entry, ensure_ascii=False) + "\n")
