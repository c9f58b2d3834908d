// LabelReservation: labels handed out ahead of a counter line that is not
// flushed on every submission. A small file beside the group file holds a
// ceiling, flushed to disk before any label above the previous one is used,
// and the machine and boot it was written under: after a crash of the
// machine the counter line may have lost its last writes, and the counter
// continues after the ceiling, so no label is ever handed out twice.
#pragma once

#include <optional>

#include "common/text/text.h"

class LabelReservation {
 public:
  // Labels reserved at a time: after a crash of the machine at most this
  // many labels stay unused.
  static constexpr long kStep = 100;

  explicit LabelReservation(const Text& groupPath);

  // The counter to continue from, given the counter line's value: the
  // ceiling when this machine has restarted since it reserved labels.
  long recoveredCounter(long counterLine) const;
  // Makes sure the labels up to `count` are reserved, flushing a new ceiling
  // when they are not. False when no reservation can be kept (no boot
  // identity, the file cannot be written): the caller flushes the counter.
  bool reserveUpTo(long count);
  // After the administrator set the counter: the ceiling is the counter.
  bool resetTo(long count);

  // "<group file without its extension>.labels".
  static Text path(const Text& groupPath);

 private:
  struct State {
    bool valid = false;
    long ceiling = 0;
    Text host;
    Text boot;
  };
  // The file's state, read once: whoever holds this object holds the lock.
  const State& read() const;
  bool write(long ceiling);
  bool thisMachine(const State& state) const { return state.host == host_; }

  Text path_;
  Text host_;
  Text boot_;
  mutable std::optional<State> state_;
};
