#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine: installs what is missing, builds, then
# either starts the program ("run") or runs every test ("test"). Safe to repeat.
#
# "test" runs three things and fails when any of them fails: the whole suite built a second
# time with the address, leak and undefined-behaviour checks; a short run of every fuzz target
# (when clang 14 is there); and last the suite of the plain build. The output ends with a
# summary naming every check that failed and every test that passed only when run again.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mode="${1:-run}"
build_dir="${RECAST_BUILD_DIR:-$here/build}"
asan_dir="${RECAST_ASAN_BUILD_DIR:-$here/build-asan}"
fuzz_dir="${RECAST_FUZZ_BUILD_DIR:-$here/build-fuzz}"
fuzz_seconds="${RECAST_FUZZ_SECONDS:-20}"

# Only what the build and the tests use: compilers and build tools; Qt (with Qt SVG for the
# icon), SQLite, libldap, nlohmann-json (plans and journals), zlib and jemalloc (the program's
# allocator); GoogleTest and the benchmarks;
# slapd, 389-ds-base, the LDAP tools and openssl for the LDAP tests' own servers and
# certificates; python3 (expat) to check exported XML; clang for the fuzz targets.
packages=(
  build-essential cmake pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  libsqlite3-dev libldap-dev nlohmann-json3-dev zlib1g-dev libjemalloc-dev
  libgtest-dev libbenchmark-dev
  slapd 389-ds-base ldap-utils openssl
  python3
  clang-14 libclang-rt-14-dev
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
  # The slapd package is installed without a configuration and without starting a service
  # (the tests start their own on a free port). Nothing that already runs on the machine is
  # stopped, killed or reconfigured: a real server may be serving there.
  if [[ " ${missing[*]} " == *" slapd "* ]]; then
    echo "slapd slapd/no_configuration boolean true" | $sudo debconf-set-selections
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  # 389-ds-base creates no instance, but its scripts start its SNMP agent where systemd runs.
  # While installing, a policy-rc.d that refuses every start (the Debian way, honoured by
  # invoke-rc.d and deb-systemd-invoke) keeps them from starting anything; one that is
  # already there is left as it is.
  local policy=/usr/sbin/policy-rc.d added_policy=0 rc=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
    $sudo chmod 755 "$policy"
    added_policy=1
  fi
  $sudo env RUNLEVEL=1 apt-get install -y -qq --no-install-recommends "${missing[@]}" || rc=$?
  [ "$added_policy" -eq 0 ] || $sudo rm -f "$policy"
  return "$rc"
}

# The plain, sanitizer and fuzz builds of "test" treat warnings as errors; a build to run the
# program does not.
werror=OFF
[ "$mode" = test ] && werror=ON

build() {
  local type="${RECAST_BUILD_TYPE:-RelWithDebInfo}"
  cmake -S "$here" -B "$build_dir" -DCMAKE_BUILD_TYPE="$type" -DRECAST_WERROR="$werror" ${RECAST_CMAKE_ARGS:-} >/dev/null
  cmake --build "$build_dir" -j"$(nproc)"
}

# The suite with AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer; any report
# fails the test that made it. -O1 keeps the build and the run reasonably quick.
sanitized_tests() {
  cmake -S "$here" -B "$asan_dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 -DCMAKE_C_FLAGS=-O1 \
    -DRECAST_SANITIZE=ON -DRECAST_BUILD_BENCH=OFF -DRECAST_WERROR=ON >/dev/null || return 1
  # Called with || the function runs without -e: each step checks for itself.
  cmake --build "$asan_dir" -j"$(nproc)" || return 1
  echo "== Tests with address, leak and undefined-behaviour checks"
  (
    cd "$asan_dir"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    export LSAN_OPTIONS="suppressions=$here/tests/reliability/lsan.supp:print_suppressions=0"
    run_suite "$asan_dir" 900 "sanitizer build"
  ) || return 1
}

# Runs the suite of the build in $1 (per-test timeout $2 s); a test that fails is run once
# more, and every test that failed at least once is named in the summary under $3, so that a
# test that fails only sometimes is seen and mended rather than hidden.
run_suite() {
  local dir="$1" timeout="$2" label="$3" rc=0 once
  (cd "$dir" && ctest --output-on-failure -j"$(nproc)" --timeout "$timeout" --repeat until-pass:2) 2>&1 |
    tee "$dir/ctest.log" || rc=1
  once="$(grep -E '\*\*\*(Failed|Timeout|Exception)|Subprocess aborted' "$dir/ctest.log" |
    sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/' | sort -u | tr '\n' ' ')"
  if [ "$rc" -ne 0 ]; then
    echo "$label: failed: $(sed 's/^[0-9]*://' "$dir/Testing/Temporary/LastTestsFailed.log" 2>/dev/null |
      tr '\n' ' ')" >>"$summary_file"
  elif [ -n "$once" ]; then
    echo "$label: passed only when run again (to mend): $once" >>"$summary_file"
  fi
  return "$rc"
}

# A short run of every fuzz target from its committed seeds; new inputs go to a scratch
# folder so the seeds stay as committed.
fuzz_smoke() {
  if ! command -v clang++-14 >/dev/null 2>&1; then
    echo "== clang++-14 not found: fuzz runs skipped"
    return 0
  fi
  CC=clang-14 CXX=clang++-14 cmake -S "$here" -B "$fuzz_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRECAST_FUZZ=ON \
    -DRECAST_BUILD_TESTS=OFF -DRECAST_BUILD_BENCH=OFF -DRECAST_WERROR=ON >/dev/null || return 1
  cmake --build "$fuzz_dir" --target recast_fuzzers -j"$(nproc)" || return 1
  local failed=0 scratch target name
  scratch="$(mktemp -d)"
  for target in "$fuzz_dir"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name="$(basename "$target")"
    mkdir -p "$scratch/$name"
    echo "== Fuzzing $name for ${fuzz_seconds}s"
    if ! (cd "$scratch" && "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -print_final_stats=0 \
          "$scratch/$name" "$here/fuzz/corpus/$name" >"$scratch/$name.log" 2>&1); then
      tail -n 60 "$scratch/$name.log"
      echo "== $name found a failure; its input is in $scratch"
      failed_fuzzers+=("$name: $(grep -m1 -E 'ERROR:|runtime error:|Assertion|deadly signal' "$scratch/$name.log")")
      failed=1
    fi
  done
  [ "$failed" -eq 0 ] && rm -rf "$scratch"
  return "$failed"
}

install_missing
build

case "$mode" in
  run)
    exec "$build_dir/app/recast-object"
    ;;
  test)
    export QT_QPA_PLATFORM=offscreen
    failed=0
    failed_fuzzers=()
    summary_file="$(mktemp)"
    trap 'rm -f "$summary_file"' EXIT
    sanitized_tests || {
      failed=1
      [ -s "$summary_file" ] || echo "sanitizer build: the build failed" >>"$summary_file"
    }
    fuzz_smoke || { failed=1; echo "fuzzing: ${failed_fuzzers[*]:-the build failed}" >>"$summary_file"; }
    echo "== Tests"
    run_suite "$build_dir" 600 "plain build" || failed=1
    # The end of the output is what a CI log shows first: every failed check is named there.
    if [ -s "$summary_file" ]; then
      echo "== Summary of the checks:" >&2
      sed 's/^/==   /' "$summary_file" >&2
    fi
    [ "$failed" -eq 0 ] || echo "== Some of the checks above failed" >&2
    exit "$failed"
    ;;
  build)
    ;;
  *)
    echo "usage: $0 [run|test|build]" >&2
    exit 2
    ;;
esac
