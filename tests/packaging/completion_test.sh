#!/usr/bin/env bash
# Runs mavtool's completion function on typed command lines and checks the offered words. The run
# options come from `mavtool run --help`, so a help text that changes shape shows up here.
set -uo pipefail
source "$1"
export PATH="$2:$PATH"
failed=0

# typed words (the last is being completed) | a word that must be offered | one that must not
cases=(
  "mavtool ru|run|pack"
  "mavtool |archive|--events"
  "mavtool archive |extract|build"
  "mavtool title |unpack|dump"
  "mavtool title build src out --pack|--pack-scenarios|--loose-sounds"
  "mavtool run title --ev|--events|--vars"
  "mavtool run title --|--presents|run"
  "mavtool run title --|--input|--title"
  "mavtool run title --depth |24|--events"
  "mavtool global create out --|--reg-key|--events"
  "mavtool w|web|saves"
  "mavtool web title site --|--player|--events"
  "mavtool saves |import|export-all"
)
for c in "${cases[@]}"; do
  IFS='|' read -r typed want not <<<"$c"
  read -r -a COMP_WORDS <<<"$typed"
  [[ "$typed" == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _mavtool
  offered=" ${COMPREPLY[*]} "
  [[ "$offered" == *" $want "* ]] || { echo "FAIL: \"$typed\" offers [${COMPREPLY[*]}], not $want"; failed=1; }
  [[ "$offered" == *" $not "* ]] && { echo "FAIL: \"$typed\" offers $not"; failed=1; }
done
[ $failed -eq 0 ] && echo "completion: ${#cases[@]} cases passed"
exit $failed
