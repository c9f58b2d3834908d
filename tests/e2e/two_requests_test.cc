// Two requests answered side by side in one process: each application object
// is built from its own context (variables, streams, traits) and the two are
// interleaved, construction and work; each answer, and what each stored,
// must equal a fresh process's byte for byte. Nothing of one request may
// reach the other through the environment or a static.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/access/admin_access.h"
#include "common/cgi/request_ended.h"
#include "insert/submit_application.h"
#include "show/show_application.h"
#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

void layOut(const TestHome& home, const std::string& language) {
  home.write("kalder.ini", "[GENERAL]\npassword=Secret\n[LANGUAGES]\nslo=" + language +
                               "\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  home.write("shop.grp", "vars=CDT\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n");
  home.write("orders.dat", "&LABEL==Q-41\n&FORMID==order\nname==Old\n\n");
  home.write("order.msg", "Stored <var &label> from <var &HTTP_USER_AGENT>.\n");
}

// One request's context: its variables, a body file and an output file.
class Request {
 public:
  Request(const Environment& environment, const std::string& body, const ProgramTraits& traits)
      : input_(std::tmpfile()), output_(std::tmpfile()) {
    std::fwrite(body.data(), 1, body.size(), input_);
    std::rewind(input_);
    for (const auto& [name, value] : environment) context_.variables.set(name, value);
    context_.streams = CgiStreams{input_, output_};
    context_.program = traits;
  }
  ~Request() {
    std::fclose(input_);
    std::fclose(output_);
  }
  const RequestContext& context() const { return context_; }
  std::string output() const {
    std::fflush(output_);
    std::string text;
    std::rewind(output_);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, output_)) > 0;) text.append(buffer, n);
    return text;
  }

 private:
  std::FILE* input_;
  std::FILE* output_;
  RequestContext context_;
};

template <typename Work>
void endsRequest(Work work) {
  try {
    work();
  } catch (const RequestEnded&) {
  }
}

TEST(TwoRequests, InterleavedInOneProcessAnswerAsFreshProcessesDo) {
  TestHome viewed, stored, viewedFresh, storedFresh;
  for (const TestHome* home : {&viewed, &viewedFresh}) layOut(*home, "utf8,UTF-8");
  for (const TestHome* home : {&stored, &storedFresh}) layOut(*home, "windows-1250,windows-1250");
  const std::string viewBody = "password=Secret";
  const std::string storeBody = "name=%C5%BDiga&note=two%0D%0Alines";
  auto viewEnvironment = [&](const TestHome& home) {
    Environment env =
        postEnvironment(home.path(), "show", "shop", "catalog=orders&language=slo", viewBody);
    env["REMOTE_ADDR"] = "192.0.2.8";
    return env;
  };
  auto storeEnvironment = [&](const TestHome& home) {
    Environment env = postEnvironment(home.path(), "insert", "shop", "formid=order", storeBody);
    env["HTTP_USER_AGENT"] = "Agent/2";
    return env;
  };
  ProgramTraits insertTraits;
  insertTraits.offersJson = true;
  insertTraits.deferMultipartBodies = true;

  Request view(viewEnvironment(viewed), viewBody, adminProgramTraits(""));
  Request store(storeEnvironment(stored), storeBody, insertTraits);
  endsRequest([&] {
    ShowApplication viewer(view.context());
    endsRequest([&] {
      SubmitApplication submission(store.context());
      viewer.run();
      submission.runSubmission();
      submission.finish();
    });
    viewer.finish();
  });

  CgiResult viewFresh = runCgi(programPath("show"), viewEnvironment(viewedFresh), viewBody);
  CgiResult storeFresh = runCgi(programPath("insert"), storeEnvironment(storedFresh), storeBody);
  EXPECT_NE(view.output().find("Q-41"), std::string::npos) << view.output();
  EXPECT_EQ(view.output(), viewFresh.output);
  EXPECT_EQ(store.output(), storeFresh.output);
  EXPECT_NE(store.output().find("Stored Q-42 from Agent/2."), std::string::npos) << store.output();
  EXPECT_EQ(stored.read("orders.dat"), storedFresh.read("orders.dat"));
  EXPECT_EQ(viewed.read("orders.dat"), viewedFresh.read("orders.dat"));
}

}  // namespace
