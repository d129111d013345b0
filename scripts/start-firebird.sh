#!/usr/bin/env bash
# Starts a Firebird superserver on 127.0.0.1:3050 for the tests, with a known SYSDBA
# password. Safe to run twice: a server already listening is left alone.
set -euo pipefail
password=${TIRELON_TEST_SERVER_PASSWORD:-masterkey}
security=/var/lib/firebird/3.0/system/security3.fdb

listening() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

if listening; then
    echo "Firebird server already listening on 127.0.0.1:3050"
    exit 0
fi

mkdir -p /run/firebird3.0/lock
chown -R firebird:firebird /run/firebird3.0
# The server keeps its lock files apart from those of embedded engines run by root.
export FIREBIRD_LOCK=/run/firebird3.0/lock

# Set the password while no server holds the security database.
su -s /bin/sh firebird -c "FIREBIRD_LOCK=$FIREBIRD_LOCK isql-fb -q -user SYSDBA $security" <<SQL >/dev/null
create or alter user SYSDBA password '$password' using plugin Srp;
commit;
SQL

su -s /bin/sh firebird -c "FIREBIRD_LOCK=$FIREBIRD_LOCK /usr/sbin/fbguard -daemon -forever -pidfile /run/firebird3.0/fbguard.pid"
for _ in $(seq 1 50); do
    if listening; then
        echo "Firebird server started on 127.0.0.1:3050"
        exit 0
    fi
    sleep 0.2
done
echo "Firebird server did not start" >&2
exit 1
