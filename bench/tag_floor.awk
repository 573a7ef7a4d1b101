# The floor tagsmith-run is measured against: one pass over MIF files, as
# the host writes them, listing the character tags in use and those defined
# but not used. A tag is in use when text is set in it, or when a building
# block (an autonumber, a variable, a cross-reference format) names it.
#
#   awk -f bench/tag_floor.awk FILE.mif...
/^<FontCatalog/ { inFonts = 1; next }
/^<PgfCatalog/ { inPgfs = 1; next }
/^>/ { inFonts = 0; inPgfs = 0; next }
/<FTag `/ {
  name = $0
  sub(/^[^`]*`/, "", name)
  sub(/'>.*$/, "", name)
  if (inFonts) {
    if (!(name in defined)) { defined[name] = 1; order[++count] = name }
  } else if (!inPgfs && name != "") {
    used[name] = 1
  }
  next
}
/<(PgfNumFormat|VariableDef|XRefDef) `/ {
  s = $0
  while (match(s, /<[^<>\\]+\\>/)) {
    named[substr(s, RSTART + 1, RLENGTH - 3)] = 1
    s = substr(s, RSTART + RLENGTH)
  }
  next
}
/<PgfNumberFont `/ {
  name = $0
  sub(/^[^`]*`/, "", name)
  sub(/'>.*$/, "", name)
  named[name] = 1
}
END {
  print "## Character Tags Used:"
  for (i = 1; i <= count; i++) if (order[i] in used || order[i] in named) print order[i]
  for (name in used) if (!(name in defined)) print name
  print "## Character Tags Not Used:"
  for (i = 1; i <= count; i++) if (!(order[i] in used || order[i] in named)) print order[i]
}
