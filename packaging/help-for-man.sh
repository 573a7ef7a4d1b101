#!/bin/sh
# Runs tagsmith-run ($TAGSMITH_RUN) for help2man, which reads the synopsis
# from "Usage:" and "or:" lines: the usage text's own lines start "usage:"
# and align the other forms under the first, which help2man would take for
# plain text.
set -e
if [ "$*" = "--help" ]; then
  "$TAGSMITH_RUN" --help | sed -e 's/^usage: /Usage: /' -e 's/^       \([^ ]\)/  or:  \1/'
else
  exec "$TAGSMITH_RUN" "$@"
fi
