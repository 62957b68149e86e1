#!/bin/sh
# Texloom.dll imports only DLLs that every Windows system has: the C and C++
# runtimes are linked in. Usage: imports.sh <objdump> <dll>
objdump=$1
dll=$2
names=$("$objdump" -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$names" ] || { echo "no import table read from $dll"; exit 1; }
status=0
for name in $names; do
  case $name in
    kernel32.dll|user32.dll|gdi32.dll|comctl32.dll|comdlg32.dll|advapi32.dll|ole32.dll|oleaut32.dll|\
    shell32.dll|msimg32.dll|msvcrt.dll|windowscodecs.dll|api-ms-win-*.dll) echo "system: $name" ;;
    *) echo "not a system DLL: $name"; status=1 ;;
  esac
done
exit $status
