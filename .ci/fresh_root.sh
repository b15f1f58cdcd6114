#!/usr/bin/env bash
# Runs the README's two commands, exactly as written, in a fresh minimal
# Debian 12 root, as a newcomer would on a bare machine; `sudo` there
# stands for running as root. The base root is made once with debootstrap,
# from the package mirror this machine uses, and kept in the cache folder;
# downloaded packages are kept there too.
set -euo pipefail
project=$(cd "$(dirname "$0")/.." && pwd)
cache=${SCENE2JAVA_CI_CACHE:-/var/cache/scene2java-ci}
base=$cache/bookworm-minbase.tar
mkdir -p "$cache/apt-archives/partial"

mirror=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
if [ -z "$mirror" ]; then
  mirror=$(awk '$1 == "deb" && $2 ~ /^http/ { print $2; exit }' /etc/apt/sources.list 2>/dev/null || true)
fi
mirror=${mirror:-http://deb.debian.org/debian}

work=$(mktemp -d)
root=$work/root
mounted=()
cleanup() {
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[$i]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$root"
if [ -s "$base" ]; then
  tar --numeric-owner -xf "$base" -C "$root"
else
  echo "making the base root with debootstrap from $mirror"
  debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 30 "$work/debootstrap.log"; exit 1; }
  tar --numeric-owner -cf "$base.part" -C "$root" . && mv "$base.part" "$base"
fi

cp /etc/resolv.conf "$root/etc/resolv.conf"
for dir in proc sys dev dev/pts; do
  mkdir -p "$root/$dir"
  mount --bind "/$dir" "$root/$dir"
  mounted+=("$root/$dir")
done
mount --bind "$cache/apt-archives" "$root/var/cache/apt/archives"
mounted+=("$root/var/cache/apt/archives")
printf '#!/bin/sh\nexec "$@"\n' >"$root/usr/local/bin/sudo"
chmod 755 "$root/usr/local/bin/sudo"

git clone --quiet "$project" "$root/root/scene2java"

for n in 1 2; do
  command=$("$project/.ci/readme_command" "$n" "$project/README.md")
  printf '\n-- fresh root, the README'"'"'s command %s:\n%s\n' "$n" "$command"
  # Nobody is at the keyboard: package questions take their defaults.
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/sh -c "cd /root/scene2java && $command" </dev/null >"$work/command$n.log" 2>&1 ||
    { tail -n 60 "$work/command$n.log"; echo "fresh root: the README's command $n failed"; exit 1; }
  tail -n 5 "$work/command$n.log"
done
grep -q 'if( m_scene == ' "$work/command1.log" || { echo "fresh root: command 1 printed no Java"; exit 1; }
if grep -q 'Skipped' "$work/command2.log"; then
  grep 'Skipped' "$work/command2.log"
  echo "fresh root: tests were skipped"
  exit 1
fi
echo "fresh root: both commands passed"
