#!/usr/bin/env bash
# usage: install_test.sh CMAKE BUILD_DIR BUILT_PROGRAM
set -euo pipefail
cmake_command="$1" build_dir="$2" built_program="$3"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix with blank"
home="$scratch/home"
mkdir -p "$home"
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake_command" --install "$build_dir" --prefix "$prefix" --component program >"$scratch/install.log" ||
  fail "install: $(cat "$scratch/install.log")"

# The usual layout, nothing of it left in bin/.
for f in bin/recast-object share/recast-object/recast-object.txt share/recast-object/data/schema.txt; do
  [ -f "$prefix/$f" ] || fail "$f not installed"
done
ls "$prefix"/lib*/recast-object/librecast-errtext.so >/dev/null 2>&1 || fail "private library not installed"
[ "$(ls "$prefix/bin")" = "recast-object" ] || fail "bin/ holds more than the program: $(ls "$prefix/bin")"

# A fresh home, no library path, started from elsewhere: only the RPATH and the program's
# own location can find its pieces.
run() {
  (cd "$scratch" && env -i HOME="$home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen "$1" --version)
}
out="$(run "$prefix/bin/recast-object")" || fail "installed program: $out"
grep -qxF "Info text: $prefix/share/recast-object/recast-object.txt" <<<"$out" || fail "Info text: $out"
grep -qE "^Error texts: $prefix/lib[^ ]*/recast-object/librecast-errtext.so, 0xFFFFFDA7 \(No such entry\)$" <<<"$out" ||
  fail "error texts: $out"
grep -qxF "Demo data: $prefix/share/recast-object/data" <<<"$out" || fail "demo data: $out"

# The build tree keeps its files beside the program.
out="$(run "$built_program")" || fail "built program: $out"
grep -qxF "Info text: $(dirname "$built_program")/recast-object.txt" <<<"$out" || fail "built Info text: $out"
echo "installed program and build tree find their files"
