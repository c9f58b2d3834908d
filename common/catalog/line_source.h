// Line sources that the record and index readers take their lines from: one
// over a text in memory, one over a FILE* that leaves the file positioned
// right after the last line it returned, and a block reader for reading a
// whole catalog quickly.
#pragma once

#include <cstdio>
#include <string_view>
#include <vector>

// Lines end at a line feed, which is not returned; a carriage return right
// before it is dropped too (text mode). A last line without a line feed is
// returned as it is.
class LineSource {
 public:
  virtual ~LineSource() = default;
  // The next line, valid until the next call; false at the end of the input.
  virtual bool next(std::string_view& line) = 0;
};

// The lines of a text held in memory, as a file's are given.
class TextLines : public LineSource {
 public:
  explicit TextLines(std::string_view text) : rest_(text) {}
  bool next(std::string_view& line) override;

 private:
  std::string_view rest_;
};

// Reads with getline, so the FILE* position always follows the last line
// returned; callers may mix it with fseek/ftell between records.
class FileLines : public LineSource {
 public:
  explicit FileLines(std::FILE* file) : file_(file) {}
  ~FileLines() override;
  FileLines(const FileLines&) = delete;
  FileLines& operator=(const FileLines&) = delete;
  bool next(std::string_view& line) override;

 private:
  std::FILE* file_;
  char* buffer_ = nullptr;
  size_t capacity_ = 0;
};

// Reads the file in large blocks and counts the bytes it hands out, so
// offset() is the position of the next line without asking the file. The
// FILE* position runs ahead of it; use it alone on its file. Memory stays at
// one block unless next() returns a longer line; peek() and skip() let a
// reader that needs only the start of a line pass any line in one block.
class BlockLines : public LineSource {
 public:
  explicit BlockLines(std::FILE* file, size_t blockSize = 1 << 20);
  bool next(std::string_view& line) override;
  // The start of the next line, at most `limit` bytes, without taking the
  // line; `whole` tells whether that is all of it (its line end cut off as
  // next() cuts it). False at the end of the input.
  bool peek(std::string_view& start, size_t limit, bool& whole);
  // Takes the next line without keeping it; false at the end of the input.
  bool skip();
  // Position in the file of the first byte not yet returned.
  long offset() const { return offset_; }

 private:
  bool fill();

  std::FILE* file_;
  std::vector<char> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  long offset_ = 0;
  bool atEnd_ = false;
};
