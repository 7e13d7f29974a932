#!/usr/bin/env python3
"""Simulated cloud: serves every cloud call of camviewer over HTTPS on loopback.

It listens on 127.0.0.1 (ephemeral port by default), verifies each signed
request's X-UAC-Signature with the session's last issued signToken, opens the
sign-in password box with libsodium, logs every request as a JSON line, can
answer scripted failures, and stops by itself after --lifetime seconds.
Runs only inside a private network namespace (scripts/netns.sh).

Example:
  scripts/netns.sh python3 tools/cloud/sim_cloud.py --make-certs /tmp/cloud \\
      --port-file /tmp/cloud/port --log /tmp/cloud/requests.jsonl
Then CAMVIEWER_CLOUD_URL=https://127.0.0.1:PORT CAMVIEWER_CLOUD_CA=/tmp/cloud/ca.pem.
"""
import argparse
import ipaddress
import os
import ssl
import sys
import threading

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from simcloud import certs, netns_guard, script, world  # noqa: E402
from simcloud.request_log import RequestLog  # noqa: E402
from simcloud.server import SimCloudServer  # noqa: E402

DEFAULT_ACCOUNT = "user@example.com:secret123"
DEFAULT_CAMERAS = ["CAM0001:Front door:1", "CAM0002:Garden:0"]


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--host", default="127.0.0.1", help="loopback address to listen on")
    p.add_argument("--port", type=int, default=0, help="port (0: ephemeral)")
    p.add_argument("--cert", help="server certificate (PEM)")
    p.add_argument("--key", help="server key (PEM)")
    p.add_argument("--make-certs", metavar="DIR",
                   help="make ca.pem and a 127.0.0.1 server certificate in DIR and use them")
    p.add_argument("--port-file", help="write the listening port here once ready")
    p.add_argument("--log", help="append one JSON line per request to this file")
    p.add_argument("--lifetime", type=float, default=600.0,
                   help="stop by itself after this many seconds (default 600, at most 86400)")
    p.add_argument("--account", action="append", metavar="USER:PASSWORD",
                   help="an account (repeatable; default %s)" % DEFAULT_ACCOUNT)
    p.add_argument("--camera", action="append", metavar="ID[:ALIAS[:PTZ[:ACCESSKEY]]]",
                   help="a camera of every account (repeatable; default %s)"
                   % ", ".join(DEFAULT_CAMERAS))
    p.add_argument("--rendezvous", default="127.0.0.1,127.0.0.2,127.0.0.3",
                   help="rendezvous server list sent as stunServers and p2ps")
    p.add_argument("--access-expires", type=int, default=7200,
                   help="accessExpiresIn of issued tokens, seconds")
    p.add_argument("--fail", action="append", default=[], metavar="PATH=MODE[:COUNT[:ARG]]",
                   help="scripted failure (repeatable); modes: " + ", ".join(script.MODES))
    args = p.parse_args(argv)
    if not 0 < args.lifetime <= 86400:
        p.error("--lifetime must be in (0, 86400]")
    try:
        if not ipaddress.ip_address(args.host).is_loopback:
            p.error("--host must be a loopback address")
    except ValueError:
        p.error("--host must be a loopback IP address")
    if not args.make_certs and not (args.cert and args.key):
        p.error("give --cert and --key, or --make-certs DIR")
    try:  # every switch is checked before anything is made or opened
        args.accounts = [world.parse_account(a) for a in (args.account or [DEFAULT_ACCOUNT])]
        args.cameras = [world.parse_camera(c) for c in (args.camera or DEFAULT_CAMERAS)]
        args.rules = [script.parse_rule(f) for f in args.fail]
    except ValueError as e:
        p.error(str(e))
    return args


def main(argv=None):
    netns_guard.require_private_namespace_or_exit("sim_cloud")
    args = parse_args(argv if argv is not None else sys.argv[1:])
    cert, key = args.cert, args.key
    if args.make_certs:
        made = certs.make_certs(args.make_certs)
        cert, key = made["server.pem"], made["server.key"]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(cert, key)

    server = SimCloudServer((args.host, args.port), context, None, script.Script(args.rules),
                            RequestLog(args.log))
    port = server.server_address[1]
    server.world = world.World("https://%s:%d" % (args.host, port), args.accounts,
                               args.cameras, args.rendezvous, access_expires=args.access_expires)
    timer = threading.Timer(args.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w", encoding="ascii") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    print("sim_cloud listening on https://%s:%d (lifetime %gs)" % (args.host, port, args.lifetime),
          flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        timer.cancel()
        server.server_close()
    print("sim_cloud stopped", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
