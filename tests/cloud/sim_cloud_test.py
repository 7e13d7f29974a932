"""The simulated cloud: signatures, the sign-in box, every call's reply shape,
scripted failures, the request log, concurrency and its own end."""
import base64
import http.client
import json
import os
import secrets
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse

from sim_cloud_fixture import SCRIPT, SimCloud, signed_headers

from simcloud import signature, sodium

GOLDEN_BODY = (b'{"meta":{"locale":"en-US","localtz":60,"appName":"orvanta","appVendorCode":"ORV",'
               b'"accessToken":"AT1"},"data":{"origin":"PC","osName":"windows","agentName":"host1",'
               b'"appVendorCode":"ORV"}}')
GOLDEN_TS = "1700000000000"
GOLDEN = {"signkey-123": "zSUwnEj9kQl74zAaVsC72zzUJntDkicStAH8Rw5UZGk",
          "": "7LgiiKajrGgJlW_jQwX8ZlGcsyAIfrnxgTZtKDt41nI"}
ACCOUNT = ("user@example.com", "secret123")


def envelope(data=None, meta=None):
    body = {"meta": {"locale": "en-US", "localtz": 60, "appName": "orvanta",
                     "appVendorCode": "ORV"},
            "data": {"origin": "PC", "osName": "windows", "agentName": "host1",
                     "appVendorCode": "ORV"}}
    body["meta"].update(meta or {})
    body["data"].update(data or {})
    return json.dumps(body, separators=(",", ":")).encode("utf-8")


def nonce_text():
    alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    return "".join(secrets.choice(alphabet) for _ in range(24))


class CloudCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.cloud = SimCloud()

    @classmethod
    def tearDownClass(cls):
        cls.cloud.stop()

    def challenge(self, username=ACCOUNT[0]):
        """The keys of a new sign-in challenge for `username`."""
        status, ch = self.cloud.post_json("/uac/v1/challenge", json.loads(envelope(
            {"username": username, "action": "signin", "agentToken": "{id}"})))
        self.assertEqual(status, 200)
        return ch["result"]

    @staticmethod
    def box_password(keys, password=ACCOUNT[1]):
        """(box, nonce): `password` boxed for the challenge `keys` with a new nonce."""
        nonce = nonce_text().encode("ascii")
        box = sodium.box_easy(password.encode("utf-8"), nonce,
                              base64.b64decode(keys["serverPubKey"]),
                              base64.b64decode(keys["clientSecretKey"]))
        return box, nonce

    def sign_in(self, password=ACCOUNT[1], username=ACCOUNT[0]):
        box, nonce = self.box_password(self.challenge(username), password)
        status, reply = self.cloud.post_json("/uac/v1/signin", json.loads(envelope({
            "username": username, "password": base64.b64encode(box).decode(),
            "nonce": base64.b64encode(nonce).decode(), "agentName": "windows",
            "agentToken": "{id}", "osName": "windows", "grantType": "password",
            "scope": "all"})))
        self.assertEqual(status, 200)
        return reply

    def signed_post(self, path, signed_path, body, tokens):
        ts = str(int(time.time() * 1000))
        sig = signature.uac_signature(body, signed_path, ts, tokens["signToken"])
        return self.cloud.post_json(path, body, signed_headers(
            tokens["accessToken"], signature.header_value(ts, sig)))


class SignatureTest(CloudCase):
    def test_golden_signature_is_accepted_for_both_keys(self):
        for i, (key, sig) in enumerate(GOLDEN.items()):
            with self.subTest(key=key):
                # The server checks against what it issued: install that key.
                token = "AT1" if i == 0 else "AT1-empty-key"
                self.cloud.control("session", {"accessToken": token, "signToken": key})
                status, reply = self.cloud.post_json(
                    "/uac/v2/device-list", GOLDEN_BODY,
                    signed_headers(token, "UAC1-HMAC-SHA256;%s;%s" % (GOLDEN_TS, sig)))
                self.assertEqual(status, 200, reply)
                self.assertEqual(reply["status"], "ok")
                self.assertEqual(signature.uac_signature(GOLDEN_BODY, "/api/v2/device-list",
                                                         GOLDEN_TS, key), sig)

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

    def test_agent_token_must_be_a_digest(self):
        self.cloud.control("session", {"accessToken": "AT1", "signToken": "signkey-123"})
        headers = signed_headers("AT1", "UAC1-HMAC-SHA256;%s;%s" % (GOLDEN_TS, GOLDEN["signkey-123"]))
        headers[1] = ("x-agent-token", "not-a-digest")
        status, _ = self.cloud.post_json("/uac/v2/device-list", GOLDEN_BODY, headers)
        self.assertEqual(status, 401)


class SignInTest(CloudCase):
    def test_box_with_the_right_password_gives_tokens(self):
        reply = self.sign_in()
        self.assertEqual(reply["status"], "ok", reply)
        r = reply["result"]
        for key in ("accessToken", "refreshToken", "scope", "tokenType", "signToken"):
            self.assertIsInstance(r[key], str)
            self.assertTrue(r[key], key)
        self.assertIsInstance(r["accessExpiresIn"], int)
        self.assertIsInstance(r["refreshExpiresIn"], int)

    def test_failed_sign_ins_say_why(self):
        wrong = self.sign_in(password="secret124")
        self.assertEqual(wrong["status"], "error")
        self.assertIn("message", wrong)
        nobody = self.sign_in(username="nobody@example.com")
        self.assertEqual(nobody["status"], "error")

    def test_a_challenge_serves_one_sign_in(self):
        box, nonce = self.box_password(self.challenge())
        body = json.loads(envelope({"username": ACCOUNT[0],
                                    "password": base64.b64encode(box).decode(),
                                    "nonce": base64.b64encode(nonce).decode()}))
        first = self.cloud.post_json("/uac/v1/signin", body)[1]
        again = self.cloud.post_json("/uac/v1/signin", body)[1]
        self.assertEqual((first["status"], again["status"]), ("ok", "error"))

    def test_tampered_box_does_not_open(self):
        sealed, nonce = self.box_password(self.challenge())
        box = bytearray(sealed)
        box[-1] ^= 1
        body = json.loads(envelope({"username": ACCOUNT[0],
                                    "password": base64.b64encode(bytes(box)).decode(),
                                    "nonce": base64.b64encode(nonce).decode()}))
        status, reply = self.cloud.post_json("/uac/v1/signin", body)
        self.assertEqual((status, reply["status"]), (200, "error"))

    def test_each_challenge_has_fresh_key_pairs(self):
        keys = []
        for _ in range(2):
            r = self.challenge()
            self.assertEqual(len(base64.b64decode(r["serverPubKey"])), 32)
            self.assertEqual(len(base64.b64decode(r["clientPubKey"])), 32)
            self.assertEqual(len(base64.b64decode(r["clientSecretKey"])), 32)
            keys.append((r["serverPubKey"], r["clientPubKey"]))
        self.assertNotEqual(keys[0], keys[1])


class CallsTest(CloudCase):
    def test_app_startup_names_a_uac_url_with_its_own_prefix(self):
        status, reply = self.cloud.post_json("/api/v1/app-startup", json.loads(envelope()))
        self.assertEqual(status, 200)
        cfg = reply["result"]["appConfig"]
        for key in ("uacUrl", "emcPortalUrl", "capUrl", "storePortalUrl", "agreementUrl",
                    "privacyUrl", "cloudStorAgreementUrl", "wanIp", "country", "locale"):
            self.assertIsInstance(cfg[key], str, key)
        uac = urllib.parse.urlsplit(cfg["uacUrl"])
        self.assertEqual((uac.scheme, uac.hostname, uac.port), ("https", "127.0.0.1", self.cloud.port))
        self.assertNotIn(uac.path, ("", "/", "/api"))

    def test_refresh_rotates_every_token(self):
        first = self.sign_in()["result"]
        status, reply = self.cloud.post_json("/uac/v1/refresh-token", json.loads(envelope(
            {"agentToken": "{id}", "accessToken": first["accessToken"],
             "refreshToken": first["refreshToken"]})))
        self.assertEqual((status, reply["status"]), (200, "ok"))
        second = reply["result"]
        for key in ("accessToken", "refreshToken", "signToken"):
            self.assertNotEqual(first[key], second[key], key)
        # The old key no longer signs; the new one does.
        uac = "/uac/v2/device-list"
        status, _ = self.signed_post(uac, "/api/v2/device-list", envelope(meta={"accessToken": second["accessToken"]}),
                                     {"accessToken": second["accessToken"], "signToken": first["signToken"]})
        self.assertEqual(status, 401)
        status, _ = self.signed_post(uac, "/api/v2/device-list", envelope(meta={"accessToken": second["accessToken"]}), second)
        self.assertEqual(status, 200)
        # A refresh token is good once.
        status, stale = self.cloud.post_json("/uac/v1/refresh-token", json.loads(envelope(
            {"refreshToken": first["refreshToken"]})))
        self.assertEqual((status, stale["status"]), (200, "error"))

    def test_device_chain_reply_shapes(self):
        tokens = self.sign_in()["result"]
        status, dl = self.signed_post("/uac/v2/device-list", "/api/v2/device-list",
                                      envelope(meta={"accessToken": tokens["accessToken"]}), tokens)
        self.assertEqual((status, dl["status"]), (200, "ok"))
        con = dl["result"]["conDevices"]
        self.assertEqual([c["deviceId"] for c in con], ["CAM0001", "CAM0002"])
        for c in con:
            self.assertEqual((c["deviceType"], c["conStatus"]), (1, 1))
            self.assertIsInstance(c["aliasName"], str)
        gen = dl["result"]["devGenerals"][0]
        for key, kind in (("master", str), ("_id", str), ("deviceType", int), ("__v", int),
                          ("accessPubKey", str), ("activeTime", str)):
            self.assertIsInstance(gen[key], kind, key)

        devices = [{"deviceId": c["deviceId"], "deviceType": 1} for c in con]
        status, dc = self.signed_post("/api/v1/dev-config", "/api/v1/dev-config", envelope(
            {"devices": devices}, {"accessToken": tokens["accessToken"]}), tokens)
        self.assertEqual((status, dc["status"]), (200, "ok"))
        cfg = dc["result"]["devices"]
        self.assertEqual([d["deviceId"] for d in cfg], ["CAM0001", "CAM0002"])
        gateway = urllib.parse.urlsplit(cfg[0]["gatewayUrl"])
        self.assertEqual((gateway.hostname, gateway.port), ("127.0.0.1", self.cloud.port))
        for address in cfg[0]["stunServers"].split(","):
            self.assertTrue(address.startswith("127."), address)

        status, fi = self.signed_post(gateway.path + "/v1/fetch-infos", "/api/v1/fetch-infos", envelope(
            {"devices": [{"did": "CAM0001", "dtype": 1, "isShare": False, "scopes": []}]}), tokens)
        self.assertEqual((status, fi["status"]), (200, "ok"))
        info = fi["result"]["infos"][0]["info"]
        self.assertEqual(info["base"]["accessKey"], "ak-CAM0001")
        self.assertEqual(info["capability"]["ptz"], "1")
        self.assertIsInstance(info["base"]["whiteBalance"], int)
        self.assertEqual(len(info["streamConfig"]["streams"]), 2)
        snap = urllib.parse.urlsplit(info["base"]["snapshotUrl"])
        status, jpeg = self.cloud.request("GET", snap.path)
        self.assertEqual(status, 200)
        self.assertEqual((jpeg[:2], jpeg[-2:]), (b"\xff\xd8", b"\xff\xd9"))

        status, sn = self.signed_post("/uac/v1/snapshot", "/api/v1/snapshot", envelope(
            {"deviceId": "CAM0002"}, {"accessToken": tokens["accessToken"]}), tokens)
        self.assertEqual((status, sn["status"]), (200, "ok"))

    def test_sign_out_ends_the_session(self):
        tokens = self.sign_in()["result"]
        status, reply = self.cloud.post_json("/uac/v1/signout", json.loads(envelope(
            {"agentToken": "{id}", "refreshToken": tokens["refreshToken"]})))
        self.assertEqual((status, reply["status"]), (200, "ok"))
        self.assertIn("message", reply)
        status, _ = self.signed_post("/uac/v2/device-list", "/api/v2/device-list",
                                     envelope(meta={"accessToken": tokens["accessToken"]}), tokens)
        self.assertEqual(status, 401)

    def test_malformed_data_gets_an_error_answer(self):
        for path in ("/uac/v1/challenge", "/uac/v1/signin", "/uac/v1/refresh-token",
                     "/uac/v1/signout"):
            for data in (5, "text", [1], None, {"username": 7, "password": [], "nonce": {}}):
                with self.subTest(path=path, data=data):
                    status, reply = self.cloud.post_json(path, {"meta": {}, "data": data})
                    self.assertEqual((status, reply["status"]), (200, "error"), reply)

    def test_unknown_paths_and_pictures_are_not_found(self):
        self.assertEqual(self.cloud.post_json("/uac/v1/nothing", json.loads(envelope()))[0], 404)
        self.assertEqual(self.cloud.request("GET", "/thumb/NOPE.jpeg")[0], 404)


class FailureModeTest(CloudCase):
    def test_k_non_200_replies_then_normal(self):
        self.cloud.control("script", {"path": "/api/v1/app-startup", "mode": "status",
                                      "count": 2, "arg": 503})
        statuses = [self.cloud.post_json("/api/v1/app-startup", json.loads(envelope()))[0]
                    for _ in range(3)]
        self.assertEqual(statuses, [503, 503, 200])

    def test_broken_replies(self):
        path = "/api/v1/app-startup"
        cases = [("cut", (http.client.IncompleteRead,)),
                 ("drop", (http.client.RemoteDisconnected, ConnectionError))]
        for mode, errors in cases:
            with self.subTest(mode):
                self.cloud.control("script", {"path": path, "mode": mode})
                with self.assertRaises(errors):
                    self.cloud.post_json(path, json.loads(envelope()))
        self.cloud.control("script", {"path": path, "mode": "nonjson"})
        status, body = self.cloud.post_json(path, json.loads(envelope()))
        self.assertEqual(status, 200)
        self.assertIsInstance(body, bytes)

    def test_error_code_on_cue(self):
        tokens = self.sign_in()["result"]
        self.cloud.control("script", {"path": "/uac/v1/refresh-token", "mode": "error",
                                      "arg": 1011})
        body = json.loads(envelope({"refreshToken": tokens["refreshToken"]}))
        status, reply = self.cloud.post_json("/uac/v1/refresh-token", body)
        self.assertEqual((status, reply["status"], reply["code"]), (200, "error", 1011))

    def test_a_failed_reply_changes_nothing_so_the_same_request_works_again(self):
        # The client answers a failed refresh, sign-in or sign-out by sending the
        # same request again: the refresh token and the challenge keys must
        # still be good then.
        tokens = self.sign_in()["result"]
        path = "/uac/v1/refresh-token"
        for mode in ("status", "drop", "nonjson", "error"):
            with self.subTest(mode):
                body = json.loads(envelope({"agentToken": "{id}",
                                            "accessToken": tokens["accessToken"],
                                            "refreshToken": tokens["refreshToken"]}))
                self.cloud.control("script", {"path": path, "mode": mode})
                try:
                    status, reply = self.cloud.post_json(path, body)
                    self.assertFalse(status == 200 and isinstance(reply, dict)
                                     and reply.get("status") == "ok", reply)
                except (http.client.HTTPException, ConnectionError):
                    pass  # "drop": no answer at all
                status, reply = self.cloud.post_json(path, body)
                self.assertEqual((status, reply["status"]), (200, "ok"), reply)
                tokens = reply["result"]

        keys = self.challenge()

        def signin_body():  # a new nonce and box for every attempt, as the client makes
            box, nonce = self.box_password(keys)
            return json.loads(envelope({"username": ACCOUNT[0],
                                        "password": base64.b64encode(box).decode(),
                                        "nonce": base64.b64encode(nonce).decode()}))
        self.cloud.control("script", {"path": "/uac/v1/signin", "mode": "status", "arg": 500})
        self.assertEqual(self.cloud.post_json("/uac/v1/signin", signin_body())[0], 500)
        status, reply = self.cloud.post_json("/uac/v1/signin", signin_body())
        self.assertEqual((status, reply["status"]), (200, "ok"), reply)

        signout = json.loads(envelope({"agentToken": "{id}",
                                       "refreshToken": reply["result"]["refreshToken"]}))
        self.cloud.control("script", {"path": "/uac/v1/signout", "mode": "status"})
        self.assertEqual(self.cloud.post_json("/uac/v1/signout", signout)[0], 500)
        status, out = self.cloud.post_json("/uac/v1/signout", signout)
        self.assertEqual((status, out["status"]), (200, "ok"), out)

    def test_bad_control_requests_are_refused(self):
        for req in ({"path": "/x", "mode": "explode"}, {"path": "/x", "mode": "status", "count": 0},
                    {"mode": "cut"}):
            with self.subTest(req=req):
                status, _ = self.cloud.post_json("/_sim/script", req)
                self.assertEqual(status, 400)


class LogAndConcurrencyTest(CloudCase):
    def test_log_keeps_header_order_and_raw_body(self):
        body = b'{"meta":{"x":"\xc3\xa9"},"data":{"agentName":"a","agentName":"b"}}'
        headers = [("Content-Type", "application/json;charset=utf-8"), ("Accept-Language", "zh"),
                   ("x-agent-token", "0" * 32), ("Authorization", "Bearer none"),
                   ("X-UAC-Signature", "UAC1-HMAC-SHA256;1;x")]
        self.cloud.request("POST", "/uac/v1/snapshot", body, headers)
        entry = [e for e in self.cloud.log_entries() if e["path"] == "/uac/v1/snapshot"][-1]
        names = [k for k, _ in entry["headers"] if k in dict(headers)]
        self.assertEqual(names, [k for k, _ in headers])
        self.assertEqual(base64.b64decode(entry["bodyBase64"]), body)
        self.assertEqual(entry["status"], 401)

    def test_a_slow_reply_does_not_hold_up_others(self):
        self.cloud.control("script", {"path": "/api/v1/app-startup", "mode": "delay",
                                      "arg": 1500})
        slow = {}
        t = threading.Thread(target=lambda: slow.update(
            r=self.cloud.post_json("/api/v1/app-startup", json.loads(envelope()))))
        t.start()
        time.sleep(0.2)
        start = time.monotonic()
        status, _ = self.cloud.post_json("/api/v1/app-startup", json.loads(envelope()))
        fast = time.monotonic() - start
        t.join(timeout=15)
        self.assertEqual(status, 200)
        self.assertLess(fast, 1.0)
        self.assertEqual(slow["r"][0], 200)


class ProgramTest(unittest.TestCase):
    def test_failures_scripted_on_the_command_line(self):
        cloud = SimCloud("--fail", "/api/v1/app-startup=status:2:502",
                         "--fail", "/uac/v1/challenge=error:1:1007")
        try:
            statuses = [cloud.post_json("/api/v1/app-startup", json.loads(envelope()))[0]
                        for _ in range(3)]
            self.assertEqual(statuses, [502, 502, 200])
            _, reply = cloud.post_json("/uac/v1/challenge", json.loads(envelope(
                {"username": ACCOUNT[0]})))
            self.assertEqual((reply["status"], reply["code"]), ("error", 1007))
        finally:
            cloud.stop()

    def test_bad_switches_are_refused(self):
        for args in (["--fail", "/x=explode"], ["--fail", "nopath"], ["--lifetime", "0"],
                     ["--account", "nopassword"]):
            with self.subTest(args=args):
                with tempfile.TemporaryDirectory() as scratch:
                    certs = os.path.join(scratch, "certs")
                    proc = subprocess.run([sys.executable, SCRIPT, "--make-certs", certs] + args,
                                          capture_output=True, timeout=30)
                    self.assertEqual(proc.returncode, 2, proc.stderr)
                    self.assertFalse(os.path.exists(certs), "nothing is made before the check")

    def test_stops_by_itself(self):
        cloud = SimCloud(lifetime=1)
        try:
            self.assertEqual(cloud.proc.wait(timeout=15), 0)
        finally:
            cloud.stop()

    def test_refuses_addresses_off_loopback(self):
        with tempfile.TemporaryDirectory() as scratch:
            proc = subprocess.run([sys.executable, SCRIPT, "--host", "192.168.1.23",
                                   "--make-certs", scratch], capture_output=True, timeout=30)
        self.assertEqual(proc.returncode, 2)
        self.assertIn(b"loopback", proc.stderr)


if __name__ == "__main__":
    unittest.main()
