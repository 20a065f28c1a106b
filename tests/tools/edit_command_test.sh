#!/usr/bin/env bash
# pelt-label edit end to end: the real dialog in its own window under Xvfb,
# driven with xdotool as a user would, checking exit codes and output.
#
# Usage: edit_command_test.sh PELT_LABEL_PROGRAM
set -euo pipefail

program=$1
caption='^Brindle Expression Builder$'
work=$(mktemp -d)
xvfb_pid=
passed=0
failed=0

cleanup() {
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  failed=$((failed + 1))
}

# A display of our own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [[ -s $work/display ]] && break
  sleep 0.1
done
[[ -s $work/display ]] || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
export QT_QPA_PLATFORM=xcb
# The points clicked below are pixels at 96 dpi.
export QT_FONT_DPI=96
unset WAYLAND_DISPLAY
# Under the leak checker, what the window system's own libraries keep at exit
# is not ours to report.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/edit_command_test.lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# Starts pelt-label edit with the given arguments in the background.
start_edit() {
  timeout 60 "$program" edit "$@" >"$work/out" 2>"$work/err" &
  edit_pid=$!
}

# Waits for a window whose name matches $1 and prints its id.
window() {
  timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1
}

# Clicks at a point of a window, in pixels from its top-left corner.
click() {
  xdotool mousemove --sync --window "$1" "$2" "$3" click 1
}

# Waits for pelt-label and checks its exit code and standard output.
expect_result() {
  local name=$1 want_code=$2 want_out=$3 code=0
  wait "$edit_pid" || code=$?
  local out
  out=$(cat "$work/out")
  if [[ $code -ne $want_code ]]; then
    fail "$name: exit $code, expected $want_code ($(tr '\n' ' ' <"$work/err"))"
  elif [[ $out != "$want_out" ]]; then
    fail "$name: printed '$out', expected '$want_out'"
  else
    passed=$((passed + 1))
  fi
}

# Checks that standard error holds each given line.
expect_warned() {
  local name=$1 line
  shift
  for line in "$@"; do
    if ! grep -qxF -- "$line" "$work/err"; then
      fail "$name: standard error lacks '$line' ($(tr '\n' ' ' <"$work/err"))"
      return
    fi
  done
  passed=$((passed + 1))
}

# Points of the dialog, in pixels at 96 dpi.
ok_button=(488 443)
expression_box=(150 330)
add_reserved_word_button=(272 43)

# Esc cancels: nothing printed, exit 1.
start_edit '[NAME].UCase'
id=$(window "$caption")
xdotool windowfocus --sync "$id" key Escape
expect_result "Esc" 1 ""

# OK on the prefilled expression prints it.
start_edit '[NAME].UCase'
id=$(window "$caption")
click "$id" "${ok_button[@]}"
expect_result "OK" 0 "[NAME].UCase"

# An accepted expression with slips is printed as it is; what its literal
# text is read as follows on standard error.
start_edit --set 'PAGE_NUMBER=Page number' '[NAME].Lefft(2) $$PAGE_NUMBR'
id=$(window "$caption")
click "$id" "${ok_button[@]}"
expect_result "slips, OK" 0 '[NAME].Lefft(2) $$PAGE_NUMBR'
expect_warned "slips, OK" \
  "pelt-label: warning: '.Lefft(2)' after '[NAME]' is literal text; did you mean '.Left(2)'?" \
  "pelt-label: warning: '\$\$PAGE_NUMBR' has no value here and reads as \"\"; did you mean '\$\$PAGE_NUMBER'?"

# Typing in the expression box, then OK.
start_edit '[NAME]'
id=$(window "$caption")
click "$id" "${expression_box[@]}"
xdotool key --clearmodifiers ctrl+End
xdotool type --delay 20 '.UCase, pop. [POPULATION]'
click "$id" "${ok_button[@]}"
expect_result "typed, OK" 0 "[NAME].UCase, pop. [POPULATION]"

# A reserved word from the list: the first one offered is the label
# command's $$DATE.
start_edit --set 'DATE=The day' --set 'PAGE=Page number'
id=$(window "$caption")
click "$id" "${add_reserved_word_button[@]}"
click "$id" "${ok_button[@]}"
expect_result "reserved word, OK" 0 '$$DATE'

# An accepted expression that fails verification: the "Invalid Expression"
# box, then exit 1 with nothing printed.
start_edit '[NO_SUCH_FIELD]'
id=$(window "$caption")
click "$id" "${ok_button[@]}"
box=$(window '^Invalid Expression$')
xdotool windowfocus --sync "$box" key Return
expect_result "invalid, OK" 1 ""

# No SOURCE while data is piped in: that was meant as the source, so the
# sample does not stand in for it; refused before any window opens.
code=0
echo '{"type": "FeatureCollection", "features": []}' |
  timeout 20 "$program" edit '[NAME]' >"$work/out" 2>"$work/err" || code=$?
if [[ $code -ne 2 || -s $work/out ]] || ! grep -q "standard input is a pipe" "$work/err"; then
  fail "piped standard input: exit $code, stderr '$(cat "$work/err")'"
else
  passed=$((passed + 1))
fi

# Without a display: at once, one line on standard error, exit 2.
code=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  timeout 20 "$program" edit '[NAME]' >"$work/out" 2>"$work/err" || code=$?
if [[ $code -ne 2 || -s $work/out || $(wc -l <"$work/err") -ne 1 ]]; then
  fail "no display: exit $code, stderr '$(cat "$work/err")'"
else
  passed=$((passed + 1))
fi

# A display that does not answer is found out before Qt would give up on it.
code=0
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:65000 \
  timeout 20 "$program" edit '[NAME]' >"$work/out" 2>"$work/err" || code=$?
if [[ $code -ne 2 || $(wc -l <"$work/err") -ne 1 ]]; then
  fail "silent display: exit $code, stderr '$(cat "$work/err")'"
else
  passed=$((passed + 1))
fi

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
