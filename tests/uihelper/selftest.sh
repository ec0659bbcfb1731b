#!/usr/bin/env bash
# Self-test of the UI helper: runs uihelper.exe on uifixture.exe for each thing the helper does
# and checks the report it prints.
#
#   tests/uihelper/selftest.sh DIR
#
# DIR holds uihelper.exe and uifixture.exe (tests/uihelper of the Windows build tree). RUNWIN is
# the command that runs a Windows program, word-split (default: wine, which needs a DISPLAY for
# the windows). CASE_MS (default 120000) is the helper's --timeout for each case, generous for
# slow emulation. Prints "N passed, N failed" and exits non-zero when a case failed.
set -u

dir=${1:?usage: selftest.sh DIR (the directory that holds uihelper.exe and uifixture.exe)}
dir=$(cd "$dir" && pwd) || exit 2
runwin=${RUNWIN:-wine}
case_ms=${CASE_MS:-120000}
helper=$dir/uihelper.exe
fixture=$dir/uifixture.exe
for exe in "$helper" "$fixture"; do
  [[ -f $exe ]] || { echo "selftest: $exe is missing" >&2; exit 2; }
done
# Beside the programs, so that whatever runs them sees these files at the same paths.
work=$(mktemp -d "$dir/selftest.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT

passed=0
failed=0

# invoke NAME ARGS...: runs the helper with ARGS; leaves its report in NAME.out (carriage returns
# that a terminal on the way may add are dropped: report values never hold one), its standard
# error in NAME.err, its exit status in NAME.rc and the seconds it took in NAME.secs.
invoke() {
  local name=$1 start=$SECONDS
  shift
  # shellcheck disable=SC2086  # RUNWIN is a command with arguments
  $runwin "$helper" "$@" >"$work/$name.raw" 2>"$work/$name.err" </dev/null
  echo $? >"$work/$name.rc"
  echo $((SECONDS - start)) >"$work/$name.secs"
  tr -d '\r' <"$work/$name.raw" >"$work/$name.out"
}

# run NAME OPTIONS... -- PROGRAM ARGS...: the helper's run command (a --timeout among OPTIONS
# overrides the case's).
run() {
  local name=$1
  shift
  invoke "$name" run --timeout "$case_ms" "$@"
}

# records NAME KEY: the values of all KEY records, one a line.
records() { sed -n "s/^$2: //p" "$work/$1.out"; }

# check CASE NAME KEY=VALUE...: one case, passed when the helper ran and each KEY's records are
# exactly VALUE (several records joined by newlines; an empty VALUE: no such record).
check() {
  local desc=$1 name=$2 pair key want got
  shift 2
  local problems=()
  local rc
  rc=$(cat "$work/$name.rc")
  [[ $rc == 0 ]] || problems+=("helper exit status $rc; stderr: $(tail -c 400 "$work/$name.err")")
  for pair in "$@"; do
    key=${pair%%=*}
    want=${pair#*=}
    got=$(records "$name" "$key")
    [[ $got == "$want" ]] || problems+=("$key: want [$want]" "$key: got  [$got]")
  done
  verdict "$desc" "$name" "${problems[@]+"${problems[@]}"}"
}

# verdict CASE NAME [PROBLEM...]: counts the case; prints the problems and the report if any.
verdict() {
  local desc=$1 name=$2
  shift 2
  if (($# == 0)); then
    passed=$((passed + 1))
    echo "ok   $desc"
  else
    failed=$((failed + 1))
    echo "FAIL $desc"
    printf '       %s\n' "$@"
    cut -c 1-300 "$work/$name.out" | sed 's/^/       | /'
  fi
}

# --- standard output, standard error, and the quoting of the program's arguments
run out -- "$fixture" print hello eprint 'to err' print 'two words'
check "stdout and stderr are captured apart" out \
  'started=1' 'window=' 'box=' 'timeout=0' 'exit=0' \
  'stdout=hello\ntwo words\n' 'stderr=to err\n'

# shellcheck disable=SC1003  # the backslash before the closing quote is the point
run quoting -- "$fixture" print 'a "b" c\' print '' print 'back\\"slash' print 'k=v|w	tab'
check "arguments reach the program unchanged; | = tab escaped" quoting \
  'stdout=a "b" c\\\n\nback\\\\"slash\nk\x3Dv\x7Cw\ttab\n'

# --- standard input
printf 'line1\nline2\r\n\001\377end' >"$work/input.bin"
run stdin --stdin "$work/input.bin" -- "$fixture" echo-stdin
check "--stdin feeds the file; control and high bytes escaped" stdin \
  'stdout=line1\nline2\r\n\x01\xFFend' 'exit=0'

run nostdin -- "$fixture" echo-stdin print 'done'
check "without --stdin the input is empty and ends at once" nostdin 'stdout=done\n' 'timeout=0'

# --- output larger than a pipe holds, on both streams at once
run fill -- "$fixture" fill 300000
problems=()
[[ $(cat "$work/fill.rc") == 0 ]] || problems+=("helper exit status $(cat "$work/fill.rc")")
[[ $(records fill timeout) == 0 ]] || problems+=("the program did not finish (timeout)")
for key in stdout stderr; do
  size=$(records fill "$key" | tr -d '\n' | wc -c)
  ((size == 300000)) || problems+=("$key: want 300000 bytes, got $size")
done
verdict "300000 bytes on stdout and on stderr are drained" fill "${problems[@]+"${problems[@]}"}"

# --- exit codes, as unsigned numbers
for code in 0 7 255 3221225477 4294967295; do
  run "exit$code" -- "$fixture" print x exit "$code"
  check "exit code $code" "exit$code" "exit=$code" 'stdout=x\n'
done

# --- message boxes
# shellcheck disable=SC1003  # the fixture turns \\ into one backslash
run box -- "$fixture" print before box 'Cap|x=y' 'line1\nline2\ttab\\' ok print after
check "a message box is reported and its OK pressed" box \
  'window=class=#32770|title=Cap\x7Cx\x3Dy' \
  'box=caption=Cap\x7Cx\x3Dy|text=line1\nline2\ttab\\|buttons=OK|pressed=OK' \
  'stdout=before\nbox IDOK\nafter\n' 'exit=0' 'timeout=0'

# CASE|HELPER OPTIONS|STYLE|BUTTONS|PRESSED|RESULT
while IFS='|' read -r desc opts style buttons pressed result; do
  name=press$((passed + failed))
  # shellcheck disable=SC2086  # the options are words
  run "$name" $opts -- "$fixture" box Q 'Sure?' "$style"
  check "$desc" "$name" "box=caption=Q|text=Sure?|buttons=$buttons|pressed=$pressed" \
    "stdout=box $result\n" 'timeout=0'
done <<'CASES'
default button of a Yes/No box||yesno|Yes,No|Yes|IDYES
default button is the box's default, not the first||yesno+def2|Yes,No|No|IDNO
--press chooses by text|--press No|yesno+iconquestion|Yes,No|No|IDNO
--press ignores accelerator marks|--press &No|yesno|Yes,No|No|IDNO
--press-id chooses by control id|--press-id 6|yesno+def2|Yes,No|Yes|IDYES
three buttons, the last pressed|--press Cancel|yesnocancel|Yes,No,Cancel|Cancel|IDCANCEL
CASES

run twoboxes --press Cancel -- "$fixture" box One first ok box Two second okcancel
check "each box once, in order; a box without the chosen button gets its default" twoboxes \
  $'box=caption=One|text=first|buttons=OK|pressed=OK\ncaption=Two|text=second|buttons=OK,Cancel|pressed=Cancel' \
  $'window=class=#32770|title=One\nclass=#32770|title=Two' \
  'stdout=box IDOK\nbox IDCANCEL\n'

# --- a plain window
run window -- "$fixture" window 'Fixture Window' print shown
check "a visible window is reported" window \
  'window=class=KestrunFixtureWindow|title=Fixture Window' 'box=' 'stdout=shown\n'

# --- timeout
run timeout --timeout 15000 -- "$fixture" print early sleep 600000
check "a program over its time is killed" timeout 'timeout=1' 'exit=1' 'stdout=early\n'
secs=$(cat "$work/timeout.secs")
if ((secs < 200)); then verdict "the kill does not wait for the program" timeout
else verdict "the kill does not wait for the program" timeout "took $secs s"; fi

# --- no redirection
run noredirect --no-redirect -- "$fixture" print unseen eprint unseen exit 5
check "--no-redirect: exit code only, no output captured" noredirect 'exit=5' 'stdout=' 'stderr='

# --- the helper's own errors
problems=()
while IFS= read -r args; do
  # shellcheck disable=SC2086
  invoke usage $args
  rc=$(cat "$work/usage.rc")
  [[ $rc == 2 ]] || problems+=("'$args': exit status $rc, want 2")
  grep -q 'usage: uihelper run' "$work/usage.err" || problems+=("'$args': no usage text on stderr")
  [[ ! -s $work/usage.out ]] || problems+=("'$args': printed a report")
done <<'CASES'

run
walk -- x.exe
run --timeout soon -- x.exe
run --timeout 10
run --bogus -- x.exe
run --press OK --press-id 1 -- x.exe
run --no-redirect --stdin in.txt -- x.exe
CASES
verdict "usage errors: status 2, usage text, no report" usage "${problems[@]+"${problems[@]}"}"

run nostart -- "$dir/no-such-program.exe"
problems=()
[[ $(cat "$work/nostart.rc") == 3 ]] || problems+=("exit status $(cat "$work/nostart.rc"), want 3")
grep -q 'uihelper: cannot start' "$work/nostart.err" || problems+=("no message on stderr")
[[ ! -s $work/nostart.out ]] || problems+=("printed a report")
verdict "a program that cannot start: status 3 and a message" nostart "${problems[@]+"${problems[@]}"}"

echo "$passed passed, $failed failed"
((failed == 0))
