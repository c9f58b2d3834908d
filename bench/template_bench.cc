// How long expandTemplate takes over a large answer page: 1 MB of HTML with
// 10,000 var tags, taken from posted fields and from group variables (whose
// text is scanned again), and a page of conditional sections.
#include <benchmark/benchmark.h>

#include <string>

#include "common/language/language.h"
#include "common/template/template.h"

namespace {

// About 1 MB: lines of HTML with a tag every ~100 bytes.
std::string makePage(const char* tag, int tags) {
  std::string page;
  const std::string filler =
      "<p class=\"row\">Some text of the answer page, with <b>markup</b> and some more words: ";
  for (int i = 0; i < tags; ++i) {
    page += filler;
    page += tag;
    page += "</p>\n";
  }
  return page;
}

void expandPage(benchmark::State& state, const char* tag) {
  ParamList posted, group, variables;
  posted.add("name", "Ana <Novak>", AddMode::Append);
  group.add("shop", "The corner shop", AddMode::Append);
  variables.add("&label", "ORD-17", AddMode::Append);
  TemplateOptions options;
  options.postedFields = &posted;
  options.escapePosted = true;
  const std::string page = makePage(tag, 10000);
  for (auto _ : state) {
    Text text(page);
    TemplateScopes scopes{&posted, &group, &variables};
    expandTemplate(text, scopes, "", kEnglish, kLanguages[0].dateFormat, kLanguages[0].timeFormat,
                   options);
    benchmark::DoNotOptimize(text);
  }
  state.counters["page_bytes"] = static_cast<double>(page.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
}

void BM_PostedVars(benchmark::State& state) { expandPage(state, "<var name>"); }
void BM_GroupVars(benchmark::State& state) { expandPage(state, "<var shop>"); }
void BM_Conditions(benchmark::State& state) {
  expandPage(state, "<if name>yes <var &label><else>no</if>");
}
void BM_Macros(benchmark::State& state) {
  expandPage(state, "<macrodef m>[#1 #2]</macrodef><macro m <var name> <var shop>>");
}

}  // namespace

BENCHMARK(BM_PostedVars)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupVars)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Conditions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Macros)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
