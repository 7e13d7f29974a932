#!/usr/bin/env bash
# Runs CMD inside a fresh private network namespace, set up as the tests expect:
#   lo up, with routes so limited broadcast and multicast work on it;
#   cvlan0 <-> cvlan1 (veth): 192.168.1.23/24 and 192.168.1.24/24;
#   cvll0  <-> cvll1  (veth): 169.254.10.1/16 and 169.254.10.2/16.
# Nothing run here can reach the host's network: the namespace has no other
# links. Usage: scripts/netns.sh CMD [ARGS...]
set -euo pipefail

if [ "$#" -eq 0 ]; then
  echo "usage: $0 CMD [ARGS...]" >&2
  exit 2
fi

if [ "${CAMVIEWER_NETNS_INNER:-}" != "1" ]; then
  export CAMVIEWER_NETNS_INNER=1
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --net -- bash "${BASH_SOURCE[0]}" "$@"
  else
    exec unshare --map-root-user --net -- bash "${BASH_SOURCE[0]}" "$@"
  fi
fi
unset CAMVIEWER_NETNS_INNER

# Inside the new namespace from here on.
if [ "$(readlink /proc/self/ns/net)" = "$(readlink /proc/1/ns/net 2>/dev/null || true)" ]; then
  echo "netns.sh: not in a private network namespace; refusing to run" >&2
  exit 3
fi

ip link set lo up
ip link set lo multicast on
ip route add 255.255.255.255/32 dev lo src 127.0.0.1
ip route add 224.0.0.0/4 dev lo src 127.0.0.1

ip link add cvlan0 type veth peer name cvlan1
ip addr add 192.168.1.23/24 broadcast 192.168.1.255 dev cvlan0
ip addr add 192.168.1.24/24 broadcast 192.168.1.255 dev cvlan1
ip link add cvll0 type veth peer name cvll1
ip addr add 169.254.10.1/16 broadcast 169.254.255.255 dev cvll0
ip addr add 169.254.10.2/16 broadcast 169.254.255.255 dev cvll1
for l in cvlan0 cvlan1 cvll0 cvll1; do ip link set "$l" up; done

exec "$@"
