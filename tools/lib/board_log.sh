# shellcheck shell=sh
# Sourced by the VM's guest scripts: what a virtual board's log ($LOG,
# written by tq5271_vboard) shows of the settings reads and of the input
# reports it sent.

lines_of() {  # $1: the kind of line ("GET_REPORT", "INPUT"); how many so far
  count=$(grep -c "^$1 " "$LOG" 2>/dev/null)
  echo "${count:-0}"
}

gets() { lines_of GET_REPORT; }  # get requests the board has answered so far

at_least() { [ "$(gets)" -ge "$1" ]; }  # $1: get requests

inputs() { lines_of INPUT; }  # input reports the board has sent so far

inputs_at_least() { [ "$(inputs)" -ge "$1" ]; }  # $1: input reports
