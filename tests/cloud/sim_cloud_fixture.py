"""Starts the simulated cloud in a scratch folder and talks to it over HTTPS the
way the client does: each call's headers in order, compact bodies with the
builders' members first, signed calls time-stamped now."""
import base64
import hashlib
import http.client
import json
import os
import secrets
import shutil
import ssl
import subprocess
import sys
import tempfile
import time

TOOLS = os.environ.get("SIM_CLOUD_DIR") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "cloud")
SCRIPT = os.path.join(TOOLS, "sim_cloud.py")
sys.dont_write_bytecode = True  # keep the source folders clean
sys.path.insert(0, TOOLS)

from simcloud import signature, sodium  # noqa: E402

AGENT = hashlib.md5(b"02:00:00:00:00:aa").hexdigest()
INSTALL_ID = "{3f2b8c1e-7d4a-4e9b-a2c6-0d1e5f7a9b34}"
ACCOUNT = ("user@example.com", "secret123")
ENTRY_PREFIX = "/cloud"
NONCE_ALPHABET = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"


class Obj(list):
    """A JSON object as ordered (key, value) pairs; a key may come twice."""


def compact(value):
    """The text cJSON_PrintUnformatted makes: no white space, members in order."""
    if isinstance(value, dict):
        value = Obj(value.items())
    if isinstance(value, Obj):
        return "{" + ",".join(json.dumps(k, ensure_ascii=False) + ":" + compact(v)
                              for k, v in value) + "}"
    if isinstance(value, (list, tuple)):
        return "[" + ",".join(compact(v) for v in value) + "]"
    return json.dumps(value, ensure_ascii=False)


def now_ms():
    return str(int(time.time() * 1000))


class Req:
    """One request as the client builds it; tests may tamper with any part
    before it is sent. A signed request is signed when it is sent, over the
    body as it then is, so only what a test changes is wrong."""

    META = (("locale", "en-US"), ("localtz", 60), ("appName", "orvanta"),
            ("appVendorCode", "ORV"))
    DATA = (("origin", "PC"), ("osName", "windows"), ("agentName", "host1"),
            ("appVendorCode", "ORV"))

    def __init__(self, path, data=(), meta=(), accept_language="zh", signed_path=None,
                 tokens=None, agent=AGENT):
        self.path = path
        self.signed_path = signed_path
        self.meta = Obj(self.META + tuple(meta))
        self.data = Obj(self.DATA + tuple(data))
        self.raw = None       # bytes sent instead of the printed body
        self.timestamp = None  # None: now
        self.sign_key = tokens["signToken"] if tokens else None
        self.headers = [["Content-Type", "application/json;charset=utf-8"],
                        ["Accept-Language", accept_language]]
        if signed_path:
            self.headers += [["x-agent-token", agent],
                             ["Authorization", "Bearer " + tokens["accessToken"]],
                             ["X-UAC-Signature", None]]

    # ----- tampering ------------------------------------------------------
    def member(self, part, key, value, occurrence=0):
        """Sets the value of a member of "meta" or "data"."""
        obj = getattr(self, part)
        hits = [i for i, (k, _) in enumerate(obj) if k == key]
        obj[hits[occurrence]] = (key, value)

    def drop_member(self, part, key, occurrence=0):
        obj = getattr(self, part)
        del obj[[i for i, (k, _) in enumerate(obj) if k == key][occurrence]]

    def add_member(self, part, key, value, at=None):
        obj = getattr(self, part)
        obj.insert(len(obj) if at is None else at, (key, value))

    def header(self, name, value):
        for h in self.headers:
            if h[0] == name:
                h[1] = value
                return
        raise KeyError(name)

    def drop_header(self, name):
        self.headers = [h for h in self.headers if h[0] != name]

    # ----- on the wire ----------------------------------------------------
    def body(self):
        if self.raw is not None:
            return self.raw
        return compact(Obj([("meta", self.meta), ("data", self.data)])).encode("utf-8")

    def wire_headers(self, body):
        ts = self.timestamp or now_ms()
        out = []
        for name, value in self.headers:
            if name == "X-UAC-Signature" and value is None:
                value = signature.header_value(ts, signature.uac_signature(
                    body, self.signed_path, ts, self.sign_key))
            out.append((name, value))
        return out


class SimCloud:
    def __init__(self, *extra, lifetime=120):
        from simcloud import netns_guard
        private, why = netns_guard.in_private_namespace()
        if not private:
            raise AssertionError("NOT INSIDE A PRIVATE NETWORK NAMESPACE: %s. Network tests run "
                                 "only through scripts/test.sh or scripts/netns.sh." % why)
        self.entry = ENTRY_PREFIX
        for i, arg in enumerate(extra[:-1]):
            if arg == "--entry-prefix":
                self.entry = extra[i + 1]
        self.dir = tempfile.mkdtemp(prefix="simcloud-")
        self.port_file = os.path.join(self.dir, "port")
        self.log_file = os.path.join(self.dir, "requests.jsonl")
        self.err_file = os.path.join(self.dir, "stderr.txt")
        with open(self.err_file, "wb") as err:
            self.proc = subprocess.Popen(
                [sys.executable, SCRIPT, "--make-certs", self.dir, "--port-file", self.port_file,
                 "--log", self.log_file, "--lifetime", str(lifetime)] + list(extra),
                stdout=subprocess.DEVNULL, stderr=err)
        deadline = time.monotonic() + 120
        while not os.path.exists(self.port_file):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                err = self.stderr()
                self.stop()
                raise RuntimeError("simulated cloud did not start: " + err)
            time.sleep(0.05)
        with open(self.port_file, encoding="ascii") as f:
            self.port = int(f.read())
        self.base = "https://127.0.0.1:%d" % self.port
        self.ca = os.path.join(self.dir, "ca.pem")
        self.context = ssl.create_default_context(cafile=self.ca)

    def stderr(self):
        try:
            with open(self.err_file, encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=10)
        shutil.rmtree(self.dir, ignore_errors=True)

    def connection(self):
        return http.client.HTTPSConnection("127.0.0.1", self.port, context=self.context,
                                           timeout=60)

    def request(self, method, path, body=b"", headers=()):
        """(HTTP status, body bytes); headers go out in the given order, after
        Host (unless given) and before Content-Length (unless given)."""
        headers = list(headers)
        names = [k.lower() for k, _ in headers]
        conn = self.connection()
        try:
            conn.putrequest(method, path, skip_host="host" in names, skip_accept_encoding=True)
            for k, v in headers:
                conn.putheader(k, v)
            if method == "POST" and "content-length" not in names:
                conn.putheader("Content-Length", str(len(body)))
            conn.endheaders(body)
            resp = conn.getresponse()
            return resp.status, resp.read()
        finally:
            conn.close()

    @staticmethod
    def _json(status, data):
        try:
            return status, json.loads(data.decode("utf-8"))
        except ValueError:
            return status, data

    def post_json(self, path, obj, headers=()):
        body = obj if isinstance(obj, bytes) else compact(obj).encode("utf-8")
        return self._json(*self.request(
            "POST", path, body, [("Content-Type", "application/json;charset=utf-8")] +
            list(headers)))

    def send(self, req, extra_headers=()):
        """(HTTP status, parsed reply or raw bytes) of a Req."""
        body = req.body()
        return self._json(*self.request("POST", req.path, body,
                                        req.wire_headers(body) + list(extra_headers)))

    def control(self, path, obj):
        status, reply = self.post_json("/_sim/" + path, obj)
        if status != 200:
            raise RuntimeError("control %s failed: %r" % (path, reply))
        return reply

    def log_entries(self):
        with open(self.log_file, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def last_entry(self, path):
        return [e for e in self.log_entries() if e["path"] == path][-1]


class Client:
    """Builds each call's request the way the client does."""

    def __init__(self, cloud, install_id=INSTALL_ID, agent=AGENT):
        self.cloud = cloud
        self.install_id = install_id
        self.agent = agent

    # ----- unsigned -------------------------------------------------------
    def app_startup(self):
        return Req(self.cloud.entry + "/api/v1/app-startup")

    def challenge(self, username=ACCOUNT[0]):
        return Req("/uac/v1/challenge", (("username", username), ("action", "signin"),
                                         ("agentToken", self.install_id)))

    def keys(self, username=ACCOUNT[0]):
        status, reply = self.cloud.send(self.challenge(username))
        if status != 200 or reply.get("status") != "ok":
            raise AssertionError("challenge failed: %r %r" % (status, reply))
        return reply["result"]

    @staticmethod
    def nonce_text():
        return "".join(secrets.choice(NONCE_ALPHABET) for _ in range(24))

    def signin(self, keys, password=ACCOUNT[1], username=ACCOUNT[0], nonce=None):
        """The sign-in request with `password` boxed for the challenge `keys`."""
        nonce = (nonce or self.nonce_text()).encode("ascii")
        box = sodium.box_easy(password.encode("utf-8"), nonce,
                              base64.b64decode(keys["serverPubKey"]),
                              base64.b64decode(keys["clientSecretKey"]))
        return Req("/uac/v1/signin", (
            ("username", username), ("password", base64.b64encode(box).decode()),
            ("nonce", base64.b64encode(nonce).decode()), ("agentName", "windows"),
            ("agentToken", self.install_id), ("osName", "windows"),
            ("grantType", "password"), ("scope", "all")), accept_language="zh;q=1.0")

    def sign_in(self, password=ACCOUNT[1], username=ACCOUNT[0]):
        """The whole reply of a challenge and a sign-in."""
        status, reply = self.cloud.send(self.signin(self.keys(username), password, username))
        if status != 200:
            raise AssertionError("sign-in answered %d: %r" % (status, reply))
        return reply

    def tokens(self):
        reply = self.sign_in()
        if reply.get("status") != "ok":
            raise AssertionError("sign-in failed: %r" % reply)
        return reply["result"]

    def refresh(self, tokens):
        return Req("/uac/v1/refresh-token", (
            ("agentToken", self.install_id), ("accessToken", tokens["accessToken"]),
            ("refreshToken", tokens["refreshToken"])))

    def signout(self, tokens):
        return Req("/uac/v1/signout", (("agentToken", self.install_id),
                                       ("refreshToken", tokens["refreshToken"])))

    # ----- signed ---------------------------------------------------------
    def _signed(self, path, signed_path, tokens, data=(), with_meta_token=True):
        meta = (("accessToken", tokens["accessToken"]),) if with_meta_token else ()
        return Req(path, data, meta, signed_path=signed_path, tokens=tokens, agent=self.agent)

    def device_list(self, tokens):
        return self._signed("/uac/v2/device-list", "/api/v2/device-list", tokens)

    def dev_config(self, tokens, devices):
        """`devices`: (deviceId, deviceType) in device-list order."""
        return self._signed(self.cloud.entry + "/api/v1/dev-config", "/api/v1/dev-config",
                            tokens, (("devices", [Obj([("deviceId", d), ("deviceType", t)])
                                                  for d, t in devices]),))

    def snapshot(self, tokens, device_id):
        return self._signed("/uac/v1/snapshot", "/api/v1/snapshot", tokens,
                            (("deviceId", device_id),))

    def fetch_infos(self, tokens, gateway_path, device_id):
        return self._signed(gateway_path + "/v1/fetch-infos", "/api/v1/fetch-infos", tokens,
                            (("devices", [Obj([("did", device_id), ("dtype", 1),
                                               ("isShare", False), ("scopes", [])])]),),
                            with_meta_token=False)


def signed_headers(access_token, sig_header):
    return [("Accept-Language", "zh"), ("x-agent-token", AGENT),
            ("Authorization", "Bearer " + access_token), ("X-UAC-Signature", sig_header)]
