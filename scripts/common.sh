# Shared by ./run, ./test and docs/screenshots.sh: install what is missing, configure and build into
# build/, start the simulated devices.

TD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev qt6-translations-l10n
  libqcustomplot-dev libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  fonts-dejavu-core clang clang-format libclang-rt-14-dev dpkg-dev poppler-utils
  libsqlite3-dev libpq-dev postgresql)

# td_timed <command>...: runs the command and then prints how long it took.
td_timed() {
  local start=$SECONDS
  "$@"
  echo "== $1: $((SECONDS - start)) s"
}

td_missing_packages() {
  local p
  for p in "${TD_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

td_install_packages() {
  local missing
  missing=$(td_missing_packages)
  [ -z "$missing" ] && return 0
  echo "Installing: $(echo $missing | tr '\n' ' ')"
  local sudo=""
  [ "$(id -u)" = 0 ] || sudo="sudo"
  $sudo apt-get update -q
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
}

td_build() {
  # Make moc look at every file again: sources merged into an existing build tree are
  # otherwise not always rescanned, and the link then misses their meta-objects.
  find build -path '*_autogen/timestamp' -delete 2>/dev/null || true
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTD_WERROR=ON "$@"
  cmake --build build --parallel "$(nproc)"
}

# The source checks of ./test: the layering of the two trees (scripts/check-layers.sh) and the
# formatting of every C++ file against .clang-format.
td_check_sources() {
  scripts/check-layers.sh
  find src tests cli sim bench fuzz examples -name '*.h' -o -name '*.cpp' |
    xargs clang-format --dry-run -Werror
  echo "Sources: layers and formatting checked"
}

# Throwaway PostgreSQL servers for the history tests, from the postgresql package: "shared" for
# the ordinary cases and "outage", which the tests stop and start again, each with its data folder
# in a temporary folder, reachable only through a Unix socket there, with no password (trust).
# They run as the package's postgres user when this runs as root. Exports TD_TEST_POSTGRES and
# TD_TEST_POSTGRES_OUTAGE (connection strings) and TD_TEST_POSTGRES_CONTROL (a command taking
# "stop" or "start" for the outage server). Without the package the tests skip those cases.
# td_stop_postgres stops them and removes the folder (safe to call more than once).
td_start_postgres() {
  local bin name as=""
  bin=$(find /usr/lib/postgresql -maxdepth 2 -name bin -type d 2>/dev/null | sort -V | tail -n 1)
  if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "PostgreSQL is not installed: the history tests on a server are skipped"
    return 0
  fi
  TD_PG_DIR=$(mktemp -d)
  chmod 755 "$TD_PG_DIR"
  if [ "$(id -u)" = 0 ]; then
    chown postgres "$TD_PG_DIR"
    as="runuser -u postgres --"
  fi
  for name in shared outage; do
    $as "$bin/initdb" -D "$TD_PG_DIR/$name" -U tdtest --auth=trust -E UTF8 --locale=C >/dev/null
    $as mkdir "$TD_PG_DIR/$name.sock"
    cat >"$TD_PG_DIR/$name.ctl" <<EOF
#!/bin/sh
exec $as "$bin/pg_ctl" -D "$TD_PG_DIR/$name" -l "$TD_PG_DIR/$name.log" -w -s -m fast \
  -o "-k $TD_PG_DIR/$name.sock -c listen_addresses='' -c fsync=off" "\$1"
EOF
    chmod 755 "$TD_PG_DIR/$name.ctl"
    "$TD_PG_DIR/$name.ctl" start
  done
  export TD_TEST_POSTGRES="host=$TD_PG_DIR/shared.sock user=tdtest dbname=postgres"
  export TD_TEST_POSTGRES_OUTAGE="host=$TD_PG_DIR/outage.sock user=tdtest dbname=postgres"
  export TD_TEST_POSTGRES_CONTROL="$TD_PG_DIR/outage.ctl"
  echo "PostgreSQL for the history tests in $TD_PG_DIR"
}

td_stop_postgres() {
  [ -n "${TD_PG_DIR:-}" ] || return 0
  local ctl
  for ctl in "$TD_PG_DIR"/*.ctl; do [ -x "$ctl" ] && "$ctl" stop 2>/dev/null || true; done
  rm -rf "$TD_PG_DIR"
  TD_PG_DIR=""
  unset TD_TEST_POSTGRES TD_TEST_POSTGRES_OUTAGE TD_TEST_POSTGRES_CONTROL
}

# The four device simulators (TD meter, KELT transducer behind its adapter, ZORB transducer, RM-2.3
# instrument), each on a pseudo-terminal reached through a symbolic link sim-<mode> in a temporary
# folder. Sets TD_SIM_PORTS, the links colon-separated as TDSERVICE_PORTS takes them;
# td_stop_simulators ends them and removes the folder (safe to call more than once).
td_start_simulators() {
  TD_SIM_DIR=$(mktemp -d)
  TD_SIM_PIDS=()
  TD_SIM_PORTS=""
  local mode out slave
  for mode in td kelt zorb rm23; do
    out="$TD_SIM_DIR/$mode.out"
    build/sim/tdservice-sim "$mode" >"$out" &
    TD_SIM_PIDS+=($!)
    for _ in $(seq 100); do [ -s "$out" ] && break; sleep 0.05; done
    slave=$(head -n 1 "$out")
    [ -n "$slave" ] || { echo "The $mode simulator did not start" >&2; return 1; }
    ln -s "$slave" "$TD_SIM_DIR/sim-$mode"
    TD_SIM_PORTS="${TD_SIM_PORTS:+$TD_SIM_PORTS:}$TD_SIM_DIR/sim-$mode"
  done
}

td_stop_simulators() {
  [ -n "${TD_SIM_DIR:-}" ] || return 0
  [ ${#TD_SIM_PIDS[@]} -gt 0 ] && kill "${TD_SIM_PIDS[@]}" 2>/dev/null || true
  rm -rf "$TD_SIM_DIR"
  TD_SIM_DIR=""
  TD_SIM_PIDS=()
}

# One fuzz target for TD_FUZZ_SECONDS on its own corpus (build-fuzz/corpus/<target>), seeded with
# the test fixtures and the inputs of earlier findings (fuzz/regressions/<target>). A finding
# prints the end of the log, the target and the artifact path, and fails.
td_fuzz_one() {
  local target=$1 log=build-fuzz/logs/$1.log
  local dirs=("build-fuzz/corpus/$target" "build-fuzz/seeds/$target")
  [ -d "fuzz/regressions/$target" ] && dirs+=("fuzz/regressions/$target")
  mkdir -p "build-fuzz/corpus/$target" "build-fuzz/artifacts/$target"
  if "build-fuzz/fuzz/$target" -max_total_time="${TD_FUZZ_SECONDS:-25}" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$target/" \
    "${dirs[@]}" >"$log" 2>&1; then
    echo "$target: no finding, $(grep -o 'number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs"
    return 0
  fi
  tail -n 30 "$log"
  echo "FUZZ FINDING in $target: $(grep -o 'Test unit written to .*' "$log" || echo "see $log")"
  return 1
}

# Every decoder under libFuzzer: a clang build of the core with sanitizers in build-fuzz, each
# *_fuzzer target run by td_fuzz_one, two at a time (nine targets take about 2.5 minutes at the
# default 25 s). A crash, a sanitizer report, a leak or a time-out in any target fails the run.
# Without clang the step is skipped.
td_fuzz() {
  if ! command -v clang++ >/dev/null; then
    echo "clang++ not found: fuzzing skipped"
    return 0
  fi
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DTD_BUILD_UI=OFF -DTD_BUILD_TESTS=OFF -DTD_BUILD_BENCH=OFF -DTD_FUZZ=ON
  cmake --build build-fuzz --parallel "$(nproc)"
  rm -rf build-fuzz/seeds build-fuzz/logs
  mkdir -p build-fuzz/seeds build-fuzz/logs
  build-fuzz/fuzz/make_fuzz_seeds build-fuzz/seeds
  local targets=() failed=0 first i t
  for t in build-fuzz/fuzz/*_fuzzer; do targets+=("$(basename "$t")"); done
  for ((i = 0; i < ${#targets[@]}; i += 2)); do
    td_fuzz_one "${targets[i]}" &
    first=$!
    if ((i + 1 < ${#targets[@]})); then td_fuzz_one "${targets[i + 1]}" || failed=1; fi
    wait "$first" || failed=1
  done
  return "$failed"
}

# Sanitizer runs of the test suite, each in its own tree without benchmarks or fuzz targets:
# build-asan (address + undefined behaviour, every test) and build-tsan (threads, only the tests
# that run the worker queue, the serial port or a panel against the simulator: see the rule in
# CMakeLists.txt). Qt is not instrumented; what that makes the thread sanitizer report inside Qt
# is suppressed in tests/sanitizers/tsan.supp. A sanitizer the compiler cannot link is skipped
# with a message.
td_sanitizer_supported() {
  local dir
  dir=$(mktemp -d)
  echo 'int main() { return 0; }' >"$dir/probe.cpp"
  "${CXX:-c++}" -fsanitize="$1" "$dir/probe.cpp" -o "$dir/probe" >/dev/null 2>&1 && "$dir/probe"
  local ok=$?
  rm -rf "$dir"
  return $ok
}

# td_sanitizer_run <tree> <sanitizers>: configures, builds and runs CTest in <tree>.
td_sanitizer_run() {
  local tree=$1 sanitize=$2
  if ! td_sanitizer_supported "$sanitize"; then
    echo "The compiler cannot build with -fsanitize=$sanitize: $tree skipped"
    return 0
  fi
  local start=$SECONDS
  find "$tree" -path '*_autogen/timestamp' -delete 2>/dev/null || true
  cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTD_WERROR=ON \
    -DTD_BUILD_BENCH=OFF -DTD_FUZZ=OFF -DTD_SANITIZE="$sanitize"
  cmake --build "$tree" --parallel "$(nproc)"
  echo "$tree: built in $((SECONDS - start)) s"
  start=$SECONDS
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$tree" --output-on-failure --parallel "$(nproc)"
  echo "$tree: tests ran in $((SECONDS - start)) s"
}

td_sanitizers() {
  local supp=$PWD/tests/sanitizers
  ASAN_OPTIONS="halt_on_error=1:detect_leaks=1" \
    UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
    td_sanitizer_run build-asan address,undefined
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp" \
    td_sanitizer_run build-tsan thread
}
