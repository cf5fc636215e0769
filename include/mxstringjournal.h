// MxStringJournal: a journal that keeps what is written to it, for tests.
/// \file
#ifndef MXFOUNDATION_MXSTRINGJOURNAL_H
#define MXFOUNDATION_MXSTRINGJOURNAL_H

#include "mxjournal.h"

#include <cstddef>
#include <string>
#include <vector>

/// A journal that collects everything written to it in memory: the whole
/// text (`text()`), each `write` call as one piece (`writes()`), and the
/// number of `flush` calls (`flushes()`). Meant for tests of dumps: a test
/// streams into it and compares the exact text, write by write if need be.
/// Header-only; it is not part of the library's own code paths.
class MxStringJournal : public MxJournal {
public:
  MxStringJournal() = default;
  MxStringJournal(const MxStringJournal&) = delete;
  MxStringJournal& operator=(const MxStringJournal&) = delete;

  void write(const MxString& text) override {
    pieces_.emplace_back(text.as_const_c_string());
    text_ += pieces_.back();
  }
  void flush() override { ++flushes_; }

  /// Everything written so far, in order.
  const std::string& text() const { return text_; }
  /// One entry per `write` call, in order.
  const std::vector<std::string>& writes() const { return pieces_; }
  /// The number of `flush` calls.
  size_t flushes() const { return flushes_; }
  /// Forgets the text, the pieces and the flush count (not the format).
  void clear() {
    text_.clear();
    pieces_.clear();
    flushes_ = 0;
  }

private:
  std::string text_;
  std::vector<std::string> pieces_;
  size_t flushes_ = 0;
};

#endif
