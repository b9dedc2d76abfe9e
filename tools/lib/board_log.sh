# shellcheck shell=sh
# Sourced by the VM's guest scripts: what a virtual board's request log
# ($LOG, written by tq5271_vboard) shows of the settings reads.

gets() {  # the number of get requests the board has answered so far
  count=$(grep -c '^GET_REPORT' "$LOG" 2>/dev/null)
  echo "${count:-0}"
}

at_least() { [ "$(gets)" -ge "$1" ]; }  # $1: get requests
