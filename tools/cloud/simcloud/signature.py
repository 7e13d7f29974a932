"""The X-UAC-Signature of signed requests, computed the way the client does."""
import base64
import hashlib
import hmac

SCHEME = "UAC1-HMAC-SHA256"


def uac_signature(body, signed_path, timestamp, sign_token):
    """URL-safe Base64 without padding of the HMAC-SHA256 over the canonical request."""
    if isinstance(body, str):
        body = body.encode("utf-8")
    body_hash = hashlib.sha256(body).hexdigest()
    canonical = "POST\n" + signed_path + "\n" + body_hash + "\n"
    string_to_sign = "HMAC-SHA256\n" + timestamp + "\n" + \
        hashlib.sha256(canonical.encode("utf-8")).hexdigest()
    mac = hmac.new(sign_token.encode("utf-8"), string_to_sign.encode("utf-8"),
                   hashlib.sha256).digest()
    return base64.urlsafe_b64encode(mac).rstrip(b"=").decode("ascii")


def header_value(timestamp, signature):
    return "%s;%s;%s" % (SCHEME, timestamp, signature)


def parse_header(value):
    """(timestamp, signature) of an X-UAC-Signature value, or None."""
    if not value:
        return None
    parts = value.split(";")
    if len(parts) != 3 or parts[0] != SCHEME or not parts[1].isdigit() or not parts[2]:
        return None
    return parts[1], parts[2]


def verify(body, signed_path, header, sign_token):
    parsed = parse_header(header)
    if parsed is None:
        return False
    timestamp, given = parsed
    expected = uac_signature(body, signed_path, timestamp, sign_token)
    return hmac.compare_digest(expected, given)
