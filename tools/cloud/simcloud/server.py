"""The HTTPS front of the simulated cloud: routes, request checks, signature
checks, failure modes.

Every request goes through the same steps: its headers, then (signed calls)
the bearer token and the signature, then its body, then what the world
itself can judge. In strict mode (the default) any problem refuses the
request with a 4xx JSON error naming every problem; with --lenient the
problems are only logged. An unknown or expired token, a bad signature, an
x-agent-token that is not a digest, or a body that is not a JSON object is
refused in both modes."""
import collections
import http.server
import json
import socket
import socketserver
import ssl
import sys
import time

from . import checks, signature
from .calls import GATEWAY, THUMB_PREFIX, route
from .exchange import Exchange
from .script import Rule
from .world import dumps, error, ok

MAX_BODY = 1 << 20
MAX_CLOCK_ADVANCE = 10 * 365 * 86400

# Scripted failures answered before the call runs. "cut" runs the call (the
# server did the work, the answer is lost on the way) and "delay" answers
# normally afterwards.
NO_SIDE_EFFECT_MODES = ("status", "drop", "nonjson", "error")


# lenient: log problems instead of refusing; max_skew: seconds a signature's
# time stamp may be off; entry_prefix: the path of the entry URL.
Policy = collections.namedtuple("Policy", "lenient max_skew entry_prefix",
                                defaults=(False, 300.0, ""))


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

    def _answer(self, body, status, payload, note, ex=None,
                content_type="application/json;charset=utf-8"):
        """Logs the request, then answers it: a client that has its answer
        finds the request in the log."""
        self._log(body, status, note, ex)
        self._send(status, payload, content_type)

    def _apply_failure(self, failure, payload, body, ex):
        """Answers with the scripted failure; returns True, or False to go on."""
        mode, arg = failure
        if mode == "delay":
            time.sleep(arg / 1000.0)
            return False
        if mode == "status":
            self._answer(body, arg, dumps(error(arg, "scripted status %d" % arg)),
                         "scripted status", ex)
            return True
        if mode == "nonjson":
            self._answer(body, 200, b"<html>simulated outage</html>", "scripted nonjson", ex,
                         "text/html")
            return True
        if mode == "error":
            self._answer(body, 200, dumps(error(arg, "scripted error %d" % arg)),
                         "scripted error", ex)
            return True
        self._log(body, 0, "scripted " + mode, ex)
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
        return True

    def _log(self, body, status, note, ex=None):
        self.server.request_log.write(self.command, self.path, self.headers.items(), body,
                                      status, note, ex.reasons() if ex is not None else [])

    def _refuse(self, body, status, reasons, ex=None):
        text = "; ".join(reasons)
        sys.stderr.write("sim_cloud: refused %s %s (%d): %s\n" % (self.command, self.path, status,
                                                                  text))
        self._answer(body, status, dumps(error(status, text)), "refused: " + text, ex)

    @staticmethod
    def _note(ex, note):
        return note + ("; not enforced: " + "; ".join(ex.reasons()) if ex.problems else "")

    # ----- requests -------------------------------------------------------
    def do_GET(self):
        world = self.server.world
        if self.path == "/_sim/state":
            self._answer(b"", 200, dumps(ok({"sessions": world.sessions_state()})), "control")
            return
        ex = Exchange(self.server.policy.lenient)
        ex.extend(checks.get_header_problems(self.headers.items()))
        if ex.refused:
            self._refuse(b"", ex.status, ex.reasons(), ex)
            return
        failure = self.server.script.take(self.path)
        data = world.thumbnail(self.path) if self.path.startswith(THUMB_PREFIX) else None
        if failure is not None and self._apply_failure(failure, data or b"", b"", ex):
            return
        if data is None:
            self._answer(b"", 404, dumps(error(404, "not found")), "not found", ex)
            return
        self._answer(b"", 200, data, self._note(ex, "thumbnail"), ex, "image/jpeg")

    def do_POST(self):
        body = self._read_body()
        if body is None:
            self._answer(b"", 413, dumps(error(413, "body too large or length missing")),
                         "bad length")
            return
        if self.path.startswith("/_sim/"):
            self._control(body)
            return
        world = self.server.world
        call, gateway = route(self.path, self.server.policy.entry_prefix)
        if call is None or (call.base == GATEWAY and world.gateway_camera(gateway) is None):
            self._answer(body, 404, dumps(error(404, "no such call")), "no such call")
            return
        ex = Exchange(self.server.policy.lenient)
        ex.gateway = gateway
        ex.extend(checks.header_problems(self.headers.items(), call))
        agent = None
        if call.signed_path is not None:
            why, agent = self._check_signed(body, call, ex)
            if why:
                self._refuse(body, 401, ex.reasons() + [why], ex)
                return
        try:
            parsed = json.loads(body.decode("utf-8"))
        except (UnicodeDecodeError, ValueError):
            parsed = None
        if not isinstance(parsed, dict):
            self._refuse(body, 400, ex.reasons() + ["body is not a JSON object"], ex)
            return
        ex.extend(checks.envelope_problems(body, call))
        if call.signed_path is not None:
            self._check_meta_token(parsed, ex)
        if ex.refused:
            self._refuse(body, ex.status, ex.reasons(), ex)
            return
        # A reply that never arrives whole must not change the world: the
        # client sends the same request again (same refresh token, same
        # challenge keys) and has to find what it left.
        failure = self.server.script.take(self.path)
        if failure is not None and failure[0] in NO_SIDE_EFFECT_MODES:
            self._apply_failure(failure, b"", body, ex)
            return
        reply = getattr(world, call.handler)(ex, parsed)
        if reply is None:
            self._refuse(body, ex.status, ex.reasons(), ex)
            return
        if ex.session is not None:
            world.remember_agent_header(ex.session, agent)
        payload = dumps(reply)
        if failure is not None and self._apply_failure(failure, payload, body, ex):
            return
        self._answer(body, 200, payload,
                     self._note(ex, "signature ok" if call.signed_path else "unsigned"), ex)

    def _check_signed(self, body, call, ex):
        """("", x-agent-token) with ex.session set, or (why it is refused, None)."""
        auth = self.headers.get("Authorization", "")
        if not auth.startswith("Bearer "):
            return "Authorization missing", None
        agent = self.headers.get("x-agent-token", "")
        if len(agent) != 32 or any(c not in "0123456789abcdef" for c in agent):
            return "x-agent-token is not an MD5 digest", None
        session, keys, why = self.server.world.authenticate(auth[len("Bearer "):])
        if session is None:
            return why, None
        parsed = signature.parse_header(self.headers.get("X-UAC-Signature"))
        if parsed is None:
            return "bad signature", None
        problem = checks.timestamp_problem(parsed[0], time.time() * 1000, self.server.policy.max_skew)
        if problem:
            ex.problem(problem, 401)
        if not any(signature.verify(body, call.signed_path, self.headers.get("X-UAC-Signature"),
                                    key) for key in keys):
            return "bad signature", None
        self.server.world.check_agent_header(ex, session, agent)
        ex.session = session
        return "", agent

    def _check_meta_token(self, parsed, ex):
        meta = parsed.get("meta")
        if not isinstance(meta, dict) or "accessToken" not in meta:
            return  # the envelope check names what is missing
        bearer = self.headers.get("Authorization", "")[len("Bearer "):]
        if meta["accessToken"] != bearer:
            ex.problem("meta.accessToken %s is not the bearer token"
                       % checks.show(meta["accessToken"]))

    def _control(self, body):
        try:
            req = json.loads(body.decode("utf-8"))
            result = None
            if self.path == "/_sim/script":
                self.server.script.add(Rule(req["path"], req["mode"], int(req.get("count", 1)),
                                            req.get("arg")))
            elif self.path == "/_sim/session":
                self.server.world.install_session(req.get("username", "test"),
                                                  req["accessToken"],
                                                  req.get("refreshToken", "RT-test"),
                                                  req.get("signToken", ""))
            elif self.path == "/_sim/clock":
                seconds = float(req["advance"])
                if not 0 <= seconds <= MAX_CLOCK_ADVANCE:
                    raise ValueError("advance must be 0..%d seconds" % MAX_CLOCK_ADVANCE)
                result = {"offset": self.server.world.advance(seconds)}
            else:
                raise KeyError(self.path)
        except (KeyError, ValueError, TypeError, UnicodeDecodeError) as e:
            self._answer(body, 400, dumps(error(400, "bad control request: %s" % e)), "control")
            return
        self._answer(body, 200, dumps(ok(result)), "control")


class SimCloudServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def __init__(self, address, context, world, script, request_log, policy=Policy()):
        super().__init__(address, Handler)
        self.context = context
        self.world = world
        self.script = script
        self.request_log = request_log
        self.policy = policy

    def finish_request(self, request, client_address):
        # The TLS handshake runs on the connection's own thread, so a slow or
        # failing client never holds up the others.
        request.settimeout(Handler.timeout)
        # Headers and body leave in separate writes: without this, Nagle's
        # algorithm holds the body until the client's delayed ACK (40 ms).
        request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
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
