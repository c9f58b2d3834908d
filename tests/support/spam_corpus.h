// A deterministic corpus of form submissions for the spam defences: people
// (names, addresses, notes in English and Slovenian, some with one link,
// some posted in cp1250, a few behind one shared address, the odd second
// click) and bots (a filled honeypot, bursts from one address, link-stuffed
// text, one text from changing addresses, other scripts, link markup), in
// time order, and the defences' verdict on each as insert reaches it.
// Header-only: the corpus test and the benchmark share it.
#pragma once

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/access/address_storage.h"
#include "common/access/client_address.h"
#include "common/text/param_list.h"
#include "insert/campaign_copies.h"
#include "insert/recent_submissions.h"
#include "insert/spam_defence.h"
#include "insert/spam_score.h"
#include "insert/submission_rate.h"

struct CorpusSubmission {
  bool bot = false;
  const char* kind = "person";
  long time = 0;  // seconds from the start
  std::string address;
  ParamList fields;
};

enum class Verdict { Stored, Duplicate, Quarantined, Refused };

// The group's options of the corpus: the defences of `lines`, with the
// defaults. The first round's defences, and every one that needs no script
// in the visitor's browser.
inline const std::vector<const char*> kFirstRoundDefences = {
    "honeypot=website", "rateLimit=on",        "duplicateWindow=on",
    "spamRules=on",     "numericFields=phone", "blockedWordsFile=blocked.txt"};
// Every defence that needs neither a script in the browser nor words
// chosen for the corpus.
inline const std::vector<const char*> kEveryDefence = {"honeypot=website",   "rateLimit=on",
                                                       "duplicateWindow=on", "spamRules=on",
                                                       "campaignWindow=on",  "rateLimitNetwork=on"};

inline SpamOptions corpusOptions(const std::vector<const char*>& lines = kEveryDefence) {
  SpamOptions options;
  for (const char* line : lines) {
    std::string text(line);
    size_t equals = text.find('=');
    readSpamOption(text.substr(0, equals), text.substr(equals + 1), options);
  }
  return options;
}

// The rules of `options`; the blocked words file, when named, holds a few
// words of the first corpus's bots and people.
inline ContentRules corpusRules(const SpamOptions& options) {
  List<Text> words;
  if (!options.blockedWordsFile.empty())
    words = readBlockedWords("casino\nviagra\ncheap pills\ncrypto investment\n");
  return ContentRules{words, options.numericFields, options.emptyFields};
}

// The host of the corpus's own site, which people link to.
inline constexpr char kCorpusHost[] = "example.org";

// The defences' state over a run of the corpus, as the files would hold it,
// and how many submissions each layer stopped or scored.
class CorpusDefences {
 public:
  explicit CorpusDefences(const std::vector<const char*>& lines = kEveryDefence)
      : options_(corpusOptions(lines)),
        rules_(corpusRules(options_)),
        networkLimits_(networkRateLimits(options_)),
        rates_(options_.rateLimits, networkLimits_),
        recent_(options_.duplicateSeconds),
        campaigns_(options_.campaignSeconds) {}

  Verdict judge(const CorpusSubmission& s) {
    std::string client = clientKey(s.address).str();
    std::string network = addressNetwork(s.address).str();
    if (rates_.full(client, options_.rateLimits, s.time)) return stopped("rate_limit");
    if (!networkLimits_.empty() && rates_.full(network, networkLimits_, s.time))
      return stopped("rate_limit_network");
    rates_.count(client, s.time);
    if (!networkLimits_.empty()) rates_.count(network, s.time);
    Text digest = contentDigest("order", s.fields);
    if (options_.duplicateSeconds > 0 &&
        !recent_.earlierLabel(client, digest.view(), s.time).empty()) {
      ++layers_["duplicate"];
      return Verdict::Duplicate;
    }
    Text textDigest = linkTextDigest(s.fields);
    CampaignDigests campaign = campaignDigests(s.fields, kCorpusHost);
    SpamSignals signals;
    if (options_.duplicateSeconds > 0)
      signals.otherAddresses = recent_.otherAddresses(client, textDigest.view(), s.time);
    if (options_.campaignSeconds > 0) {
      signals.campaign = campaigns_.campaign(client, campaign, s.time);
      campaigns_.note(client, campaign, s.time);
    }
    SpamJudgement judgement = judgeSpam(s.fields, options_, rules_, signals);
    for (std::string_view layer : judgement.layers) ++layers_[std::string(layer)];
    recent_.note(client, digest.view(), textDigest.view(), "L" + std::to_string(++labels_), s.time);
    return judgement.reason.empty() ? Verdict::Stored : Verdict::Quarantined;
  }

  const std::map<std::string, int>& layers() const { return layers_; }

 private:
  Verdict stopped(const char* layer) {
    ++layers_[layer];
    return Verdict::Refused;
  }

  SpamOptions options_;
  ContentRules rules_;
  List<RateWindow> networkLimits_;
  SubmissionRates rates_;
  RecentSubmissions recent_;
  CampaignCopies campaigns_;
  std::map<std::string, int> layers_;
  long labels_ = 0;
};

// The shares of one run of a corpus.
struct CorpusFigures {
  int people = 0, bots = 0, peopleRefused = 0, peopleHeld = 0, botsStopped = 0;
  std::map<std::string, int> layers;
  std::map<std::string, std::pair<int, int>> botKinds;  // stopped, all

  double botsStoppedShare() const { return 100.0 * botsStopped / bots; }
  double peopleHeldShare() const { return 100.0 * peopleHeld / people; }
};

inline CorpusFigures runCorpus(const std::vector<CorpusSubmission>& corpus,
                               const std::vector<const char*>& lines = kEveryDefence) {
  CorpusDefences defences(lines);
  CorpusFigures figures;
  for (const CorpusSubmission& s : corpus) {
    Verdict verdict = defences.judge(s);
    if (s.bot) {
      ++figures.bots;
      figures.botsStopped += verdict != Verdict::Stored;
      auto& kind = figures.botKinds[s.kind];
      kind.first += verdict != Verdict::Stored;
      ++kind.second;
    } else {
      ++figures.people;
      figures.peopleRefused += verdict == Verdict::Refused;
      figures.peopleHeld += verdict == Verdict::Quarantined;
    }
  }
  figures.layers = defences.layers();
  return figures;
}

class CorpusGenerator {
 public:
  explicit CorpusGenerator(unsigned seed) : random_(seed) {}

  std::vector<CorpusSubmission> generate(int people, int bots) {
    std::vector<CorpusSubmission> all;
    addPeople(all, people);
    addBots(all, bots);
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.time < b.time; });
    return all;
  }

 private:
  static constexpr long kSpan = 3 * 86400;  // three days

  template <typename T>
  const T& pick(const std::vector<T>& list) {
    return list[std::uniform_int_distribution<size_t>(0, list.size() - 1)(random_)];
  }
  int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
  std::string address() {
    return "10." + std::to_string(number(0, 255)) + "." + std::to_string(number(0, 255)) + "." +
           std::to_string(number(1, 254));
  }

  // Slovenian letters as UTF-8, or as the cp1250 bytes a form in that
  // charset posts.
  static std::string slovenian(std::string text, bool cp1250) {
    const std::pair<const char*, const char*> letters[] = {
        {"\xC4\x8D", "\xE8"}, {"\xC5\xA1", "\x9A"}, {"\xC5\xBE", "\x9E"}, {"\xC4\x8C", "\xC8"}};
    if (!cp1250) return text;
    for (const auto& [utf8, single] : letters) {
      for (size_t at; (at = text.find(utf8)) != std::string::npos;)
        text.replace(at, std::string(utf8).size(), single);
    }
    return text;
  }

  ParamList personFields(bool cp1250) {
    static const std::vector<std::string> first = {"Ana",
                                                   "Mojca",
                                                   "\xC5\xBDiga",
                                                   "Matej",
                                                   "Sara",
                                                   "John",
                                                   "Emily",
                                                   "Luka",
                                                   "Ne\xC5\xBE"
                                                   "a",
                                                   "Primo\xC5\xBE",
                                                   "Mary",
                                                   "David",
                                                   "Tja\xC5\xA1\x61",
                                                   "Jure",
                                                   "Katarina"};
    static const std::vector<std::string> last = {"Novak",
                                                  "Horvat",
                                                  "Kova\xC4\x8Di\xC4\x8D",
                                                  "Krajnc",
                                                  "Smith",
                                                  "Brown",
                                                  "Zupan\xC4\x8Di\xC4\x8D",
                                                  "Poto\xC4\x8Dnik",
                                                  "Mlakar",
                                                  "Johnson",
                                                  "Vidmar",
                                                  "Kos"};
    static const std::vector<std::string> streets = {
        "Cankarjeva 5",       "Pre\xC5\xA1\x65rnova 12",     "Main Street 44",
        "Trubarjeva 3",       "\xC5\xA0ubi\xC4\x8D\x65va 7", "Oak Road 9",
        "Celov\xC5\xA1ka 120"};
    static const std::vector<std::string> cities = {"Ljubljana", "Maribor", "Celje",     "Koper",
                                                    "Kranj",     "London",  "Novo mesto"};
    static const std::vector<std::string> notes = {
        "Please deliver before noon.",
        "Prosim, dostavite dopoldne.",
        "I would like two copies of the catalogue.",
        "\xC5\xBD"
        "elim dva izvoda kataloga.",
        "Call me if anything is unclear.",
        "Pokli\xC4\x8Dite me, \xC4\x8D"
        "e kaj ni jasno.",
        "Thank you for the quick reply last time!",
        "Hvala za hiter odgovor.",
        "Is the blue one still available in size M?",
        "Ali je modra \xC5\xA1\x65 na voljo v velikosti M?",
        "",
        "We are a school class of 24 pupils and would like to visit in May.",
        "Sem iz Kranja, ra\xC4\x8Dun po\xC5\xA1ljite na podjetje."};
    ParamList fields;
    std::string name = pick(first) + " " + pick(last);
    fields.add("name", slovenian(name, cp1250), AddMode::Append);
    fields.add("street", slovenian(pick(streets), cp1250), AddMode::Append);
    fields.add("city", pick(cities), AddMode::Append);
    fields.add("email", "person" + std::to_string(number(1, 99999)) + "@example.org",
               AddMode::Append);
    std::string phone =
        chance(0.5)
            ? "+386 " + std::to_string(number(1, 7)) + " " + std::to_string(number(100, 999)) +
                  " " + std::to_string(number(1000, 9999))
            : "0" + std::to_string(number(30, 70)) + "/" + std::to_string(number(100000, 999999));
    fields.add("phone", chance(0.6) ? phone : "", AddMode::Append);
    std::string note = pick(notes);
    if (chance(0.15)) note += " See https://www.example.org/item/" + std::to_string(number(1, 500));
    fields.add("note", slovenian(note, cp1250), AddMode::Append);
    fields.add("website", "", AddMode::Append);
    return fields;
  }

  void addPeople(std::vector<CorpusSubmission>& all, int count) {
    long sharedTime = number(0, kSpan / 2);
    for (int i = 0; i < count; ++i) {
      CorpusSubmission s;
      s.time = number(0, kSpan);
      s.address = address();
      if (i % 25 == 0) {  // an office behind one address, minutes apart
        sharedTime += number(180, 600);
        s.time = sharedTime;
        s.address = "192.0.2.200";
      }
      s.fields = personFields(chance(0.1));
      // The rare person a rule catches: autofill in the hidden field, a
      // blocked word meant innocently, a phone "extension 12".
      if (i % 500 == 7) s.fields.add("website", "https://my-homepage.example", AddMode::Replace);
      if (i % 400 == 11) s.fields.add("note", "We met at the casino hotel.", AddMode::Replace);
      if (i % 600 == 13) s.fields.add("phone", "01 234 5678 extension 12", AddMode::Replace);
      all.push_back(s);
      if (i % 40 == 5) {  // a second click on the button
        CorpusSubmission again = s;
        again.time += number(1, 30);
        all.push_back(again);
        ++i;
      }
    }
  }

  std::string spamText(int links) {
    static const std::vector<std::string> pitches = {
        "Best prices on watches", "Make money from home", "SEO services for your site",
        "Hot singles near you",   "Buy followers fast",   "Limited offer today only"};
    std::string text = pick(pitches) + " " + std::to_string(number(1, 100000));
    for (int i = 0; i < links; ++i)
      text += " http://spam" + std::to_string(number(1, 999)) + ".example/p" + std::to_string(i);
    return text;
  }

  CorpusSubmission bot(long time, const std::string& address, const std::string& note) {
    CorpusSubmission s;
    s.bot = true;
    s.time = time;
    s.address = address;
    s.fields.add("name", "user" + std::to_string(number(1, 99999)), AddMode::Append);
    s.fields.add("email", "bot" + std::to_string(number(1, 99999)) + "@mail.example",
                 AddMode::Append);
    s.fields.add("note", note, AddMode::Append);
    s.fields.add("website", "", AddMode::Append);
    return s;
  }

  void addBots(std::vector<CorpusSubmission>& all, int count) {
    static const std::vector<std::string> foreign = {
        "\xD0\x9A\xD1\x83\xD0\xBF\xD0\xB8\xD1\x82\xD0\xB5 "
        "\xD0\xB4\xD0\xB5\xD1\x88\xD0\xB5\xD0\xB2\xD0\xBE",
        "\xE4\xBE\xBF\xE5\xAE\x9C\xE7\x9A\x84\xE6\x89\x8B\xE8\xA1\xA8",
        "&#1050;&#1091;&#1087;&#1080;&#1090;&#1077; &#1089;&#1077;&#1081;&#1095;&#1072;&#1089;",
        "\xD8\xA7\xD8\xB4\xD8\xAA\xD8\xB1 \xD8\xA7\xD9\x84\xD8\xA2\xD9\x86"};
    int made = 0;
    const char* kind = "honeypot";
    auto add = [&](CorpusSubmission s) {
      s.kind = kind;
      if (made++ < count) all.push_back(s);
    };
    for (int i = 0; i < count / 5; ++i) {  // the honeypot filled
      CorpusSubmission s = bot(number(0, kSpan), address(), spamText(number(0, 1)));
      s.fields.add("website", "http://spam.example", AddMode::Replace);
      s.kind = "honeypot";
      add(s);
    }
    kind = "burst";
    for (int burst = 0; burst < 4; ++burst) {  // bursts: 50 in a minute from one address
      long start = number(0, kSpan);
      std::string from = address();
      for (int i = 0; i < count / 20; ++i)
        add(bot(start + i * 6 / 5, from, spamText(number(1, 2))));
    }
    kind = "links";
    for (int i = 0; i < count / 5; ++i)  // link-stuffed
      add(bot(number(0, kSpan), address(), spamText(number(4, 15))));
    kind = "repeated";
    for (int wave = 0; wave < 3; ++wave) {  // one text from changing addresses
      long start = number(0, kSpan);
      std::string text = spamText(1);
      for (int i = 0; i < count / 20; ++i) add(bot(start + i * 10, address(), text));
    }
    kind = "script";
    for (int i = 0; i < count * 3 / 20; ++i)  // other scripts
      add(bot(number(0, kSpan), address(), pick(foreign) + " " + spamText(number(0, 1))));
    kind = "markup";
    for (int i = 0; made < count; ++i) {  // link markup
      std::string markup = i % 2 ? "<a href=\"http://spam.example\">cheap</a>"
                                 : "[url=http://spam.example]cheap[/url]";
      add(bot(number(0, kSpan), address(), markup));
    }
  }

  std::mt19937 random_;
};
