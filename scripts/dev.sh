#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine: installs what is missing, builds, then
# either starts the program ("run") or runs every test ("test"). Safe to repeat.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mode="${1:-run}"
build_dir="${RECAST_BUILD_DIR:-$here/build}"

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libsqlite3-dev libldap-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  slapd ldap-utils
  xvfb xauth
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  # slapd must not be configured or started as a system service: tests run their own.
  echo "slapd slapd/no_configuration boolean true" | $sudo debconf-set-selections
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo env RUNLEVEL=1 apt-get install -y -qq --no-install-recommends "${missing[@]}"
  # Keep the system's own slapd service out of the way if the package started it anyway.
  if command -v systemctl >/dev/null 2>&1; then $sudo systemctl stop slapd >/dev/null 2>&1 || true; fi
  $sudo pkill -x slapd >/dev/null 2>&1 || true
}

build() {
  local type="${RECAST_BUILD_TYPE:-RelWithDebInfo}"
  cmake -S "$here" -B "$build_dir" -DCMAKE_BUILD_TYPE="$type" ${RECAST_CMAKE_ARGS:-} >/dev/null
  cmake --build "$build_dir" -j"$(nproc)"
}

install_missing
build

case "$mode" in
  run)
    exec "$build_dir/app/recast-object"
    ;;
  test)
    export QT_QPA_PLATFORM=offscreen
    cd "$build_dir"
    ctest --output-on-failure -j"$(nproc)" --timeout 600
    ;;
  build)
    ;;
  *)
    echo "usage: $0 [run|test|build]" >&2
    exit 2
    ;;
esac
