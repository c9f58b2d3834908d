// Decoding a request with 100,000 fields through parseParams alone, and the
// whole CgiRequest constructor reading a body of 10,000 fields (the most it
// accepts) from a file as a web server hands it over. Also a body that
// repeats one name throughout.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "common/cgi/cgi_request.h"
#include "common/cgi/cgi_streams.h"
#include "common/text/param_list.h"

namespace {

constexpr int kFields = 100000;

// "field0=value+0%21&field1=value+1%21&..." with distinct names.
std::string distinctFields(int count = kFields) {
  std::string body;
  for (int i = 0; i < count; ++i)
    body.append("field")
        .append(std::to_string(i))
        .append("=value+")
        .append(std::to_string(i))
        .append("%21&");
  return body;
}

// The same name every time: one entry with 99,999 further values.
std::string repeatedField() {
  std::string body;
  for (int i = 0; i < kFields; ++i) body.append("item=").append(std::to_string(i)).append("&");
  return body;
}

void parseBody(benchmark::State& state, const std::string& body) {
  for (auto _ : state) {
    ParamList list;
    parseParams(body, '&', list);
    benchmark::DoNotOptimize(list.size());
  }
  state.SetItemsProcessed(state.iterations() * kFields);
  state.SetBytesProcessed(state.iterations() * static_cast<long>(body.size()));
}

void BM_ParseParamsDistinct(benchmark::State& state) { parseBody(state, distinctFields()); }
void BM_ParseParamsRepeated(benchmark::State& state) { parseBody(state, repeatedField()); }

// The constructor as a web server runs it: environment, body on the input
// stream, header written to the output stream.
void BM_CgiRequestPost(benchmark::State& state) {
  const int fields = static_cast<int>(CgiRequest::kLimits.items);
  std::string body = distinctFields(fields);
  std::FILE* input = std::tmpfile();
  std::FILE* output = std::fopen("/dev/null", "w");
  std::fwrite(body.data(), 1, body.size(), input);
  setenv("REQUEST_METHOD", "POST", 1);
  setenv("QUERY_STRING", "language=slo", 1);
  setenv("CONTENT_LENGTH", std::to_string(body.size()).c_str(), 1);
  setenv("KALDERHOME", "/tmp/", 1);
  setenv("SCRIPT_NAME", "/cgi-bin/insert.exe", 1);
  cgiStreams().input = input;
  cgiStreams().output = output;
  for (auto _ : state) {
    std::rewind(input);
    CgiRequest request("text/html", "KALDERHOME");
    if (request.postParams().size() != static_cast<size_t>(fields))
      state.SkipWithError("lost fields");
    benchmark::DoNotOptimize(request.postParams().size());
  }
  cgiStreams().input = stdin;
  cgiStreams().output = stdout;
  std::fclose(input);
  std::fclose(output);
  state.SetItemsProcessed(state.iterations() * fields);
}

}  // namespace

BENCHMARK(BM_ParseParamsDistinct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseParamsRepeated)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CgiRequestPost)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
