#!/usr/bin/env bash
# Sets up and runs every test: a release build, a debug build under AddressSanitizer and
# UndefinedBehaviorSanitizer (with the fuzz corpora replayed), and the installed library
# used from C through pkg-config and through its CMake package.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

echo "== Web page"
scripts/web.sh

echo "== Release build and tests"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTS_BUILD_TESTS=ON -DTS_BUILD_BENCH=ON -DTS_SANITIZE=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON > /dev/null
cmake --build build/release -j"$jobs"
# A test that fails is run once more (a LibreOffice of a test's own sometimes drops its
# connection while a setup restarts it); the first failure stays in the log.
ctest --test-dir build/release --output-on-failure --no-tests=error -j"$jobs" --repeat until-pass:2

echo "== Sanitizer build and tests"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DTS_SANITIZE=ON -DTS_BUILD_TESTS=ON -DTS_BUILD_BENCH=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON > /dev/null
cmake --build build/sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure --no-tests=error -j"$jobs" --repeat until-pass:2

echo "== Installed library"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/tslib-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install build/release --prefix "$prefix" > /dev/null
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
cc -std=c11 -Wall -Wextra -pedantic -Werror examples/c/convert.c \
  $(pkg-config --cflags --libs tslib) -o "$prefix/convert-pc"
cmake -S examples/c -B "$prefix/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" > /dev/null
cmake --build "$prefix/cmake-build" > /dev/null
for exe in "$prefix/convert-pc" "$prefix/cmake-build/convert"; do
  got=$(LD_LIBRARY_PATH="$prefix/lib" "$exe" | head -1)
  [ "$got" = "UTF-8 (10 bytes): Việt Nam" ] || { echo "unexpected output of $exe: $got" >&2; exit 1; }
done
"$prefix/bin/tsconv" -f tcvn3 -t utf8 examples/sample.tcvn3.txt | cmp - examples/sample.utf8.txt
cp examples/db/legacy.db "$prefix/legacy.db"
"$prefix/bin/tsdata" -f tcvn3 -t utf8 "$prefix/legacy.db" "khách hàng" > /dev/null
extension=$(find "$prefix/lib" -path '*/tessaro/tessaro.so')
got=$(sqlite3 "$prefix/legacy.db" ".load ${extension%.so}" \
  "SELECT ts_detect(\"họ tên\") || ': ' || ts_convert(\"tên \"\"hàng\"\"\", 'vni', 41)
   FROM \"khách hàng\", \"sản phẩm [vni]\" WHERE id = 1 AND mã = 'SP02'")
[ "$got" = "Ucode1 UTF-8: Nón lá Huế" ] || { echo "unexpected output of the installed extension: $got" >&2; exit 1; }
python_check='import tessaro; print(b"Vie\xe4t Nam".decode("vni") + ": " + tessaro.fix("Vi\u00d6t Nam l\u00b5 m\u00e9t qu\u00e8c gia"))'
got=$(cd / && PYTHONPATH="$prefix/lib/python3/dist-packages" /usr/bin/python3 -c "$python_check")
[ "$got" = "Việt Nam: Việt Nam là một quốc gia" ] ||
  { echo "unexpected output of the installed Python package: $got" >&2; exit 1; }
# The PostgreSQL extension, under the prefix as the server's own folders are under /usr.
for f in tessaro.control tessaro--1.1.sql; do
  find "$prefix/share" -path "*/postgresql/*/extension/$f" | grep -q . ||
    { echo "the PostgreSQL extension's $f is not installed" >&2; exit 1; }
done
find "$prefix/lib" -path '*/postgresql/*/lib/tessaro.so' | grep -q . ||
  { echo "the PostgreSQL extension's module is not installed" >&2; exit 1; }
# The office add-in installer: the extension and its icons beside the program, installed into
# and removed from a headless LibreOffice with a scratch profile.
[ -f "$prefix/share/tessaro/Tessaro_O21.oxt" ] || { echo "Tessaro_O21.oxt is not installed" >&2; exit 1; }
[ -f "$prefix/share/tessaro/translations/tessaro_en.qm" ] ||
  { echo "the windows' English translation is not installed" >&2; exit 1; }
[ -f "$prefix/share/applications/tso-setup.desktop" ] || { echo "tso-setup.desktop is not installed" >&2; exit 1; }
office=(--headless --profile "$prefix/office-profile" --pipe "tessaro-ci-$$")
"$prefix/bin/tso-setup" --install writer "${office[@]}" > "$prefix/tso-setup.log" ||
  { cat "$prefix/tso-setup.log" >&2; echo "tso-setup did not install the add-in" >&2; exit 1; }
"$prefix/bin/tso-setup" --remove "${office[@]}" > "$prefix/tso-setup.log" ||
  { cat "$prefix/tso-setup.log" >&2; echo "tso-setup did not remove the add-in" >&2; exit 1; }
if pgrep -f -- "--accept=pipe,name=tessaro-ci-$$;" > /dev/null; then
  pkill -f -- "--accept=pipe,name=tessaro-ci-$$;" || true
  echo "tso-setup --headless left the office it started running" >&2
  exit 1
fi

echo "== Debian packages"
# Made by CPack, installed with apt-get on this machine, used from their installed files only,
# then removed.
(cd build/release && rm -f ./*.deb && cpack -G DEB > /dev/null)
packages=(libtslib1 libtslib-dev tessaro-tools tessaro postgresql-15-tessaro tessaro-office
  python3-tessaro)
# What each package brings with it: the office add-in with tsweb, Writer, Calc and Impress with
# the add-in, completion with the command lines.
field() { dpkg-deb -f "$(ls build/release/"$1"_*.deb)" "$2"; }
field tessaro Recommends | grep -q tessaro-office || { echo "tessaro does not recommend tessaro-office" >&2; exit 1; }
field tessaro-tools Recommends | grep -q bash-completion || { echo "tessaro-tools does not recommend bash-completion" >&2; exit 1; }
for app in writer calc impress; do
  field tessaro-office Depends | grep -q "libreoffice-$app" ||
    { echo "tessaro-office does not depend on LibreOffice's $app" >&2; exit 1; }
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
  "$PWD"/build/release/*.deb > /dev/null
smoke=$(mktemp -d "${TMPDIR:-/tmp}/tessaro-smoke.XXXXXX")
trap 'rm -rf "$prefix" "$smoke"' EXIT
/usr/bin/tsconv -f tcvn3 -t utf8 examples/sample.tcvn3.txt | cmp - examples/sample.utf8.txt
for page in tsconv tsweb tsdata tso-setup; do man -w "$page" > /dev/null; done
man -w 3 libtslib > /dev/null
desktop-file-validate /usr/share/applications/tsweb.desktop /usr/share/applications/tsdata.desktop \
  /usr/share/applications/tso-setup.desktop
cc -std=c11 -Wall -Werror examples/c/convert.c $(pkg-config --cflags --libs tslib) -o "$smoke/convert"
got=$("$smoke/convert" | head -1)
[ "$got" = "UTF-8 (10 bytes): Việt Nam" ] || { echo "unexpected output of the packaged library: $got" >&2; exit 1; }
[ -f /usr/lib/postgresql/15/lib/tessaro.so ] && [ -f /usr/share/tessaro/Tessaro_O21.oxt ] ||
  { echo "the extensions are not where the packages should put them" >&2; exit 1; }
# The Python package, from Debian's Python and the installed files alone (not the build tree).
got=$(cd / && env -u PYTHONPATH /usr/bin/python3 -c "$python_check")
[ "$got" = "Việt Nam: Việt Nam là một quốc gia" ] ||
  { echo "unexpected output of the packaged Python package: $got" >&2; exit 1; }
# The messages in Vietnamese from the installed catalogue, whether or not vi_VN is installed.
got=$(cd / && env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=vi_VN.UTF-8 /usr/bin/tsdata -f 1 -t 2 2>&1 || true)
[ "$got" = "tsdata: hãy chỉ ra một cơ sở dữ liệu (tsdata --help)" ] ||
  { echo "the installed programs do not speak Vietnamese under vi_VN: $got" >&2; exit 1; }
bash -c '. /usr/share/bash-completion/completions/tsconv && _tessaro_charsets 44 | grep -qx tcvn3' ||
  { echo "the installed completion does not list the charsets" >&2; exit 1; }
# The manual pages' examples, with the installed programs, in a copy of the installed examples.
for page in tsconv.1 tsweb.1 tsdata.1; do
  bash doc/man/run_examples.sh "$PWD/doc/man/$page.scd" /usr/share/doc/tessaro/examples /usr/bin > /dev/null ||
    { echo "the installed $page examples do not run as the manual says" >&2; exit 1; }
done
# Removed (not purged), nothing of them is left, not even in the state "rc".
DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq "${packages[@]}" > /dev/null
left=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${packages[@]}" 2>/dev/null | grep -v '^un ' || true)
[ -z "$left" ] || { echo "left after apt-get remove: $left" >&2; exit 1; }
for f in /usr/bin/tsconv /usr/lib/libtslib.so.1 /usr/share/tessaro /usr/include/tslib.h \
  /usr/lib/python3/dist-packages/tessaro; do
  [ ! -e "$f" ] || { echo "$f is left after the packages were removed" >&2; exit 1; }
done
echo "All tests passed."
