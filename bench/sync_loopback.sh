#!/bin/sh
# One whole sync of 50,000 remote and 50,000 local attempts over loopback
# HTTPS against the reference service (in the same process, on 127.0.0.1 at
# a port the system picks), three times. Prints the wall time of each run
# and, for the median run, the shares of the core (merge, checks, JSON),
# the transport (libcurl, TLS, sockets) and the service (its handlers and
# SQLite). Each run also times an anchor: the same requests and reply sizes
# over the same kept-alive connection to a handler of the same service that
# does no SQLite and no core work; it prints the sync's wall time, the
# anchor's and their ratio.
#
#   bench/sync_loopback.sh [BUILD_DIR] [--remote N --local M --runs R]
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/release}
[ $# -gt 0 ] && shift
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target tavro-reference-sync-run >/dev/null
exec nice -n 19 "$build/ReferenceAccountService/tavro-reference-sync-run" "$@"
