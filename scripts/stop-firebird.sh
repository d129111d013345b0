#!/usr/bin/env bash
# Stops the server that start-firebird.sh started.
set -u
if [ -f /run/firebird3.0/fbguard.pid ]; then
    kill "$(cat /run/firebird3.0/fbguard.pid)" 2>/dev/null || true
    rm -f /run/firebird3.0/fbguard.pid
fi
pkill -x firebird 2>/dev/null || true
exit 0
