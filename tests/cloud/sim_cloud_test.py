"""The simulated cloud: what it refuses (one table of tampered requests, strict
and lenient), signatures, the sign-in box, token life, every call's reply
shape, the realistic world (gateways, devices that get no tile, pictures),
scripted failures, the request log, concurrency and its own end."""
import base64
import copy
import http.client
import json
import os
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse

from sim_cloud_fixture import (ACCOUNT, AGENT, INSTALL_ID, SCRIPT, Client, Obj, SimCloud,
                               compact, now_ms, signed_headers)

from simcloud import signature

GOLDEN_BODY = (b'{"meta":{"locale":"en-US","localtz":60,"appName":"orvanta","appVendorCode":"ORV",'
               b'"accessToken":"AT1"},"data":{"origin":"PC","osName":"windows","agentName":"host1",'
               b'"appVendorCode":"ORV"}}')
GOLDEN_TS = "1700000000000"
GOLDEN = {"signkey-123": "zSUwnEj9kQl74zAaVsC72zzUJntDkicStAH8Rw5UZGk",
          "": "7LgiiKajrGgJlW_jQwX8ZlGcsyAIfrnxgTZtKDt41nI"}
OTHER_ID = "{0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d}"
OTHER_AGENT = "fedcba9876543210fedcba9876543210"

# A camera with PTZ, a camera, a door bell (not a camera) and an offline camera.
WORLD = ("--camera", "CAM0001:Front door:1", "--camera", "CAM0002:Garden:0",
         "--camera", "DOOR01:Door bell:0::type=2", "--camera", "CAM0003:Attic:0::status=0")
DEVICES = [("CAM0001", 1), ("CAM0002", 1), ("DOOR01", 2), ("CAM0003", 1)]


class CloudCase(unittest.TestCase):
    cloud_args = ()

    @classmethod
    def setUpClass(cls):
        cls.cloud = SimCloud(*cls.cloud_args)
        cls.client = Client(cls.cloud)

    @classmethod
    def tearDownClass(cls):
        cls.cloud.stop()

    def entry(self, path):
        return self.cloud.entry + path

    def assert_ok(self, answer):
        status, reply = answer
        self.assertEqual(status, 200, reply)
        self.assertEqual(reply["status"], "ok", reply)
        return reply.get("result")


# ----- the tampered requests -------------------------------------------------
# Each row breaks one rule of what the client sends, on a call where it
# applies: (what, call, tamper(req, case), HTTP status, reason in the log,
# refused even by a lenient cloud). Every other part of the request is right
# (and signed over the tampered body), so the refusal names exactly one problem.

def _fresh(case):
    return case.client.tokens()


MAKE = {
    "app startup": lambda c: c.client.app_startup(),
    "challenge": lambda c: c.client.challenge(),
    "sign-in": lambda c: c.client.signin(c.client.keys()),
    "refresh": lambda c: c.client.refresh(_fresh(c)),
    "sign-out": lambda c: c.client.signout(_fresh(c)),
    "device list": lambda c: c.client.device_list(_fresh(c)),
    "dev-config": lambda c: c.client.dev_config(_fresh(c), DEVICES),
    "snapshot": lambda c: c.client.snapshot(_fresh(c), "CAM0002"),
    "fetch-infos": lambda c: c.client.fetch_infos(_fresh(c), "/gw/1", "CAM0001"),
}


def _set(part, key, value, occurrence=0):
    return lambda r, c: r.member(part, key, value, occurrence)


def _drop(part, key, occurrence=0):
    return lambda r, c: r.drop_member(part, key, occurrence)


def _header(name, value):
    return lambda r, c: r.header(name, value)


def _insert_header(at, name, value):
    return lambda r, c: r.headers.insert(len(r.headers) if at is None else at, [name, value])


def _move_header(name, to):
    def tamper(r, c):
        h = [x for x in r.headers if x[0] == name][0]
        r.headers.remove(h)
        r.headers.insert(len(r.headers) if to is None else to, h)
    return tamper


def _rename_header(name, new):
    def tamper(r, c):
        [x for x in r.headers if x[0] == name][0][0] = new
    return tamper


def _timestamp(make):
    def tamper(r, c):
        r.timestamp = make()
    return tamper


def _raw(make):
    def tamper(r, c):
        r.raw = make(r).encode("utf-8")
    return tamper


def _nonce(text):
    return _set("data", "nonce", base64.b64encode(text.encode("ascii")).decode())


def _devices(value):
    return _set("data", "devices", value)


def _fetch_entry(**changes):
    entry = {"did": "CAM0001", "dtype": 1, "isShare": False, "scopes": []}
    entry.update(changes)
    return _devices([Obj(entry.items())])


def _gateway(number, did):
    def tamper(r, c):
        r.path = "/gw/%d/v1/fetch-infos" % number
        r.member("data", "devices", [Obj([("did", did), ("dtype", 1), ("isShare", False),
                                          ("scopes", [])])])
    return tamper


def _move_member(part, key, at):
    def tamper(r, c):
        obj = getattr(r, part)
        pair = [p for p in obj if p[0] == key][0]
        obj.remove(pair)
        obj.insert(at, pair)
    return tamper


def _after_a_good_call(tamper):
    def both(r, c):
        status, reply = c.cloud.send(copy.deepcopy(r))
        c.assertEqual(status, 200, reply)
        tamper(r, c)
    return both


def _like_a_map(r, c):
    """One agentName and one osName, where a map keeps the last of each."""
    r.member("data", "agentName", "windows")
    r.drop_member("data", "agentName", 1)
    r.drop_member("data", "osName", 1)


TAMPERED = [
    # headers
    ("Content-Type without its charset", "app startup",
     _header("Content-Type", "application/json"), 400, 'header Content-Type is "application/json"'),
    ("sign-in with the common Accept-Language", "sign-in", _header("Accept-Language", "zh"), 400,
     'header Accept-Language is "zh", expected "zh;q=1.0"'),
    ("challenge with the sign-in's Accept-Language", "challenge",
     _header("Accept-Language", "zh;q=1.0"), 400, 'expected "zh"'),
    ("Qt's own Accept-Language left in place", "app startup", _header("Accept-Language", "en,*"),
     400, 'header Accept-Language is "en,*"'),
    ("no Accept-Language", "refresh", lambda r, c: r.drop_header("Accept-Language"), 400,
     "header Accept-Language missing"),
    ("Accept-Language twice", "device list", _insert_header(2, "Accept-Language", "zh"), 400,
     "header Accept-Language sent twice"),
    ("signed headers out of order", "snapshot", _move_header("Authorization", 2), 400,
     "headers out of order"),
    ("Content-Type after the signed headers", "fetch-infos", _move_header("Content-Type", None),
     400, "headers out of order"),
    ("a header of our own", "dev-config", _insert_header(None, "X-Request-Id", "7"), 400,
     "unexpected header X-Request-Id"),
    ("a User-Agent of our own", "fetch-infos", _insert_header(None, "User-Agent", "camviewer"),
     400, 'header User-Agent is "camviewer"; Qt itself sends "Mozilla/5.0"'),
    ("header name in another case", "sign-out", _rename_header("Content-Type", "content-type"),
     400, "header name content-type should be Content-Type"),
    ("bearer token on an unsigned call", "refresh", _insert_header(None, "Authorization",
                                                                   "Bearer x"), 400,
     "unexpected header Authorization"),
    ("no signature", "device list", lambda r, c: r.drop_header("X-UAC-Signature"), 401,
     "bad signature", True),
    ("x-agent-token in upper case", "device list", _header("x-agent-token", AGENT.upper()), 401,
     "x-agent-token is not an MD5 digest", True),
    ("x-agent-token changes within the session", "snapshot",
     _after_a_good_call(_header("x-agent-token", OTHER_AGENT)), 401,
     "changed within the session"),
    # the signature's time stamp
    ("time stamp in seconds", "device list", _timestamp(lambda: str(int(time.time()))), 401,
     "is in seconds, not milliseconds"),
    ("time stamp in microseconds", "snapshot", _timestamp(lambda: str(int(time.time() * 1e6))),
     401, "is in microseconds, not milliseconds"),
    ("time stamp ten minutes old", "dev-config",
     _timestamp(lambda: str(int(time.time() * 1000) - 600000)), 401,
     "s away from the server clock"),
    ("time stamp padded with a zero", "fetch-infos", _timestamp(lambda: "0" + now_ms()), 401,
     "is not plain decimal milliseconds"),
    # the body's shape
    ("pretty-printed body", "challenge",
     _raw(lambda r: json.dumps({"meta": dict(r.meta), "data": dict(r.data)}, indent=1)), 400,
     "body is not compact JSON"),
    ("data before meta", "app startup",
     _raw(lambda r: compact(Obj([("data", r.data), ("meta", r.meta)]))), 400,
     "expected meta then data"),
    ("a third top-level member", "refresh",
     _raw(lambda r: compact(Obj([("meta", r.meta), ("data", r.data), ("extra", 1)]))), 400,
     "expected meta then data"),
    ("meta without localtz", "device list", _drop("meta", "localtz"), 400,
     "meta: member 2 is 'appName', expected 'localtz'"),
    ("localtz as text", "snapshot", _set("meta", "localtz", "60"), 400,
     "'localtz' is a string, not a number"),
    ("appName in another case", "app startup", _set("meta", "appName", "Orvanta"), 400,
     "'appName' is \"Orvanta\", not \"orvanta\""),
    ("meta members swapped", "challenge", _move_member("meta", "appVendorCode", 2), 400,
     "meta: member 3 is 'appVendorCode', expected 'appName'"),
    ("origin in lower case", "refresh", _set("data", "origin", "pc"), 400,
     "'origin' is \"pc\", not \"PC\""),
    ("agentName a number", "sign-out", _set("data", "agentName", 7), 400,
     "'agentName' is a number, not a string"),
    ("osName not windows", "dev-config", _set("data", "osName", "linux"), 400,
     "'osName' is \"linux\", not \"windows\""),
    ("a data member of our own", "app startup",
     lambda r, c: r.add_member("data", "channel", "x"), 400,
     "unexpected member 'channel' after 'appVendorCode'"),
    ("refresh members out of order", "refresh", _move_member("data", "accessToken", 4), 400,
     "data: member 5 is 'accessToken', expected 'agentToken'"),
    ("dev-config deviceType as text", "dev-config", _devices([Obj([("deviceId", "CAM0001"),
                                                                    ("deviceType", "1")])]),
     400, "'deviceType' is a string, not a number"),
    ("dev-config deviceId a number", "dev-config", _devices([Obj([("deviceId", 1),
                                                                   ("deviceType", 1)])]), 400,
     "'deviceId' is a number, not a string"),
    ("dev-config devices an object", "dev-config", _devices(Obj()), 400,
     "'devices' is an object, not an array"),
    ("fetch-infos dtype 2", "fetch-infos", _fetch_entry(dtype=2), 400, "'dtype' is 2, not 1"),
    ("fetch-infos isShare as text", "fetch-infos", _fetch_entry(isShare="false"), 400,
     "'isShare' is \"false\", not False"),
    ("fetch-infos scopes not empty", "fetch-infos", _fetch_entry(scopes=["all"]), 400,
     "'scopes' is ['all'], not []"),
    ("fetch-infos did a number", "fetch-infos", _fetch_entry(did=1), 400,
     "'did' is a number, not a string"),
    ("fetch-infos for two devices", "fetch-infos",
     _devices([Obj([("did", d), ("dtype", 1), ("isShare", False), ("scopes", [])])
               for d in ("CAM0001", "CAM0002")]), 400, "'devices' has 2 entries, not 1"),
    ("fetch-infos with meta.accessToken", "fetch-infos",
     lambda r, c: r.add_member("meta", "accessToken", c.client_token(r)), 400,
     "unexpected member 'accessToken'"),
    ("snapshot without meta.accessToken", "snapshot", _drop("meta", "accessToken"), 400,
     "meta: member 5 'accessToken' missing"),
    ("meta.accessToken not the bearer token", "device list",
     _set("meta", "accessToken", "AT-other"), 400, "is not the bearer token"),
    # the install id
    ("challenge without agentToken", "challenge", _drop("data", "agentToken"), 400,
     "data: member 7 'agentToken' missing"),
    ("install id in upper case", "challenge", _set("data", "agentToken", INSTALL_ID.upper()),
     400, "is not an install id of the form"),
    ("install id without braces", "refresh", _set("data", "agentToken", INSTALL_ID[1:-1]), 400,
     "is not an install id of the form"),
    ("sign-in with another install id than its challenge", "sign-in",
     _set("data", "agentToken", OTHER_ID), 400, "of the challenge"),
    ("refresh with another install id than the sign-in", "refresh",
     _set("data", "agentToken", OTHER_ID), 400, "of this session's sign-in"),
    ("sign-out with another install id than the sign-in", "sign-out",
     _set("data", "agentToken", OTHER_ID), 400, "of this session's sign-in"),
    # the sign-in nonce
    ("nonce with a character outside the alphabet", "sign-in",
     _nonce("abcdefghijklmnopqrstuvw+"), 400, "has characters outside a-zA-Z0-9"),
    ("nonce of 16 characters", "sign-in", _nonce("abcdefghijklmnop"), 400,
     "decodes to 16 bytes, not 24"),
    ("nonce not Base64", "sign-in", _set("data", "nonce", "not base64!"), 400,
     "is not standard Base64"),
    # the sign-in's repeated members
    ("sign-in without its own agentName", "sign-in", _drop("data", "agentName", 1), 400,
     "data: member 8 is 'agentToken', expected 'agentName'"),
    ("sign-in without its own osName", "sign-in", _drop("data", "osName", 1), 400,
     "data: member 10 is 'grantType', expected 'osName'"),
    ("sign-in with each repeated member once", "sign-in", _like_a_map, 400,
     "data: member 8 is 'agentToken', expected 'agentName'"),
    # what only the world knows
    ("refresh with another access token", "refresh", _set("data", "accessToken", "AT-other"),
     400, "is not the one issued with this refresh token"),
    ("dev-config without the device that is not a camera", "dev-config",
     _devices([Obj([("deviceId", d), ("deviceType", t)]) for d, t in DEVICES if t == 1]), 400,
     "differ from the device list"),
    ("fetch-infos at another camera's gateway", "fetch-infos", _gateway(2, "CAM0001"), 400,
     "CAM0001 asked at the gateway of CAM0002"),
    ("fetch-infos for a device that is not a camera", "fetch-infos", _gateway(3, "DOOR01"), 400,
     "DOOR01 is not an online camera (deviceType 2, conStatus 1)"),
    ("fetch-infos for an offline camera", "fetch-infos", _gateway(4, "CAM0003"), 400,
     "CAM0003 is not an online camera (deviceType 1, conStatus 0)"),
]


class TamperCases(CloudCase):
    cloud_args = WORLD

    @staticmethod
    def client_token(req):
        return [v for n, v in req.headers if n == "Authorization"][0][len("Bearer "):]

    def run_table(self, enforced):
        for row in TAMPERED:
            name, call, tamper, status, reason = row[:5]
            always = len(row) > 5 and row[5]
            with self.subTest(name):
                req = MAKE[call](self)
                tamper(req, self)
                answer_status, reply = self.cloud.send(req)
                entry = self.cloud.last_entry(req.path)
                if enforced or always:
                    self.assertEqual(answer_status, status, reply)
                    self.assertEqual(reply["status"], "error", reply)
                    self.assertIn(reason, reply["message"])
                    self.assertIn(reason, entry["note"])
                    self.assertTrue(entry["note"].startswith("refused: "), entry["note"])
                    if not always:
                        self.assertEqual(len(entry["violations"]), 1, entry["violations"])
                else:
                    self.assertEqual(answer_status, 200, reply)
                    self.assertIn("not enforced", entry["note"])
                self.assertEqual(entry["status"], answer_status)
                if not always:
                    self.assertTrue(any(reason in v for v in entry["violations"]),
                                    entry["violations"])


class StrictTest(TamperCases):
    def test_each_tampered_request_is_refused_with_its_reason(self):
        self.run_table(enforced=True)

    def test_the_untampered_requests_pass_without_a_remark(self):
        for call, make in MAKE.items():
            with self.subTest(call):
                req = make(self)
                status, reply = self.cloud.send(req)
                self.assertEqual(status, 200, reply)
                entry = self.cloud.last_entry(req.path)
                self.assertEqual(entry["violations"], [])
                self.assertFalse(entry["note"].startswith("refused"), entry["note"])

    def test_qt_own_headers_pass_wherever_they_fall(self):
        # As Qt 5.15 sends them: Host first, ours, then its transport headers.
        qt = [("Connection", "Keep-Alive"), ("Accept-Encoding", "gzip, deflate"),
              ("User-Agent", "Mozilla/5.0")]
        for order in ("as Qt sends them", "first"):
            with self.subTest(order):
                req = self.client.device_list(self.client.tokens())
                body = req.body()
                ours = req.wire_headers(body)
                host = [("Host", "127.0.0.1:%d" % self.cloud.port)]
                length = [("Content-Length", str(len(body)))]
                headers = host + ours + length + qt if order != "first" else \
                    qt + length + host + ours
                status, reply = self.cloud.request("POST", req.path, body, headers)
                self.assertEqual(status, 200, reply)
                self.assertEqual(self.cloud.last_entry(req.path)["violations"], [])

    def test_a_refused_request_changes_nothing(self):
        # Sign-in: the challenge still serves the right request.
        keys = self.client.keys()
        bad = self.client.signin(keys)
        bad.header("Accept-Language", "zh")
        self.assertEqual(self.cloud.send(bad)[0], 400)
        tokens = self.assert_ok(self.cloud.send(self.client.signin(keys)))
        # Refresh: the refresh token is still the current one (rotated, not replayed).
        bad = self.client.refresh(tokens)
        bad.member("data", "agentToken", OTHER_ID)
        self.assertEqual(self.cloud.send(bad)[0], 400)
        fresh = self.assert_ok(self.cloud.send(self.client.refresh(tokens)))
        self.assertNotEqual(fresh["accessToken"], tokens["accessToken"])
        # Signed call: a refused first call does not fix the session's x-agent-token.
        bad = self.client.device_list(fresh)
        bad.headers.append(["X-Request-Id", "1"])
        self.assertEqual(self.cloud.send(bad)[0], 400)
        other = Client(self.cloud, agent=OTHER_AGENT)
        self.assert_ok(self.cloud.send(other.device_list(fresh)))
        self.assertEqual(self.cloud.send(self.client.device_list(fresh))[0], 401)
        # Sign-out: the session goes on.
        bad = self.client.signout(fresh)
        bad.member("data", "agentToken", OTHER_ID)
        self.assertEqual(self.cloud.send(bad)[0], 400)
        self.assert_ok(self.cloud.send(other.snapshot(fresh, "CAM0001")))
        self.assert_ok(self.cloud.send(self.client.signout(fresh)))

    def test_a_download_carries_none_of_our_headers(self):
        path = "/thumb/CAM0001.jpeg"
        qt = [("Host", "127.0.0.1:%d" % self.cloud.port), ("Connection", "Keep-Alive"),
              ("Accept-Encoding", "gzip, deflate"), ("Accept-Language", "en,*"),
              ("User-Agent", "Mozilla/5.0")]
        self.assertEqual(self.cloud.request("GET", path, headers=qt)[0], 200)
        for name, value in (("Authorization", "Bearer AT"), ("x-agent-token", AGENT),
                            ("Content-Type", "application/json;charset=utf-8")):
            with self.subTest(name):
                status, reply = self.cloud.request("GET", path, headers=qt + [(name, value)])
                self.assertEqual(status, 400, reply)
                self.assertIn("unexpected header %s on a download" % name,
                              self.cloud.last_entry(path)["note"])


class LenientTest(TamperCases):
    cloud_args = WORLD + ("--lenient",)

    def test_tampered_requests_are_answered_and_their_problems_logged(self):
        self.run_table(enforced=False)

    def test_malformed_data_gets_an_error_answer(self):
        for path in ("/uac/v1/challenge", "/uac/v1/signin", "/uac/v1/refresh-token",
                     "/uac/v1/signout"):
            for data in (5, "text", [1], None, {"username": 7, "password": [], "nonce": {}}):
                with self.subTest(path=path, data=data):
                    status, reply = self.cloud.post_json(path, {"meta": {}, "data": data})
                    self.assertEqual((status, reply["status"]), (200, "error"), reply)

    def test_signed_calls_still_need_a_good_signature(self):
        tokens = self.client.tokens()
        req = self.client.device_list(tokens)
        req.sign_key = "not-the-key"
        self.assertEqual(self.cloud.send(req)[0], 401)


# ----- signatures, sign-in, token life ---------------------------------------

class SignatureTest(CloudCase):
    # The reference vectors carry a time stamp of 2023: lenient, so only the
    # signature itself decides.
    cloud_args = ("--lenient",)

    def test_golden_signature_is_accepted_for_both_keys(self):
        for key, sig in GOLDEN.items():
            with self.subTest(key=key):
                # The server checks against what it issued: install that key
                # (the newest session of a token wins).
                self.cloud.control("session", {"accessToken": "AT1", "signToken": key})
                status, reply = self.cloud.post_json(
                    "/uac/v2/device-list", GOLDEN_BODY,
                    signed_headers("AT1", "UAC1-HMAC-SHA256;%s;%s" % (GOLDEN_TS, sig)))
                self.assertEqual(status, 200, reply)
                self.assertEqual(reply["status"], "ok")
                self.assertEqual(signature.uac_signature(GOLDEN_BODY, "/api/v2/device-list",
                                                         GOLDEN_TS, key), sig)
                entry = self.cloud.last_entry("/uac/v2/device-list")
                self.assertEqual(len(entry["violations"]), 1, entry["violations"])
                self.assertIn("away from the server clock", entry["violations"][0])

    def test_any_tampering_is_rejected(self):
        self.cloud.control("session", {"accessToken": "AT1", "signToken": "signkey-123"})
        good = GOLDEN["signkey-123"]
        flipped = ("A" if good[0] != "A" else "B") + good[1:]
        hdr = "UAC1-HMAC-SHA256;%s;%s"
        cases = [
            ("changed signature", "/uac/v2/device-list", GOLDEN_BODY, "AT1", hdr % (GOLDEN_TS, flipped)),
            ("changed time stamp", "/uac/v2/device-list", GOLDEN_BODY, "AT1", hdr % ("1700000000001", good)),
            ("changed body byte", "/uac/v2/device-list", GOLDEN_BODY.replace(b"host1", b"host2"), "AT1", hdr % (GOLDEN_TS, good)),
            ("other signed path", "/uac/v1/snapshot", GOLDEN_BODY, "AT1", hdr % (GOLDEN_TS, good)),
            ("unknown bearer", "/uac/v2/device-list", GOLDEN_BODY, "AT-unknown", hdr % (GOLDEN_TS, good)),
            ("wrong scheme", "/uac/v2/device-list", GOLDEN_BODY, "AT1", "UAC2-HMAC-SHA256;%s;%s" % (GOLDEN_TS, good)),
            ("no signature", "/uac/v2/device-list", GOLDEN_BODY, "AT1", ""),
        ]
        for name, path, body, token, header in cases:
            with self.subTest(name):
                status, reply = self.cloud.post_json(path, body, signed_headers(token, header))
                self.assertEqual(status, 401, reply)
                self.assertEqual(reply["status"], "error")


class SignInTest(CloudCase):
    def test_box_with_the_right_password_gives_tokens(self):
        reply = self.client.sign_in()
        self.assertEqual(reply["status"], "ok", reply)
        r = reply["result"]
        for key in ("accessToken", "refreshToken", "scope", "tokenType", "signToken"):
            self.assertIsInstance(r[key], str)
            self.assertTrue(r[key], key)
        self.assertIsInstance(r["accessExpiresIn"], int)
        self.assertIsInstance(r["refreshExpiresIn"], int)

    def test_failed_sign_ins_say_why(self):
        wrong = self.client.sign_in(password="secret124")
        self.assertEqual(wrong["status"], "error")
        self.assertIn("message", wrong)
        keys = self.client.keys()
        status, nobody = self.cloud.send(self.client.signin(keys, username="nobody@example.com"))
        self.assertEqual((status, nobody["status"]), (200, "error"))

    def test_a_challenge_serves_one_sign_in(self):
        req = self.client.signin(self.client.keys())
        first = self.cloud.send(req)[1]
        again = self.cloud.send(req)[1]
        self.assertEqual((first["status"], again["status"]), ("ok", "error"))

    def test_tampered_box_does_not_open(self):
        req = self.client.signin(self.client.keys())
        box = bytearray(base64.b64decode(dict(req.data)["password"]))
        box[-1] ^= 1
        req.member("data", "password", base64.b64encode(bytes(box)).decode())
        status, reply = self.cloud.send(req)
        self.assertEqual((status, reply["status"]), (200, "error"))

    def test_each_challenge_has_fresh_key_pairs(self):
        keys = []
        for _ in range(2):
            r = self.client.keys()
            self.assertEqual(len(base64.b64decode(r["serverPubKey"])), 32)
            self.assertEqual(len(base64.b64decode(r["clientPubKey"])), 32)
            self.assertEqual(len(base64.b64decode(r["clientSecretKey"])), 32)
            keys.append((r["serverPubKey"], r["clientPubKey"]))
        self.assertNotEqual(keys[0], keys[1])


class TokenLifeTest(CloudCase):
    # The token clock is moved on with /_sim/clock instead of waiting.
    cloud_args = ("--access-expires", "60", "--refresh-expires", "600", "--grace", "10")

    def advance(self, seconds):
        self.cloud.control("clock", {"advance": seconds})

    def signed_status(self, access, sign):
        tokens = {"accessToken": access, "signToken": sign}
        return self.cloud.send(self.client.device_list(tokens))

    def test_an_expired_access_token_is_refused_until_the_refresh(self):
        tokens = self.client.tokens()
        self.assertEqual(tokens["accessExpiresIn"], 60)
        self.assert_ok(self.signed_status(tokens["accessToken"], tokens["signToken"]))
        self.advance(61)
        status, reply = self.signed_status(tokens["accessToken"], tokens["signToken"])
        self.assertEqual(status, 401, reply)
        self.assertIn("access token expired", reply["message"])
        fresh = self.assert_ok(self.cloud.send(self.client.refresh(tokens)))
        self.assert_ok(self.signed_status(fresh["accessToken"], fresh["signToken"]))

    def test_replaced_tokens_stay_good_for_the_grace_period(self):
        old = self.client.tokens()
        new = self.assert_ok(self.cloud.send(self.client.refresh(old)))
        for key in ("accessToken", "refreshToken", "signToken"):
            self.assertNotEqual(old[key], new[key], key)
        mixes = [("old token, old key", old["accessToken"], old["signToken"]),
                 ("new token, old key", new["accessToken"], old["signToken"]),
                 ("old token, new key", old["accessToken"], new["signToken"]),
                 ("new token, new key", new["accessToken"], new["signToken"])]
        for name, access, sign in mixes:
            with self.subTest("in grace: " + name):
                self.assert_ok(self.signed_status(access, sign))
        # A repeat of the refresh (its answer lost) gets the tokens it made.
        self.assertEqual(self.assert_ok(self.cloud.send(self.client.refresh(old))), new)
        self.advance(11)
        for name, access, sign in mixes[:3]:
            with self.subTest("after grace: " + name):
                self.assertEqual(self.signed_status(access, sign)[0], 401)
        self.assert_ok(self.signed_status(new["accessToken"], new["signToken"]))
        status, stale = self.cloud.send(self.client.refresh(old))
        self.assertEqual((status, stale["status"]), (200, "error"))
        self.assert_ok(self.cloud.send(self.client.refresh(new)))

    def test_an_expired_refresh_token_gets_no_new_tokens(self):
        tokens = self.client.tokens()
        self.advance(601)
        status, reply = self.cloud.send(self.client.refresh(tokens))
        self.assertEqual((status, reply["status"]), (200, "error"), reply)
        self.assertNotEqual(reply["code"], 1011)

    def test_a_second_sign_in_ends_the_first_session_at_its_next_refresh(self):
        first = self.client.tokens()
        second = self.client.tokens()
        for _ in range(2):  # and every refresh after it
            status, reply = self.cloud.send(self.client.refresh(first))
            self.assertEqual((status, reply["status"], reply["code"]), (200, "error", 1011))
        self.assert_ok(self.cloud.send(self.client.refresh(second)))
        self.assert_ok(self.cloud.send(self.client.signout(first)))


# ----- the calls and the world -----------------------------------------------

class CallsTest(CloudCase):
    def test_app_startup_names_a_uac_url_with_its_own_prefix(self):
        cfg = self.assert_ok(self.cloud.send(self.client.app_startup()))["appConfig"]
        for key in ("uacUrl", "emcPortalUrl", "capUrl", "storePortalUrl", "agreementUrl",
                    "privacyUrl", "cloudStorAgreementUrl", "wanIp", "country", "locale"):
            self.assertIsInstance(cfg[key], str, key)
        uac = urllib.parse.urlsplit(cfg["uacUrl"])
        self.assertEqual((uac.scheme, uac.hostname, uac.port), ("https", "127.0.0.1", self.cloud.port))
        self.assertNotIn(uac.path, ("", "/", "/api", self.cloud.entry))

    def test_the_entry_url_has_a_path_prefix(self):
        self.assertEqual(self.cloud.entry, "/cloud")
        req = self.client.app_startup()
        req.path = "/api/v1/app-startup"
        self.assertEqual(self.cloud.send(req)[0], 404)
        tokens = self.client.tokens()
        req = self.client.dev_config(tokens, [("CAM0001", 1), ("CAM0002", 1)])
        self.assert_ok(self.cloud.send(req))
        req.path = "/api/v1/dev-config"
        self.assertEqual(self.cloud.send(req)[0], 404)

    def test_device_chain_reply_shapes(self):
        start = len(self.cloud.log_entries())
        tokens = self.client.tokens()
        dl = self.assert_ok(self.cloud.send(self.client.device_list(tokens)))
        con = dl["conDevices"]
        self.assertEqual([c["deviceId"] for c in con], ["CAM0001", "CAM0002"])
        for c in con:
            self.assertEqual((c["deviceType"], c["conStatus"]), (1, 1))
            self.assertIsInstance(c["aliasName"], str)
        gen = dl["devGenerals"][0]
        for key, kind in (("master", str), ("_id", str), ("deviceType", int), ("__v", int),
                          ("accessPubKey", str), ("activeTime", str)):
            self.assertIsInstance(gen[key], kind, key)

        devices = [(c["deviceId"], c["deviceType"]) for c in con]
        cfg = self.assert_ok(self.cloud.send(self.client.dev_config(tokens, devices)))["devices"]
        self.assertEqual([d["deviceId"] for d in cfg], ["CAM0001", "CAM0002"])
        gateway = urllib.parse.urlsplit(cfg[0]["gatewayUrl"])
        self.assertEqual((gateway.hostname, gateway.port), ("127.0.0.1", self.cloud.port))
        for address in cfg[0]["stunServers"].split(","):
            self.assertTrue(address.startswith("127."), address)

        fi = self.assert_ok(self.cloud.send(self.client.fetch_infos(tokens, gateway.path,
                                                                    "CAM0001")))
        info = fi["infos"][0]["info"]
        self.assertEqual(info["base"]["accessKey"], "ak-CAM0001")
        self.assertEqual(info["capability"]["ptz"], "1")
        self.assertIsInstance(info["base"]["whiteBalance"], int)
        self.assertEqual(len(info["streamConfig"]["streams"]), 2)
        snap = urllib.parse.urlsplit(info["base"]["snapshotUrl"])
        status, jpeg = self.cloud.request("GET", snap.path)
        self.assertEqual(status, 200)
        self.assertEqual((jpeg[:2], jpeg[-2:]), (b"\xff\xd8", b"\xff\xd9"))

        self.assert_ok(self.cloud.send(self.client.snapshot(tokens, "CAM0002")))
        for entry in self.cloud.log_entries()[start:]:
            self.assertEqual(entry["violations"], [], entry["path"])

    def test_sign_out_ends_the_session(self):
        tokens = self.client.tokens()
        status, reply = self.cloud.send(self.client.signout(tokens))
        self.assertEqual((status, reply["status"]), (200, "ok"))
        self.assertIn("message", reply)
        self.assertEqual(self.cloud.send(self.client.device_list(tokens))[0], 401)

    def test_unknown_paths_and_pictures_are_not_found(self):
        req = self.client.app_startup()
        req.path = "/uac/v1/nothing"
        self.assertEqual(self.cloud.send(req)[0], 404)
        self.assertEqual(self.cloud.request("GET", "/thumb/NOPE.jpeg")[0], 404)
        tokens = self.client.tokens()
        self.assertEqual(self.cloud.send(self.client.fetch_infos(tokens, "/gw/3", "CAM0001"))[0],
                         404)


def decode_rgb(path):
    """The RGB pixels of a picture as decoded by ffmpeg, or None."""
    proc = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo",
                           "-pix_fmt", "rgb24", "-"], capture_output=True, timeout=60)
    return proc.stdout if proc.returncode == 0 and proc.stdout else None


class WorldTest(CloudCase):
    """Several devices the way an account really has them."""

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="simcloud-world-")
        cls.given = os.path.join(cls.scratch, "given.jpeg")
        with open(cls.given, "wb") as f:
            f.write(b"\xff\xd8given picture bytes\xff\xd9")
        cls.cloud_args = (
            "--rendezvous", "127.0.0.1,127.0.0.2",
            "--camera", "CAM0001:Front door:1",
            "--camera", "CAM0002:Garden:0:key-2:ip=192.168.1.24:stun=127.0.0.5,127.0.0.6:infos=2",
            "--camera", "CAM0003:Hall:0::streams=0:thumb=" + cls.given + ":pad=600",
            "--camera", "DOOR01:Door bell:0::type=2",
            "--camera", "CAM0009:Attic:0::status=0",
            "--camera", "CAM0010:Shed:0::thumb=notimage",
            "--camera", "CAM0011:Porch:0::snapurl=ftp://127.0.0.1/thumb/CAM0011.jpeg")
        super().setUpClass()

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        import shutil
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def chain(self):
        """tokens, conDevices, dev-config entries by id."""
        tokens = self.client.tokens()
        con = self.assert_ok(self.cloud.send(self.client.device_list(tokens)))["conDevices"]
        devices = [(c["deviceId"], c["deviceType"]) for c in con]
        cfg = self.assert_ok(self.cloud.send(self.client.dev_config(tokens, devices)))["devices"]
        return tokens, con, {d["deviceId"]: d for d in cfg}

    def infos(self, tokens, cfg, device_id):
        gateway = urllib.parse.urlsplit(cfg[device_id]["gatewayUrl"]).path
        return self.assert_ok(self.cloud.send(
            self.client.fetch_infos(tokens, gateway, device_id)))["infos"]

    def test_devices_that_get_no_tile_are_listed_and_configured(self):
        _, con, cfg = self.chain()
        self.assertEqual([(c["deviceId"], c["deviceType"], c["conStatus"]) for c in con],
                         [("CAM0001", 1, 1), ("CAM0002", 1, 1), ("CAM0003", 1, 1),
                          ("DOOR01", 2, 1), ("CAM0009", 1, 0), ("CAM0010", 1, 1),
                          ("CAM0011", 1, 1)])
        self.assertEqual(sorted(cfg), sorted(c["deviceId"] for c in con))
        self.assertEqual(cfg["DOOR01"]["deviceType"], 2)
        self.assertEqual(cfg["CAM0009"]["deviceType"], 1)

    def test_every_device_has_its_own_gateway(self):
        _, _, cfg = self.chain()
        paths = [urllib.parse.urlsplit(d["gatewayUrl"]).path for d in cfg.values()]
        self.assertEqual(len(set(paths)), len(paths), paths)
        for path in paths:
            self.assertRegex(path, r"^/gw/[0-9]+$")

    def test_each_camera_its_own_record(self):
        tokens, _, cfg = self.chain()
        self.assertEqual(cfg["CAM0001"]["stunServers"], "127.0.0.1,127.0.0.2")
        self.assertEqual(cfg["CAM0002"]["stunServers"], "127.0.0.5,127.0.0.6")
        front = self.infos(tokens, cfg, "CAM0001")
        self.assertEqual(len(front), 1)
        info = front[0]["info"]
        self.assertEqual((info["base"]["aliasName"], info["base"]["accessKey"],
                          info["capability"]["ptz"], info["networkConfig"]["localIp"]),
                         ("Front door", "ak-CAM0001", "1", "127.0.0.1"))
        garden = self.infos(tokens, cfg, "CAM0002")
        self.assertEqual(len(garden), 2)  # the last entry is the current one
        self.assertEqual([i["info"]["base"]["deviceId"] for i in garden], ["CAM0002"] * 2)
        self.assertEqual(garden[-1]["info"]["base"]["accessKey"], "key-2")
        self.assertNotEqual(garden[0]["info"]["base"]["accessKey"], "key-2")
        self.assertEqual((garden[-1]["info"]["capability"]["ptz"],
                          garden[-1]["info"]["networkConfig"]["localIp"]), ("0", "192.168.1.24"))
        hall = self.infos(tokens, cfg, "CAM0003")[0]["info"]
        self.assertNotIn("streamConfig", hall)
        self.assertIn("streamConfig", front[0]["info"])

    def test_each_camera_its_own_picture(self):
        tokens, _, cfg = self.chain()
        pixels = {}
        for device_id in ("CAM0001", "CAM0002"):
            url = self.infos(tokens, cfg, device_id)[-1]["info"]["base"]["snapshotUrl"]
            status, data = self.cloud.request("GET", urllib.parse.urlsplit(url).path)
            self.assertEqual(status, 200)
            path = os.path.join(self.scratch, device_id + ".jpeg")
            with open(path, "wb") as f:
                f.write(data)
            rgb = decode_rgb(path)
            self.assertIsNotNone(rgb, device_id)
            self.assertEqual(len(rgb), 320 * 180 * 3)
            pixels[device_id] = rgb
        corner = lambda rgb: tuple(rgb[0:3])
        self.assertNotEqual(corner(pixels["CAM0001"]), corner(pixels["CAM0002"]))
        self.assertNotEqual(pixels["CAM0001"], pixels["CAM0002"])

    def test_pictures_the_client_must_refuse(self):
        tokens, _, cfg = self.chain()
        given = self.infos(tokens, cfg, "CAM0003")[0]["info"]["base"]["snapshotUrl"]
        status, data = self.cloud.request("GET", urllib.parse.urlsplit(given).path)
        with open(self.given, "rb") as f:
            given_bytes = f.read()
        # The file as is, padded with zeros to 600 bytes (pad=600).
        self.assertEqual((status, data), (200, given_bytes + b"\0" * (600 - len(given_bytes))))
        shed = self.infos(tokens, cfg, "CAM0010")[0]["info"]["base"]["snapshotUrl"]
        status, data = self.cloud.request("GET", urllib.parse.urlsplit(shed).path)
        self.assertEqual(status, 200)
        path = os.path.join(self.scratch, "shed.jpeg")
        with open(path, "wb") as f:
            f.write(data)
        self.assertIsNone(decode_rgb(path), "the picture must not decode")
        porch = self.infos(tokens, cfg, "CAM0011")[0]["info"]["base"]["snapshotUrl"]
        self.assertEqual(porch, "ftp://127.0.0.1/thumb/CAM0011.jpeg")

    def test_every_device_takes_a_snapshot_request(self):
        tokens, con, _ = self.chain()
        for c in con:
            with self.subTest(c["deviceId"]):
                self.assert_ok(self.cloud.send(self.client.snapshot(tokens, c["deviceId"])))


# ----- failures, log, program ------------------------------------------------

class FailureModeTest(CloudCase):
    def test_k_non_200_replies_then_normal(self):
        path = self.entry("/api/v1/app-startup")
        self.cloud.control("script", {"path": path, "mode": "status", "count": 2, "arg": 503})
        statuses = [self.cloud.send(self.client.app_startup())[0] for _ in range(3)]
        self.assertEqual(statuses, [503, 503, 200])

    def test_broken_replies(self):
        path = self.entry("/api/v1/app-startup")
        cases = [("cut", (http.client.IncompleteRead,)),
                 ("drop", (http.client.RemoteDisconnected, ConnectionError))]
        for mode, errors in cases:
            with self.subTest(mode):
                self.cloud.control("script", {"path": path, "mode": mode})
                with self.assertRaises(errors):
                    self.cloud.send(self.client.app_startup())
        self.cloud.control("script", {"path": path, "mode": "nonjson"})
        status, body = self.cloud.send(self.client.app_startup())
        self.assertEqual(status, 200)
        self.assertIsInstance(body, bytes)

    def test_error_code_on_cue(self):
        tokens = self.client.tokens()
        self.cloud.control("script", {"path": "/uac/v1/refresh-token", "mode": "error",
                                      "arg": 1011})
        status, reply = self.cloud.send(self.client.refresh(tokens))
        self.assertEqual((status, reply["status"], reply["code"]), (200, "error", 1011))

    def test_a_failed_reply_changes_nothing_so_the_same_request_works_again(self):
        # The client answers a failed refresh, sign-in or sign-out by sending the
        # same request again: the refresh token and the challenge keys must
        # still be good then.
        tokens = self.client.tokens()
        path = "/uac/v1/refresh-token"
        for mode in ("status", "drop", "nonjson", "error"):
            with self.subTest(mode):
                self.cloud.control("script", {"path": path, "mode": mode})
                try:
                    status, reply = self.cloud.send(self.client.refresh(tokens))
                    self.assertFalse(status == 200 and isinstance(reply, dict)
                                     and reply.get("status") == "ok", reply)
                except (http.client.HTTPException, ConnectionError):
                    pass  # "drop": no answer at all
                tokens = self.assert_ok(self.cloud.send(self.client.refresh(tokens)))

        keys = self.client.keys()  # a new nonce and box for every attempt, as the client makes
        self.cloud.control("script", {"path": "/uac/v1/signin", "mode": "status", "arg": 500})
        self.assertEqual(self.cloud.send(self.client.signin(keys))[0], 500)
        tokens = self.assert_ok(self.cloud.send(self.client.signin(keys)))

        self.cloud.control("script", {"path": "/uac/v1/signout", "mode": "status"})
        self.assertEqual(self.cloud.send(self.client.signout(tokens))[0], 500)
        self.assert_ok(self.cloud.send(self.client.signout(tokens)))

    def test_a_lost_refresh_answer_is_repeated(self):
        # "cut" runs the refresh and loses its answer: the client sends the
        # same refresh token again and gets the tokens it missed.
        tokens = self.client.tokens()
        self.cloud.control("script", {"path": "/uac/v1/refresh-token", "mode": "cut"})
        with self.assertRaises(http.client.IncompleteRead):
            self.cloud.send(self.client.refresh(tokens))
        fresh = self.assert_ok(self.cloud.send(self.client.refresh(tokens)))
        self.assertNotEqual(fresh["refreshToken"], tokens["refreshToken"])
        self.assert_ok(self.cloud.send(self.client.device_list(fresh)))

    def test_bad_control_requests_are_refused(self):
        for path, req in (("script", {"path": "/x", "mode": "explode"}),
                          ("script", {"path": "/x", "mode": "status", "count": 0}),
                          ("script", {"mode": "cut"}), ("clock", {"advance": -1}),
                          ("clock", {})):
            with self.subTest(req=req):
                status, _ = self.cloud.post_json("/_sim/" + path, req)
                self.assertEqual(status, 400)


class LogAndConcurrencyTest(CloudCase):
    def test_log_keeps_header_order_and_raw_body(self):
        body = b'{"meta":{"x":"\xc3\xa9"},"data":{"agentName":"a","agentName":"b"}}'
        headers = [("Content-Type", "application/json;charset=utf-8"), ("Accept-Language", "zh"),
                   ("x-agent-token", "0" * 32), ("Authorization", "Bearer none"),
                   ("X-UAC-Signature", "UAC1-HMAC-SHA256;1;x")]
        self.cloud.request("POST", "/uac/v1/snapshot", body, headers)
        entry = self.cloud.last_entry("/uac/v1/snapshot")
        names = [k for k, _ in entry["headers"] if k in dict(headers)]
        self.assertEqual(names, [k for k, _ in headers])
        self.assertEqual(base64.b64decode(entry["bodyBase64"]), body)
        self.assertEqual(entry["status"], 401)

    def test_refusals_are_also_written_to_standard_error(self):
        req = self.client.challenge()
        req.header("Accept-Language", "zh;q=1.0")
        self.assertEqual(self.cloud.send(req)[0], 400)
        deadline = time.monotonic() + 60
        while "refused POST /uac/v1/challenge" not in self.cloud.stderr():
            self.assertLess(time.monotonic(), deadline, self.cloud.stderr())
            time.sleep(0.05)
        self.assertIn('header Accept-Language is "zh;q=1.0"', self.cloud.stderr())

    def test_a_slow_reply_does_not_hold_up_others(self):
        # A reply held for 10 s: one held up behind it would take 9.8 s more.
        self.cloud.control("script", {"path": self.entry("/api/v1/app-startup"), "mode": "delay",
                                      "arg": 10000})
        slow = {}
        t = threading.Thread(target=lambda: slow.update(
            r=self.cloud.send(self.client.app_startup())))
        t.start()
        time.sleep(0.2)
        start = time.monotonic()
        status, _ = self.cloud.send(self.client.app_startup())
        fast = time.monotonic() - start
        t.join(timeout=60)
        self.assertEqual(status, 200)
        self.assertLess(fast, 5.0)
        self.assertEqual(slow["r"][0], 200)


class ProgramTest(unittest.TestCase):
    def test_failures_scripted_on_the_command_line(self):
        cloud = SimCloud("--fail", "/cloud/api/v1/app-startup=status:2:502",
                         "--fail", "/uac/v1/challenge=error:1:1007")
        client = Client(cloud)
        try:
            statuses = [cloud.send(client.app_startup())[0] for _ in range(3)]
            self.assertEqual(statuses, [502, 502, 200])
            _, reply = cloud.send(client.challenge())
            self.assertEqual((reply["status"], reply["code"]), ("error", 1007))
        finally:
            cloud.stop()

    def test_another_entry_prefix(self):
        for prefix in ("", "/v3/entry"):
            with self.subTest(prefix=prefix):
                cloud = SimCloud("--entry-prefix", prefix)
                try:
                    self.assertEqual(cloud.entry, prefix)
                    status, reply = cloud.send(Client(cloud).app_startup())
                    self.assertEqual((status, reply["status"]), (200, "ok"), reply)
                finally:
                    cloud.stop()

    def test_bad_switches_are_refused(self):
        for args in (["--fail", "/x=explode"], ["--fail", "nopath"], ["--lifetime", "0"],
                     ["--account", "nopassword"], ["--camera", "CAM1:a:1:k:colour=red"],
                     ["--camera", "CAM1:a:1:k:infos=3"], ["--camera", "CAM1:a:1:k:type=camera"],
                     ["--camera", "CAM1:a:1:k:thumb=/nonexistent/pic.jpeg"],
                     ["--camera", "CAM1", "--camera", "CAM1:again"], ["--grace", "-1"],
                     ["--access-expires", "0"], ["--entry-prefix", "cloud"],
                     ["--entry-prefix", "/uac"], ["--entry-prefix", "/cloud/"]):
            with self.subTest(args=args):
                with tempfile.TemporaryDirectory() as scratch:
                    certs = os.path.join(scratch, "certs")
                    proc = subprocess.run([sys.executable, SCRIPT, "--make-certs", certs] + args,
                                          capture_output=True, timeout=120)
                    self.assertEqual(proc.returncode, 2, proc.stderr)
                    self.assertFalse(os.path.exists(certs), "nothing is made before the check")

    def test_stops_by_itself(self):
        cloud = SimCloud(lifetime=1)
        try:
            self.assertEqual(cloud.proc.wait(timeout=60), 0)
        finally:
            cloud.stop()

    def test_refuses_addresses_off_loopback(self):
        with tempfile.TemporaryDirectory() as scratch:
            proc = subprocess.run([sys.executable, SCRIPT, "--host", "192.168.1.23",
                                   "--make-certs", scratch], capture_output=True, timeout=120)
        self.assertEqual(proc.returncode, 2)
        self.assertIn(b"loopback", proc.stderr)


if __name__ == "__main__":
    unittest.main()
