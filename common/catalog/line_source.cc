// Line sources over FILE*: getline for exact positioning, blocks for speed.
#include "common/catalog/line_source.h"

#include <cstdlib>
#include <cstring>

namespace {

// Cuts the line feed and a carriage return before it off a raw line.
std::string_view withoutLineEnd(const char* data, size_t n) {
  if (n && data[n - 1] == '\n') {
    --n;
    if (n && data[n - 1] == '\r') --n;
  }
  return std::string_view(data, n);
}

}  // namespace

bool TextLines::next(std::string_view& line) {
  if (rest_.empty()) return false;
  size_t feed = rest_.find('\n');
  line = rest_.substr(0, feed);
  rest_.remove_prefix(feed == std::string_view::npos ? rest_.size() : feed + 1);
  if (feed != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

FileLines::~FileLines() { std::free(buffer_); }

bool FileLines::next(std::string_view& line) {
  ssize_t got = getline(&buffer_, &capacity_, file_);
  if (got < 0) return false;
  line = withoutLineEnd(buffer_, static_cast<size_t>(got));
  return true;
}

BlockLines::BlockLines(std::FILE* file, size_t blockSize) : file_(file), buffer_(blockSize) {
  long start = std::ftell(file);
  offset_ = start < 0 ? 0 : start;
}

bool BlockLines::next(std::string_view& line) {
  for (;;) {
    const char* data = buffer_.data();
    const void* found = std::memchr(data + begin_, '\n', end_ - begin_);
    if (found) {
      size_t stop = static_cast<size_t>(static_cast<const char*>(found) - data) + 1;
      line = withoutLineEnd(data + begin_, stop - begin_);
      offset_ += static_cast<long>(stop - begin_);
      begin_ = stop;
      return true;
    }
    if (!fill()) break;
  }
  if (begin_ == end_) return false;
  // The last line of a file that does not end with a line feed.
  line = std::string_view(buffer_.data() + begin_, end_ - begin_);
  offset_ += static_cast<long>(end_ - begin_);
  begin_ = end_;
  return true;
}

bool BlockLines::peek(std::string_view& start, size_t limit, bool& whole) {
  // Enough for the start, a carriage return and the line feed that show
  // whether the line ends there.
  size_t wanted = limit + 2;
  while (end_ - begin_ < wanted && fill()) {
  }
  size_t available = end_ - begin_;
  if (available == 0) return false;
  const char* data = buffer_.data() + begin_;
  size_t window = available < wanted ? available : wanted;
  const void* found = std::memchr(data, '\n', window);
  if (found) {
    start = withoutLineEnd(data, static_cast<size_t>(static_cast<const char*>(found) - data) + 1);
  } else {
    // A last line without a line feed is whole when it fits.
    start = std::string_view(data, available < wanted ? available : limit + 1);
  }
  whole = start.size() <= limit;
  if (!whole) start = start.substr(0, limit);
  return true;
}

bool BlockLines::skip() {
  bool any = false;
  for (;;) {
    const char* data = buffer_.data();
    const void* found = std::memchr(data + begin_, '\n', end_ - begin_);
    size_t stop = found ? static_cast<size_t>(static_cast<const char*>(found) - data) + 1 : end_;
    any = any || stop > begin_;
    offset_ += static_cast<long>(stop - begin_);
    begin_ = stop;
    if (found) return true;
    if (!fill()) return any;
  }
}

// Moves the unread part to the front and reads more after it, growing the
// buffer only when one line fills it. False when nothing more could be read.
bool BlockLines::fill() {
  if (atEnd_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
  size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
  if (got == 0) {
    atEnd_ = true;
    return false;
  }
  end_ += got;
  return true;
}
