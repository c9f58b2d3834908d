// The reservation file: one line "reserved=<ceiling> host=<name> boot=<id>",
// rewritten through a temporary file and flushed when the ceiling rises.
#include "common/settings/label_reservation.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "common/files/atomic_file.h"
#include "common/files/path.h"

namespace {

Text firstLine(const Text& content) {
  std::string_view text = content.view();
  return Text(trimBlanks(text.substr(0, text.find('\n'))));
}

// The identity of the running kernel: it changes with every start of the
// machine. Read once a process.
const Text& bootIdentity() {
  static const Text boot = firstLine(readFileBytes("/proc/sys/kernel/random/boot_id"));
  return boot;
}

// Read once a process too.
const Text& hostName() {
  static const Text host = [] {
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? Text(name) : Text();
  }();
  return host;
}

// The value of "key=" in a line of blank-separated words, or empty.
Text wordValue(const Text& line, std::string_view key) {
  std::string_view rest = line.view();
  while (!rest.empty()) {
    size_t end = rest.find(' ');
    std::string_view word = rest.substr(0, end);
    if (word.size() > key.size() && word.substr(0, key.size()) == key && word[key.size()] == '=')
      return Text(word.substr(key.size() + 1));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return Text();
}

}  // namespace

LabelReservation::LabelReservation(const Text& groupPath)
    : path_(path(groupPath)), host_(hostName()), boot_(bootIdentity()) {}

Text LabelReservation::path(const Text& groupPath) {
  Text path = groupPath;
  setExtension(path, "labels");
  return path;
}

const LabelReservation::State& LabelReservation::read() const {
  if (state_) return *state_;
  state_ = State();
  State& state = *state_;
  bool readable = false;
  Text line = firstLine(readFileBytes(path_, &readable));
  if (!readable) return state;
  Text ceiling = wordValue(line, "reserved");
  state.host = wordValue(line, "host");
  state.boot = wordValue(line, "boot");
  char* end = nullptr;
  state.ceiling = std::strtol(ceiling.c_str(), &end, 10);
  state.valid = !ceiling.empty() && *end == '\0' && state.ceiling >= 0 && !state.boot.empty();
  return state;
}

long LabelReservation::recoveredCounter(long counterLine) const {
  State state = read();
  bool restarted = state.valid && thisMachine(state) && state.boot != boot_;
  return restarted ? std::max(counterLine, state.ceiling) : counterLine;
}

bool LabelReservation::reserveUpTo(long count) {
  if (boot_.empty() || host_.empty()) return false;
  State state = read();
  if (state.valid && thisMachine(state) && state.boot == boot_ && count <= state.ceiling)
    return true;
  // Another machine sharing the home wrote it last: its counter writes
  // reached the shared file when it released the lock.
  long ceiling = std::max(count, state.valid ? state.ceiling : 0) + kStep;
  return write(ceiling);
}

bool LabelReservation::resetTo(long count) {
  if (boot_.empty() || host_.empty()) return false;
  return write(count);
}

bool LabelReservation::write(long ceiling) {
  state_.reset();
  AtomicFile file;
  Text temp = path_;
  setExtension(temp, "tmp");
  if (!file.open(path_, temp)) return false;
  Text line = "reserved=" + Text::fromInt(ceiling, 0) + " host=" + host_ + " boot=" + boot_ + "\n";
  std::fwrite(line.c_str(), 1, line.str().size(), file.file());
  return file.commit();
}
