"""Every cloud call the client makes: where it is posted, how it is signed and
what its body holds, member by member, in the order the client builds it.

A member list is a tuple of (key, check); a check takes the value and returns
a problem text or None. Objects are compared member by member in order, so a
missing, extra, repeated or moved member is a problem too."""
import base64
import re

ENTRY = "entry"      # under the configured entry URL (its path prefix included)
UAC = "uac"          # under the uacUrl of the app-startup reply
GATEWAY = "gateway"  # under one camera's gatewayUrl

UAC_PREFIX = "/uac"
GATEWAY_PREFIX = "/gw"
THUMB_PREFIX = "/thumb/"

CONTENT_TYPE = "application/json;charset=utf-8"
NONCE_ALPHABET = frozenset("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")
INSTALL_ID = re.compile(r"\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\}\Z")


class Pairs(list):
    """A JSON object as its (key, value) pairs, duplicates and order kept."""


def _kind(value):
    if isinstance(value, Pairs):
        return "object"
    if isinstance(value, list):
        return "array"
    if isinstance(value, bool):
        return "boolean"
    if isinstance(value, (int, float)):
        return "number"
    if value is None:
        return "null"
    return "string"


def _a(kind):
    return ("an " if kind[0] in "aeiou" else "a ") + kind


def _expect(kind):
    def check(value):
        return None if _kind(value) == kind else "is %s, not %s" % (_a(_kind(value)), _a(kind))
    return check


string = _expect("string")
number = _expect("number")


def const(expected):
    def check(value):
        if _kind(value) == _kind(expected) and value == expected:
            return None
        return "is %s, not %s" % (show(value), show(expected))
    return check


def install_id(value):
    if _kind(value) != "string":
        return "is %s, not an install id" % _a(_kind(value))
    if not INSTALL_ID.match(value):
        return "%s is not an install id of the form {8-4-4-4-12} in lower-case hex" % show(value)
    return None


def nonce(value):
    """The Base64 text of 24 characters of the alphabet a-z, A-Z, 0-9."""
    if _kind(value) != "string":
        return "is %s, not Base64 text" % _a(_kind(value))
    try:
        raw = base64.b64decode(value, validate=True)
    except ValueError:
        return "%s is not standard Base64" % show(value)
    if len(raw) != 24:
        return "decodes to %d bytes, not 24" % len(raw)
    if any(chr(b) not in NONCE_ALPHABET for b in raw):
        return "decodes to %r, which has characters outside a-zA-Z0-9" % raw
    return None


def object_of(members):
    def check(value):
        problem = _expect("object")(value)
        if problem:
            return problem
        problem = members_problem(value, members)
        return None if problem is None else "{" + problem + "}"
    return check


def array_of(item_check, length=None):
    def check(value):
        problem = _expect("array")(value)
        if problem:
            return problem
        if length is not None and len(value) != length:
            return "has %d entries, not %d" % (len(value), length)
        for i, item in enumerate(value):
            problem = item_check(item)
            if problem:
                return "entry %d %s" % (i, problem)
        return None
    return check


def members_problem(pairs, members):
    """The first difference between an object's pairs and the expected
    members, as text, or None."""
    for i, (key, check) in enumerate(members):
        if i >= len(pairs):
            return "member %d %r missing" % (i + 1, key)
        got_key, value = pairs[i]
        if got_key != key:
            return "member %d is %r, expected %r" % (i + 1, got_key, key)
        problem = check(value)
        if problem:
            return "%r %s" % (key, problem)
    if len(pairs) > len(members):
        return "unexpected member %r after %r" % (
            pairs[len(members)][0], members[-1][0] if members else "nothing")
    return None


def show(value):
    text = repr(value) if not isinstance(value, str) else '"%s"' % value
    return text if len(text) <= 60 else text[:57] + "..."


# The members the two shared builders put first into every body.
META = (("locale", string), ("localtz", number), ("appName", const("orvanta")),
        ("appVendorCode", const("ORV")))
DATA = (("origin", const("PC")), ("osName", const("windows")), ("agentName", string),
        ("appVendorCode", const("ORV")))
ACCESS_TOKEN = (("accessToken", string),)


class Call:
    def __init__(self, name, base, path, handler, signed_path=None, accept_language="zh",
                 meta=(), data=()):
        self.name = name
        self.base = base
        self.path = path
        self.handler = handler
        self.signed_path = signed_path
        self.accept_language = accept_language
        self.meta = META + tuple(meta)
        self.data = DATA + tuple(data)

    def headers(self):
        """(name, value or None) in the order the client sets them; None:
        the value is checked with the signature."""
        fixed = [("Content-Type", CONTENT_TYPE), ("Accept-Language", self.accept_language)]
        if self.signed_path:
            fixed += [("x-agent-token", None), ("Authorization", None), ("X-UAC-Signature", None)]
        return fixed


CALLS = (
    Call("app startup", ENTRY, "/api/v1/app-startup", "app_startup"),
    Call("challenge", UAC, "/v1/challenge", "challenge",
         data=(("username", string), ("action", const("signin")), ("agentToken", install_id))),
    Call("sign-in", UAC, "/v1/signin", "signin", accept_language="zh;q=1.0",
         data=(("username", string), ("password", string), ("nonce", nonce),
               ("agentName", const("windows")), ("agentToken", install_id),
               ("osName", const("windows")), ("grantType", const("password")),
               ("scope", const("all")))),
    Call("token refresh", UAC, "/v1/refresh-token", "refresh",
         data=(("agentToken", install_id), ("accessToken", string), ("refreshToken", string))),
    Call("device list", UAC, "/v2/device-list", "device_list",
         signed_path="/api/v2/device-list", meta=ACCESS_TOKEN),
    Call("device configuration", ENTRY, "/api/v1/dev-config", "dev_config",
         signed_path="/api/v1/dev-config", meta=ACCESS_TOKEN,
         data=(("devices", array_of(object_of((("deviceId", string),
                                                ("deviceType", number))))),)),
    Call("snapshot", UAC, "/v1/snapshot", "snapshot", signed_path="/api/v1/snapshot",
         meta=ACCESS_TOKEN, data=(("deviceId", string),)),
    Call("fetch-infos", GATEWAY, "/v1/fetch-infos", "fetch_infos",
         signed_path="/api/v1/fetch-infos",
         data=(("devices", array_of(object_of((("did", string), ("dtype", const(1)),
                                             ("isShare", const(False)),
                                             ("scopes", const([])))), length=1)),)),
    Call("sign-out", UAC, "/v1/signout", "signout",
         data=(("agentToken", install_id), ("refreshToken", string))),
)

GATEWAY_CALL_PATH = re.compile(re.escape(GATEWAY_PREFIX) + r"/([1-9][0-9]{0,5})(/.*)\Z")


def route(path, entry_prefix):
    """(call, gateway number or None) for a request path, or (None, None)."""
    gateway = GATEWAY_CALL_PATH.match(path)
    for call in CALLS:
        if call.base == ENTRY and path == entry_prefix + call.path:
            return call, None
        if call.base == UAC and path == UAC_PREFIX + call.path:
            return call, None
        if call.base == GATEWAY and gateway and gateway.group(2) == call.path:
            return call, int(gateway.group(1))
    return None, None
