#!/usr/bin/env python3
"""Simulated cloud: serves every cloud call of camviewer over HTTPS on loopback.

It listens on 127.0.0.1 (ephemeral port by default), refuses every request
that is not exactly what the client sends (headers, body, time stamp, install
id; --lenient only logs), verifies each signed request's X-UAC-Signature,
opens the sign-in password box with libsodium, lets tokens expire, logs every
request as a JSON line, can answer scripted failures, and stops by itself
after --lifetime seconds. Runs only inside a private network namespace
(scripts/netns.sh).

Example:
  scripts/netns.sh python3 tools/cloud/sim_cloud.py --make-certs /tmp/cloud \\
      --port-file /tmp/cloud/port --log /tmp/cloud/requests.jsonl
Then CAMVIEWER_CLOUD_URL=https://127.0.0.1:PORT/cloud CAMVIEWER_CLOUD_CA=/tmp/cloud/ca.pem.
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
from simcloud.server import Policy, SimCloudServer  # noqa: E402

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
    p.add_argument("--camera", action="append",
                   metavar="ID[:ALIAS[:PTZ[:ACCESSKEY]]][:KEY=VALUE...]",
                   help="a device of every account (repeatable; default %s); KEY one of %s"
                   % (", ".join(DEFAULT_CAMERAS), ", ".join(world.CAMERA_OPTIONS)))
    p.add_argument("--rendezvous", default="127.0.0.1,127.0.0.2,127.0.0.3",
                   help="rendezvous server list sent as stunServers and p2ps")
    p.add_argument("--access-expires", type=int, default=7200,
                   help="access tokens expire after this many seconds (default 7200)")
    p.add_argument("--refresh-expires", type=int, default=2592000,
                   help="refresh tokens expire after this many seconds (default 2592000)")
    p.add_argument("--grace", type=float, default=30.0,
                   help="the tokens a refresh replaces stay good this many seconds (default 30)")
    p.add_argument("--max-skew", type=float, default=300.0,
                   help="signature time stamps may differ this much from the clock, seconds "
                        "(default 300)")
    p.add_argument("--entry-prefix", default="/cloud",
                   help="path of the entry URL; app-startup and dev-config are under it "
                        "(default /cloud, '' for none)")
    p.add_argument("--lenient", action="store_true",
                   help="log the problems of a request instead of refusing it")
    p.add_argument("--fail", action="append", default=[], metavar="PATH=MODE[:COUNT[:ARG]]",
                   help="scripted failure (repeatable); modes: " + ", ".join(script.MODES))
    args = p.parse_args(argv)
    if not 0 < args.lifetime <= 86400:
        p.error("--lifetime must be in (0, 86400]")
    if args.access_expires < 1 or args.refresh_expires < 1:
        p.error("--access-expires and --refresh-expires must be at least 1")
    if not 0 <= args.grace <= 86400 or not 0 < args.max_skew <= 86400:
        p.error("--grace must be in [0, 86400], --max-skew in (0, 86400]")
    prefix = args.entry_prefix
    if prefix and (not prefix.startswith("/") or prefix.endswith("/")
                   or prefix.split("/")[1] in ("uac", "gw", "thumb", "_sim")):
        p.error("--entry-prefix must be empty or /NAME without a trailing slash, "
                "apart from /uac, /gw, /thumb and /_sim")
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
    ids = [c.device_id for c in args.cameras]
    if len(set(ids)) != len(ids):
        p.error("every --camera needs its own id")
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
                            RequestLog(args.log),
                            Policy(args.lenient, args.max_skew, args.entry_prefix))
    port = server.server_address[1]
    server.world = world.World("https://%s:%d" % (args.host, port), args.accounts,
                               args.cameras, args.rendezvous, access_expires=args.access_expires,
                               refresh_expires=args.refresh_expires, grace=args.grace,
                               entry_prefix=args.entry_prefix)
    timer = threading.Timer(args.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w", encoding="ascii") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    print("sim_cloud listening on https://%s:%d, entry URL %s (%s, lifetime %gs)"
          % (args.host, port, server.world.entry_url, "lenient" if args.lenient else "strict",
             args.lifetime), flush=True)
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
