#!/bin/sh
# Installs the Debian packages listed in scripts/packages.txt that are not yet
# installed. Silent when everything is present; runs apt-get update only when
# something is missing; says plainly what is missing when it cannot install.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
list="$here/packages.txt"

if ! command -v dpkg-query >/dev/null 2>&1; then
    echo "setup: this is not a Debian system (no dpkg-query); install the packages in" >&2
    echo "setup: $list by hand and run the command again." >&2
    exit 1
fi

# Package names: the first word of each line, comments (#) and blank lines skipped.
packages=$(sed -e 's/#.*//' "$list" | awk 'NF { print $1 }' | sort -u)

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $package" ;;
    esac
done

[ -z "$missing" ] && exit 0

echo "setup: installing missing packages:$missing"
if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    as_root="sudo"
else
    echo "setup: cannot install (needs root, or sudo without a password). As root, run:" >&2
    echo "setup:   apt-get update && apt-get install -y$missing" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt_options="-q -o DPkg::Lock::Timeout=600"
# shellcheck disable=SC2086
if ! $as_root apt-get $apt_options update >/dev/null \
    || ! $as_root apt-get $apt_options install -y --no-install-recommends $missing >/dev/null; then
    echo "setup: apt-get could not install:$missing" >&2
    echo "setup: check the network and the package sources (/etc/apt/sources.list*), then retry." >&2
    exit 1
fi
echo "setup: done"
