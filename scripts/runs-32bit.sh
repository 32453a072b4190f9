#!/usr/bin/env bash
# Whether this machine's kernel executes 32-bit x86 programs: exits 1 when it
# refuses the 32-bit loader itself ("Exec format error", as a kernel built or
# booted without 32-bit support does), so that no 32-bit program can run here,
# under Wine or not; exits 0 otherwise, also when there is no 32-bit loader to
# try (whether it is installed is the caller's question).
loader=/usr/lib/wine/wine
[ -x "$loader" ] || exit 0
status=0
says=$("$loader" --version 2>&1) || status=$?
if [ "$status" -eq 126 ] && grep -q 'Exec format error' <<<"$says"; then exit 1; fi
exit 0
