# Writes MIF for the tagsmith-run benchmarks into `dir`: a book, Bench.book
# and chapterNN.mif of about 40,000 characters each, or one document.
#
# Every file defines `formats` character formats (60 unless told), in the
# shares of 60: Tag01 to Tag45 tag text (runs of 3 to 40 characters, a third
# of the runs untagged, some with a weight set by hand), Tag46 to Tag50
# appear only in building blocks (an autonumber, a variable, a
# cross-reference format), Tag51 to Tag60 are never used. Each file also has
# a table of 20 rows and a footnote every 10 paragraphs; `paras` sets the
# paragraphs of a file (100 unless told, about 2 KB of MIF each).
#
#   awk -v dir=DIR -v chapters=50 -f bench/sim_generate.awk
#   awk -v dir=DIR -v doc=NAME.mif [-v paras=N] [-v formats=N] -f bench/sim_generate.awk
BEGIN {
  if (chapters == "") chapters = 50
  if (paras == "") paras = 100
  if (formats == "") formats = 60
  unusedTags = int(formats / 6)
  blockTags = formats >= 20 ? 5 : 2
  textTags = formats - unusedTags - blockTags
  nameWidth = formats < 100 ? 2 : 5
  srand(20260105)
  split("the of and to in is that for it as with was on be by this are from or an " \
        "which tags format character document text table book file style run host " \
        "paragraph catalog unused list convert delete keep report override master page", words, " ")
  nwords = length(words)
  total = 0
  if (doc != "") {
    chapter(dir "/" doc, 1)
    printf "1 document, %d characters, %d formats\n", total, formats
    exit
  }
  book = dir "/Bench.book"
  print "<Book 9.00> # tagsmith-run benchmark" > book
  for (c = 1; c <= chapters; c++) {
    name = sprintf("chapter%02d.mif", c)
    printf "<BookComponent \n <FileName `<c\\>%s'>\n> # end of BookComponent\n", name >> book
    chapter(dir "/" name, c)
  }
  close(book)
  printf "%d chapters, %d characters\n", chapters, total
}

# The name of format `i`, and of the k-th one used in building blocks.
function tagName(i) {
  return sprintf("Tag%0" nameWidth "d", i)
}

function blockTag(k) {
  return tagName(textTags + 1 + (k - 1) % blockTags)
}

function text(n,    s, w) {
  s = ""
  while (length(s) < n) {
    w = words[int(rand() * nwords) + 1]
    s = s (s == "" ? "" : " ") w
  }
  return substr(s, 1, n)
}

function font(f, tag, bold) {
  printf "   <Font \n    <FTag `%s'>\n", tag > f
  if (bold) printf "    <FWeight `Bold'>\n" > f
  printf "    <FLocked No>\n   > # end of Font\n" > f
}

function para(f, format, target, rect,    n, len, r, tag) {
  printf " <Para \n  <PgfTag `%s'>\n  <ParaLine \n", format > f
  if (rect > 0) printf "   <TextRectID %d>\n", rect > f
  n = 0
  while (n < target) {
    len = 3 + int(rand() * 38)
    r = rand()
    if (r < 0.33) {
      tag = ""
    } else {
      tag = tagName(1 + int(rand() * textTags))
    }
    font(f, tag, rand() < 0.05)
    printf "   <String `%s'>\n", text(len) > f
    n += len
  }
  printf "  > # end of ParaLine\n > # end of Para\n" > f
  total += n
  return n
}

function cell(f, format, s) {
  printf "    <Cell \n     <CellContent \n      <Para \n       <PgfTag `%s'>\n" \
         "       <ParaLine \n        <String `%s'>\n       > # end of ParaLine\n" \
         "      > # end of Para\n     > # end of CellContent\n    > # end of Cell\n", format, s > f
  total += length(s)
}

function chapter(f, c,    i, r, p, notes) {
  printf "<MIFFile 9.00> # tagsmith-run benchmark, chapter %d\n<Units Upt>\n", c > f
  printf "<PgfCatalog \n" > f
  split("Body Heading1 CellHeading CellBody Footnote Numbered", pgfs, " ")
  for (i = 1; i <= 6; i++) {
    printf " <Pgf \n  <PgfTag `%s'>\n  <PgfFont \n   <FTag `'>\n   <FFamily `Times'>\n" \
           "   <FWeight `Regular'>\n   <FSize  %d.0 pt>\n  > # end of PgfFont\n", pgfs[i], i == 2 ? 18 : 11 > f
    if (pgfs[i] == "Numbered") {
      printf "  <PgfNumFormat `<%s\\>Step <n+\\>: '>\n  <PgfNumberFont `%s'>\n", blockTag(1), blockTag(2) > f
    }
    printf " > # end of Pgf\n" > f
  }
  printf "> # end of PgfCatalog\n<FontCatalog \n" > f
  for (i = 1; i <= formats; i++) {
    printf " <Font \n  <FTag `%s'>\n", tagName(i) > f
    if (i % 3 == 0) printf "  <FWeight `Bold'>\n" > f
    if (i % 3 == 1) printf "  <FAngle `Italic'>\n" > f
    if (i % 3 == 2) printf "  <FSize  %d.0 pt>\n", 8 + i % 5 > f
    printf "  <FLocked No>\n > # end of Font\n" > f
  }
  printf "> # end of FontCatalog\n" > f
  printf "<VariableFormats \n <VariableFormat \n  <VariableName `Product'>\n" \
         "  <VariableDef `<%s\\>Bench'>\n > # end of VariableFormat\n> # end of VariableFormats\n", \
         blockTag(3) > f
  printf "<XRefFormats \n <XRefFormat \n  <XRefName `Heading'>\n" \
         "  <XRefDef `<%s\\>See <$paratext\\> <%s\\><$pagenum\\>'>\n > # end of XRefFormat\n" \
         "> # end of XRefFormats\n", blockTag(4), blockTag(5) > f
  printf "<Document \n <DMathVariables `'>\n> # end of Document\n" > f
  printf "<Tbls \n <Tbl \n  <TblID 1>\n  <TblTag `Format A'>\n  <TblNumColumns 2>\n" \
         "  <TblColumnWidth  150.0 pt>\n  <TblColumnWidth  300.0 pt>\n  <TblH \n   <Row \n" > f
  cell(f, "CellHeading", "Name")
  cell(f, "CellHeading", "Meaning")
  printf "   > # end of Row\n  > # end of TblH\n  <TblBody \n" > f
  for (r = 1; r <= 20; r++) {
    printf "   <Row \n" > f
    cell(f, "CellBody", text(12))
    cell(f, "CellBody", text(60))
    printf "   > # end of Row\n" > f
  }
  printf "  > # end of TblBody\n > # end of Tbl\n> # end of Tbls\n" > f
  printf "<Page \n <PageType BodyPage>\n <PageSize  612.0 pt 792.0 pt>\n <TextRect \n  <ID 2>\n" \
         "  <ShapeRect  72.0 pt 72.0 pt 468.0 pt 648.0 pt>\n  <TRNumColumns 1>\n" \
         " > # end of TextRect\n> # end of Page\n" > f
  printf "<TextFlow \n <TFTag `A'>\n <TFAutoConnect Yes>\n <Notes \n" > f
  notes = 0
  for (p = 10; p <= paras; p += 10) {
    notes++
    printf "  <FNote \n   <ID %d>\n   <Para \n    <PgfTag `Footnote'>\n    <ParaLine \n" \
           "     <String `%s'>\n    > # end of ParaLine\n   > # end of Para\n  > # end of FNote\n", \
           100 + notes, text(80) > f
    total += 80
  }
  printf " > # end of Notes\n" > f
  para(f, "Heading1", 30, 2)
  notes = 0
  for (p = 1; p <= paras; p++) {
    para(f, p % 7 == 0 ? "Numbered" : "Body", 362, 0)
    if (p % 10 == 0) {
      notes++
      printf " <Para \n  <PgfTag `Body'>\n  <ParaLine \n   <String `See the note.'>\n" \
             "   <FNote %d>\n  > # end of ParaLine\n > # end of Para\n", 100 + notes > f
      total += 13
    }
    if (p == int((paras + 1) / 2)) {
      printf " <Para \n  <PgfTag `Body'>\n  <ParaLine \n   <ATbl 1>\n  > # end of ParaLine\n > # end of Para\n" > f
    }
  }
  printf "> # end of TextFlow\n# End of MIFFile\n" > f
  close(f)
}
