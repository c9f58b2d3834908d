// Admission to the metrics page and its families.
#include "show/metrics_page.h"

#include <dirent.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

#include "common/access/admin_access.h"
#include "common/access/client_address.h"
#include "common/access/login_throttle.h"
#include "common/access/password_check.h"
#include "common/catalog/item_record.h"
#include "common/catalog/line_source.h"
#include "common/catalog/quarantine_file.h"
#include "common/cgi/raw_fields.h"
#include "common/cgi/request_ended.h"
#include "common/files/path.h"
#include "common/mail/outbox.h"
#include "common/metrics/metrics_state.h"
#include "common/metrics/prometheus_text.h"
#include "common/storing/pending_file.h"
#include "show/login_page.h"
#include "show/show_application.h"

namespace {

// The families the programs count, by the metric name of their events.
struct CountedFamily {
  const char* metric;
  const char* name;
  const char* label;
  const char* help;
};
constexpr CountedFamily kCountedFamilies[] = {
    {"submission", "kalder_submissions_total", "outcome",
     "Submissions by outcome: stored, quarantined, held, invalid, refused_<reason>."},
    {"mail_delivery", "kalder_mail_deliveries_total", "outcome",
     "Attempts to deliver an outbox mail: delivered, retry, failed."},
    {"webhook_delivery", "kalder_webhook_deliveries_total", "outcome",
     "Attempts to deliver a webhook: delivered, retry, failed."},
    {"spam_layer", "kalder_spam_layer_stops_total", "layer",
     "Submissions a spam defence stopped, by the defence."},
};

const CountedFamily* countedFamily(const std::string& metric) {
  for (const CountedFamily& family : kCountedFamilies)
    if (metric == family.metric) return &family;
  return nullptr;
}

void writeFamily(PrometheusText& out, const MetricTotals& totals, const std::string& metric,
                 const std::string& name, const char* label, const std::string& help) {
  out.family(name, "counter", help);
  for (const auto& [key, count] : totals) {
    const auto& [keyMetric, group, value] = key;
    if (keyMetric == metric) out.sample(name, {{"group", group}, {label, value}}, count);
  }
}

// The known families always (a scraper sees zero as no samples); a metric
// this version does not know, as kalder_<metric>_total{group,label}.
void writeCounters(PrometheusText& out, const MetricTotals& totals) {
  for (const CountedFamily& family : kCountedFamilies)
    writeFamily(out, totals, family.metric, family.name, family.label, family.help);
  std::string last;
  for (const auto& [key, count] : totals) {
    const std::string& metric = std::get<0>(key);
    if (metric == last || countedFamily(metric)) continue;
    last = metric;
    std::string name = "kalder_" + prometheusName(metric) + "_total";
    writeFamily(out, totals, metric, name, "label",
                "Events counted as " + prometheusName(metric) + ".");
  }
}

// The files of a queue folder by state: how many, and the oldest id's time.
struct QueueState {
  const char* state;
  std::string_view ending;
  long count = 0;
  long long oldest = 0;  // seconds since the epoch; 0: none
};

// An id begins with the UTC time it was made: "20261208230501...".
long long idTime(std::string_view name) {
  if (name.size() < 14) return 0;
  std::tm time{};
  int values[6] = {};
  const int widths[6] = {4, 2, 2, 2, 2, 2};
  size_t at = 0;
  for (int i = 0; i < 6; ++i)
    for (int digit = 0; digit < widths[i]; ++digit, ++at) {
      if (name[at] < '0' || name[at] > '9') return 0;
      values[i] = values[i] * 10 + (name[at] - '0');
    }
  time.tm_year = values[0] - 1900;
  time.tm_mon = values[1] - 1;
  time.tm_mday = values[2];
  time.tm_hour = values[3];
  time.tm_min = values[4];
  time.tm_sec = values[5];
  return static_cast<long long>(timegm(&time));
}

void listQueue(const Text& folder, QueueState* states, size_t count) {
  DIR* directory = ::opendir(folder.c_str());
  if (!directory) return;
  while (const dirent* entry = ::readdir(directory)) {
    std::string_view name = entry->d_name;
    for (size_t i = 0; i < count; ++i) {
      if (!name.ends_with(states[i].ending)) continue;
      ++states[i].count;
      long long made = idTime(name);
      if (made > 0 && (states[i].oldest == 0 || made < states[i].oldest)) states[i].oldest = made;
    }
  }
  ::closedir(directory);
}

void writeQueue(PrometheusText& out, const Text& folder, const std::string& prefix,
                const std::string& age, const char* what, QueueState* states, size_t count) {
  listQueue(folder, states, count);
  long long now = static_cast<long long>(std::time(nullptr));
  out.family(prefix, "gauge", std::string(what) + " by state: pending, waiting, failed.");
  for (size_t i = 0; i < count; ++i)
    out.sample(prefix, {{"state", states[i].state}}, states[i].count);
  out.family(age, "gauge",
             std::string("Age of the oldest of the ") + what + " by state; 0 when none.");
  for (size_t i = 0; i < count; ++i) {
    long long oldest = states[i].oldest > 0 && now > states[i].oldest ? now - states[i].oldest : 0;
    out.sample(age, {{"state", states[i].state}}, oldest);
  }
}

void writeQueues(PrometheusText& out, const Text& home) {
  QueueState mails[] = {{"pending", mailStateEnding(MailState::Pending)},
                        {"waiting", mailStateEnding(MailState::Waiting)},
                        {"failed", mailStateEnding(MailState::Failed)}};
  writeQueue(out, home + "outbox/", "kalder_outbox_mails", "kalder_outbox_oldest_age_seconds",
             "Outbox mails", mails, 3);
  QueueState hooks[] = {{"pending", ".pending"}, {"waiting", ".hook"}, {"failed", ".failed"}};
  writeQueue(out, home + "webhooks/", "kalder_webhook_spool",
             "kalder_webhook_spool_oldest_age_seconds", "Webhook deliveries in the spool", hooks,
             3);
}

long recordsIn(const Text& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return 0;
  BlockLines lines(file, QuarantineReader::kPieceSize);
  long count = countItemRecords(lines);
  std::fclose(file);
  return count;
}

long long bytesOf(const Text& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : 0;
}

// A group that holds submissions for confirmation keeps them beside its
// catalog files; their few small files are read, the catalogs are not.
long pendingIn(ShowApplication& app, const Param& entry) {
  GroupOptions options = parseGroupOptions(readFileBytes(groupOptionsPath(entry.value)).view());
  if (!options.optIn.enabled()) return 0;
  GroupDescription group = parseGroupFile(readFileBytes(entry.value).view(), entry.value);
  CatalogFileList files;
  CatalogResolver(group, app.today, app).addAllCatalogs(files);
  long count = 0;
  for (const CatalogFile& file : files) count += recordsIn(pendingPath(file.path.view()));
  return count;
}

void writeGroups(PrometheusText& out, ShowApplication& app) {
  const ParamList& groups = app.settings.groups;
  out.family("kalder_quarantine_records", "gauge", "Submissions in the group's quarantine.");
  for (const Param& entry : groups)
    out.sample("kalder_quarantine_records", {{"group", entry.name.view()}},
               recordsIn(quarantinePath(entry.value)));
  out.family("kalder_quarantine_bytes", "gauge", "Size of the group's quarantine file.");
  for (const Param& entry : groups)
    out.sample("kalder_quarantine_bytes", {{"group", entry.name.view()}},
               bytesOf(quarantinePath(entry.value)));
  out.family("kalder_pending_confirmations", "gauge",
             "Submissions held until their address confirms them.");
  for (const Param& entry : groups)
    out.sample("kalder_pending_confirmations", {{"group", entry.name.view()}},
               pendingIn(app, entry));
}

// "Bearer <token>", the scheme in any letter case; empty when the header
// holds something else.
Text bearerToken(const Text& authorization) {
  if (authorization.length() < 7 ||
      !Text(authorization.view().substr(0, 7)).equalsIgnoreCase("Bearer "))
    return Text();
  Text token(authorization.view().substr(7));
  token.squeeze(' ');
  return token;
}

[[noreturn]] void refuseScraper(ShowApplication& app) {
  app.setStatus("401 Unauthorized");
  app.writeHeader(kPrometheusContentType, "WWW-Authenticate: Bearer realm=\"metrics\"\n");
  app.writeDirect("The metrics page needs its token.\n");
  std::fflush(app.output());
  throw RequestEnded{1};
}

// A wrong token counts as a failed login of its address, as a wrong
// password does, so neither can be guessed faster than the other.
bool admitScraper(ShowApplication& app, const Text& token) {
  const Text& stored = app.settings.metricsToken;
  if (stored.empty()) return false;
  Text client = clientKey(clientAddress(app).view());
  long now = static_cast<long>(std::time(nullptr));
  LoginThrottle throttle(app);
  bool admitted = false;
  long until = throttle.judge(
      client.view(), now, true, [&] { return tokenMatches(token.view(), stored.view()); },
      admitted);
  return until == 0 && admitted;
}

bool admitted(ShowApplication& app) {
  Text authorization = app.requestVariable("HTTP_AUTHORIZATION");
  if (!authorization.empty()) {
    Text token = bearerToken(authorization);
    if (token.empty() || !admitScraper(app, token)) refuseScraper(app);
    return true;
  }
  return admitAdministrator(app, rawPostedField(app.rawBody().view(), "password").view());
}

}  // namespace

void answerMetricsRequest(ShowApplication& app) {
  if (!admitted(app)) {
    writeLoginPage(app);
    return;
  }
  PrometheusText out;
  writeCounters(out, currentMetricTotals(app.home()));
  writeQueues(out, app.home());
  writeGroups(out, app);
  app.writeHeader(kPrometheusContentType);
  app.writeDirect(out.text());
}
