#!/usr/bin/env bash
# The programs installed like any Linux program: `cmake --install` into a temporary prefix
# puts the programs, the levels, the man pages and the desktop entry where they belong, the
# installed programs run from there, and CPack makes a .deb from the same rules.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
for program in quellor quellor-replay quellor-level deform; do
  [ -x "$build/$program" ] || { echo "SKIP: needs $build/$program"; exit 77; }
done
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2> /dev/null; rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > "$work/install.log"

fail() { echo "FAIL: $*"; exit 1; }
for f in bin/quellor bin/quellor-replay bin/quellor-level bin/deform \
         share/quellor/levels/3rooms.b2 share/quellor/levels/eight_rooms.b2 \
         share/man/man1/quellor.1 share/man/man1/quellor-replay.1 share/man/man1/quellor-level.1 \
         share/man/man1/deform.1 share/applications/quellor.desktop; do
  [ -e "$prefix/$f" ] || fail "cmake --install left out $f"
done
# Test helpers are not installed.
[ ! -e "$prefix/bin/viewer_window_probe" ] || fail "a test helper was installed"

# One version, printed the same way by every program.
version=$(sed -n 's/.*QuellorVersion = "\(.*\)";/\1/p' "$build/generated/quellor/version.h")
for program in quellor quellor-replay quellor-level deform; do
  out=$("$prefix/bin/$program" --version)
  [ "$out" = "$program $version" ] || fail "$program --version printed '$out'"
done

# The installed tools work on the installed levels.
levels=$prefix/share/quellor/levels
"$prefix/bin/quellor-level" check "$levels/3rooms.b2" | grep -q 'valid level' || fail "installed check"
"$prefix/bin/quellor-replay" --level "$levels/3rooms.b2" --passes 3 --format pgm --out "$work/installed" > /dev/null
"$build/quellor-replay" --level "$build/3rooms.b2" --passes 3 --format pgm --out "$work/built" > /dev/null
cmp -s "$work/installed/frame-000003.pgm" "$work/built/frame-000003.pgm" || fail "installed replay draws differently"

# An installed level is one its user may read but not write: it loads (exit 0, not 3), with
# the same frame. Root may write anything, so as root the replay runs as an unprivileged user.
chmod 755 "$work"
chmod -R a+rX "$prefix"
chmod a-w "$levels/3rooms.b2"
as_user=()
if [ "$(id -u)" = 0 ]; then
  command -v setpriv > /dev/null && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
if [ "$(id -u)" != 0 ] || [ ${#as_user[@]} -gt 0 ]; then
  mkdir -m 777 "$work/readonly"
  status=0
  "${as_user[@]}" "$prefix/bin/quellor-replay" --level "$levels/3rooms.b2" --passes 3 --format pgm \
    --out "$work/readonly" > /dev/null 2> "$work/readonly.err" || status=$?
  [ "$status" = 0 ] || fail "installed read-only level: exit $status, $(cat "$work/readonly.err")"
  cmp -s "$work/readonly/frame-000003.pgm" "$work/built/frame-000003.pgm" || fail "read-only level draws differently"
else
  echo "note: root without setpriv, the read-only installed level is not tried"
fi
man -l "$prefix/share/man/man1/quellor.1" > /dev/null 2>&1 || true
grep -q "^Exec=.*quellor" "$prefix/share/applications/quellor.desktop" || fail "desktop entry"

# The .deb, from the same install rules.
if command -v cpack > /dev/null && command -v dpkg-deb > /dev/null; then
  (cd "$build" && cpack -G DEB -B "$work/package" > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
  deb=$(find "$work/package" -maxdepth 1 -name '*.deb' | head -1)
  [ -n "$deb" ] || fail "no .deb made"
  dpkg-deb -c "$deb" > "$work/contents.txt"
  grep -q './usr/bin/quellor$' "$work/contents.txt" || fail ".deb lacks usr/bin/quellor"
  grep -q './usr/share/quellor/levels/3rooms.b2' "$work/contents.txt" || fail ".deb lacks the levels"
  echo "package: $(basename "$deb")"
fi
echo "installed and ran from $prefix"
