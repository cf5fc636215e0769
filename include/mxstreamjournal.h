// MxStreamJournal: a ready journal writing to a C++ stream or a C file.
/// \file
#ifndef MXFOUNDATION_MXSTREAMJOURNAL_H
#define MXFOUNDATION_MXSTREAMJOURNAL_H

#include "mxexport.h"
#include "mxjournal.h"

#include <cstdio>
#include <iosfwd>

/// A concrete journal for clients that want dumps on a stream: `write` puts
/// the text (up to its first NUL) on the stream or file, `flush` flushes it,
/// so every line ended by `mxEndExpr` or `mxEndSection` reaches it at once.
/// The stream or file belongs to the caller and must outlive the journal. A
/// null `FILE*` is reported (tag "mxstreamjournal") and gives a journal that
/// discards its text. The library itself never uses this class.
class MX_EXPORT MxStreamJournal : public MxJournal {
public:
  /// A journal writing to `stream`, which it does not own.
  explicit MxStreamJournal(std::ostream& stream);
  /// A journal writing to `file`, which it neither owns nor closes.
  explicit MxStreamJournal(std::FILE* file);
  MxStreamJournal(const MxStreamJournal&) = delete;
  MxStreamJournal& operator=(const MxStreamJournal&) = delete;
  ~MxStreamJournal() override;

  void write(const MxString& text) override;
  void flush() override;

private:
  std::ostream* stream_ = nullptr;
  std::FILE* file_ = nullptr;
};

#endif
