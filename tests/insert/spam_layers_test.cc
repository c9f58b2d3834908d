// The second round of spam layers apart from the programs: near-copies of
// a campaign's text from several addresses, the count per client network,
// and the proof of work's challenges, their checks and their spending.
#include <gtest/gtest.h>

#include <string>

#include "common/text/sha256.h"
#include "insert/campaign_copies.h"
#include "insert/proof_of_work.h"
#include "insert/recent_submissions.h"
#include "insert/spam_defence.h"
#include "insert/submission_rate.h"

namespace {

ParamList note(const std::string& text) {
  ParamList fields;
  fields.add("name", "Someone", AddMode::Append);
  fields.add("note", text, AddMode::Append);
  return fields;
}

CampaignDigests digests(const std::string& text) {
  return campaignDigests(note(text), "example.org");
}

}  // namespace

TEST(CampaignCopies, NearCopiesFromSeveralAddressesScoreAndOtherTextsDoNot) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> earlier;  // client, text
    std::string text;
    bool campaign;
  } cases[] = {
      {"near-copies from two others",
       {{"192.0.2.1", "Loans today http://x.example/?id=11"},
        {"192.0.2.2", "LOANS  today http://X.example/?id=12345"}},
       "loans today  http://x.example/?id=9",
       true},
      {"the same links under other words",
       {{"192.0.2.1", "Hi there http://x.example/a"}, {"192.0.2.2", "Buy now http://x.example/a"}},
       "Read http://x.example/a",
       true},
      {"one other address only",
       {{"192.0.2.1", "Loans today http://x.example/?id=1"}},
       "Loans today http://x.example/?id=2",
       false},
      {"different texts and links",
       {{"192.0.2.1", "My page http://a.example/"}, {"192.0.2.2", "My blog http://b.example/"}},
       "My shop http://c.example/",
       false},
      {"a changing word is no near-copy",
       {{"192.0.2.1", "Loans today http://x.example/1"},
        {"192.0.2.2", "Loans tomorrow http://y.example/2"}},
       "Loans now http://z.example/3",
       false},
      {"links to the site's own host",
       {{"192.0.2.1", "Is https://www.example.org/item/4 in stock?"},
        {"192.0.2.2", "Is https://www.example.org/item/5 in stock?"}},
       "Is https://www.example.org/item/6 in stock?",
       false},
      {"text without a link", {{"192.0.2.1", "Hello"}, {"192.0.2.2", "Hello"}}, "Hello", false},
      {"a burst of other texts from one client",
       {{"192.0.2.9", "Offer one http://p.example/"}, {"192.0.2.9", "Deal two http://q.example/"}},
       "Sale three http://r.example/",
       true},
  };
  for (const Case& c : cases) {
    CampaignCopies copies(86400);
    long time = 1000;
    for (const auto& [client, text] : c.earlier) copies.note(client, digests(text), time += 300);
    CampaignCopies reread(86400);
    reread.read(copies.text(time));
    EXPECT_EQ(reread.campaign("192.0.2.9", digests(c.text), time + 300), c.campaign) << c.name;
    // Out of the window, nothing counts.
    EXPECT_FALSE(reread.campaign("192.0.2.9", digests(c.text), time + 86400 + 1)) << c.name;
  }
}

TEST(CampaignCopies, TheFileKeepsDigestsAloneAndIsBounded) {
  CampaignCopies copies(86400);
  for (long i = 0; i < static_cast<long>(CampaignCopies::kMaxEntries) + 10; ++i)
    copies.note("192.0.2." + std::to_string(i % 250), digests("Secret words http://x.example/"), i);
  std::string text = copies.text(6000);
  EXPECT_EQ(text.find("Secret"), std::string::npos);
  EXPECT_EQ(text.find("example"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
            static_cast<long>(CampaignCopies::kMaxEntries));
  EXPECT_EQ(digests("Hello, no link here").text, "-");
}

TEST(SubmissionRates, ANetworkIsCountedBesideItsAddresses) {
  List<RateWindow> limits = {RateWindow{5, 60}};
  List<RateWindow> network = {RateWindow{8, 60}};
  SubmissionRates rates(limits, network);
  int admitted = 0;
  for (int i = 0; i < 20; ++i) {
    std::string client = "203.0.113." + std::to_string(i + 1);
    if (rates.full(client, limits, 100) || rates.full("203.0.113.0/24", network, 100)) continue;
    rates.count(client, 100);
    rates.count("203.0.113.0/24", 100);
    ++admitted;
  }
  EXPECT_EQ(admitted, 8);
  EXPECT_DOUBLE_EQ(rates.filled("203.0.113.0/24", network, 100), 1.0);
  EXPECT_DOUBLE_EQ(rates.filled("198.51.100.0/24", network, 100), 0.0);
  SubmissionRates reread(limits, network);
  reread.read(rates.text(100));
  EXPECT_TRUE(reread.full("203.0.113.0/24", network, 159));
  EXPECT_FALSE(reread.full("203.0.113.0/24", network, 160));
  EXPECT_FALSE(reread.full("203.0.113.1", limits, 100));
}

// A key counted again is seen last: the least recently seen keys drop out.
TEST(SubmissionRates, TheFileKeepsTheKeysSeenLast) {
  SubmissionRates rates({RateWindow{5, 600}});
  size_t keys = SubmissionRates::kMaxAddresses + 5;
  for (size_t key = 0; key < keys; ++key) rates.count("k" + std::to_string(key), 1000);
  rates.count("k0", 1001);
  std::string text = rates.text(1001);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
            static_cast<long>(SubmissionRates::kMaxAddresses));
  EXPECT_EQ(text.substr(0, 8), "k6 1000\n");
  EXPECT_EQ(text.substr(text.size() - 13), "k0 1000 1001\n");
  SubmissionRates reread({RateWindow{2, 600}});
  reread.read(text);
  EXPECT_TRUE(reread.full("k0", {RateWindow{2, 600}}, 1001));
}

// Large counts make long lines: the file stays within what is read of it,
// and what drops out is the least recently seen.
TEST(SubmissionRates, TheFileStaysWithinWhatIsReadOfIt) {
  std::string times, text;
  for (int i = 0; i < 200; ++i) times += " " + std::to_string(1700000000 + i);
  for (size_t key = 0; key < SubmissionRates::kMaxAddresses; ++key)
    text += "192.0.2." + std::to_string(key) + times + "\n";
  ASSERT_GT(text.size(), static_cast<size_t>(SubmissionRates::kMaxBytes));
  SubmissionRates rates({RateWindow{300, 86400}});
  rates.read(text);
  std::string written = rates.text(1700001000);
  ASSERT_LE(written.size(), static_cast<size_t>(SubmissionRates::kMaxBytes));
  size_t start = text.size() - written.size();
  EXPECT_EQ(text.substr(start), written);  // the newest lines, whole
  EXPECT_EQ(text[start - 1], '\n');
}

namespace {

template <typename Table>
std::string rewritten(Table table, const std::string& text) {
  table.read(text);
  return table.text(1000);
}

}  // namespace

// The state files are written back line for line as read when a line is as
// they write it, and otherwise as they would have written it.
TEST(SpamStateFiles, ALineIsWrittenBackAsReadOnlyWhenItIsAsWritten) {
  const std::string d = "0123456789abcdef", e = "fedcba9876543210";
  auto rates = [](const std::string& text) {
    return rewritten(SubmissionRates({RateWindow{5, 600}}), text);
  };
  auto recent = [](const std::string& text) { return rewritten(RecentSubmissions(600), text); };
  auto campaigns = [](const std::string& text) { return rewritten(CampaignCopies(600), text); };
  struct Case {
    std::string (*write)(const std::string&);
    std::string read, written;
  } cases[] = {
      {rates, "192.0.2.1 500 600\n", "192.0.2.1 500 600\n"},
      {rates, "192.0.2.1 0500 600 \r\n", "192.0.2.1 500 600\n"},
      {rates, "192.0.2.1 300 600\n192.0.2.2 300\n192.0.2.3 x 600\n",
       "192.0.2.1 600\n192.0.2.3 600\n"},
      {rates, "192.0.2.1 501 502 503 504 505 506\n", "192.0.2.1 501 502 503 504 505\n"},
      {recent, "500 192.0.2.1 " + d + " - a  label\n", "500 192.0.2.1 " + d + " - a  label\n"},
      {recent, "0500 192.0.2.1 " + d + " - L\n300 192.0.2.2 " + d + " - L\n",
       "500 192.0.2.1 " + d + " - L\n"},
      {campaigns, "500 192.0.2.1 " + d + " " + e + "\n", "500 192.0.2.1 " + d + " " + e + "\n"},
      {campaigns,
       "-0500 192.0.2.1 " + d + " " + e + " more\n500 192.0.2.1 " + d + " " + e + " more\n",
       "500 192.0.2.1 " + d + " " + e + "\n"},
      {campaigns, "500 192.0.2.1 0123456789ABCDEF " + e + "\n", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.write(c.read), c.written) << c.read;
    EXPECT_EQ(c.write(c.written), c.written) << c.read;
  }
}

namespace {

constexpr char kKey[] = "0123456789abcdef0123456789abcdef";
constexpr char kSalt[] = "00112233445566778899aabbccddeeff";

// A counter that does the work of `challenge`, as the browser's script finds it.
std::string solved(const ProofChallenge& challenge) {
  for (long counter = 0;; ++counter) {
    if (leadingZeroBits(sha256(challenge.salt + ":" + std::to_string(counter)), challenge.bits))
      return challenge.salt + ":" + std::to_string(challenge.bits) + ":" +
             std::to_string(challenge.expires) + ":" + challenge.signature + ":" +
             std::to_string(counter);
  }
}

std::string withPart(std::string solution, int part, const std::string& value) {
  size_t start = 0;
  for (int i = 0; i < part; ++i) start = solution.find(':', start) + 1;
  size_t end = solution.find(':', start);
  return solution.replace(start, end == std::string::npos ? std::string::npos : end - start, value);
}

}  // namespace

TEST(ProofOfWork, ChallengesAreSignedJsonThatExpires) {
  ProofChallenge challenge = signedChallenge(kKey, kSalt, 8, 1000);
  EXPECT_EQ(challenge.expires, 1000 + 20 * 60);
  EXPECT_EQ(challenge.signature.size(), 64u);
  EXPECT_EQ(challengeJson(challenge), std::string("{\"salt\":\"") + kSalt +
                                          "\",\"bits\":8,\"expires\":2200,\"signature\":\"" +
                                          challenge.signature + "\"}");
  EXPECT_NE(signedChallenge("another key", kSalt, 8, 1000).signature, challenge.signature);
}

TEST(ProofOfWork, SignatureExpiryDifficultyAndWorkAreChecked) {
  ProofChallenge challenge = signedChallenge(kKey, kSalt, 10, 1000);
  std::string good = solved(challenge);
  long counter = std::stol(good.substr(good.rfind(':') + 1));
  struct Case {
    std::string solution;
    long minimumBits;
    long now;
    ProofCheck check;
  } cases[] = {
      {good, 10, 1500, ProofCheck::Valid},
      {"", 10, 1500, ProofCheck::Missing},
      {"not a proof", 10, 1500, ProofCheck::Malformed},
      {good + ":1", 10, 1500, ProofCheck::Malformed},
      {withPart(good, 0, "00112233445566778899AABBCCDDEEFF"), 10, 1500, ProofCheck::Malformed},
      {withPart(good, 4, "-1"), 10, 1500, ProofCheck::Malformed},
      {withPart(good, 1, "20"), 10, 1500, ProofCheck::BadSignature},
      {withPart(good, 2, "99999"), 10, 1500, ProofCheck::BadSignature},
      {withPart(good, 0, "ffffffffffffffffffffffffffffffff"), 10, 1500, ProofCheck::BadSignature},
      {good, 10, 2200, ProofCheck::Expired},
      {good, 12, 1500, ProofCheck::TooEasy},
      {withPart(good, 4, std::to_string(counter + 1)), 10, 1500, ProofCheck::NoWork},
  };
  for (const Case& c : cases)
    EXPECT_EQ(checkProof(c.solution, kKey, c.minimumBits, c.now), c.check) << c.solution;
  EXPECT_EQ(checkProof(good, "another key", 10, 1500), ProofCheck::BadSignature);
}

TEST(ProofOfWork, EachSolutionIsSpentOnceUntilItExpires) {
  SpentProofs spent;
  EXPECT_TRUE(spent.spend(kSalt, 2200, 1500));
  EXPECT_FALSE(spent.spend(kSalt, 2200, 1500));
  SpentProofs reread;
  reread.read(spent.text(1500));
  EXPECT_FALSE(reread.spend(kSalt, 2200, 1500));
  reread.read(spent.text(2200));  // expired: no longer worth keeping
  EXPECT_TRUE(reread.spend(kSalt, 2200, 2200));
}

// A flood of fresh solutions must not push a live one out of the store,
// or two sets of them could be replayed in turn until they expire; a full
// store takes no more until its entries expire.
TEST(ProofOfWork, AFullStoreForgetsNoLiveSolution) {
  std::string full = std::string("2200 ") + kSalt + "\n";
  for (size_t i = 1; i < SpentProofs::kMaxSpent; ++i) full += "2200 " + std::to_string(i) + "\n";
  SpentProofs spent;
  spent.read(full);
  EXPECT_FALSE(spent.spend("one more", 2200, 1500));
  SpentProofs reread;
  reread.read(spent.text(1500));
  EXPECT_FALSE(reread.spend(kSalt, 2200, 1500));
  EXPECT_TRUE(reread.spend("one more", 2300, 2200));
}

TEST(ProofOfWork, AMissingProofScoresAndQuarantinesAtTheThreshold) {
  SpamOptions options;
  options.proofBits = 18;
  SpamSignals signals;
  signals.proofFailed = true;
  SpamJudgement held = judgeSpam(note("Hello"), options, ContentRules{}, signals);
  EXPECT_EQ(held.reason, "score 3: proof of work 3");
  EXPECT_EQ(held.layers, List<std::string_view>{"proof_of_work"});
  options.powScore = 2;
  SpamJudgement scored = judgeSpam(note("Hello"), options, ContentRules{}, signals);
  EXPECT_TRUE(scored.reason.empty());
  EXPECT_EQ(scored.points, 2);
  signals.proofFailed = false;
  EXPECT_EQ(judgeSpam(note("Hello"), options, ContentRules{}, signals).points, 0);
}
