#!/usr/bin/env bash
# Builds examples/registry-tool against this working tree in the three ways a
# program takes Telvora's registry classes in -- add_subdirectory, FetchContent
# of a source archive, find_package of an installed Telvora -- natively and for
# Windows, and runs the Windows program once under Wine: it imports a .reg file
# into a scratch key of the Windows build's Wine prefix, exports the key to a
# new file and deletes it; the export must equal the imported file byte for
# byte.
#
# Besides building, each case checks what the program took from Telvora: no
# warning, error-on-warning or sanitizer flag on the program's own code, and
# (Windows) no window or image library on its link line or among the DLLs it
# imports.
#
# Prints "consumer <case>: passed|failed" per case, then "N passed, N failed".
# Details go to build/consumers/logs/<case>.log. The Wine run uses the Windows
# build's wrapper, build/windows/wine-run.sh, which its configure makes.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 2
work=$root/build/consumers
logs=$work/logs
example=$root/examples/registry-tool
jobs=${TELVORA_JOBS:-2}
rm -rf "$work"
mkdir -p "$logs"

passed=0
failed=0

# report CASE STATUS
report() {
  if [ "$2" -eq 0 ]; then
    echo "consumer $1: passed"
    passed=$((passed + 1))
  else
    tail -n 25 "$logs/$1.log" >&2
    echo "consumer $1: failed"
    failed=$((failed + 1))
  fi
}

fail() {
  echo "FAILED: $*"
  return 1
}

# build_example DIR CMAKE-ARGS...: the example, configured and built.
build_example() {
  local dir=$1
  shift
  cmake -S "$example" -B "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "$@" && cmake --build "$dir" -j "$jobs" || return 1
  # The program's own source is compiled with the consumer's flags only.
  local command
  command=$(grep -o '"command": "[^"]*main\.cpp[^"]*"' "$dir/compile_commands.json") || fail "no compile command of main.cpp" || return 1
  if grep -Eq -- '-Werror|-fsanitize|-Wall|-Wextra|-Wpedantic' <<<"$command"; then
    fail "Telvora's flags reached the consumer's code: $command"
  fi
}

window_libraries='user32|gdi32|comctl32|comdlg32|ole32|oleaut32|shell32|windowscodecs'

# no_window_layer DIR EXE: the registry classes need advapi32, not the window
# layer: neither the link line (the Windows builds leave out CMake's default
# list of system libraries, so that it shows what Telvora brings) nor the DLLs
# that the program imports name a window or image library.
no_window_layer() {
  local link dlls
  link=$(cat "$1"/CMakeFiles/registry-tool.dir/link.txt "$1"/CMakeFiles/registry-tool.dir/linkLibs.rsp 2>/dev/null)
  echo "link line: $link"
  if grep -Eiq -- "-l($window_libraries)\b|lib($window_libraries)\.a" <<<"$link"; then
    fail "a window or image library is on the link line"
    return 1
  fi
  dlls=$(x86_64-w64-mingw32-objdump -p "$2" | sed -n 's/.*DLL Name: //p') || return 1
  echo "imports: $(tr '\n' ' ' <<<"$dlls")"
  if grep -Eiq "^($window_libraries)\.dll$" <<<"$dlls"; then
    fail "a window or image library is imported"
  fi
}

# The working tree as a source archive: the files git tracks or would track.
archive=$work/telvora-src.tar.gz
git ls-files -z --cached --others --exclude-standard |
  tar --null -T - --ignore-failed-read --transform 's,^,telvora/,' -czf "$archive" 2>"$logs/archive.log"

# build_case PLATFORM WAY: one case, its status in $work/NAME.status.
build_case() {
  local platform=$1 way=$2
  local name=$platform-$way
  local dir=$work/$name toolchain=() exe=registry-tool
  if [ "$platform" = windows ]; then
    toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_CXX_STANDARD_LIBRARIES=)
    exe=registry-tool.exe
  fi
  (
    case $way in
      subdirectory) build_example "$dir" "${toolchain[@]}" -DTELVORA_FROM=subdirectory -DTELVORA_SOURCE_DIR="$root" ;;
      fetch) build_example "$dir" "${toolchain[@]}" -DTELVORA_FROM=fetch -DTELVORA_FETCH_URL="$archive" ;;
      package)
        # As a packager builds and installs it: Release, the libraries only.
        cmake -S "$root" -B "$work/$platform-telvora" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=Release \
          -DTELVORA_BUILD_APP=OFF -DTELVORA_BUILD_TESTS=OFF &&
          cmake --build "$work/$platform-telvora" -j "$jobs" &&
          cmake --install "$work/$platform-telvora" --prefix "$work/$platform-prefix" &&
          build_example "$dir" "${toolchain[@]}" -DTELVORA_FROM=package -DCMAKE_PREFIX_PATH="$work/$platform-prefix"
        ;;
    esac || exit 1
    [ -f "$dir/$exe" ] || fail "$dir/$exe was not built" || exit 1
    if [ "$platform" = windows ]; then no_window_layer "$dir" "$dir/$exe" || exit 1; fi
  ) >"$logs/$name.log" 2>&1
  echo $? >"$work/$name.status"
}

# The two platforms build side by side, each with half of the jobs.
jobs=$(((jobs + 1) / 2))
ways=(subdirectory fetch package)
for platform in native windows; do
  (for way in "${ways[@]}"; do build_case "$platform" "$way"; done) &
done
wait
for platform in native windows; do
  for way in "${ways[@]}"; do
    report "$platform-$way" "$(cat "$work/$platform-$way.status" 2>/dev/null || echo 1)"
  done
done

# One run under Wine, on a scratch key with Turkish letters in its name and
# data (the prefix's code page is 1254).
name=windows-wine-run
(
  wine_run=$root/build/windows/wine-run.sh
  program=$work/windows-package/registry-tool.exe
  [ -x "$wine_run" ] || fail "$wine_run is missing: configure the windows preset first" || exit 1
  [ -f "$program" ] || fail "$program was not built" || exit 1
  key="HKEY_CURRENT_USER\\Software\\Telvora registry-tool Sınama $$"
  run=$work/wine-run
  mkdir -p "$run"
  printf '%s\r\n' 'REGEDIT4' '' "[$key]" '"Ad"="Çağrı Işık"' '"Veri"=hex:00,7F,FE,FF' '"Sayı"=dword:FFFFFFFE' '' \
    "[$key\\Alt Anahtar]" '@="varsayılan"' '' | iconv -f UTF-8 -t WINDOWS-1254 >"$run/in.reg" || exit 1
  TELVORA_WINE_TIMEOUT=120 "$wine_run" "$program" import "Z:$run/in.reg" export "$key" "Z:$run/out.reg" delete "$key" ||
    fail "registry-tool ended with status $?" || exit 1
  cmp "$run/in.reg" "$run/out.reg" || fail "the export differs from the imported file" || exit 1
) >"$logs/$name.log" 2>&1
report "$name" $?

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
