"""The simulated cloud's accounts, cameras, sign-in challenges and sessions, and
the reply bodies of every call. Thread-safe: one lock guards all state."""
import base64
import itertools
import json
import secrets
import threading

from . import sodium

# A 64x36 baseline JPEG served as every camera's stored snapshot.
THUMBNAIL_JPEG = base64.b64decode("/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAA0JCgsKCA0LCgsODg0PEyAVExISEyccHhcgLikxMC4pLSwzOko+MzZGNywtQFdBRkxOUlNSMj5aYVpQYEpRUk//2wBDAQ4ODhMREyYVFSZPNS01T09PT09PT09PT09PT09PT09PT09PT09PT09PT09PT09PT09PT09PT09PT09PT09PT0//wAARCAAkAEADASIAAhEBAxEB/8QAFgABAQEAAAAAAAAAAAAAAAAAAAUG/8QAGRAAAwADAAAAAAAAAAAAAAAAABRhAhJR/8QAGAEBAQADAAAAAAAAAAAAAAAAAAUCBAb/xAAYEQEAAwEAAAAAAAAAAAAAAAAAARMUEf/aAAwDAQACEQMRAD8Awa8C8Ky8C8KOxlUkrwLwrLwLwbCpJXgXhWXgXg2FSSvAvCsvAvBsKldeBeFZeBeHK7FOpJXgXhWXgXg2FSSvAvCsvAvBsKkleBeFZeBeDYVKemPBpjwAhdluGmPBpjwAdkNMeDTHgA7IaY8GmPAB2R//2Q==")

UAC_PREFIX = "/uac"
GATEWAY_PREFIX = "/gw"
THUMB_PREFIX = "/thumb/"


class Camera:
    def __init__(self, device_id, alias, ptz="1", access_key=None):
        self.device_id = device_id
        self.alias = alias
        self.ptz = ptz
        self.access_key = access_key or "ak-" + device_id


def parse_camera(text):
    """ID[:ALIAS[:PTZ[:ACCESSKEY]]]"""
    parts = text.split(":")
    if not parts[0]:
        raise ValueError("camera needs an id: " + text)
    alias = parts[1] if len(parts) > 1 and parts[1] else parts[0]
    ptz = parts[2] if len(parts) > 2 and parts[2] else "1"
    key = parts[3] if len(parts) > 3 and parts[3] else None
    return Camera(parts[0], alias, ptz, key)


def parse_account(text):
    """USER:PASSWORD (the password may hold further colons)"""
    user, sep, password = text.partition(":")
    if not user or not sep:
        raise ValueError("account must be USER:PASSWORD: " + text)
    return user, password


def _data(body):
    """The request's "data" object, or {} when there is none."""
    data = body.get("data") if isinstance(body, dict) else None
    return data if isinstance(data, dict) else {}


def ok(result=None, message="success"):
    body = {"status": "ok", "code": 0, "message": message}
    if result is not None:
        body["result"] = result
    return body


def error(code, message):
    return {"status": "error", "code": code, "message": message}


class Session:
    def __init__(self, username, access_token, refresh_token, sign_token):
        self.username = username
        self.access_token = access_token
        self.refresh_token = refresh_token
        self.sign_token = sign_token
        self.revoked = False


class World:
    def __init__(self, base_url, accounts, cameras, rendezvous, access_expires=7200,
                 refresh_expires=2592000):
        self.base_url = base_url.rstrip("/")
        self.accounts = dict(accounts)
        self.cameras = list(cameras)
        self.rendezvous = rendezvous
        self.access_expires = access_expires
        self.refresh_expires = refresh_expires
        self._lock = threading.Lock()
        self._challenges = {}  # username -> (server secret key, client public key)
        self._sessions = []
        self._serial = itertools.count(1)

    # ----- sessions -------------------------------------------------------
    def _new_token(self, kind):
        return "%s-%d-%s" % (kind, next(self._serial), secrets.token_hex(8))

    def _issue(self, session):
        session.access_token = self._new_token("AT")
        session.refresh_token = self._new_token("RT")
        session.sign_token = self._new_token("SK")

    def install_session(self, username, access_token, refresh_token, sign_token):
        with self._lock:
            s = Session(username, access_token, refresh_token, sign_token)
            self._sessions.append(s)
            return s

    def session_by_access(self, access_token):
        with self._lock:
            for s in reversed(self._sessions):
                if not s.revoked and s.access_token == access_token:
                    return s
        return None

    def sessions_state(self):
        with self._lock:
            return [{"username": s.username, "accessToken": s.access_token,
                     "refreshToken": s.refresh_token, "signToken": s.sign_token,
                     "revoked": s.revoked} for s in self._sessions]

    def _token_result(self, s):
        return {"accessToken": s.access_token, "refreshToken": s.refresh_token,
                "scope": "all", "tokenType": "Bearer",
                "accessExpiresIn": self.access_expires,
                "refreshExpiresIn": self.refresh_expires, "signToken": s.sign_token}

    # ----- calls ----------------------------------------------------------
    def app_startup(self, _body):
        base = self.base_url
        return ok({"appConfig": {
            "uacUrl": base + UAC_PREFIX, "emcPortalUrl": base + "/emc",
            "capUrl": base + "/cap", "storePortalUrl": base + "/store",
            "agreementUrl": base + "/pages/agreement.html",
            "privacyUrl": base + "/pages/privacy.html",
            "cloudStorAgreementUrl": base + "/pages/cloud-storage.html",
            "wanIp": "127.0.0.1", "country": "US", "locale": "en-US"}})

    def challenge(self, body):
        data = _data(body)
        username = data.get("username")
        if not isinstance(username, str) or not username:
            return error(1001, "username missing")
        server_pk, server_sk = sodium.box_keypair()
        client_pk, client_sk = sodium.box_keypair()
        with self._lock:
            self._challenges[username] = (server_sk, client_pk)
        b64 = lambda b: base64.b64encode(b).decode("ascii")
        return ok({"serverPubKey": b64(server_pk), "clientPubKey": b64(client_pk),
                   "clientSecretKey": b64(client_sk)})

    def _challenge_of(self, username):
        with self._lock:
            return self._challenges.get(username)

    def open_password(self, keys, password_b64, nonce_b64):
        """The password text inside the sign-in box opened with the challenge
        `keys`, or None (also without keys)."""
        if keys is None:
            return None
        try:
            box = base64.b64decode(password_b64, validate=True)
            nonce = base64.b64decode(nonce_b64, validate=True)
        except (ValueError, TypeError):
            return None
        if len(nonce) != sodium.NONCEBYTES:
            return None
        server_sk, client_pk = keys
        return sodium.box_open_easy(box, nonce, client_pk, server_sk)

    def signin(self, body):
        data = _data(body)
        username = data.get("username")
        if not isinstance(username, str) or username not in self.accounts:
            return error(1002, "Account does not exist")
        keys = self._challenge_of(username)
        message = self.open_password(keys, data.get("password", ""), data.get("nonce", ""))
        if message is None:
            return error(1004, "Password box does not open")
        if message != self.accounts[username].encode("utf-8"):
            return error(1003, "Wrong password")
        with self._lock:
            # One sign-in per challenge: of two racing on the same keys, one wins.
            if self._challenges.get(username) is not keys:
                return error(1004, "Password box does not open")
            del self._challenges[username]
            s = Session(username, "", "", "")
            self._issue(s)
            self._sessions.append(s)
            return ok(self._token_result(s))

    def refresh(self, body):
        data = _data(body)
        token = data.get("refreshToken")
        with self._lock:
            for s in reversed(self._sessions):
                if not s.revoked and s.refresh_token == token:
                    self._issue(s)
                    return ok(self._token_result(s))
        return error(1005, "refresh token is not valid")

    def signout(self, body):
        data = _data(body)
        token = data.get("refreshToken")
        with self._lock:
            for s in self._sessions:
                if not s.revoked and s.refresh_token == token:
                    s.revoked = True
                    return ok(message="signed out")
        return error(1005, "refresh token is not valid")

    def _camera(self, device_id):
        for c in self.cameras:
            if c.device_id == device_id:
                return c
        return None

    def device_list(self, _session, _body):
        con = [{"deviceId": c.device_id, "aliasName": c.alias, "deviceType": 1,
                "conType": 1, "conStatus": 1} for c in self.cameras]
        gen = [{"master": "owner", "slaves": "", "_id": "gen-" + c.device_id,
                "deviceId": c.device_id, "deviceType": 1, "deviceMode": "IPC-SIM",
                "vendorCode": "ORV", "__v": 0, "accessPubKey": "", "accessPriKey": "",
                "context": "", "activeTime": "2026-01-01T00:00:00Z"} for c in self.cameras]
        return ok({"conDevices": con, "devGenerals": gen})

    def dev_config(self, _session, body):
        data = _data(body)
        wanted = data.get("devices", [])
        out = []
        for entry in wanted if isinstance(wanted, list) else []:
            camera = self._camera(entry.get("deviceId") if isinstance(entry, dict) else None)
            if camera is None:
                continue
            out.append({"deviceId": camera.device_id, "deviceType": 1, "continent": "NA",
                        "country": "US", "devCloudStorUrl": self.base_url + "/cs",
                        "devEmcUrl": self.base_url + "/emc",
                        "devGatewayUrl": self.base_url + GATEWAY_PREFIX,
                        "p2ps": self.rendezvous, "region": "sim",
                        "stunServers": self.rendezvous, "tunnelUrl": "",
                        "gatewayUrl": self.base_url + GATEWAY_PREFIX,
                        "cloudStorUrl": self.base_url + "/cs", "emcUrl": self.base_url + "/emc"})
        return ok({"devices": out})

    def thumbnail_url(self, camera):
        return self.base_url + THUMB_PREFIX + camera.device_id + ".jpeg"

    def _info(self, camera):
        base = {"deviceId": camera.device_id, "whiteBalance": 0, "freqValue": 50,
                "nightMode": "auto", "orientationValue": "0", "aliasName": camera.alias,
                "snapshotUrl": self.thumbnail_url(camera), "snapshotTs": "1700000000000",
                "tzManualAdjust": "0", "accessKey": camera.access_key, "channelId": "0",
                "connReadyTime": "0", "continent": "NA", "country": "US",
                "deviceMode": "IPC-SIM", "deviceType": "1", "endpoint": "sim",
                "fwVersion": "1.0.0", "lastCamAlarmResReqTime": "0",
                "lastCamSnapshotResReqTime": "0", "lastPingTime": "0", "masterUid": "owner",
                "newFwVersion": "", "onlineModified": "0", "onlineModifier": "sim",
                "onlineStatus": 1, "prodName": "Simulated camera", "remoteAddr": "127.0.0.1",
                "vendorCode": "ORV", "wssPingInterval": "30"}
        capability = {k: "0" for k in (
            "autoTrack", "battery", "cloudStorageModes", "detectEnhance", "diagnose",
            "duplexVoice", "encryptMode", "hibernate", "indicatorLightCtl", "localStorRmt",
            "localStorageTypes", "mic", "networkConfig", "newtz", "onvif", "opticalZoom",
            "pelco", "pirDetect", "privLiveStream", "qualities", "speaker", "variFocus",
            "voiceDetect", "whiteLightCtl", "wlanOnlineSet")}
        capability.update({"ptz": camera.ptz, "mic": "1", "speaker": "1", "qualities": "1,5"})
        network = {"wlanMac": "02:00:00:00:00:01", "ethMac": "02:00:00:00:00:02",
                   "localIp": "127.0.0.1", "localIpMask": "255.0.0.0",
                   "localDirectProbeUrl": "", "wanIp": "127.0.0.1", "netLinkType": "eth",
                   "ssid": ""}
        streams = [{"bitRate": "2048", "frameRate": "15", "localUrl": "", "no": "0",
                    "quality": "5", "resHeight": "1080", "resWidth": "1920", "wanUrl": ""},
                   {"bitRate": "512", "frameRate": "15", "localUrl": "", "no": "1",
                    "quality": "1", "resHeight": "360", "resWidth": "640", "wanUrl": ""}]
        return {"info": {"base": base, "capability": capability, "networkConfig": network,
                         "streamConfig": {"streams": streams}}}

    def fetch_infos(self, _session, body):
        data = _data(body)
        wanted = data.get("devices", [])
        infos = []
        for entry in wanted if isinstance(wanted, list) else []:
            camera = self._camera(entry.get("did") if isinstance(entry, dict) else None)
            if camera is not None:
                infos.append(self._info(camera))
        return ok({"infos": infos})

    def snapshot(self, _session, body):
        data = _data(body)
        camera = self._camera(data.get("deviceId"))
        if camera is None:
            return error(1006, "device not bound")
        return ok({"deviceId": camera.device_id, "snapshotUrl": self.thumbnail_url(camera)})

    def thumbnail(self, path):
        """The JPEG bytes for a thumbnail path, or None."""
        name = path[len(THUMB_PREFIX):]
        if not name.endswith(".jpeg") or self._camera(name[:-len(".jpeg")]) is None:
            return None
        return THUMBNAIL_JPEG


def dumps(obj):
    return json.dumps(obj, separators=(",", ":"), ensure_ascii=False).encode("utf-8")
