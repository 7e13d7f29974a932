"""The HTTPS front of the simulated cloud: routes, signature checks, failure modes."""
import http.server
import json
import socket
import socketserver
import ssl
import sys
import time

from . import signature
from .script import Rule
from .world import GATEWAY_PREFIX, THUMB_PREFIX, UAC_PREFIX, dumps, error, ok

MAX_BODY = 1 << 20

# Scripted failures answered before the call runs. "cut" runs the call (the
# server did the work, the answer is lost on the way) and "delay" answers
# normally afterwards.
NO_SIDE_EFFECT_MODES = ("status", "drop", "nonjson", "error")

# path -> (world method, signed path or None for unsigned calls)
ROUTES = {
    "/api/v1/app-startup": ("app_startup", None),
    "/api/v1/dev-config": ("dev_config", "/api/v1/dev-config"),
    UAC_PREFIX + "/v1/challenge": ("challenge", None),
    UAC_PREFIX + "/v1/signin": ("signin", None),
    UAC_PREFIX + "/v1/refresh-token": ("refresh", None),
    UAC_PREFIX + "/v2/device-list": ("device_list", "/api/v2/device-list"),
    UAC_PREFIX + "/v1/snapshot": ("snapshot", "/api/v1/snapshot"),
    UAC_PREFIX + "/v1/signout": ("signout", None),
    GATEWAY_PREFIX + "/v1/fetch-infos": ("fetch_infos", "/api/v1/fetch-infos"),
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = 30
    server_version = "SimCloud/1"

    def log_message(self, fmt, *args):  # the JSON log replaces the default stderr lines
        pass

    # ----- plumbing -------------------------------------------------------
    def _read_body(self):
        try:
            length = int(self.headers.get("Content-Length", "0"))
        except ValueError:
            length = -1
        if length < 0 or length > MAX_BODY:
            return None
        return self.rfile.read(length) if length else b""

    def _send(self, status, payload, content_type="application/json;charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(payload)))
        self.end_headers()
        self.wfile.write(payload)

    def _apply_failure(self, failure, payload):
        """Answers with the scripted failure; returns (status, note) or None to go on."""
        mode, arg = failure
        if mode == "delay":
            time.sleep(arg / 1000.0)
            return None
        if mode == "status":
            self._send(arg, dumps(error(arg, "scripted status %d" % arg)))
            return arg, "scripted status"
        if mode == "nonjson":
            self._send(200, b"<html>simulated outage</html>", "text/html")
            return 200, "scripted nonjson"
        if mode == "error":
            self._send(200, dumps(error(arg, "scripted error %d" % arg)))
            return 200, "scripted error"
        if mode == "cut":
            self.send_response(200)
            self.send_header("Content-Type", "application/json;charset=utf-8")
            self.send_header("Content-Length", str(len(payload)))
            self.end_headers()
            self.wfile.write(payload[: len(payload) // 2])
        # cut and drop: close the connection without a complete answer
        self.wfile.flush()
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        return 0, "scripted " + mode

    def _log(self, body, status, note):
        self.server.request_log.write(self.command, self.path, self.headers.items(), body,
                                      status, note)

    # ----- requests -------------------------------------------------------
    def do_GET(self):
        world = self.server.world
        if self.path == "/_sim/state":
            self._send(200, dumps(ok({"sessions": world.sessions_state()})))
            self._log(b"", 200, "control")
            return
        failure = self.server.script.take(self.path)
        data = world.thumbnail(self.path) if self.path.startswith(THUMB_PREFIX) else None
        if failure is not None:
            done = self._apply_failure(failure, data or b"")
            if done is not None:
                self._log(b"", done[0], done[1])
                return
        if data is None:
            self._send(404, dumps(error(404, "not found")))
            self._log(b"", 404, "not found")
            return
        self._send(200, data, "image/jpeg")
        self._log(b"", 200, "thumbnail")

    def do_POST(self):
        body = self._read_body()
        if body is None:
            self._send(413, dumps(error(413, "body too large or length missing")))
            self._log(b"", 413, "bad length")
            return
        if self.path.startswith("/_sim/"):
            self._control(body)
            return
        route = ROUTES.get(self.path)
        if route is None:
            self._send(404, dumps(error(404, "no such call")))
            self._log(body, 404, "no such call")
            return
        method, signed_path = route
        world = self.server.world
        try:
            parsed = json.loads(body.decode("utf-8"))
        except (UnicodeDecodeError, ValueError):
            parsed = None
        session = None
        if signed_path is not None:
            session, why = self._check_signed(body, signed_path)
            if session is None:
                self._send(401, dumps(error(1401, why)))
                self._log(body, 401, why)
                return
        if not isinstance(parsed, dict):
            self._send(400, dumps(error(400, "body is not a JSON object")))
            self._log(body, 400, "not json")
            return
        # A reply that never arrives whole must not change the world: the
        # client sends the same request again (same refresh token, same
        # challenge keys) and has to find what it left.
        failure = self.server.script.take(self.path)
        if failure is not None and failure[0] in NO_SIDE_EFFECT_MODES:
            done = self._apply_failure(failure, b"")
            self._log(body, done[0], done[1])
            return
        reply = getattr(world, method)(session, parsed) if signed_path else \
            getattr(world, method)(parsed)
        payload = dumps(reply)
        if failure is not None:
            done = self._apply_failure(failure, payload)
            if done is not None:
                self._log(body, done[0], done[1])
                return
        self._send(200, payload)
        self._log(body, 200, "signature ok" if signed_path else "unsigned")

    def _check_signed(self, body, signed_path):
        auth = self.headers.get("Authorization", "")
        if not auth.startswith("Bearer "):
            return None, "Authorization missing"
        session = self.server.world.session_by_access(auth[len("Bearer "):])
        if session is None:
            return None, "unknown access token"
        agent = self.headers.get("x-agent-token", "")
        if len(agent) != 32 or any(c not in "0123456789abcdef" for c in agent):
            return None, "x-agent-token is not an MD5 digest"
        if not signature.verify(body, signed_path, self.headers.get("X-UAC-Signature"),
                                session.sign_token):
            return None, "bad signature"
        return session, ""

    def _control(self, body):
        try:
            req = json.loads(body.decode("utf-8"))
            if self.path == "/_sim/script":
                self.server.script.add(Rule(req["path"], req["mode"], int(req.get("count", 1)),
                                            req.get("arg")))
            elif self.path == "/_sim/session":
                self.server.world.install_session(req.get("username", "test"),
                                                  req["accessToken"],
                                                  req.get("refreshToken", "RT-test"),
                                                  req.get("signToken", ""))
            else:
                raise KeyError(self.path)
        except (KeyError, ValueError, TypeError, UnicodeDecodeError) as e:
            self._send(400, dumps(error(400, "bad control request: %s" % e)))
            self._log(body, 400, "control")
            return
        self._send(200, dumps(ok()))
        self._log(body, 200, "control")


class SimCloudServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def __init__(self, address, context, world, script, request_log):
        super().__init__(address, Handler)
        self.context = context
        self.world = world
        self.script = script
        self.request_log = request_log

    def finish_request(self, request, client_address):
        # The TLS handshake runs on the connection's own thread, so a slow or
        # failing client never holds up the others.
        request.settimeout(Handler.timeout)
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as e:
            sys.stderr.write("sim_cloud: TLS handshake failed: %s\n" % e)
            return
        try:
            super().finish_request(tls, client_address)
        finally:
            try:
                tls.close()
            except OSError:
                pass
