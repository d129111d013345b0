#!/usr/bin/env bash
# Stops the server that start-firebird.sh started: the guardian named in its pid file
# and the server process it runs, each by its process id. Safe to run when none runs.
set -u
pidfile=${TIRELON_FBGUARD_PIDFILE:-/run/firebird3.0/fbguard.pid}

# A process counts as gone once it has exited, also while it waits to be reaped.
alive() {
    local stat
    read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
    stat=${stat##*) }
    [[ $stat != Z* ]]
}

wait_gone() {
    for _ in $(seq 1 50); do
        local any=0 pid
        for pid in "$@"; do
            alive "$pid" && any=1
        done
        [ $any -eq 0 ] && return 0
        sleep 0.2
    done
    return 1
}

[ -f "$pidfile" ] || exit 0
guard=$(tr -dc 0-9 <"$pidfile")
# fbguard writes the id of the server it runs, not its own: go up to the guardian.
if [ -n "$guard" ] && [ "$(cat "/proc/$guard/comm" 2>/dev/null)" = firebird ]; then
    parent=$(awk '{print $4}' "/proc/$guard/stat" 2>/dev/null)
    [ -n "$parent" ] && guard=$parent
fi
# The pid file may be stale and its id reused by another program: leave that alone.
if [ -z "$guard" ] || [ "$(cat "/proc/$guard/comm" 2>/dev/null)" != fbguard ]; then
    rm -f "$pidfile"
    exit 0
fi

mapfile -t servers < <(pgrep -P "$guard" -x firebird || true)
kill -TERM "$guard" 2>/dev/null || true
if ! wait_gone "$guard" "${servers[@]}"; then
    for pid in "${servers[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    if ! wait_gone "$guard" "${servers[@]}"; then
        kill -KILL "$guard" "${servers[@]}" 2>/dev/null || true
    fi
fi
rm -f "$pidfile"
echo "Firebird server stopped"
exit 0
