#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/NAME/.

The seeds are the literal bytes of the unit tests and the wire tables,
plus small real streams made with the ffmpeg command line tool (H.264,
H.265, AAC). Each seed is a few KB at most. Run it again after a fuzz
target's input layout changes; it replaces the seeds it writes.
Usage: fuzz/make_seeds.py
"""
import json
import os
import shutil
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def u16(v):
    return struct.pack(">H", v)


def run(data):
    """A record of the targets' [u16 length][bytes] form."""
    return u16(len(data)) + data


# ---- transport datagrams -------------------------------------------------

PREFIX = b"vek"
SESSION_ID = b"VEK-000123-ABCDE"


def field(text, size):
    return text[: size - 1].ljust(size, b"\0")


def datagram(kind, body=b""):
    return bytes([0xF1, kind]) + u16(len(body)) + body


def addr_block(ip, port):
    a = [int(x) for x in ip.split(".")]
    return u16(2) + struct.pack("<H", port) + bytes(reversed(a)) + bytes(8)


def identity(tag=0, id_size=64, ident=SESSION_ID):
    return field(PREFIX, 8) + struct.pack(">I", tag) + field(ident, id_size)


def peer_body(flag=1, tag=0, ident=SESSION_ID):
    return identity(tag, 64, ident) + bytes([flag]) + bytes(11)


DATAGRAMS = {
    "hello": datagram(0x00),
    "hello_ack": datagram(0x01, addr_block("1.2.3.4", 60722)),
    "dev_reg_result": datagram(0x11, bytes([0, 0, 0, 0])),
    "dev_reg": datagram(0x12, identity() + bytes([2, 3, 0, 9]) + addr_block("192.168.1.23", 23456) + bytes(4)),
    "dev_reg_ack_refused": datagram(0x13, bytes([0xFF, 0, 0, 0])),
    "p2p_req": datagram(0x20, identity(0, 60) + bytes([0, 0, 0, 0]) + addr_block("192.168.1.23", 23456)),
    "p2p_req_ack": datagram(0x21, bytes([0, 0, 0, 0])),
    "lan_search": datagram(0x30),
    "lan_notify": datagram(0x32, field(PREFIX, 8) + struct.pack("<I", 0) + bytes([1, 0, 0, 0]) + field(SESSION_ID, 64)),
    "punch_to": datagram(0x40, addr_block("10.0.0.1", 40000)),
    "punch": datagram(0x41, peer_body()),
    "punch_ack": datagram(0x42, peer_body()),
    "punch_short": datagram(0x41, identity()),
    "lan_punch": datagram(0x43, peer_body()),
    "relay_query": datagram(0x67, identity()),
    "relay_list": datagram(0x69, bytes([2, 0, 0, 0]) + addr_block("10.0.0.2", 50000) + addr_block("10.0.0.3", 50000)),
    "relay_probe_ack": datagram(0x71),
    "relay_alloc_ack": datagram(0x73, struct.pack(">IH", 0x01020304, 50000) + bytes(2)),
    "session_done": datagram(0x74, bytes(8) + field(PREFIX, 8) + struct.pack(">I", 0) + field(SESSION_ID, 64)),
    "relay_req": datagram(0x80, identity() + addr_block("10.0.0.2", 50000) + struct.pack(">I", 7)),
    "relay_req_ack": datagram(0x81),
    "relay_to": datagram(0x82, addr_block("10.0.0.2", 50000) + struct.pack(">I", 7)),
    "relay_hello": datagram(0x83, struct.pack(">I", 7) + field(PREFIX, 8) + struct.pack(">I", 0) + field(SESSION_ID, 64) + bytes([1, 1, 0, 0])),
    "relay_ready": datagram(0x84, peer_body()),
    "drw": datagram(0xD0, bytes([0xD1, 0]) + u16(0) + b"abcd"),
    "drw_ack": datagram(0xD1, bytes([0xD1, 0]) + u16(2) + u16(0) + u16(1)),
    "drw_ack_82": datagram(0xD1, bytes([0xD1, 1]) + u16(82) + b"".join(u16(i) for i in range(82))),
    "alive": datagram(0xE0),
    "alive_ack": datagram(0xE1),
    "close": datagram(0xF0),
    "three_bytes": bytes([0xF1, 0x41, 0x00]),
    "bad_magic": bytes([0xF0, 0x41, 0x00, 0x00]),
    "length_too_long": bytes([0xF1, 0x41, 0x00, 0x10, 1, 2]),
}


def datagram_seeds():
    for name, d in DATAGRAMS.items():
        write("datagram_fuzz", name, d)


def proto_state(listener=False, relay=0, retry=False, connect_refused=False, same_nat=False, local_known=False):
    relay_index = {0: 0, 1: 1, 251: 2, 252: 3, 253: 4, 254: 5, 255: 6}[relay]
    return bytes([int(listener) | relay_index << 1 | int(retry) << 4 | int(connect_refused) << 5 |
                  int(same_nat) << 6 | int(local_known) << 7])


SERVER1, SERVER3, LAN_PEER, PUBLIC_PEER, RELAY, LIVE_REMOTE = range(6)


def proto_seeds():
    seeds = {
        "listener_punch": proto_state(listener=True) + bytes([LAN_PEER]) + run(DATAGRAMS["punch"]),
        "connector_registration_then_punch_ack": proto_state() + bytes([SERVER1]) + run(DATAGRAMS["hello_ack"]) +
        bytes([SERVER1]) + run(DATAGRAMS["p2p_req_ack"]) + bytes([SERVER3]) + run(DATAGRAMS["punch_to"]) +
        bytes([PUBLIC_PEER]) + run(DATAGRAMS["punch"]) + bytes([PUBLIC_PEER]) + run(DATAGRAMS["punch_ack"]),
        "connector_lan": proto_state() + bytes([LAN_PEER]) + run(DATAGRAMS["lan_notify"]) + bytes([LAN_PEER]) +
        run(DATAGRAMS["lan_punch"]),
        "listener_lan": proto_state(listener=True) + bytes([LAN_PEER]) + run(DATAGRAMS["lan_search"]) +
        bytes([LAN_PEER]) + run(DATAGRAMS["lan_notify"]) + bytes([LAN_PEER]) + run(DATAGRAMS["lan_punch"]) +
        bytes([LAN_PEER]) + run(DATAGRAMS["punch_ack"]),
        "relay_chain": proto_state(relay=251) + bytes([SERVER1]) + run(DATAGRAMS["relay_list"]) + bytes([RELAY]) +
        run(DATAGRAMS["relay_probe_ack"]) + bytes([RELAY]) + run(DATAGRAMS["relay_alloc_ack"]) + bytes([SERVER1]) +
        run(DATAGRAMS["relay_req_ack"]) + bytes([RELAY]) + run(DATAGRAMS["relay_ready"]),
        "relay_ready_from_live_slot": proto_state(relay=255) + bytes([LIVE_REMOTE]) + run(DATAGRAMS["relay_ready"]),
        "listener_registration_and_relay_to": proto_state(listener=True) + bytes([SERVER1]) +
        run(DATAGRAMS["dev_reg_result"]) + bytes([SERVER3]) + run(DATAGRAMS["relay_to"]),
        "same_nat_punch_to": proto_state(same_nat=True, local_known=True) + bytes([SERVER1]) + run(DATAGRAMS["punch_to"]),
        "refused_then_retry": proto_state(connect_refused=True, relay=252, retry=True) + bytes([SERVER1]) +
        run(DATAGRAMS["p2p_req_ack"]) + bytes([SERVER1]) + run(DATAGRAMS["relay_list"]),
    }
    for name, data in seeds.items():
        write("proto_dispatch_fuzz", name, data)


# Channel operations (low four bits of the code; bits 4-5 the channel). A
# peer packet with bit 6 set is followed by its length - 1 (u16), with bit 7
# by a byte that ends it that byte % 7 - 3 bytes off its message's end.
RAW, RAW_STRANGER, PEER_PACKET, PEER_ACK, WRITE, ROUND, PASS, ADVANCE, READ, COUNTS, FRAMED = range(11)
# A framed read's byte: time-out index (low 3 bits, -1 0 1 49 50 120 300
# 1000 ms), buffer kind (bits 3-4: given size, the next message's length
# plus (bits 5-6) % 3 - 1, any u16, -1..1), bit 7: no type wanted.
FRAMED_SIZE, FRAMED_NEXT, FRAMED_ANY, FRAMED_TINY = (0 << 3, 1 << 3, 2 << 3, 3 << 3)


def framed(channel=0, timeout=2, kind=FRAMED_SIZE, size=11999, delta=1, no_type=False):
    how = timeout | kind | (delta % 3) << 5 | int(no_type) << 7
    arg = b"" if kind == FRAMED_NEXT else u16(size)
    return op(FRAMED, channel) + bytes([how]) + arg


def op(code, channel=0, flags=0):
    return bytes([code | channel << 4 | flags])


def channel_seeds():
    for algorithm in (0, 1):
        setup = bytes([algorithm])
        in_order = setup + op(PEER_PACKET) + u16(0) + op(PEER_PACKET) + u16(1) + op(READ) + u16(2000) + bytes([1])
        wrap = setup + op(PEER_PACKET, 2) + u16(1) + op(PEER_PACKET, 2) + u16(0) + op(READ, 2) + u16(900) + bytes([0]) + \
            op(ADVANCE) + u16(6000) + op(READ, 2) + u16(900) + bytes([3])
        write_and_ack = setup + op(WRITE, 1) + u16(2999) + op(ROUND) + op(PEER_ACK, 1) + u16(0) + bytes([2, 1]) + \
            op(ADVANCE) + u16(50) + op(ROUND) + op(PEER_ACK, 1) + u16(2) + bytes([1, 1]) + op(COUNTS, 1)
        idle = setup + (op(PASS) + op(ADVANCE) + u16(1100)) * 8 + op(READ) + u16(10) + bytes([1])
        raw = setup + op(RAW) + run(DATAGRAMS["drw"]) + op(RAW) + run(DATAGRAMS["drw_ack"]) + op(RAW) + \
            run(DATAGRAMS["alive"]) + op(RAW_STRANGER) + run(DATAGRAMS["drw"]) + op(PASS, 0, 0x40) + \
            op(RAW) + run(DATAGRAMS["punch_ack"]) + op(RAW) + run(DATAGRAMS["close"]) + op(READ) + u16(100) + bytes([0])
        packets = lambda channel, sequences: b"".join(op(PEER_PACKET, channel) + u16(q) for q in sequences)
        # Whole messages, one after another, with buffers of every kind.
        framed_in_order = setup + packets(1, range(24)) + framed(1) + framed(1, 6, FRAMED_NEXT, delta=1) + \
            framed(1, 0, FRAMED_NEXT, delta=0) + framed(1, 4, FRAMED_NEXT, delta=2, no_type=True) + framed(1, 5) * 4
        # A message only partly in: -3 within the time-out, then whole.
        framed_partial = setup + packets(0, range(6)) + (framed(0, 7) + framed(0, 3)) * 3 + packets(0, range(6, 16)) + \
            framed(0, 6) * 4
        # A buffer too small for a new and for a held message; unframed reads between.
        framed_small = setup + packets(2, range(8)) + framed(2, 1, FRAMED_TINY, 1) + framed(2, 1, FRAMED_NEXT, delta=0) + op(READ, 2) + u16(7) + bytes([0]) + \
            framed(2, 5, FRAMED_NEXT, delta=0) + packets(2, range(8, 30)) + framed(2, 2, FRAMED_NEXT, delta=0) + \
            framed(2, 2, FRAMED_NEXT, delta=1) + op(READ, 2) + u16(300) + bytes([1]) + framed(2, 2)
        # Packets out of order and a gap that times out under a framed read.
        framed_gap = setup + packets(3, [1, 0, 3, 4, 6, 5]) + framed(3) * 3 + (op(ADVANCE) + u16(3000) + framed(3, 7)) * 3 + \
            packets(3, [2]) + framed(3, 7, FRAMED_ANY, 65535)
        # Packets cut where the peer likes (bit 6: a length follows): the
        # second message one byte short, then that byte.
        cut = lambda channel, sequence, length: op(PEER_PACKET, channel, 0x40) + u16(sequence) + u16(length - 1)
        framed_cut = setup + cut(0, 0, 1000) + cut(0, 1, 865) + framed(0) + framed(0, 5) + cut(0, 2, 1) + \
            framed(0, 0) + cut(0, 3, 4) + framed(0, 1, FRAMED_NEXT, delta=1) + cut(0, 4, 1024) + framed(0)
        # Framed reads on one channel, unframed on another, interleaved.
        framed_mixed = setup + packets(1, range(16)) + packets(3, range(12)) + framed(1, 4) + op(READ, 3) + u16(500) + \
            bytes([2]) + framed(1, 4) + op(RAW) + run(DATAGRAMS["close"]) + framed(1, 4) + framed(1, 4)
        for name, data in (("in_order", in_order), ("gap_then_wrap", wrap), ("write_and_ack", write_and_ack),
                           ("idle_keepalive", idle), ("raw_datagrams", raw), ("framed_in_order", framed_in_order),
                           ("framed_partial", framed_partial), ("framed_too_small", framed_small),
                           ("framed_gap", framed_gap), ("framed_mixed", framed_mixed), ("framed_cut", framed_cut)):
            write("channel_fuzz", f"{name}_algorithm{algorithm}", data)


# ---- device-link frames --------------------------------------------------

def msg_frame(msg_type, payload, name=b""):
    head = b"HH01" + bytes([0, 0]) + struct.pack("<HI", msg_type, len(payload)) + field(name + b"\0", 18)[:18]
    head += bytes([127]) + bytes(17)
    return head + payload


def av_frame(payload, magic=b"HH02", codec=78, width=64, height=48, ts=1000, flag=0, fps=15):
    if magic == b"HH03":
        head = magic + bytes([127, 0]) + struct.pack("<HI", codec, len(payload)) + bytes(4)
    else:
        head = magic + bytes([127, 0]) + struct.pack("<HHHI", codec, width, height, len(payload))
    head += struct.pack("<Q", ts) + bytes([flag, fps]) + bytes(18) + bytes(4)
    return head.ljust(48, b"\0")[:48] + payload


def length_frame(payload, kind=0):
    return struct.pack("<I", len(payload) | kind << 24) + payload


def cutter_input(stream, auth=True, enc_msg=False, enc_av=False, small=False, key=b"", cuts=()):
    flags = int(auth) | int(enc_msg) << 1 | int(enc_av) << 2 | int(small) << 3
    head = bytes([flags, len(key)]) + key + bytes([len(cuts)]) + b"".join(u16(c) for c in cuts)
    return head + stream


def cutter_seeds():
    key = b"0123456789abcdef"
    two = msg_frame(257, b"\x00\x00\x00\x00") + av_frame(bytes(range(200)))
    seeds = {
        "messages_and_av": cutter_input(two + msg_frame(271, b"ok"), cuts=(10, 60, 300)),
        "auth_and_status": cutter_input(msg_frame(151, b"\x00") + msg_frame(153, struct.pack("<i", 10)), cuts=(47,)),
        "junk_then_message": cutter_input(b"0123456789" + msg_frame(256, b"{}"), cuts=(5, 12)),
        "partial_av": cutter_input(av_frame(bytes(1000))[:648], cuts=(100,)),
        "hh03": cutter_input(av_frame(bytes(64), magic=b"HH03") + msg_frame(273, b"x"), cuts=(50,)),
        "rc4_both": cutter_input(msg_frame(271, b"secret") + av_frame(bytes(3000)) + msg_frame(153, b"\x0a\0\0\0"),
                                 enc_msg=True, enc_av=True, key=key, cuts=(30, 1000, 3040)),
        "length_prefixed": cutter_input(length_frame(b"12345678") + length_frame(bytes(60), 1), auth=False, cuts=(2, 20)),
        "oversized_length": cutter_input(length_frame(b"")[:3] + b"\x7f" + bytes(60), auth=False, small=True),
        "oversized_hh_auth": cutter_input(b"HH02" + bytes(8) + struct.pack("<I", 0x7FFFFFFF) + bytes(32) +
                                          msg_frame(256, b"a"), small=True, cuts=(40,)),
    }
    for name, data in seeds.items():
        write("frame_cutter_fuzz", name, data)


def lan_reply(mac, tag=b"QZ", kind=b"\x01\x08"):
    record = bytearray(272)
    record[80:86] = mac
    record[249:251] = tag
    record[0:12] = b"IPCAM-DEVICE"
    return b"\x00\x00" + kind + bytes(record)


def lan_seeds():
    a = lan_reply(bytes([0, 0x11, 0x22, 0x33, 0x44, 0x55]))
    b = lan_reply(bytes([0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF]))
    write("lan_reply_fuzz", "two_devices_one_twice", run(a) + run(a) + run(b))
    write("lan_reply_fuzz", "refused", run(a[:4]) + run(lan_reply(bytes(6), kind=b"\x01\x09")) +
          run(lan_reply(bytes(6), tag=b"QY")))
    write("lan_reply_fuzz", "short_reply_zero_filled", run(a[:255]))


# ---- cloud replies, Base64, config.json ---------------------------------

def cloud_seeds():
    replies = {
        "app_startup": {"status": "ok", "result": {"appConfig": {
            "uacUrl": "https://127.0.0.1:8443/uac", "emcPortalUrl": "https://127.0.0.1/emc", "capUrl": "",
            "storePortalUrl": "", "agreementUrl": "https://127.0.0.1/terms", "privacyUrl": "https://127.0.0.1/privacy",
            "cloudStorAgreementUrl": "", "wanIp": "127.0.0.1", "country": "CN", "locale": "zh-CN"}}},
        "challenge": {"status": "ok", "result": {"serverPubKey": "c2VydmVy", "clientPubKey": "Y2xpZW50",
                                                 "clientSecretKey": "c2VjcmV0"}},
        "sign_in": {"status": "ok", "result": {"accessToken": "at", "refreshToken": "rt", "scope": "all",
                                               "tokenType": "Bearer", "accessExpiresIn": 7200,
                                               "refreshExpiresIn": 2592000, "signToken": "st"}},
        "refresh_1011": {"status": "error", "code": 1011, "msg": "The userName was logged in by another device "},
        "device_list": {"status": "ok", "result": {
            "conDevices": [{"deviceId": "VEK-000123-ABCDE", "aliasName": "Front door", "deviceType": 1,
                            "conType": 1, "conStatus": 1}],
            "devGenerals": [{"master": "m", "slaves": "", "_id": "1", "deviceId": "VEK-000123-ABCDE",
                             "deviceType": 1, "deviceMode": "C1", "vendorCode": "QZ", "__v": 0,
                             "accessPubKey": "", "accessPriKey": "", "context": "", "activeTime": "2021"}]}},
        "dev_config": {"status": "ok", "result": {"devices": [
            {"deviceId": "VEK-000123-ABCDE", "deviceType": 1, "continent": "AS", "country": "CN",
             "devCloudStorUrl": "", "devEmcUrl": "", "devGatewayUrl": "https://127.0.0.1/gw", "region": "r",
             "stunServers": "127.0.0.1,127.0.0.2,127.0.0.3", "tunnelUrl": "", "gatewayUrl": "https://127.0.0.1/gw",
             "cloudStorUrl": "", "emcUrl": ""},
            {"deviceId": "NVR", "deviceType": 2}]}},
        "fetch_infos": {"status": "ok", "result": {"infos": [{"info": {
            "base": {"deviceId": "VEK-000123-ABCDE", "whiteBalance": 1, "freqValue": 50, "aliasName": "Front door",
                     "snapshotUrl": "https://127.0.0.1/snap.jpeg", "accessKey": "0123456789abcdef", "onlineStatus": "1"},
            "capability": {"ptz": "1", "speaker": "1", "mic": "1", "qualities": "HD,FHD"},
            "networkConfig": {"wlanMac": "00:11:22:33:44:55", "localIp": "192.168.1.24", "netLinkType": 1},
            "streamConfig": {"streams": [{"bitRate": "512", "frameRate": "15", "no": "0", "quality": "HD",
                                          "resHeight": "720", "resWidth": "1280"}]}}}]}},
    }
    for name, reply in replies.items():
        write("cloud_replies_fuzz", name, json.dumps(reply, separators=(",", ":")))
    write("cloud_replies_fuzz", "not_json", "<html>502 Bad Gateway</html>")
    write("cloud_replies_fuzz", "wrong_types", '{"status":1,"result":{"infos":{"info":[]},"devices":"x",'
          '"conDevices":[1,"a",null],"appConfig":[]}}')

    cloud_client_seeds(replies)

    for name, text in (("hello", "aGVsbG8="), ("two_pad", "aGk="), ("pads_only", "===="),
                       ("outside_alphabet", "a-_b*c\n"), ("short", "YQ"), ("nonce", "MDEyMzQ1Njc4OWFiY2RlZmdoaWprbG1u"),
                       ("pad_inside", "YQ==YQ==")):
        write("base64_fuzz", name, text)

    config = {"emailUserName": "alice@example.com", "emailPassWord": "secret", "phoneUserName": "13800138000",
              "phonePassWord": "pw", "countryCode": 86, "remeberUser": 1, "loginMode": 0,
              "rootSavePath": "/home/a/Videos", "videoSavePath": "/home/a/Videos/record",
              "pictureSavePath": "/home/a/Videos/snapshot"}
    write("config_json_fuzz", "full", json.dumps(config, indent="\t") + "\n")
    write("config_json_fuzz", "empty_object", "{}\n")
    write("config_json_fuzz", "other_members_and_types", '{"emailUserName":5,"countryCode":"86","extra":[1,{"a":null}],'
          '"loginMode":1.9}\n')
    write("config_json_fuzz", "zero_byte_then_junk", b'{"loginMode":1}\0garbage')
    write("config_json_fuzz", "not_json", "emailUserName=alice\n")


# The cloud client target: operations (one byte), and one answer for each
# request at the moment it is made: a shape byte (status index in the low 3
# bits: 200 200 200 0 500 404 502 u16-that-follows; transport error index in
# bits 3-5: none none none closed refused timeout cancelled TLS) and a kind
# byte (delay index in the low 3 bits: 0 0 0 0 10 ms 1 s 60 s never; body in
# bits 3-4: raw run, the call's good reply with the status variant of bits
# 5-7, a token reply, none).
SETTLE, NEXT_TIMER, SIGN_IN, ABANDON, REFRESH, SIGN_OUT, SNAPSHOT = 0, 2, 3, 4, 5, 6, 7
STATUS_VARIANTS = ['"status":"error"', '"status":"OK"', '"status":null', '"status":"ok "', '"status":1',
                   '"code":1011,"status":"error"', '"nostatus":"ok"', '"status":"ok"']


def answer(status=0, error=0, delay=0, body="good", variant='"status":"ok"', raw=b"", status_code=None, token_flags=0):
    shape = bytes([status | error << 3]) + (u16(status_code) if status == 7 else b"")
    kinds = {"raw": 0, "good": 1, "tokens": 2, "none": 3}
    # Token replies: bits 5-7 pick AT2, SK2, a 400 s lifetime.
    kind = delay | kinds[body] << 3 | (STATUS_VARIANTS.index(variant) if body == "good" else token_flags) << 5
    return shape + bytes([kind]) + (run(raw) if body == "raw" else b"")


def ops(*codes):
    return bytes(codes)


def cloud_client_seeds(replies):
    good = answer()
    signed_in = good + ops(SETTLE) + good + good
    chain = signed_in + ops(REFRESH) + good + ops(SETTLE) + good + good + ops(SETTLE)
    seeds = {
        "good_chain_and_sign_out": chain + ops(SIGN_OUT) + good + ops(SETTLE, SNAPSHOT) + good + ops(SETTLE),
        "each_step_fails_once": answer(status=6, body="none") + ops(SETTLE) + good + ops(SETTLE) +
        answer(error=3, body="none") + ops(SETTLE) + good + good + answer(status=3, error=4, body="none") + ops(SETTLE) +
        good + good + ops(REFRESH) + answer(status=4, body="none") + ops(SETTLE) + good + ops(SETTLE) +
        answer(body="raw", raw=b"<html>busy</html>") + ops(NEXT_TIMER) + good + good + ops(SETTLE),
        "startup_gives_up": (answer(status=7, status_code=503, body="none") + ops(SETTLE, NEXT_TIMER)) * 6,
        "signin_refused": good + ops(SETTLE) + good + answer(variant='"status":"error"') + ops(SETTLE, SIGN_IN) + good +
        ops(SETTLE) + good + good + ops(SETTLE),
        "challenge_not_ok": good + ops(SETTLE) + answer(variant='"status":null') + answer(variant='"nostatus":"ok"') +
        ops(SETTLE),
        "refresh_signed_in_elsewhere": signed_in + ops(REFRESH) + answer(variant='"code":1011,"status":"error"') +
        good + ops(SETTLE, NEXT_TIMER),
        "refresh_new_tokens": chain + ops(REFRESH) + answer(body="tokens", token_flags=7) +
        ops(SETTLE, REFRESH) + answer(variant='"status":"OK"') + ops(SETTLE),
        "late_replies_after_sign_out": signed_in + ops(REFRESH) + answer(delay=6) + ops(SIGN_OUT) + good +
        ops(NEXT_TIMER, NEXT_TIMER, SIGN_IN) + answer(delay=5) + ops(ABANDON, NEXT_TIMER, SETTLE),
        "device_list_not_ok": signed_in + ops(REFRESH) + good + ops(SETTLE) + answer(variant='"status":"error"') +
        ops(SETTLE, REFRESH) + good + ops(SETTLE),
        "snapshots": signed_in + ops(SNAPSHOT) + answer(status=5, body="none") + ops(SNAPSHOT) +
        answer(body="raw", raw=b"\x00\xff") + ops(SNAPSHOT) + answer(delay=7) + ops(SETTLE, NEXT_TIMER),
    }
    # Real reply bodies as raw bodies of the chain's steps.
    raw = lambda name: answer(body="raw", raw=json.dumps(replies[name], separators=(",", ":")).encode())
    seeds["raw_bodies"] = raw("app_startup") + ops(SETTLE) + raw("challenge") + raw("sign_in") + ops(REFRESH) + \
        raw("refresh_1011") + ops(SETTLE, REFRESH) + raw("sign_in") + ops(SETTLE) + raw("device_list") + \
        raw("dev_config") + ops(SETTLE)
    for name, data in seeds.items():
        write("cloud_client_fuzz", name, data)


# ---- media ---------------------------------------------------------------

def ffmpeg(args, out):
    subprocess.run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-y"] + args + [out], check=True)
    with open(out, "rb") as f:
        return f.read()


def split_access_units(stream, hevc):
    """Splits an Annex-B stream at its access unit delimiters."""
    starts = []
    i = 0
    while True:
        i = stream.find(b"\x00\x00\x01", i)
        if i < 0:
            break
        header = stream[i + 3] if i + 3 < len(stream) else 0
        nal_type = (header >> 1) & 0x3F if hevc else header & 0x1F
        if nal_type == (35 if hevc else 9):
            starts.append(i - 1 if i > 0 and stream[i - 1] == 0 else i)
        i += 3
    starts.append(len(stream))
    return [stream[a:b] for a, b in zip(starts, starts[1:]) if b > a]


def adts_frames(stream):
    frames = []
    i = 0
    while i + 7 <= len(stream):
        length = ((stream[i + 3] & 3) << 11) | (stream[i + 4] << 3) | (stream[i + 5] >> 5)
        if stream[i] != 0xFF or length < 7:
            break
        frames.append(stream[i:i + length])
        i += length
    return frames


def media_seeds():
    tmp = tempfile.mkdtemp()
    try:
        source = ["-f", "lavfi", "-i", "testsrc=size=64x48:rate=5", "-frames:v", "3", "-pix_fmt", "yuv420p"]
        h264 = ffmpeg(source + ["-c:v", "libx264", "-preset", "ultrafast", "-bsf:v", "h264_metadata=aud=insert",
                                "-f", "h264"], os.path.join(tmp, "a.h264"))
        h265 = ffmpeg(source + ["-c:v", "libx265", "-preset", "ultrafast", "-x265-params", "log-level=none",
                                "-bsf:v", "hevc_metadata=aud=insert", "-f", "hevc"], os.path.join(tmp, "a.hevc"))
        for name, stream, hevc in (("h264_64x48", h264, False), ("h265_64x48", h265, True)):
            units = split_access_units(stream, hevc)
            head = bytes([int(hevc)]) + u16(64) + u16(48)
            write("video_decode_fuzz", name, head + b"".join(run(u) for u in units))
            write("video_decode_fuzz", name + "_announced_other_size", bytes([int(hevc)]) + u16(1280) + u16(720) +
                  b"".join(run(u) for u in units[:2]))
        aac = ffmpeg(["-f", "lavfi", "-i", "sine=frequency=440:sample_rate=8000", "-t", "0.4", "-ac", "1",
                      "-c:a", "aac", "-b:a", "16k", "-f", "adts"], os.path.join(tmp, "a.aac"))
        frames = adts_frames(aac)
        write("audio_decode_fuzz", "aac_8k_mono", bytes([0]) + b"".join(run(f) for f in frames[:8]))
        write("audio_decode_fuzz", "aac_8k_announced_16k", bytes([1]) + b"".join(run(f) for f in frames[:4]))
        write("audio_decode_fuzz", "aac_cut_frame", bytes([0]) + run(frames[0]) + run(frames[1][:20]) + run(frames[2]))
    finally:
        shutil.rmtree(tmp)


if __name__ == "__main__":
    datagram_seeds()
    proto_seeds()
    channel_seeds()
    cutter_seeds()
    lan_seeds()
    cloud_seeds()
    media_seeds()
