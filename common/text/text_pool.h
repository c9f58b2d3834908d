// Words kept in one string and named by where they lie in it: a table read
// from a state file of thousands of lines holds its words without an
// allocation each, and a piece still names the same word after more are
// added and after the table is copied or moved.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

class TextPool {
 public:
  struct Piece {
    uint32_t at = 0;
    uint32_t length = 0;
  };

  // Starts over with `text` and returns it as the pool holds it: pieces are
  // cut from that view with pieceOf, before anything is added.
  std::string_view reset(std::string text) {
    text_ = std::move(text);
    return text_;
  }
  // Where `part` of the view reset returned lies.
  Piece pieceOf(std::string_view part) const {
    if (part.empty()) return Piece{};
    return Piece{static_cast<uint32_t>(part.data() - text_.data()),
                 static_cast<uint32_t>(part.size())};
  }
  Piece add(std::string_view word) {
    Piece piece{static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(word.size())};
    text_.append(word);
    return piece;
  }
  std::string_view view(Piece piece) const {
    return std::string_view(text_).substr(piece.at, piece.length);
  }

 private:
  std::string text_;
};
