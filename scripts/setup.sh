#!/usr/bin/env bash
# Installs every Debian package the build, tests, simulated peers and demo need.
# Package lists live in scripts/packages/*.txt (one name a line, '#' comments).
# Idempotent: only missing packages are installed, and the package index is
# refreshed only when something is missing.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

wanted=()
for list in "$here"/packages/*.txt; do
  while IFS= read -r line; do
    line="${line%%#*}"; line="$(echo "$line" | tr -d '[:space:]')"
    [ -n "$line" ] && wanted+=("$line")
  done < "$list"
done

missing=()
for pkg in "${wanted[@]}"; do
  status="$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)"
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "setup: all ${#wanted[@]} packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${#missing[@]} missing packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
