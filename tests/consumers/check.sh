#!/bin/sh
# What a consumer's build of examples/registry-tool took from Telvora: no
# warning, error-on-warning or sanitizer flag on the program's own code, and
# (Windows) no window, image or network library on its link line or among the
# DLLs it imports: the registry classes need advapi32, not the window layer
# nor the sockets of the server check.
# usage: check.sh native|windows <build folder>
set -u
platform=$1
dir=$2

command=$(grep -o '"command": "[^"]*main\.cpp[^"]*"' "$dir/compile_commands.json") ||
  { echo "FAILED: no compile command of main.cpp"; exit 1; }
if echo "$command" | grep -Eq -- '-Werror|-fsanitize|-Wall|-Wextra|-Wpedantic'; then
  echo "FAILED: Telvora's flags reached the consumer's code: $command"
  exit 1
fi
[ "$platform" = windows ] || { echo "registry-tool built with the consumer's flags only"; exit 0; }

libraries='user32|gdi32|comctl32|comdlg32|ole32|oleaut32|shell32|windowscodecs|ws2_32|dnsapi'
link=$(cat "$dir"/CMakeFiles/registry-tool.dir/link.txt "$dir"/CMakeFiles/registry-tool.dir/linkLibs.rsp 2>/dev/null)
echo "link line: $link"
if echo "$link" | grep -Eiq -- "-l($libraries)\b|lib($libraries)\.a"; then
  echo "FAILED: a window, image or network library is on the link line"
  exit 1
fi
dlls=$(x86_64-w64-mingw32-objdump -p "$dir/registry-tool.exe" | sed -n 's/.*DLL Name: //p') || exit 1
echo "imports: $(echo "$dlls" | tr '\n' ' ')"
if echo "$dlls" | grep -Eiq "^($libraries)\.dll$"; then
  echo "FAILED: a window, image or network library is imported"
  exit 1
fi
