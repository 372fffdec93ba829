# Sourced by the test scripts: work run beside the tests, whose end-to-end
# runs mostly wait on the programs and the emulator and leave the cores idle.
# They wait for events, so a compiler beside them only slows what they wait
# for; callers pass `nice -n 19` for work that must not slow them more.
#
# Each job is a process group of its own (set -m), so that a failed or
# interrupted run ends a job's whole tree with it; its output goes to a log
# that is printed when it fails.
declare -A background_pid=()
background_logs=$(mktemp -d /tmp/quillmark-background-XXXXXX)

# in_background NAME COMMAND...
in_background() {
  local name=$1
  shift
  set -m
  "$@" >"$background_logs/$name.log" 2>&1 &
  background_pid[$name]=$!
  set +m
}

background_log() { echo "$background_logs/$1.log"; }

# finished NAME: waits for the job; when it failed, prints its log and
# returns its status.
finished() {
  local name=$1 status=0
  wait "${background_pid[$name]}" || status=$?
  unset "background_pid[$name]"
  [ "$status" = 0 ] || cat "$(background_log "$name")"
  return "$status"
}

# For the caller's EXIT trap. A failed wait must not change the run's status.
stop_background_jobs() {
  local pid
  for pid in "${background_pid[@]}"; do
    kill -- -"$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$background_logs"
}
