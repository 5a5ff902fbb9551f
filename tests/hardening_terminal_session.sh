#!/usr/bin/env bash
# A session in a real pseudo-terminal (tmux): each answer is typed only once the program
# shows its prompt, as a person would. The screen must show every prompt with the typed
# answer on the same line and every empty line of the dialogue (compared whole with
# hardening_terminal_screen.txt), and the files must be those of the same answers piped.
# A prompt left in the output buffer never appears, and the session times out. A missing
# file's name between double quotes, at the option a word and at the text height a decimal
# comma are typed first: at a terminal each is explained and the question asked again, and
# the run still ends with the piped run's files. The file name is then typed between
# double quotes, as a file dragged into a console window gives it.
# Usage: hardening_terminal_session.sh ELIPSES_EXECUTABLE SOURCE_DIR
set -euo pipefail
executable=$1
source_dir=$2
expected_screen=$source_dir/tests/hardening_terminal_screen.txt
answers_file=$source_dir/examples/respostas-goniometrica-fechada.txt

work=$(mktemp -d /tmp/elipses-terminal-XXXXXX)
socket=$work/tmux.socket
tmux_() { tmux -S "$socket" -f /dev/null "$@"; }
cleanup() {
  tmux_ kill-server >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  echo "--- screen ---" >&2
  tmux_ capture-pane -p -J -t session 2>/dev/null >&2 || true
  exit 1
}

mkdir "$work/terminal" "$work/piped"
cp "$source_dir/examples/poligonal.txt" "$work/terminal/"
cp "$source_dir/examples/poligonal.txt" "$work/piped/"
(cd "$work/piped" && "$executable" < "$answers_file" > /dev/null 2>&1)

export TERM=xterm
tmux_ new-session -d -s session -x 200 -y 100 -c "$work/terminal" \
  "'$executable'; echo \"[exit \$?]\"; sleep 600"

cursor() { tmux_ display-message -p -t session "#{cursor_x} #{cursor_y}"; }

# Waits until the program shows a prompt below row $1: the cursor stands after text on
# a later line, and stays there.
wait_for_prompt_below() {
  local row=$1 x y
  for _ in $(seq 1 200); do
    read -r x y < <(cursor)
    if [ "$x" -gt 0 ] && [ "$y" -gt "$row" ]; then
      sleep 0.05
      if [ "$(cursor)" = "$x $y" ]; then echo "$y"; return 0; fi
    fi
    sleep 0.05
  done
  return 1
}

row=-1
line=0
while IFS= read -r answer || [ -n "$answer" ]; do
  line=$((line + 1))
  row=$(wait_for_prompt_below "$row") || fail "no prompt shown before typing \"$answer\""
  slip=
  case $line in
    1) slip='"nada.txt"'; answer="\"$answer\"" ;;
    2) slip=cinco ;;
    4) slip=2,5 ;;
  esac
  if [ -n "$slip" ]; then
    tmux_ send-keys -t session -l "$slip"
    tmux_ send-keys -t session Enter
    row=$(wait_for_prompt_below "$row") || fail "the question was not asked again after \"$slip\""
  fi
  tmux_ send-keys -t session -l "$answer"
  tmux_ send-keys -t session Enter
done < "$answers_file"

for _ in $(seq 1 200); do
  tmux_ capture-pane -p -J -t session | grep -q '^\[exit ' && break
  sleep 0.05
done
screen=$(tmux_ capture-pane -p -J -t session | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' | sed "s#$work#WORK#g")
if [ "$screen" != "$(cat "$expected_screen")" ]; then
  diff <(echo "$screen") "$expected_screen" >&2 || true
  fail "the screen differs from $expected_screen"
fi
for file in elipses.txt elipses.scr; do
  cmp "$work/terminal/$file" "$work/piped/$file" || fail "$file differs from the piped run's"
done
echo "terminal session: screen and files as expected"
