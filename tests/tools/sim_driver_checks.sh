# Checks that the sim_driver tests share; sourced by a test after it has set driver (the driver
# program), out (the output of its first run) and fails (the count of failed checks).

# expect "KEY VALUE"...: each key's value in the output.
expect() {
  for pair in "$@"; do
    set -- $pair
    if [ "$(printf '%s\n' "$out" | sed -n "s/^$1=//p")" != "$2" ]; then
      printf '%s is not %s:\n%s\n' "$1" "$2" "$out"
      fails=$((fails + 1))
    fi
  done
}

# judged STATUS WHAT: the exit status of the awk program that judged the output; a failure prints
# the output.
judged() {
  if [ "$1" -ne 0 ]; then
    printf 'the %s are wrong:\n%s\n' "$2" "$out"
    fails=$((fails + 1))
  fi
}

# again ARGS...: another run with the same arguments prints the same.
again() {
  if [ "$("$driver" "$@" 2>/dev/null)" != "$out" ]; then
    echo "two runs differ"
    fails=$((fails + 1))
  fi
}

# refused ARGS...: the driver does not take these arguments.
refused() {
  if "$driver" "$@" >/dev/null 2>&1; then
    echo "'$*' was accepted"
    fails=$((fails + 1))
  fi
}
