# shellcheck shell=sh
# Sourced by the VM's guest scripts (tools/vm/guest.sh, tools/vm/wine-guest.sh):
# checks written to $OUT/checks.txt as "PASS name" or "FAIL name", and two
# ways of waiting for a condition.

check() {  # $1: name; the rest: the command that must succeed; fails with it
  name=$1
  shift
  if "$@"; then
    echo "PASS $name" >>"$OUT/checks.txt"
  else
    echo "FAIL $name" >>"$OUT/checks.txt"
    return 1
  fi
}

# After a FAIL: what the check saw, indented under it, so that a run whose
# files are gone (CI's) still says why.
evidence() {  # $1: a file
  head -n 40 "$1" 2>/dev/null | sed 's/^/    | /' >>"$OUT/checks.txt"
}

# A difference known and explained, of the one shape $2 verifies: written as
# "KNOWN name" when the shape holds (counted apart, neither passed nor
# failed), "FAIL name" when the difference is anything else, "PASS name"
# when there is none ($3 the command that finds none).
known_difference() {  # $1: name; $2: shape check; $3...: the command that finds no difference
  name=$1
  shape=$2
  shift 2
  if "$@"; then
    echo "PASS $name" >>"$OUT/checks.txt"
  elif $shape; then
    echo "KNOWN $name" >>"$OUT/checks.txt"
  else
    echo "FAIL $name" >>"$OUT/checks.txt"
    return 1
  fi
}

# Tries the condition five times a second, $1 seconds' worth of tries: a
# condition that is slow to try (under emulation) gets the same number of
# tries, so it may wait longer than $1 seconds of wall time.
poll_by_tries() {  # $1: seconds' worth of tries; the rest: a condition
  limit=$(($1 * 5))
  shift
  while ! "$@"; do
    limit=$((limit - 1))
    [ "$limit" -gt 0 ] || return 1
    sleep 0.2
  done
}

# Tries the condition every half second until $1 seconds of wall time have
# passed.
poll_by_clock() {  # $1: seconds of wall time; the rest: a condition
  end=$(($(date +%s) + $1))
  shift
  while ! "$@"; do
    [ "$(date +%s)" -lt "$end" ] || return 1
    sleep 0.5
  done
}
