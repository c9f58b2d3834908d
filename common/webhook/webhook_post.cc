// Posting a webhook with libcurl.
#include "common/webhook/webhook_post.h"

#include <memory>

#include "common/webhook/curl_library.h"
#include "common/webhook/webhook_address.h"

namespace {

constexpr long kConnectSeconds = 10;
constexpr long kWholeSeconds = 30;

WebhookAnswer refusal(std::string_view why) {
  WebhookAnswer answer;
  answer.reply = Text(why);
  answer.refused = true;
  return answer;
}

// The status line of the last answer's head ("HTTP/1.1 503 Service
// Unavailable"), bounded.
size_t keepStatusLine(char* bytes, size_t size, size_t count, void* data) {
  std::string_view line(bytes, size * count);
  if (line.starts_with("HTTP/")) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    *static_cast<Text*>(data) = Text(line.substr(0, 200));
  }
  return size * count;
}

size_t dropBody(char*, size_t size, size_t count, void*) { return size * count; }

// "host:port:addr1,addr2", as CURLOPT_RESOLVE takes it; IPv6 addresses in
// brackets.
Text resolveEntry(const WebhookTarget& target, const List<Text>& addresses) {
  Text entry = target.host + ":" + Text::fromInt(target.port) + ":";
  for (size_t i = 0; i < addresses.size(); ++i) {
    if (i > 0) entry += ",";
    entry += addresses[i].contains(":") ? "[" + addresses[i] + "]" : addresses[i];
  }
  return entry;
}

class CurlRequest {
 public:
  explicit CurlRequest(const CurlLibrary& curl) : curl_(curl), handle_(curl.curl_easy_init()) {}
  ~CurlRequest() {
    for (curl_slist* list : {headers_, resolve_})
      if (list) curl_.curl_slist_free_all(list);
    if (handle_) curl_.curl_easy_cleanup(handle_);
  }
  CurlRequest(const CurlRequest&) = delete;
  CurlRequest& operator=(const CurlRequest&) = delete;

  WebhookAnswer post(const WebhookRequest& request, const Text& pinned) {
    if (!handle_) return refusal("libcurl could not start a request");
    for (const Text& header :
         {Text("Content-Type: application/json"), Text("Expect:"), "webhook-id: " + request.id,
          "webhook-timestamp: " + Text::fromInt(request.timestamp),
          "webhook-signature: " + request.signature})
      headers_ = curl_.curl_slist_append(headers_, header.c_str());
    resolve_ = curl_.curl_slist_append(resolve_, pinned.c_str());
    Text status;
    set(CURLOPT_URL, request.url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    // A proxy from the environment would connect to an address never checked.
    set(CURLOPT_PROXY, "");
    set(CURLOPT_FOLLOWLOCATION, 0L);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    set(CURLOPT_TIMEOUT, kWholeSeconds);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!request.caFile.empty()) set(CURLOPT_CAINFO, request.caFile.c_str());
    set(CURLOPT_RESOLVE, resolve_);
    set(CURLOPT_HTTPHEADER, headers_);
    set(CURLOPT_POSTFIELDS, request.body.c_str());
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.str().size()));
    set(CURLOPT_USERAGENT, "kalder-webhook");
    set(CURLOPT_HEADERFUNCTION, keepStatusLine);
    set(CURLOPT_HEADERDATA, &status);
    set(CURLOPT_WRITEFUNCTION, dropBody);
    CURLcode result = curl_.curl_easy_perform(handle_);
    WebhookAnswer answer;
    long code = 0;
    curl_.curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &code);
    answer.status = result == CURLE_OK ? static_cast<int>(code) : 0;
    answer.reply = result == CURLE_OK ? status : Text(curl_.curl_easy_strerror(result));
    if (answer.reply.empty()) answer.reply = "HTTP " + Text::fromInt(code);
    return answer;
  }

 private:
  template <typename Value>
  void set(CURLoption option, Value value) {
    curl_.curl_easy_setopt(handle_, option, value);
  }

  const CurlLibrary& curl_;
  CURL* handle_;
  curl_slist* headers_ = nullptr;
  curl_slist* resolve_ = nullptr;
};

}  // namespace

WebhookAnswer postWebhook(const WebhookRequest& request) {
  std::optional<WebhookTarget> target = parseWebhookUrl(request.url.view());
  if (!target) return refusal("not an http or https address");
  List<Text> resolved = resolveWebhookHost(*target), allowed;
  if (resolved.empty()) {
    WebhookAnswer answer;
    answer.reply = "cannot resolve " + target->host;
    return answer;
  }
  for (const Text& address : resolved)
    if (request.allowPrivate || !isPrivateAddress(address.view())) allowed.push_back(address);
  if (allowed.empty())
    return refusal("refused: " + target->host +
                   " is in a private network (webhookAllowPrivate=on allows it)");
  const CurlLibrary* curl = curlLibrary();
  if (!curl) {
    WebhookAnswer answer;
    answer.reply = "libcurl (libcurl4) cannot be loaded";
    return answer;
  }
  CurlRequest call(*curl);
  return call.post(request, resolveEntry(*target, allowed));
}
