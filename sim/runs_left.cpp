#include "sim/runs_left.h"

#include "mif/mif_document.h"
#include "sim/host_text.h"
#include "sim/run_names.h"

const char kRunsLeftHeading[] = "Runs Left As They Were:";

namespace {

// "\"text\" (no character tag)", "\"text...\" (character tag \"Code\")":
// the text (cut: only its beginning) and the tag.
bool ParseItem(const std::string& item, std::string* text, bool* cut, std::string* tag) {
  size_t close = item.rfind("\" (");
  if (item.empty() || item[0] != '"' || close == std::string::npos || close < 1) return false;
  *text = item.substr(1, close - 1);
  *cut = text->size() >= 3 && text->compare(text->size() - 3, 3, "...") == 0;
  if (*cut) text->resize(text->size() - 3);
  std::string rest = item.substr(close + 3);
  const std::string tagged = "character tag \"";
  tag->clear();
  if (rest.compare(0, tagged.size(), tagged) == 0 && rest.size() >= tagged.size() + 2) {
    *tag = rest.substr(tagged.size(), rest.size() - tagged.size() - 2);
  } else if (rest != "no character tag)") {
    return false;
  }
  return true;
}

const Input* InputTitled(const RunInputs& I, const std::string& title) {
  for (const auto& in : I.inputs) {
    if (Readable(BaseName(in->hostName)) == title) return in.get();
  }
  return nullptr;
}

// The lines of the file whose text holds `text`, so tagged, where a run
// starts; a run that was not cut ends there too or at a change of tag.
std::vector<int32_t> LinesOf(const MifDocument& source, const std::string& text, bool cut,
                             const std::string& tag) {
  std::vector<int32_t> lines;
  for (size_t i = 0; i < source.paras.size(); ++i) {
    const MifRecordRunList runs = MifRecordRuns(source, source.paras[i]);
    const std::string_view paraText = MifRecordText(source, source.paras[i]);
    for (size_t r = 0; r < runs.size(); ++r) {
      const MifParaRecord::Run& run = runs[r];
      if (Readable(source.runProps[run.props].props.tag) != tag) continue;
      size_t end = r + 1 < runs.size() ? static_cast<size_t>(runs[r + 1].offset) : paraText.size();
      std::string shown = Readable(std::string(
          paraText.substr(static_cast<size_t>(run.offset), end - static_cast<size_t>(run.offset))));
      bool holds = cut ? shown.compare(0, text.size(), text) == 0 : shown == text;
      if (!holds) continue;
      int32_t line = MifLineOfText(source, i, run.offset);
      if (line > 0 && (lines.empty() || lines.back() != line)) lines.push_back(line);
    }
  }
  return lines;
}

}  // namespace

std::vector<RunLeft> RunsLeft(const OutputDocument& output, const RunInputs& I) {
  std::vector<RunLeft> out;
  for (const OutputSection& section : output.sections) {
    const Input* in = InputTitled(I, section.title);
    for (const OutputList& list : section.lists) {
      if (list.heading != kRunsLeftHeading) continue;
      for (const std::string& item : list.items) {
        RunLeft left{in != nullptr ? in->file : section.title, {}, item};
        std::string text;
        std::string tag;
        bool cut = false;
        // A chapter read again from its saved copy has that copy's lines.
        if (in != nullptr && !in->sourceIsSaved && ParseItem(item, &text, &cut, &tag)) {
          left.lines = LinesOf(in->source, text, cut, tag);
        }
        out.push_back(left);
      }
    }
  }
  return out;
}

std::string RunLeftLine(const RunLeft& left) {
  std::string where = left.file;
  for (size_t i = 0; i < left.lines.size(); ++i) {
    where += (i == 0 ? ":" : ", ") + std::to_string(left.lines[i]);
  }
  return where + ": left as it was: " + left.run;
}
