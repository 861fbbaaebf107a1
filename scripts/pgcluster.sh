# A throwaway PostgreSQL cluster for the test run and the benchmarks, sourced by scripts/test
# and bench/run. kelvo_pg_start makes it in a temporary folder, starts it on a free port of
# 127.0.0.1 and exports
#   KELVO_TEST_PG   postgresql://kelvo@127.0.0.1:PORT/kelvo, the database the tests start from
#   PGPASSFILE      the password file that goes with it (libpq reads the password from there)
# kelvo_pg_stop stops it and deletes the folder; kelvo_pg_start arranges for that to happen
# when the calling script ends, also when it fails or is interrupted.
#
# The server refuses to run as root: as root the cluster runs as the user "postgres", which
# the Debian package creates. Ports are tried from KELVO_PG_PORTS (default 55400-55499).
# `kelvo_pg_start de` makes a cluster whose databases order and compare text by ICU's German
# rules (the program must not depend on the server's own order); without it the C locale.

KELVO_PG_DIR=""
KELVO_PG_AS=()

kelvo_pg_bindir() {
    local dir
    dir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
    if [ -z "$dir" ] || [ ! -x "$dir/initdb" ]; then
        echo "PostgreSQL-Server nicht gefunden (Paket postgresql)." >&2
        return 1
    fi
    echo "$dir"
}

# kelvo_pg_port_free PORT: true when nothing listens on 127.0.0.1:PORT.
kelvo_pg_port_free() {
    ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

kelvo_pg_start() {
    local bin started="" port first last range password locale=(--locale=C.UTF-8)
    [ "${1:-}" = de ] && locale=(--locale=C.UTF-8 --locale-provider=icu --icu-locale=de-DE)
    bin=$(kelvo_pg_bindir) || return 1
    KELVO_PG_DIR=$(mktemp -d /tmp/kelvo-pg.XXXXXX)
    trap kelvo_pg_stop EXIT
    trap 'exit 130' INT TERM
    if [ "$(id -u)" -eq 0 ]; then
        chown postgres: "$KELVO_PG_DIR"
        KELVO_PG_AS=(runuser -u postgres --)
    fi

    password=$(od -An -tx1 -N16 /dev/urandom | tr -d ' \n')
    (umask 077 && printf '%s\n' "$password" >"$KELVO_PG_DIR/password")
    [ ${#KELVO_PG_AS[@]} -gt 0 ] && chown postgres: "$KELVO_PG_DIR/password"
    "${KELVO_PG_AS[@]}" "$bin/initdb" -D "$KELVO_PG_DIR/data" -U kelvo \
        --pwfile="$KELVO_PG_DIR/password" --no-sync -A scram-sha-256 -E UTF8 "${locale[@]}" \
        >"$KELVO_PG_DIR/initdb.log" 2>&1 || {
        cat "$KELVO_PG_DIR/initdb.log" >&2
        return 1
    }

    range=${KELVO_PG_PORTS:-55400-55499}
    first=${range%-*}
    last=${range#*-}
    for ((port = first; port <= last; port++)); do
        kelvo_pg_port_free "$port" || continue
        # A throwaway cluster needs no durability: no waits for the disk.
        if "${KELVO_PG_AS[@]}" "$bin/pg_ctl" -D "$KELVO_PG_DIR/data" -l "$KELVO_PG_DIR/server.log" \
            -w -t 60 -o "-p $port -k $KELVO_PG_DIR -c listen_addresses=127.0.0.1 -c fsync=off \
            -c synchronous_commit=off -c full_page_writes=off" start >/dev/null; then
            started=$port
            break
        fi
    done
    if [ -z "$started" ]; then
        echo "Der PostgreSQL-Testserver startet auf keinem Port von $range." >&2
        cat "$KELVO_PG_DIR/server.log" >&2 2>/dev/null || true
        return 1
    fi

    # The password file belongs to whoever runs the tests, readable by nobody else.
    # Any port: tests reach the server through relays of their own too.
    (umask 077 && printf '127.0.0.1:*:*:kelvo:%s\n' "$password" \
        >"$KELVO_PG_DIR/pgpass")
    export PGPASSFILE=$KELVO_PG_DIR/pgpass
    "$bin/psql" -X -q -h 127.0.0.1 -p "$started" -U kelvo -d postgres -c 'CREATE DATABASE kelvo' ||
        return 1
    export KELVO_TEST_PG="postgresql://kelvo@127.0.0.1:$started/kelvo"
    echo "PostgreSQL-Testserver: $KELVO_TEST_PG"
}

kelvo_pg_stop() {
    [ -n "$KELVO_PG_DIR" ] || return 0
    local bin
    if bin=$(kelvo_pg_bindir 2>/dev/null) && [ -f "$KELVO_PG_DIR/data/postmaster.pid" ]; then
        "${KELVO_PG_AS[@]}" "$bin/pg_ctl" -D "$KELVO_PG_DIR/data" -m immediate -w stop \
            >/dev/null 2>&1 || true
    fi
    rm -rf "$KELVO_PG_DIR"
    KELVO_PG_DIR=""
}
