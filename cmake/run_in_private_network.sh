#!/bin/sh
# run_in_private_network.sh PROGRAM [ARG...]: runs a test program in a network namespace of its
# own whose only interface is loopback, so that the fixed ports it binds (the build's site
# hosts) are its own whatever else runs on the machine. veldo_test's PRIVATE_NETWORK puts it in
# front of the marked tests. unshare -n needs root: without it the program runs as is (and
# skips if the ports are taken), or, where VELDO_REQUIRE_DESKTOP_TOOLS is set, the test fails.
if unshare -n true 2>/dev/null; then
  exec unshare -n sh -c 'ip link set lo up && exec "$0" "$@"' "$@"
fi
if [ -n "${VELDO_REQUIRE_DESKTOP_TOOLS:-}" ]; then
  echo "cannot give $1 a private network: unshare -n failed (it needs root)" >&2
  exit 1
fi
exec "$@"
