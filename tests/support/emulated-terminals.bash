# Shell helpers of the end-to-end tests that run a program against emulated
# terminals (Linux nakilon-terminal processes). Sourced; the caller sets
# `work` (a scratch folder), `tools` (the folder of the Linux programs) and
# `pids=()`, and kills "${pids[@]}" on exit.

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# start_terminal WORLD NAME [OPTION ...]: starts the terminal of the state file
# $work/states/NAME for the world (each world has its own copy) and sets `port`
# to the port it listens on.
start_terminal() {
  local world="$1" name="$2"
  shift 2
  local dir="$work/$world/terminals"
  mkdir -p "$dir"
  [ -f "$dir/$name.state" ] || cp "$work/states/$name" "$dir/$name.state"
  "$tools/nakilon-terminal" --port 0 --state "$dir/$name.state" --journal "$dir/$name.journal" \
    "$@" >"$dir/$name.out" 2>&1 &
  pids+=("$!")
  disown "$!" # no notice from the shell when it is killed
  port=""
  for _ in $(seq 1 200); do
    port="$(sed -n 's/^Dinleniyor: 127\.0\.0\.1:\([0-9]*\) .*/\1/p' "$dir/$name.out" | head -n 1)"
    [ -n "$port" ] && break
    sleep 0.05
  done
  [ -n "$port" ] || fail "terminal $name did not start: $(cat "$dir/$name.out")"
}

# devices WORLD LINE...: the device list of the world's program folder, every
# device marked. A line is "number|name|machine|port|password|gctip" for an
# Ethernet terminal on 127.0.0.1; \x escapes in the name give code page 1254
# bytes.
devices() {
  local world="$1" line number name machine port password gctip
  shift
  {
    printf 'CihazNo\tCihazAdi\tMakineNo\tBaglantiTipi\tIPAdres\tParola\tPort\tIsaret\tDurum\tAciklama\tTransferDurumu\tComportNo\tGCTip\r\n'
    for line in "$@"; do
      IFS='|' read -r number name machine port password gctip <<<"$line"
      printf '%s\t%b\t%s\t1\t127.0.0.1\t%s\t%s\t1\t\t\t\t\t%s\r\n' \
        "$number" "$name" "$machine" "$password" "$port" "$gctip"
    done
  } >"$work/$world/program/Cihazlar.Dat"
}

# same_file WHAT LINUX-FILE WINDOWS-FILE: both runs made the same bytes.
same_file() {
  cmp -s "$2" "$3" || fail "$1 differs between Linux and Windows:
$(diff <(cat -A "$2" 2>&1) <(cat -A "$3" 2>&1) | head -n 40 || true)"
}
