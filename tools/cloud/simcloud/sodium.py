"""The few libsodium calls the cloud side of the sign-in needs, through ctypes."""
import ctypes
import ctypes.util

PUBLICKEYBYTES = 32
SECRETKEYBYTES = 32
NONCEBYTES = 24
MACBYTES = 16


def _load():
    names = ["libsodium.so.23", ctypes.util.find_library("sodium") or "libsodium.so"]
    last = None
    for name in names:
        try:
            lib = ctypes.CDLL(name)
            break
        except OSError as e:
            last = e
    else:
        raise OSError("libsodium not found: %s" % last)
    if lib.sodium_init() < 0:
        raise OSError("sodium_init failed")
    for fn, size in (("crypto_box_publickeybytes", PUBLICKEYBYTES),
                     ("crypto_box_secretkeybytes", SECRETKEYBYTES),
                     ("crypto_box_noncebytes", NONCEBYTES),
                     ("crypto_box_macbytes", MACBYTES)):
        getattr(lib, fn).restype = ctypes.c_size_t
        if getattr(lib, fn)() != size:
            raise OSError("unexpected libsodium %s" % fn)
    return lib


_lib = _load()


def box_keypair():
    """A fresh Curve25519 key pair: (public, secret), 32 bytes each."""
    pk = ctypes.create_string_buffer(PUBLICKEYBYTES)
    sk = ctypes.create_string_buffer(SECRETKEYBYTES)
    if _lib.crypto_box_keypair(pk, sk) != 0:
        raise OSError("crypto_box_keypair failed")
    return pk.raw, sk.raw


def box_easy(message, nonce, public_key, secret_key):
    """crypto_box_easy: 16-byte authenticator followed by the encrypted message."""
    _check(nonce, public_key, secret_key)
    out = ctypes.create_string_buffer(MACBYTES + len(message))
    if _lib.crypto_box_easy(out, message, ctypes.c_ulonglong(len(message)), nonce,
                            public_key, secret_key) != 0:
        raise OSError("crypto_box_easy failed")
    return out.raw


def box_open_easy(box, nonce, public_key, secret_key):
    """The message of a crypto_box_easy box, or None when it does not open."""
    _check(nonce, public_key, secret_key)
    if len(box) < MACBYTES:
        return None
    out = ctypes.create_string_buffer(len(box) - MACBYTES + 1)
    if _lib.crypto_box_open_easy(out, box, ctypes.c_ulonglong(len(box)), nonce,
                                 public_key, secret_key) != 0:
        return None
    return out.raw[:len(box) - MACBYTES]


def _check(nonce, public_key, secret_key):
    if len(nonce) != NONCEBYTES or len(public_key) != PUBLICKEYBYTES \
            or len(secret_key) != SECRETKEYBYTES:
        raise ValueError("wrong key or nonce size")
