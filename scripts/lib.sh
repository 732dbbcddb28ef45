# Shared by the scripts: run_quietly DESCRIPTION COMMAND... runs a step with its
# output kept back; on failure it shows the output's last lines, says which step
# failed and exits with the step's status.
run_quietly() {
  local what=$1 log status
  shift
  log=$(mktemp)
  if "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  else
    status=$?
  fi
  tail -n 60 "$log" >&2
  rm -f "$log"
  echo "$(basename "$0"): $what failed (status $status)" >&2
  exit "$status"
}

# The Release program and the show's data, in build-release.
build_release() {
  run_quietly "configuring the release build" cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCELLRUNE_TESTS=OFF -DCELLRUNE_BENCH=OFF
  run_quietly "building the program and its data" cmake --build build-release -j "$(nproc)" --target cellrune show_data
}
