#!/usr/bin/env bash
# Keeps a daemon of the faults lab running: writes its pid to PIDFILE and
# starts it again 2 seconds after it ended (a test killed it through the
# relay). TERM ends the daemon and the keeper.
#
#   faults-keeper.sh PIDFILE COMMAND...
pidfile=$1
shift
child=
trap '[ -n "$child" ] && kill "$child" 2>/dev/null; wait; exit 0' TERM INT
while :; do
  "$@" &
  child=$!
  echo "$child" >"$pidfile"
  wait "$child"
  sleep 2 &
  wait $!
done
