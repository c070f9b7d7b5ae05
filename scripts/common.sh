# Shared by ./run and ./test: install what is missing, then configure and build into build/.

TD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev qt6-translations-l10n
  libqcustomplot-dev libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  fonts-dejavu-core clang libclang-rt-14-dev)

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

# The document reader under libFuzzer: a clang build of the core with sanitizers in build-fuzz,
# seeded with the test fixtures, run for TD_FUZZ_SECONDS (30). A crash, a sanitizer report or a
# leak ends it with a failure. Without clang the step is skipped.
td_fuzz() {
  if ! command -v clang++ >/dev/null; then
    echo "clang++ not found: fuzzing skipped"
    return 0
  fi
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DTD_BUILD_UI=OFF -DTD_BUILD_TESTS=OFF -DTD_BUILD_BENCH=OFF -DTD_FUZZ=ON
  cmake --build build-fuzz --parallel "$(nproc)"
  rm -rf build-fuzz/seeds
  mkdir -p build-fuzz/seeds build-fuzz/corpus build-fuzz/artifacts
  build-fuzz/fuzz/make_fuzz_seeds build-fuzz/seeds
  build-fuzz/fuzz/read_document_fuzzer -max_total_time="${TD_FUZZ_SECONDS:-30}" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/ \
    build-fuzz/corpus build-fuzz/seeds
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
