// The outbox's files: writing, renaming and listing them, and the bounded
// log of delivered mails.
#include "common/mail/outbox.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "common/files/atomic_file.h"
#include "common/files/path.h"
#include "common/text/file_lines.h"

namespace {

constexpr MailState kStates[] = {MailState::Pending, MailState::Waiting, MailState::Failed};

long long readNumber(std::string_view text) {
  long long number = 0;
  std::from_chars(text.data(), text.data() + text.size(), number);
  return number;
}

struct TextKey {
  std::string_view key;
  Text OutboxMail::*member;
};
constexpr TextKey kTextKeys[] = {{"message-id", &OutboxMail::messageId},
                                 {"group", &OutboxMail::group},
                                 {"catalog", &OutboxMail::catalog},
                                 {"label", &OutboxMail::label},
                                 {"catalog-path", &OutboxMail::catalogPath},
                                 {"reply", &OutboxMail::reply},
                                 {"sender", &OutboxMail::sender},
                                 {"recipient", &OutboxMail::recipient},
                                 {"subject", &OutboxMail::subject}};

void readHeaderLine(OutboxMail& mail, std::string_view key, std::string_view value,
                    const SpoolKind& kind) {
  if (key == kind.addressKey) {
    mail.recipient = Text(value);
    return;
  }
  for (const TextKey& text : kTextKeys) {
    if (key == text.key) {
      mail.*text.member = Text(value);
      return;
    }
  }
  if (key == "created") mail.created = readNumber(value);
  if (key == "next") mail.next = readNumber(value);
  if (key == "attempts") mail.attempts = static_cast<int>(readNumber(value));
}

void addLine(Text& out, std::string_view key, std::string_view value) {
  out += key;
  out += "=";
  out += oneLine(value);
  out += "\n";
}

// A time stamp to the microsecond and random letters: ids sort by creation,
// so the mails of one submission go out in the order they were written, and
// never collide.
Text freshId(long long now) {
  std::time_t seconds = static_cast<std::time_t>(now);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &utc);
  unsigned char bytes[6] = {};
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(std::rand());
  }
  timespec clock{};
  clock_gettime(CLOCK_REALTIME, &clock);
  char micros[24];
  std::snprintf(micros, sizeof micros, "%06ld", clock.tv_nsec / 1000);
  Text id(stamp);
  id += micros;
  id += ".";
  for (unsigned char byte : bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    id += kHex[byte >> 4];
    id += kHex[byte & 15];
  }
  return id;
}

bool syncFolder(const Text& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

// The header of a mail file and the empty line that ends it, read line by
// line; the body is not touched. Empty when the file cannot be read.
Text headerLines(const std::string& path) {
  Text header;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return header;
  char* line = nullptr;
  size_t capacity = 0;
  for (ssize_t got; (got = ::getline(&line, &capacity, file)) > 0;) {
    header += std::string_view(line, static_cast<size_t>(got));
    std::string_view read(line, static_cast<size_t>(got));
    if (read == "\n" || read == "\r\n") break;
  }
  std::free(line);
  std::fclose(file);
  return header;
}

}  // namespace

long long outboxNow() { return static_cast<long long>(std::time(nullptr)); }

std::string_view mailStateEnding(MailState state) {
  switch (state) {
    case MailState::Pending: return ".pending";
    case MailState::Waiting: return ".mail";
    case MailState::Failed: return ".failed";
  }
  return ".mail";
}

Text outboxMailText(const OutboxMail& mail, const SpoolKind& kind) {
  Text out;
  if (kind.mailHeaders) addLine(out, "message-id", mail.messageId);
  addLine(out, "group", mail.group);
  addLine(out, "catalog", mail.catalog);
  addLine(out, "label", mail.label);
  addLine(out, "catalog-path", mail.catalogPath);
  addLine(out, "created", Text::fromInt(mail.created));
  addLine(out, "next", Text::fromInt(mail.next));
  addLine(out, "attempts", Text::fromInt(mail.attempts));
  addLine(out, "reply", mail.reply);
  if (kind.mailHeaders) addLine(out, "sender", mail.sender);
  addLine(out, kind.addressKey, mail.recipient);
  if (kind.mailHeaders) addLine(out, "subject", mail.subject);
  out += "\n";
  out += mail.body;
  return out;
}

std::optional<OutboxMail> parseOutboxMail(std::string_view bytes, const SpoolKind& kind) {
  OutboxMail mail;
  size_t at = 0;
  std::string_view line;
  bool headerEnded = false;
  while (takeLine(bytes, at, line)) {
    if (line.empty()) {
      headerEnded = true;
      break;
    }
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
    readHeaderLine(mail, key, value, kind);
  }
  if (!headerEnded || mail.recipient.empty()) return std::nullopt;
  mail.body = Text(bytes.substr(at));
  return mail;
}

long long retryDelay(int attempts) {
  static constexpr long long kDelays[] = {60, 5 * 60, 30 * 60, 2 * 3600};
  if (attempts < 1) return 0;
  if (attempts <= 4) return kDelays[attempts - 1];
  return 6 * 3600;
}

std::string_view Outbox::endingOf(MailState state) const {
  return state == MailState::Waiting ? kind_.waitingEnding : mailStateEnding(state);
}

Text Outbox::pathOf(const OutboxMail& mail) const {
  return folder_ + mail.id + endingOf(mail.state);
}

bool Outbox::ensureFolder() const {
  if (::mkdir(folder_.c_str(), 0700) == 0) return syncFolder(folder_ + "..");
  struct stat info;
  return errno == EEXIST && ::lstat(folder_.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Outbox::save(OutboxMail& mail, MailState state) {
  if (!mail.bodyRead && !readBody(mail)) return false;
  Text old = pathOf(mail);
  mail.state = state;
  Text path = pathOf(mail);
  AtomicFile file;
  if (!file.open(path, folder_ + mail.id + ".tmp")) return false;
  Text text = outboxMailText(mail, kind_);
  std::fwrite(text.c_str(), 1, text.str().size(), file.file());
  if (!file.commit()) return false;
  if (old != path) {
    ::unlink(old.c_str());
    syncFolder(folder_);
  }
  return true;
}

bool Outbox::update(OutboxMail& mail, MailState state) {
  if (!mail.bodyRead && !readBody(mail)) return false;
  Text old = pathOf(mail);
  Text temp = randomNameAfter(folder_ + mail.id + ".tmp");
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  Text text = outboxMailText(mail, kind_);
  bool written = ::write(fd, text.c_str(), text.str().size()) == text.length() && ::fsync(fd) == 0;
  ::close(fd);
  // Exchanged, the old file must still be there; where the file system
  // cannot exchange, the window between the check and the rename is small.
  bool replaced =
      written && ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, old.c_str(), RENAME_EXCHANGE) == 0;
  if (!replaced && written && (errno == EINVAL || errno == ENOSYS))
    replaced = ::access(old.c_str(), F_OK) == 0 && ::rename(temp.c_str(), old.c_str()) == 0;
  ::unlink(temp.c_str());
  if (!replaced) return false;
  Text path = folder_ + mail.id + Text(endingOf(state));
  if (path != old && ::rename(old.c_str(), path.c_str()) != 0) return false;
  mail.state = state;
  return syncFolder(folder_);
}

bool Outbox::addPending(OutboxMail& mail, long long now, std::string_view domain,
                        const std::function<void(OutboxMail&)>& complete) {
  if (!ensureFolder()) return false;
  mail.id = freshId(now);
  mail.messageId = "<" + mail.id + "@" + Text(domain.empty() ? "kalder.invalid" : domain) + ">";
  mail.created = now;
  mail.next = now;
  mail.attempts = 0;
  mail.state = MailState::Pending;
  if (complete) complete(mail);
  return save(mail, MailState::Pending);
}

bool Outbox::confirm(OutboxMail& mail) {
  Text pending = pathOf(mail);
  mail.state = MailState::Waiting;
  Text waiting = pathOf(mail);
  if (::rename(pending.c_str(), waiting.c_str()) != 0) {
    mail.state = MailState::Pending;
    return false;
  }
  return syncFolder(folder_);
}

bool Outbox::remove(const OutboxMail& mail) {
  bool removed = ::unlink(pathOf(mail).c_str()) == 0;
  syncFolder(folder_);
  return removed;
}

int Outbox::removeWhere(const std::function<bool(const OutboxMail&)>& which) {
  int removed = 0;
  for (const OutboxMail& mail : mails())
    if (which(mail) && ::unlink(pathOf(mail).c_str()) == 0) ++removed;
  if (removed > 0) syncFolder(folder_);
  return removed;
}

List<OutboxMail> Outbox::mails() const {
  List<OutboxMail> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.str(), error)) {
    std::string name = entry.path().filename().string();
    for (MailState state : kStates) {
      std::string_view ending = endingOf(state);
      if (name.size() <= ending.size() || !name.ends_with(ending)) continue;
      if (!entry.is_regular_file(error) || entry.is_symlink(error)) break;
      std::optional<OutboxMail> mail =
          parseOutboxMail(headerLines(entry.path().string()).view(), kind_);
      if (!mail) break;
      mail->id = Text(name.substr(0, name.size() - ending.size()));
      mail->state = state;
      mail->bodyRead = false;
      found.push_back(std::move(*mail));
      break;
    }
  }
  std::sort(found.begin(), found.end(), [](const OutboxMail& a, const OutboxMail& b) {
    return a.created != b.created ? a.created < b.created : a.id.str() < b.id.str();
  });
  return found;
}

bool Outbox::readBody(OutboxMail& mail) const {
  bool readable = false;
  Text bytes = readFileBytes(pathOf(mail), &readable);
  std::optional<OutboxMail> read = readable ? parseOutboxMail(bytes.view(), kind_) : std::nullopt;
  if (!read) return false;
  mail.body = std::move(read->body);
  mail.bodyRead = true;
  return true;
}

bool Outbox::holds(const OutboxMail& mail) const {
  return ::access(pathOf(mail).c_str(), F_OK) == 0;
}

std::optional<OutboxMail> Outbox::find(std::string_view id) const {
  for (OutboxMail& mail : mails())
    if (mail.id == id) return std::move(mail);
  return std::nullopt;
}

bool Outbox::markSent(const OutboxMail& mail, long long now, std::string_view reply) {
  Text path = folder_ + "sent.log";
  Text line = Text::fromInt(now);
  for (std::string_view part : {mail.id.view(), mail.messageId.view(), mail.group.view(),
                                mail.label.view(), mail.recipient.view(), reply}) {
    Text value = oneLine(part);
    value.replaceChar('\t', ' ');
    line += "\t";
    line += value;
  }
  line += "\n";
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool logged = ::write(fd, line.c_str(), line.str().size()) == line.length();
  struct stat info;
  bool tooLong = ::fstat(fd, &info) == 0 && info.st_size > kSentLogLimit;
  ::close(fd);
  if (tooLong) {
    Text log = readFileBytes(path);
    long cut = log.findChar('\n', log.length() / 2);
    AtomicFile file;
    if (cut >= 0 && file.open(path, folder_ + "sent.tmp")) {
      std::fwrite(log.c_str() + cut + 1, 1, log.str().size() - cut - 1, file.file());
      file.commit();
    }
  }
  return remove(mail) && logged;
}

namespace {

// The entry of one line of "sent.log"; none for a line that is no entry.
std::optional<Outbox::SentEntry> parseSentLine(std::string_view line) {
  List<Text> parts;
  for (size_t at = 0;;) {
    size_t tab = line.find('\t', at);
    parts.push_back(Text(line.substr(at, tab == std::string_view::npos ? tab : tab - at)));
    if (tab == std::string_view::npos) break;
    at = tab + 1;
  }
  if (parts.size() != 7) return std::nullopt;
  return Outbox::SentEntry{
      readNumber(parts[0]), parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]};
}

}  // namespace

List<Outbox::SentEntry> Outbox::sentEntries() const {
  List<SentEntry> entries;
  Text log = readFileBytes(folder_ + "sent.log");
  forEachLine(log.view(), [&](std::string_view line, size_t, size_t) {
    if (std::optional<SentEntry> entry = parseSentLine(line)) entries.push_back(std::move(*entry));
  });
  return entries;
}

// The log is cut to half of kSentLogLimit whenever it passes it, so it is
// read whole.
long Outbox::dropSentEntries(const std::function<bool(const SentEntry&)>& drop) {
  Text path = folder_ + "sent.log";
  Text log = readFileBytes(path);
  Text kept;
  long dropped = 0;
  forEachLine(log.view(), [&](std::string_view line, size_t start, size_t length) {
    std::optional<SentEntry> entry = parseSentLine(line);
    if (entry && drop(*entry)) {
      ++dropped;
      return;
    }
    kept += log.view().substr(start, length);
  });
  if (dropped == 0) return 0;
  AtomicFile file;
  if (!file.open(path, folder_ + "sent.tmp")) return -1;
  std::fwrite(kept.c_str(), 1, kept.str().size(), file.file());
  return file.commit() ? dropped : -1;
}
