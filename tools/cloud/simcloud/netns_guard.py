"""Refuse to run outside a private network namespace (same rule as the C++ tools)."""
import os
import sys


def _only_test_interfaces(net_dev="/proc/self/net/dev"):
    try:
        with open(net_dev, encoding="ascii", errors="replace") as f:
            lines = f.read().splitlines()
    except OSError:
        return False, "cannot read " + net_dev
    names = [l.split(":", 1)[0].strip() for l in lines if ":" in l]
    if not names:
        return False, "no interfaces listed in " + net_dev
    for name in names:
        if name != "lo" and not name.startswith("cv"):
            return False, "interface '%s' is not one of the test namespace's own" % name
    return True, ""


def in_private_namespace():
    try:
        self_ns = os.stat("/proc/self/ns/net")
    except OSError:
        return False, "cannot read /proc/self/ns/net"
    try:
        init_ns = os.stat("/proc/1/ns/net")
    except OSError:
        return _only_test_interfaces()
    if (self_ns.st_dev, self_ns.st_ino) == (init_ns.st_dev, init_ns.st_ino):
        return False, "this process shares the network namespace of PID 1 (the host's network)"
    return True, ""


def require_private_namespace_or_exit(program):
    ok, why = in_private_namespace()
    if ok:
        return
    sys.stderr.write("%s: refusing to start outside a private network namespace (%s).\n"
                     "Run it through scripts/netns.sh, which makes a fresh namespace.\n"
                     % (program, why))
    sys.exit(3)
