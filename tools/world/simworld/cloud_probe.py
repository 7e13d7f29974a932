"""Asks the simulated cloud what it hands the client for every device, by the
calls the client makes after its sign-in: app start-up (where the account
service is), the device list, the device configuration (rendezvous servers,
gateway) and each camera's fetch-infos at its own gateway (access key,
localIp, PTZ). The session comes from the cloud's test hook instead of a
sign-in; the requests are signed and shaped as the strict cloud demands."""
import http.client
import json
import secrets
import ssl
import time
import urllib.parse

from simcloud import signature

CONTENT_TYPE = "application/json;charset=utf-8"
AGENT_NAME = "camviewer-world-probe"


class ProbeError(Exception):
    pass


def _envelope(meta_extra=(), data_extra=()):
    meta = [("locale", "en_US"), ("localtz", 0), ("appName", "orvanta"),
            ("appVendorCode", "ORV")] + list(meta_extra)
    data = [("origin", "PC"), ("osName", "windows"), ("agentName", AGENT_NAME),
            ("appVendorCode", "ORV")] + list(data_extra)
    return json.dumps({"meta": dict(meta), "data": dict(data)}, separators=(",", ":"),
                      ensure_ascii=False).encode("utf-8")


class CloudProbe:
    def __init__(self, entry_url, ca_file, username, timeout_s=15.0):
        self.entry_url = entry_url.rstrip("/")
        parts = urllib.parse.urlsplit(self.entry_url)
        self.host, self.port = parts.hostname, parts.port
        self.base_url = "%s://%s" % (parts.scheme, parts.netloc)
        self.context = ssl.create_default_context(cafile=ca_file)
        self.username = username
        self.timeout_s = timeout_s
        self.access = "AT-probe-" + secrets.token_hex(8)
        self.sign = "SK-probe-" + secrets.token_hex(8)
        self.agent = secrets.token_hex(16)

    def _post(self, url, body, signed_path=None):
        parts = urllib.parse.urlsplit(url)
        if (parts.hostname, parts.port) != (self.host, self.port):
            raise ProbeError("%s is not on the cloud at %s" % (url, self.base_url))
        conn = http.client.HTTPSConnection(self.host, self.port, context=self.context,
                                           timeout=self.timeout_s)
        try:
            conn.putrequest("POST", parts.path or "/", skip_accept_encoding=True)
            if signed_path is not None or not parts.path.startswith("/_sim/"):
                conn.putheader("Content-Type", CONTENT_TYPE)
                conn.putheader("Accept-Language", "zh")
            if signed_path is not None:
                stamp = str(int(time.time() * 1000))
                conn.putheader("x-agent-token", self.agent)
                conn.putheader("Authorization", "Bearer " + self.access)
                conn.putheader("X-UAC-Signature", signature.header_value(
                    stamp, signature.uac_signature(body, signed_path, stamp, self.sign)))
            conn.putheader("Content-Length", str(len(body)))
            conn.endheaders(body)
            reply = conn.getresponse()
            text = reply.read()
        except (OSError, http.client.HTTPException) as e:
            raise ProbeError("%s: %s" % (url, e)) from e
        finally:
            conn.close()
        try:
            parsed = json.loads(text.decode("utf-8"))
        except ValueError:
            parsed = None
        if reply.status != 200 or not isinstance(parsed, dict) or parsed.get("status") != "ok":
            raise ProbeError("%s answered %d: %s" % (url, reply.status, text[:300]))
        return parsed.get("result") or {}

    def fail_next(self, rule):
        """Scripts the cloud's next failures: RULE is PATH=MODE[:COUNT[:ARG]] as
        sim_cloud.py's --fail takes it (its test hook /_sim/script)."""
        path, sep, rest = rule.partition("=")
        parts = rest.split(":")
        if not sep or not path.startswith("/") or not parts[0] or len(parts) > 3:
            raise ProbeError("not PATH=MODE[:COUNT[:ARG]]: " + rule)
        body = {"path": path, "mode": parts[0]}
        try:
            if len(parts) > 1 and parts[1]:
                body["count"] = int(parts[1])
            if len(parts) > 2 and parts[2]:
                body["arg"] = int(parts[2])
        except ValueError as e:
            raise ProbeError("not PATH=MODE[:COUNT[:ARG]]: " + rule) from e
        self._post(self.base_url + "/_sim/script", json.dumps(body).encode("utf-8"))

    def devices(self):
        """Per device, in the cloud's order: id, alias, type, status; for the
        online cameras also key, servers, localIp, ptz and snapshotUrl."""
        self._post(self.base_url + "/_sim/session", json.dumps(
            {"username": self.username, "accessToken": self.access,
             "refreshToken": "RT-probe-" + secrets.token_hex(8),
             "signToken": self.sign}).encode("utf-8"))
        startup = self._post(self.entry_url + "/api/v1/app-startup", _envelope())
        uac = startup["appConfig"]["uacUrl"]
        token = (("accessToken", self.access),)
        listed = self._post(uac + "/v2/device-list", _envelope(token), "/api/v2/device-list")
        devices = [{"id": d["deviceId"], "alias": d["aliasName"], "type": d["deviceType"],
                    "status": d["conStatus"]} for d in listed["conDevices"]]
        asked = [{"deviceId": d["id"], "deviceType": d["type"]} for d in devices]
        config = self._post(self.entry_url + "/api/v1/dev-config",
                            _envelope(token, (("devices", asked),)), "/api/v1/dev-config")
        by_id = {c["deviceId"]: c for c in config["devices"]}
        for d in devices:
            if (d["type"], d["status"]) != (1, 1):
                continue  # the client makes no tile for it and asks nothing more
            c = by_id[d["id"]]
            wanted = [{"did": d["id"], "dtype": 1, "isShare": False, "scopes": []}]
            infos = self._post(c["gatewayUrl"] + "/v1/fetch-infos",
                               _envelope((), (("devices", wanted),)), "/api/v1/fetch-infos")
            info = infos["infos"][-1]["info"]  # the client keeps the last entry
            d.update(key=info["base"]["accessKey"], servers=c["stunServers"],
                     localIp=info["networkConfig"]["localIp"],
                     ptz=info["capability"]["ptz"], snapshotUrl=info["base"]["snapshotUrl"])
        return devices
