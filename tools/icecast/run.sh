#!/bin/sh
# Starts a local Icecast on 127.0.0.1 for trying versolune-play on a real radio server, in the
# foreground (Ctrl+C ends it). The config, log and pid live in a fresh temporary folder, removed
# when the server ends.
#
#   tools/icecast/run.sh            # port 18765, source password "versolune-source"
#   ICECAST_PORT=N ICECAST_SOURCE_PASSWORD=P tools/icecast/run.sh
#
# Icecast refuses to run as root; started by root, the script drops to the icecast2 system user
# (or nobody) with setpriv instead of using the config's changeowner.
set -e
here=$(cd "$(dirname "$0")" && pwd)
port=${ICECAST_PORT:-18765}
source_password=${ICECAST_SOURCE_PASSWORD:-versolune-source}
admin_password=${ICECAST_ADMIN_PASSWORD:-versolune-admin}

command -v icecast2 >/dev/null 2>&1 || { echo "run.sh: icecast2 is not installed (scripts/deps installs it)" >&2; exit 1; }
case "$port" in ''|*[!0-9]*) echo "run.sh: ICECAST_PORT must be a number" >&2; exit 2 ;; esac
for value in "$source_password" "$admin_password"; do
  case "$value" in ''|*[!A-Za-z0-9._-]*) echo "run.sh: passwords may hold letters, digits, '.', '_' and '-' only" >&2; exit 2 ;; esac
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/versolune-icecast.XXXXXX")
pid=""
cleanup() {
  if [ -n "$pid" ] && kill "$pid" 2>/dev/null; then wait "$pid" 2>/dev/null || true; fi
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
sed -e "s|@PORT@|$port|g" -e "s|@DIR@|$dir|g" \
    -e "s|@SOURCE_PASSWORD@|$source_password|g" -e "s|@ADMIN_PASSWORD@|$admin_password|g" \
    "$here/icecast.xml" > "$dir/icecast.xml"

run=""
if [ "$(id -u)" -eq 0 ]; then
  user=icecast2
  id "$user" >/dev/null 2>&1 || user=nobody
  chown -R "$user" "$dir"
  run="setpriv --reuid=$user --regid=$(id -g "$user") --clear-groups --"
fi
echo "icecast on http://127.0.0.1:$port/ (source password $source_password), files in $dir" >&2
# In the background so that Ctrl+C or a kill of this script reaches the trap, which ends the
# server and removes the folder.
$run icecast2 -c "$dir/icecast.xml" &
pid=$!
wait "$pid"
