#!/usr/bin/env bash
# Takes the pictures of docs/user-guide.md with tolv-host --screenshot on fresh
# copies of the sample store (in build/guide, removed at the end), with a
# settings folder of their own so that no stored layout changes them.
#   docs/guide/make-pictures.sh        (after cmake --build build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
host="$PWD/$build/tolv-host"
pictures="$PWD/docs/guide"
# A short neutral folder, since the status bar shows the store's whole path.
scratch=/tmp/tolv-guide
rm -rf "$scratch"
mkdir -p "$scratch"
trap 'rm -rf "$scratch"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$scratch/settings" TMPDIR="$scratch"
samples="$PWD/examples/store"
cd "$scratch"

shot() { # NAME ARGUMENTS...: a picture of a run on a fresh copy of the store
  local name=$1
  shift
  rm -rf store
  cp -R "$samples" store
  "$host" --store store --owner engineer@plant --screenshot "$pictures/$name.png" "$@" 2>/dev/null
  echo "docs/guide/$name.png"
}

shot module --system north --navigate "Pumps;P2_RUN"
shot auto-number --system north --navigate Pumps --click autoNum
shot clear --system north --navigate Pumps --click clearSlotsButton
shot template-manager --system north --navigate Pumps --click manTemp

# Read-only: another owner holds the store while the picture is taken.
rm -rf store
cp -R "$samples" store
"$host" --store store --owner alice@workshop --system north --navigate Pumps 2>/dev/null &
other=$!
for _ in $(seq 100); do
  [ "$(ls store/.locks 2>/dev/null | wc -l)" -ge 5 ] && break
  sleep 0.1
done
"$host" --store store --owner bob@office --system north --navigate Pumps \
  --screenshot "$pictures/read-only.png" 2>/dev/null
echo docs/guide/read-only.png
kill -TERM "$other"
wait "$other" || true
