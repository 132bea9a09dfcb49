#!/bin/sh
# Corvane.exe where Wine has no display: its dialog cannot be made, so it must end at once with
# a failure and say why on its standard error, not end quietly as if the user had closed it.
#   RunWithoutDisplay.sh WINE CORVANE_EXE
wine=$1
program=$2
errors=$(env -u DISPLAY timeout 60 "$wine" "$program" --data NoSuchTrafficLog.dat 2>&1 >/dev/null)
status=$?
echo "exit status $status"
echo "$errors"
if [ "$status" -eq 0 ] || [ "$status" -eq 124 ]; then
  echo "FAILED: expected a failure status"
  exit 1
fi
case "$errors" in
  *"Corvane: cannot create the main window"*) exit 0 ;;
esac
echo "FAILED: no reason on standard error"
exit 1
