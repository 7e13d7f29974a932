"""Starts the simulated cloud in a scratch folder and talks to it over HTTPS."""
import hashlib
import http.client
import json
import os
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

AGENT = hashlib.md5(b"02:00:00:00:00:aa").hexdigest()


class SimCloud:
    def __init__(self, *extra, lifetime=120):
        from simcloud import netns_guard
        private, why = netns_guard.in_private_namespace()
        if not private:
            raise AssertionError("NOT INSIDE A PRIVATE NETWORK NAMESPACE: %s. Network tests run "
                                 "only through scripts/test.sh or scripts/netns.sh." % why)
        self.dir = tempfile.mkdtemp(prefix="simcloud-")
        self.port_file = os.path.join(self.dir, "port")
        self.log_file = os.path.join(self.dir, "requests.jsonl")
        self.proc = subprocess.Popen(
            [sys.executable, SCRIPT, "--make-certs", self.dir, "--port-file", self.port_file,
             "--log", self.log_file, "--lifetime", str(lifetime)] + list(extra),
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 30
        while not os.path.exists(self.port_file):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                err = self.proc.stderr.read().decode(errors="replace") if self.proc.stderr else ""
                self.stop()
                raise RuntimeError("simulated cloud did not start: " + err)
            time.sleep(0.05)
        with open(self.port_file, encoding="ascii") as f:
            self.port = int(f.read())
        self.base = "https://127.0.0.1:%d" % self.port
        self.ca = os.path.join(self.dir, "ca.pem")
        self.context = ssl.create_default_context(cafile=self.ca)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=10)
        if self.proc.stderr:
            self.proc.stderr.close()
        shutil.rmtree(self.dir, ignore_errors=True)

    def connection(self):
        return http.client.HTTPSConnection("127.0.0.1", self.port, context=self.context,
                                           timeout=15)

    def request(self, method, path, body=b"", headers=()):
        """(HTTP status, body bytes); headers go out in the given order."""
        conn = self.connection()
        try:
            conn.putrequest(method, path, skip_accept_encoding=True)
            for k, v in headers:
                conn.putheader(k, v)
            conn.putheader("Content-Length", str(len(body)))
            conn.endheaders(body)
            resp = conn.getresponse()
            return resp.status, resp.read()
        finally:
            conn.close()

    def post_json(self, path, obj, headers=()):
        body = obj if isinstance(obj, bytes) else json.dumps(obj).encode("utf-8")
        status, data = self.request("POST", path, body,
                                    [("Content-Type", "application/json;charset=utf-8")] +
                                    list(headers))
        try:
            return status, json.loads(data.decode("utf-8"))
        except ValueError:
            return status, data

    def control(self, path, obj):
        status, reply = self.post_json("/_sim/" + path, obj)
        if status != 200:
            raise RuntimeError("control %s failed: %r" % (path, reply))

    def log_entries(self):
        with open(self.log_file, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]


def signed_headers(access_token, sig_header):
    return [("Accept-Language", "zh"), ("x-agent-token", AGENT),
            ("Authorization", "Bearer " + access_token), ("X-UAC-Signature", sig_header)]
