// A second corpus of form submissions, kept apart from the one the rules
// were tuned on (spam_corpus.h): people who write their own sentences (some
// link the site's products, a few another site; offices and mobile networks
// share addresses and networks; IPv6 visitors; second clicks) and the bots
// that passed the first round: a campaign that drips the same text with a
// changing link from a new address every few minutes, a burst from one
// address that keeps inside the rate limit, addresses rotating within one
// /24, besides the honeypot, link stuffing, markup and other scripts.
// Simulated time over three days. Header-only: the corpus test and the
// benchmark share it.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "support/spam_corpus.h"

class HeldApartCorpus {
 public:
  explicit HeldApartCorpus(unsigned seed) : random_(seed) {}

  std::vector<CorpusSubmission> generate(int people, int bots) {
    std::vector<CorpusSubmission> all;
    addPeople(all, people);
    addBots(all, bots);
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.time < b.time; });
    return all;
  }

 private:
  static constexpr long kSpan = 3 * 86400;

  int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
  template <typename T>
  const T& pick(const std::vector<T>& list) {
    return list[static_cast<size_t>(number(0, static_cast<int>(list.size()) - 1))];
  }
  std::string n(int low, int high) { return std::to_string(number(low, high)); }
  std::string address() { return "172." + n(16, 31) + "." + n(0, 255) + "." + n(1, 254); }
  std::string ipv6() { return "2001:db8:" + n(1, 999) + ":" + n(1, 99) + "::" + n(1, 9999); }

  // A sentence a person writes: several parts picked apart, so two people
  // rarely write the same note.
  std::string personNote() {
    static const std::vector<std::string> openings = {
        "Hello,", "Hi!", "Dober dan,", "Pozdravljeni,", "Good morning.", "", "Dear team,"};
    static const std::vector<std::string> asks = {"I would like to order",
                                                  "Please send me",
                                                  "Rada bi naro\xC4\x8Dila",
                                                  "Could you reserve",
                                                  "\xC5\xBD"
                                                  "elim",
                                                  "We need",
                                                  "Can I still get"};
    static const std::vector<std::string> things = {
        "two copies of the spring catalogue",  "the blue jacket in size L",
        "tri vstopnice za sobotno predstavo",  "a table for six on Friday",
        "the brochure about the hiking trips", "ponudbo za skupino 20 ljudi",
        "the invoice for our school",          "a replacement for the broken lid"};
    static const std::vector<std::string> closings = {"Thanks!",
                                                      "Hvala.",
                                                      "Call me after 5 pm.",
                                                      "Lep pozdrav",
                                                      "Best regards",
                                                      "The address is below.",
                                                      "It is urgent, sorry.",
                                                      ""};
    std::string note = pick(openings) + " " + pick(asks) + " " + pick(things) + ", " + "order " +
                       n(100, 99999) + ". " + pick(closings);
    if (chance(0.2)) note += " (as on https://www.example.org/shop/item" + n(1, 800) + ")";
    if (chance(0.03)) note += " Our house: https://maps.example.net/?q=" + n(1, 999999);
    return note;
  }

  ParamList personFields() {
    static const std::vector<std::string> names = {
        "Maja Kolar", "Tom Baker",         "Vesna Bizjak", "Rok Zajc",    "Helen Ward",
        "Nik Golob",  "Ur\xC5\xA1ka Turk", "Peter Hribar", "Alice Moore", "Bla\xC5\xBE Kralj"};
    ParamList fields;
    fields.add("name", pick(names), AddMode::Append);
    fields.add("street", "Street " + n(1, 200), AddMode::Append);
    fields.add("city", chance(0.5) ? "Ljubljana" : "Ptuj", AddMode::Append);
    fields.add("email", "p" + n(1, 999999) + "@example.com", AddMode::Append);
    fields.add("phone", chance(0.7) ? "040 " + n(100, 999) + " " + n(100, 999) : "",
               AddMode::Append);
    fields.add("note", personNote(), AddMode::Append);
    fields.add("website", "", AddMode::Append);
    return fields;
  }

  // Where a person posts from: mostly an address of its own; some from an
  // office's one address, a campus's /24 or a mobile network's shared
  // address; some over IPv6.
  std::string personAddress(int i) {
    if (i % 30 == 1) return "198.51.100.7";              // an office
    if (i % 15 == 2) return "198.51.100." + n(20, 250);  // a campus /24
    if (i % 40 == 3) return "100.64.0." + n(1, 3);       // carrier NAT
    if (i % 10 == 4) return ipv6();
    return address();
  }

  void addPeople(std::vector<CorpusSubmission>& all, int count) {
    for (int i = 0; i < count; ++i) {
      CorpusSubmission s;
      s.time = number(0, kSpan);
      s.address = personAddress(i);
      s.fields = personFields();
      if (i % 300 == 17) s.fields.add("website", "http://autofill.example", AddMode::Replace);
      all.push_back(s);
      if (i % 50 == 9) {  // a second click on the button
        CorpusSubmission again = s;
        again.time += number(1, 20);
        all.push_back(again);
        ++i;
      }
    }
  }

  CorpusSubmission bot(const char* kind, long time, const std::string& from,
                       const std::string& note) {
    CorpusSubmission s;
    s.bot = true;
    s.kind = kind;
    s.time = time;
    s.address = from;
    s.fields.add("name", "Name" + n(1, 99999), AddMode::Append);
    s.fields.add("email", "x" + n(1, 99999) + "@mail.example", AddMode::Append);
    s.fields.add("note", note, AddMode::Append);
    s.fields.add("website", "", AddMode::Append);
    return s;
  }

  std::string pitch() {
    static const std::vector<std::string> pitches = {
        "Grow your business with our marketing", "Loans approved in one hour",
        "Your website has errors, we fix them", "Earn 500 a day from home"};
    return pick(pitches);
  }

  // The campaign's text in another letter case and spacing now and then.
  std::string varied(std::string text) {
    if (chance(0.3))
      for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (chance(0.3)) text = "  " + text + " ";
    return text;
  }

  void addBots(std::vector<CorpusSubmission>& all, int count) {
    int made = 0;
    auto add = [&](CorpusSubmission s) {
      if (made++ < count) all.push_back(s);
    };
    for (int i = 0; i < count * 15 / 100; ++i) {  // the honeypot filled
      CorpusSubmission s = bot("honeypot", number(0, kSpan), address(), pitch());
      s.fields.add("website", "http://seo.example", AddMode::Replace);
      add(s);
    }
    for (int wave = 0; wave < 2; ++wave) {  // drip: a new address every few minutes
      long time = number(0, kSpan / 2);
      std::string text = pitch() + " - details at http://offer" + n(1, 9) + ".example/?id=";
      for (int i = 0; i < count / 10; ++i, time += number(180, 420))
        add(bot("drip campaign", time, address(), varied(text + n(1, 999999))));
    }
    for (int burst = 0; burst < 3; ++burst) {  // one address, inside 5/minute and 30/hour
      long time = number(0, kSpan);
      std::string from = address();
      std::string link = " http://burst" + n(1, 99) + ".example/";
      for (int i = 0; i < count * 17 / 300; ++i) {
        add(bot("burst inside the limit", time, from, pitch() + " " + n(1, 999) + link));
        time += i % 4 == 3 ? 125 : 1;
      }
    }
    {  // addresses rotating within one /24, every 20 seconds
      long time = number(0, kSpan);
      std::string link = " https://rotate" + n(1, 99) + ".example/go";
      for (int i = 0; i < count / 5; ++i, time += 20)
        add(bot("rotating in one /24", time, "203.0.113." + n(1, 254), pitch() + link));
    }
    for (int i = 0; i < count / 10; ++i) {  // link stuffing
      std::string text = pitch();
      for (int l = number(4, 9); l > 0; --l) text += " http://s" + n(1, 999) + ".example/";
      add(bot("links", number(0, kSpan), address(), text));
    }
    for (int i = 0; i < count / 10; ++i)  // another script
      add(bot("script", number(0, kSpan), address(),
              "\xD0\x97\xD0\xB0\xD1\x80\xD0\xB0\xD0\xB1\xD0\xBE\xD1\x82\xD0\xBE\xD0\xBA " +
                  n(1, 9999)));
    while (made < count)  // markup
      add(bot("markup", number(0, kSpan), address(),
              "[url=http://m" + n(1, 99) + ".example]" + pitch() + "[/url]"));
  }

  std::mt19937 random_;
};
