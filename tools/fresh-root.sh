#!/usr/bin/env bash
# Runs a command in a fresh Debian 12 root, as a new player's machine has it: apt, git, sudo and
# ca-certificates, nothing else. The command runs as root in a copy of this tree (without its
# build folders), with this machine's apt sources, and none of this machine's packages.
#   tools/fresh-root.sh                      the test command: bash tools/run-tests.sh
#   tools/fresh-root.sh bash tools/run-game.sh
#   tools/fresh-root.sh --shell              a shell in the root, to look around
#   tools/fresh-root.sh --with FILE command  FILE (for example a built package) copied in as well
# Kept between runs, outside the tree, in $TILORA_FRESH_ROOT_CACHE (/var/cache/tilora-fresh-root):
# the minimal root as a tarball (made again after a week) and the .deb archives apt downloaded.
# Every run still installs everything through tools/install-deps.sh.
set -euo pipefail
tree=$(cd "$(dirname "$0")/.." && pwd)
if [[ $(id -u) -ne 0 ]]; then
    exec sudo --preserve-env=TILORA_FRESH_ROOT_CACHE,CI "$0" "$@"
fi
"$tree/tools/install-deps.sh" --fresh-root

extra=()
while [[ $# -gt 1 && $1 == --with ]]; do
    extra+=("$(realpath "$2")")
    shift 2
done
command=(bash tools/run-tests.sh)
if [[ $# -gt 0 ]]; then
    command=("$@")
    [[ $1 == --shell ]] && command=(bash -i)
fi

cache=${TILORA_FRESH_ROOT_CACHE:-/var/cache/tilora-fresh-root}
base=$cache/bookworm.tar
mkdir -p "$cache/archives/partial"
if [[ ! -s $base || -n $(find "$base" -mtime +7) ]]; then
    echo "Making the minimal Debian 12 root in $base"
    # mmdebstrap tells a tarball by its name's ending.
    mmdebstrap --quiet --variant=apt --include=git,sudo,ca-certificates bookworm "$cache/new.tar"
    mv "$cache/new.tar" "$base"
fi

root=$(mktemp -d /var/tmp/tilora-fresh-root.XXXXXX)
trap 'rm -rf --one-file-system "$root"' EXIT
tar -C "$root" -xf "$base"

# This machine's apt sources and the settings that reaching them needs; archives are kept.
rm -f "$root/etc/apt/sources.list"
cp /etc/apt/sources.list "$root/etc/apt/" 2>/dev/null || true
find /etc/apt/sources.list.d -maxdepth 1 \( -name '*.list' -o -name '*.sources' \) \
    -exec cp {} "$root/etc/apt/sources.list.d/" \;
{
    apt-config dump | grep -E '^Acquire::(Check-Valid-Until|Check-Date|https?::Proxy) ' || true
    echo 'Binary::apt::APT::Keep-Downloaded-Packages "true";'
} >"$root/etc/apt/apt.conf.d/10this-machine"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

# The tree as a fresh clone has it, without what was built from it.
mkdir "$root/src"
tar -C "$tree" --exclude=./build -cf - . | tar -C "$root/src" -xf -
[[ ${#extra[@]} -eq 0 ]] || cp "${extra[@]}" "$root/src/"

echo "Running in a fresh Debian 12 root: ${command[*]}"
status=0
bwrap --bind "$root" / --dev /dev --perms 1777 --tmpfs /dev/shm --proc /proc \
    --bind "$cache/archives" /var/cache/apt/archives \
    --unshare-pid --unshare-ipc --unshare-uts --hostname fresh-root --die-with-parent \
    --chdir /src \
    env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        USER=root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" TILORA_FRESH_ROOT=1 \
        "${command[@]}" || status=$?
echo "Fresh root: exit status $status"
exit "$status"
