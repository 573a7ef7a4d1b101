// Writing a MIF paragraph whose font changes all changed: the writer places
// every one anew, so its time per change must not grow with their number.
#include <benchmark/benchmark.h>

#include <string>

#include "client/host_lists.h"
#include "memhost/mem_host.h"
#include "mif/mif_document.h"

namespace {

// One paragraph of `changes` font changes, every other one a tag with a
// weight set by hand, the others back to no tag.
std::string ManyChanges(int changes) {
  std::string t =
      "<MIFFile 2015>\n<PgfCatalog <Pgf <PgfTag `Body'> <PgfFont <FSize 10.0 pt>>>>\n"
      "<FontCatalog <Font <FTag `Emphasis'> <FAngle `Italic'>>>\n"
      "<TextFlow <TFTag `A'>\n <Para <PgfTag `Body'>\n  <ParaLine\n";
  for (int i = 0; i < changes / 2; ++i) {
    t += "   <Font <FTag `Emphasis'> <FWeight `Bold'>>\n   <String `ab'>\n"
         "   <Font <FTag `'>>\n   <String `cd'>\n";
  }
  return t + "  >\n >\n>\n";
}

void BM_WriteRefontedParagraph(benchmark::State& state) {
  memhost::DocStore host;
  memhost::MemHost api(&host);
  MifDocument source;
  source.file = "changes.mif";
  MifError error;
  ObjHandle doc = 0;
  if (!MifParse(ManyChanges(static_cast<int>(state.range(0))), source.file, &source.tree, &error) ||
      !MifLoadDocumentTree(host, source.file, &source, &doc, &error)) {
    state.SkipWithError(MifErrorText(error).c_str());
    return;
  }
  // Every other run of "ab" loses the weight set by hand: the paragraph's
  // runs differ from what was read, so its font changes are placed anew.
  ObjHandle flow = static_cast<ObjHandle>(host.IntProp(doc, PROP_MAIN_FLOW_IN_DOC));
  ObjHandle pgf = host.FirstPgfOf(flow);
  PropVals values = PropValsAllocate(1);
  values.val[0].propIdent.num = PROP_FONT_WEIGHT;
  values.val[0].propVal.valType = VT_INT;
  values.val[0].propVal.u.ival = 0;
  for (int32_t k = 0; k < state.range(0) * 2; k += 8) {
    api.SetTextProps(doc, TextRange{{pgf, k}, {pgf, k + 2}}, &values);
  }
  PropValsFree(&values);
  for (auto _ : state) {
    std::string text;
    MifWriteDocument(host, doc, &source, &text, &error);
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["changes"] = static_cast<double>(state.range(0));
  state.counters["ns_per_change"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_WriteRefontedParagraph)
    ->Arg(2000)
    ->Arg(8000)
    ->Arg(32000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
