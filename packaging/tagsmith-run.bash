# bash completion for tagsmith-run: its commands and options.
#
# Read from the program itself, its usage text (--help) and its command list
# (--list), so that an option or a command the program gains is completed
# without an edit here. Read once per shell and program.

_tagsmith_run_learn() {
  local program=${1/#\~/$HOME}
  [[ "$program" == "${_tagsmith_run_program-}" ]] && return
  _tagsmith_run_program=$program
  local help
  help=$(LC_ALL=C "$program" --help 2>/dev/null)
  # Every option the usage text names, in its option lines, its synopsis or
  # its prose (check's kinds of finding are named only there).
  _tagsmith_run_options=$(grep -o -E '(^|[][ ,(])--?[A-Za-z][A-Za-z0-9-]*' <<<"$help" |
    sed -E 's/^[][ ,(]//' | sort -u)
  # An option line shows what a value-taking option takes, in the column
  # before its help: "--json FILE|-", "-o, --output FILE". One line each
  # here: the option and what it takes.
  _tagsmith_run_values=$(awk '/^ +-/ {
      sub(/^ +/, ""); sub(/  .*/, "")
      n = split($0, names, ", ")
      if (split(names[n], last, " ") < 2 || last[2] !~ /^[A-Z]/) next
      for (i = 1; i <= n; i++) { split(names[i], word, " "); print word[1], last[2] }
    }' <<<"$help")
  # The command list ends each line with the client-call string; the
  # menu-only entries end with a parenthesis instead.
  _tagsmith_run_commands="check $("$program" --list 2>/dev/null |
    sed -n -E 's/^  .*[^ ]  +([A-Za-z][A-Za-z0-9]*)$/\1/p' | sort -u)"
}

# Whether $1 is an option that takes a value.
_tagsmith_run_takes() {
  awk -v o="$1" '$1 == o {print $2; found = 1} END {exit !found}' <<<"$_tagsmith_run_values"
}

_tagsmith_run() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]-}
  # "--json=FI": bash splits at '=' and gives the '=' a word of its own.
  if [[ "$cur" == "=" ]]; then
    cur=""
  elif [[ "$prev" == "=" ]]; then
    prev=${COMP_WORDS[COMP_CWORD - 2]-}
  fi
  _tagsmith_run_learn "${COMP_WORDS[0]}"
  COMPREPLY=()

  local takes
  if takes=$(_tagsmith_run_takes "$prev"); then
    case "$takes" in
      *DIR*) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -d -- "$cur") ;;
      *FILE* | *LIB*) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
    esac
    return 0
  fi
  if [[ "$cur" == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$_tagsmith_run_options" -- "$cur")
    return 0
  fi

  # The first word that is neither an option nor an option's value is the
  # command; the words after it are files.
  local i word command=""
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ "$word" != -* ]]; then
      command=$word
      break
    fi
    if [[ "${COMP_WORDS[i + 1]-}" == "=" ]]; then
      ((i += 2))
    elif _tagsmith_run_takes "$word" >/dev/null; then
      ((i += 1))
    fi
  done
  if [[ -z "$command" ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$_tagsmith_run_commands" -- "$cur")
  else
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  fi
  return 0
}
complete -F _tagsmith_run tagsmith-run
