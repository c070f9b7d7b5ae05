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
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTD_WERROR=ON "$@"
  cmake --build build --parallel "$(nproc)"
}
