"""The simulated cloud's accounts, devices, sign-in challenges and sessions, and
the reply bodies of every call. Thread-safe: one lock guards all state.

Calls get the request's Exchange: what only the world can judge (the install
id of a session, the device list a dev-config must repeat, the camera a
gateway serves) is added to its problems; a refused call returns None and
changes nothing."""
import base64
import itertools
import json
import re
import secrets
import threading
import time

from . import picture, sodium
from .calls import GATEWAY_PREFIX, THUMB_PREFIX, UAC_PREFIX, show

NOT_AN_IMAGE = b"<html><body>this is not a picture</body></html>\n"
SIGNED_IN_ELSEWHERE = 1011
CAMERA_OPTIONS = ("ip", "stun", "thumb", "pad", "snapurl", "type", "status", "infos", "streams")
MAX_THUMB_PAD = 64 << 20
_OPTION_START = re.compile(":(?=(?:%s)=)" % "|".join(CAMERA_OPTIONS))


class Camera:
    """A device of every account; a camera when device_type is 1."""

    def __init__(self, device_id, alias, ptz="1", access_key=None, local_ip="127.0.0.1",
                 stun=None, thumb=None, snapshot_url=None, device_type=1, con_status=1,
                 infos=1, streams=True, thumb_pad=0):
        self.device_id = device_id
        self.alias = alias
        self.ptz = ptz
        self.access_key = access_key or "ak-" + device_id
        self.local_ip = local_ip
        self.stun = stun            # None: the world's rendezvous list
        self.thumb = thumb          # None: a generated picture; else the bytes served
        self.thumb_pad = thumb_pad  # the picture served is padded with zeros to this size
        self.snapshot_url = snapshot_url  # None: this cloud's thumbnail URL
        self.device_type = device_type
        self.con_status = con_status
        self.infos = infos          # fetch-infos entries for it (the last one is current)
        self.streams = streams      # False: its entries have no streamConfig


def _int_option(key, value, allowed=None):
    try:
        number = int(value)
    except ValueError:
        raise ValueError("camera option %s needs a number: %s" % (key, value))
    if allowed is not None and number not in allowed:
        raise ValueError("camera option %s must be one of %s" % (key, allowed))
    return number


def _thumb_option(value):
    if value == "notimage":
        return NOT_AN_IMAGE
    try:
        with open(value, "rb") as f:
            return f.read(4 << 20)
    except OSError as e:
        raise ValueError("camera picture %s: %s" % (value, e.strerror))


def parse_camera(text):
    """ID[:ALIAS[:PTZ[:ACCESSKEY]]][:KEY=VALUE]... (see README); a value runs
    up to the next ":KEY=", so a URL or path may hold colons."""
    chunks = _OPTION_START.split(text)
    parts = chunks[0].split(":")
    if not parts[0]:
        raise ValueError("camera needs an id: " + text)
    positional, options = parts[1:], {}
    for chunk in chunks[1:]:
        key, _, value = chunk.partition("=")
        if key in options:
            raise ValueError("camera option %s given twice: %s" % (key, text))
        options[key] = value
    if len(positional) > 3:
        raise ValueError("camera has too many fields (options are %s): %s"
                         % (", ".join(CAMERA_OPTIONS), text))
    positional += [""] * (3 - len(positional))
    alias, ptz, key = positional
    return Camera(parts[0], alias or parts[0], ptz or "1", key or None,
                  local_ip=options.get("ip", "127.0.0.1"),
                  stun=options.get("stun"),
                  thumb=_thumb_option(options["thumb"]) if "thumb" in options else None,
                  snapshot_url=options.get("snapurl"),
                  device_type=_int_option("type", options.get("type", "1")),
                  con_status=_int_option("status", options.get("status", "1")),
                  infos=_int_option("infos", options.get("infos", "1"), (1, 2)),
                  streams=_int_option("streams", options.get("streams", "1"), (0, 1)) == 1,
                  thumb_pad=_int_option("pad", options.get("pad", "0"),
                                        range(0, MAX_THUMB_PAD + 1)))


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


class TokenSet:
    def __init__(self, access, refresh, sign, now, access_expires, refresh_expires):
        self.access = access
        self.refresh = refresh
        self.sign = sign
        self.access_until = now + access_expires
        self.refresh_until = now + refresh_expires


class Session:
    def __init__(self, username, tokens, agent_token=None):
        self.username = username
        self.tokens = tokens          # the current set
        self.previous = None          # the set before the last refresh
        self.grace_until = 0.0        # ... still good until then
        self.agent_token = agent_token  # the install id of the sign-in
        self.agent_header = None      # the x-agent-token of its first signed call
        self.revoked = False
        self.displaced = False        # the account signed in again elsewhere

    def previous_in_grace(self, now):
        return self.previous if self.previous is not None and now < self.grace_until else None


class World:
    def __init__(self, base_url, accounts, cameras, rendezvous, access_expires=7200,
                 refresh_expires=2592000, grace=30.0, entry_prefix=""):
        self.base_url = base_url.rstrip("/")
        self.entry_url = self.base_url + entry_prefix
        self.accounts = dict(accounts)
        self.cameras = list(cameras)
        self.rendezvous = rendezvous
        self.access_expires = access_expires
        self.refresh_expires = refresh_expires
        self.grace = grace
        self._lock = threading.Lock()
        self._challenges = {}  # username -> (server secret key, client public key, install id)
        self._sessions = []
        self._serial = itertools.count(1)
        self._clock_offset = 0.0
        self._pictures = {}

    # ----- clock ----------------------------------------------------------
    def now(self):
        """The token clock: wall time, moved on by advance()."""
        with self._lock:
            return time.time() + self._clock_offset

    def advance(self, seconds):
        with self._lock:
            self._clock_offset += seconds
            return self._clock_offset

    # ----- sessions -------------------------------------------------------
    def _new_token(self, kind):
        return "%s-%d-%s" % (kind, next(self._serial), secrets.token_hex(8))

    def _new_set(self, now):
        return TokenSet(self._new_token("AT"), self._new_token("RT"), self._new_token("SK"), now,
                        self.access_expires, self.refresh_expires)

    def install_session(self, username, access_token, refresh_token, sign_token):
        now = self.now()
        with self._lock:
            s = Session(username, TokenSet(access_token, refresh_token, sign_token, now,
                                           self.access_expires, self.refresh_expires))
            self._sessions.append(s)
            return s

    def authenticate(self, access_token):
        """(session, signing keys it accepts now, "") or (None, None, why)."""
        now = self.now()
        with self._lock:
            for s in reversed(self._sessions):
                if s.revoked:
                    continue
                previous = s.previous_in_grace(now)
                if s.tokens.access == access_token:
                    tokens = s.tokens
                elif previous is not None and previous.access == access_token:
                    tokens = previous
                elif s.previous is not None and s.previous.access == access_token:
                    return None, None, "access token replaced by a refresh more than %g s ago" \
                        % self.grace
                else:
                    continue
                if now >= tokens.access_until:
                    return None, None, "access token expired"
                keys = [s.tokens.sign] + ([previous.sign] if previous is not None else [])
                return s, keys, ""
        return None, None, "unknown access token"

    def check_agent_header(self, ex, session, value):
        """x-agent-token stays the same within a session."""
        with self._lock:
            if session.agent_header is not None and value != session.agent_header:
                ex.problem("x-agent-token %s changed within the session (first %s)"
                           % (value, session.agent_header), 401)

    def remember_agent_header(self, session, value):
        with self._lock:
            if session.agent_header is None:
                session.agent_header = value

    def _check_install_id(self, ex, session, agent):
        if session.agent_token is not None and agent != session.agent_token:
            ex.problem("agentToken %s differs from the install id %s of this session's sign-in"
                       % (show(agent), session.agent_token))

    @staticmethod
    def _remember_install_id(session, agent):
        if session.agent_token is None and isinstance(agent, str):
            session.agent_token = agent

    def sessions_state(self):
        with self._lock:
            return [{"username": s.username, "accessToken": s.tokens.access,
                     "refreshToken": s.tokens.refresh, "signToken": s.tokens.sign,
                     "agentToken": s.agent_token, "xAgentToken": s.agent_header,
                     "revoked": s.revoked, "displaced": s.displaced} for s in self._sessions]

    def _token_result(self, tokens):
        return {"accessToken": tokens.access, "refreshToken": tokens.refresh,
                "scope": "all", "tokenType": "Bearer",
                "accessExpiresIn": self.access_expires,
                "refreshExpiresIn": self.refresh_expires, "signToken": tokens.sign}

    def _find_by_refresh(self, token, now):
        """(session, the token set of that refresh token, is it the current
        one) of a live session, or (None, None, False)."""
        for s in reversed(self._sessions):
            if s.revoked:
                continue
            if s.tokens.refresh == token:
                return s, s.tokens, True
            previous = s.previous_in_grace(now)
            if previous is not None and previous.refresh == token:
                return s, previous, False
        return None, None, False

    # ----- calls ----------------------------------------------------------
    def app_startup(self, _ex, _body):
        base = self.base_url
        return ok({"appConfig": {
            "uacUrl": base + UAC_PREFIX, "emcPortalUrl": base + "/emc",
            "capUrl": base + "/cap", "storePortalUrl": base + "/store",
            "agreementUrl": base + "/pages/agreement.html",
            "privacyUrl": base + "/pages/privacy.html",
            "cloudStorAgreementUrl": base + "/pages/cloud-storage.html",
            "wanIp": "127.0.0.1", "country": "US", "locale": "en-US"}})

    def challenge(self, _ex, body):
        data = _data(body)
        username = data.get("username")
        if not isinstance(username, str) or not username:
            return error(1001, "username missing")
        server_pk, server_sk = sodium.box_keypair()
        client_pk, client_sk = sodium.box_keypair()
        with self._lock:
            self._challenges[username] = (server_sk, client_pk, data.get("agentToken"))
        b64 = lambda b: base64.b64encode(b).decode("ascii")
        return ok({"serverPubKey": b64(server_pk), "clientPubKey": b64(client_pk),
                   "clientSecretKey": b64(client_sk)})

    def _challenge_of(self, username):
        with self._lock:
            return self._challenges.get(username)

    @staticmethod
    def open_password(keys, password_b64, nonce_b64):
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
        server_sk, client_pk = keys[0], keys[1]
        return sodium.box_open_easy(box, nonce, client_pk, server_sk)

    def signin(self, ex, body):
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
        agent = data.get("agentToken")
        if agent != keys[2]:
            ex.problem("agentToken %s differs from the install id %s of the challenge"
                       % (show(agent), show(keys[2])))
        if ex.refused:
            return None
        now = self.now()
        with self._lock:
            # One sign-in per challenge: of two racing on the same keys, one wins.
            if self._challenges.get(username) is not keys:
                return error(1004, "Password box does not open")
            del self._challenges[username]
            for other in self._sessions:
                if other.username == username and not other.revoked:
                    other.displaced = True
            s = Session(username, self._new_set(now), agent if isinstance(agent, str) else None)
            self._sessions.append(s)
            return ok(self._token_result(s.tokens))

    def refresh(self, ex, body):
        data = _data(body)
        now = self.now()
        with self._lock:
            s, tokens, current = self._find_by_refresh(data.get("refreshToken"), now)
            if s is None:
                return error(1005, "refresh token is not valid")
            if data.get("accessToken") != tokens.access:
                ex.problem("accessToken %s is not the one issued with this refresh token"
                           % show(data.get("accessToken")))
            self._check_install_id(ex, s, data.get("agentToken"))
            if ex.refused:
                return None
            self._remember_install_id(s, data.get("agentToken"))
            if s.displaced:
                return error(SIGNED_IN_ELSEWHERE, "The userName was logged in by another device")
            if now >= tokens.refresh_until:
                return error(1005, "refresh token expired")
            if not current:
                # A repeat of a refresh whose answer was lost: the tokens it made.
                return ok(self._token_result(s.tokens))
            s.previous, s.grace_until = s.tokens, now + self.grace
            s.tokens = self._new_set(now)
            return ok(self._token_result(s.tokens))

    def signout(self, ex, body):
        data = _data(body)
        now = self.now()
        with self._lock:
            s, _tokens, _current = self._find_by_refresh(data.get("refreshToken"), now)
            if s is None:
                return error(1005, "refresh token is not valid")
            self._check_install_id(ex, s, data.get("agentToken"))
            if ex.refused:
                return None
            s.revoked = True
            return ok(message="signed out")

    def _camera(self, device_id):
        for c in self.cameras:
            if c.device_id == device_id:
                return c
        return None

    def gateway_camera(self, number):
        """The device whose gateway is BASE/gw/<number>, or None."""
        return self.cameras[number - 1] if 1 <= number <= len(self.cameras) else None

    def gateway_url(self, camera):
        return "%s%s/%d" % (self.base_url, GATEWAY_PREFIX, self.cameras.index(camera) + 1)

    def device_list(self, _ex, _body):
        con = [{"deviceId": c.device_id, "aliasName": c.alias, "deviceType": c.device_type,
                "conType": 1, "conStatus": c.con_status} for c in self.cameras]
        gen = [{"master": "owner", "slaves": "", "_id": "gen-" + c.device_id,
                "deviceId": c.device_id, "deviceType": c.device_type, "deviceMode": "IPC-SIM",
                "vendorCode": "ORV", "__v": 0, "accessPubKey": "", "accessPriKey": "",
                "context": "", "activeTime": "2026-01-01T00:00:00Z"} for c in self.cameras]
        return ok({"conDevices": con, "devGenerals": gen})

    def dev_config(self, ex, body):
        wanted = _data(body).get("devices", [])
        wanted = wanted if isinstance(wanted, list) else []
        asked = [(e.get("deviceId"), e.get("deviceType")) if isinstance(e, dict) else e
                 for e in wanted]
        listed = [(c.device_id, c.device_type) for c in self.cameras]
        if asked != listed:
            ex.problem("devices %s differ from the device list %s" % (asked, listed))
        if ex.refused:
            return None
        out = []
        for entry in wanted:
            camera = self._camera(entry.get("deviceId") if isinstance(entry, dict) else None)
            if camera is None:
                continue
            gateway = self.gateway_url(camera)
            stun = camera.stun if camera.stun is not None else self.rendezvous
            out.append({"deviceId": camera.device_id, "deviceType": camera.device_type,
                        "continent": "NA", "country": "US",
                        "devCloudStorUrl": self.base_url + "/cs",
                        "devEmcUrl": self.base_url + "/emc", "devGatewayUrl": gateway,
                        "p2ps": stun, "region": "sim", "stunServers": stun, "tunnelUrl": "",
                        "gatewayUrl": gateway, "cloudStorUrl": self.base_url + "/cs",
                        "emcUrl": self.base_url + "/emc"})
        return ok({"devices": out})

    def thumbnail_url(self, camera):
        if camera.snapshot_url is not None:
            return camera.snapshot_url
        return self.base_url + THUMB_PREFIX + camera.device_id + ".jpeg"

    def _info(self, camera, access_key):
        base = {"deviceId": camera.device_id, "whiteBalance": 0, "freqValue": 50,
                "nightMode": "auto", "orientationValue": "0", "aliasName": camera.alias,
                "snapshotUrl": self.thumbnail_url(camera), "snapshotTs": "1700000000000",
                "tzManualAdjust": "0", "accessKey": access_key, "channelId": "0",
                "connReadyTime": "0", "continent": "NA", "country": "US",
                "deviceMode": "IPC-SIM", "deviceType": str(camera.device_type), "endpoint": "sim",
                "fwVersion": "1.0.0", "lastCamAlarmResReqTime": "0",
                "lastCamSnapshotResReqTime": "0", "lastPingTime": "0", "masterUid": "owner",
                "newFwVersion": "", "onlineModified": "0", "onlineModifier": "sim",
                "onlineStatus": camera.con_status, "prodName": "Simulated camera",
                "remoteAddr": camera.local_ip, "vendorCode": "ORV", "wssPingInterval": "30"}
        capability = {k: "0" for k in (
            "autoTrack", "battery", "cloudStorageModes", "detectEnhance", "diagnose",
            "duplexVoice", "encryptMode", "hibernate", "indicatorLightCtl", "localStorRmt",
            "localStorageTypes", "mic", "networkConfig", "newtz", "onvif", "opticalZoom",
            "pelco", "pirDetect", "privLiveStream", "qualities", "speaker", "variFocus",
            "voiceDetect", "whiteLightCtl", "wlanOnlineSet")}
        capability.update({"ptz": camera.ptz, "mic": "1", "speaker": "1", "qualities": "1,5"})
        network = {"wlanMac": "02:00:00:00:00:01", "ethMac": "02:00:00:00:00:02",
                   "localIp": camera.local_ip, "localIpMask": "255.255.255.0",
                   "localDirectProbeUrl": "", "wanIp": "127.0.0.1", "netLinkType": "eth",
                   "ssid": ""}
        info = {"base": base, "capability": capability, "networkConfig": network}
        if camera.streams:
            info["streamConfig"] = {"streams": [
                {"bitRate": "2048", "frameRate": "15", "localUrl": "", "no": "0",
                 "quality": "5", "resHeight": "1080", "resWidth": "1920", "wanUrl": ""},
                {"bitRate": "512", "frameRate": "15", "localUrl": "", "no": "1",
                 "quality": "1", "resHeight": "360", "resWidth": "640", "wanUrl": ""}]}
        return {"info": info}

    def fetch_infos(self, ex, body):
        served = self.gateway_camera(ex.gateway)
        wanted = _data(body).get("devices", [])
        wanted = wanted if isinstance(wanted, list) else []
        cameras = []
        for entry in wanted:
            did = entry.get("did") if isinstance(entry, dict) else None
            camera = self._camera(did)
            if camera is None:
                continue
            if camera is not served:
                ex.problem("%s asked at the gateway of %s" % (did, served.device_id))
            if (camera.device_type, camera.con_status) != (1, 1):
                ex.problem("%s is not an online camera (deviceType %d, conStatus %d): it gets "
                           "no tile" % (did, camera.device_type, camera.con_status))
            cameras.append(camera)
        if ex.refused:
            return None
        infos = []
        for camera in cameras:
            # Older entries first, with a key the camera no longer takes.
            for age in range(camera.infos - 1, -1, -1):
                key = camera.access_key if age == 0 else "stale%d-%s" % (age, camera.access_key)
                infos.append(self._info(camera, key))
        return ok({"infos": infos})

    def snapshot(self, _ex, body):
        camera = self._camera(_data(body).get("deviceId"))
        if camera is None:
            return error(1006, "device not bound")
        return ok({"deviceId": camera.device_id, "snapshotUrl": self.thumbnail_url(camera)})

    def thumbnail(self, path):
        """The picture bytes for a thumbnail path, or None."""
        name = path[len(THUMB_PREFIX):]
        camera = self._camera(name[:-len(".jpeg")]) if name.endswith(".jpeg") else None
        if camera is None:
            return None
        if camera.thumb is not None:
            data = camera.thumb
        else:
            with self._lock:
                if camera.device_id not in self._pictures:
                    number = self.cameras.index(camera) + 1
                    self._pictures[camera.device_id] = picture.camera_picture(number)
                data = self._pictures[camera.device_id]
        return data + b"\0" * max(0, camera.thumb_pad - len(data))


def dumps(obj):
    return json.dumps(obj, separators=(",", ":"), ensure_ascii=False).encode("utf-8")
