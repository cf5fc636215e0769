// A journal writing to a C++ stream or a C file.
#include "mxstreamjournal.h"

#include "mxassert.h"

#include <ostream>

MxStreamJournal::MxStreamJournal(std::ostream& stream) : stream_(&stream) {}

MxStreamJournal::MxStreamJournal(std::FILE* file) : file_(file) {
  if (!file) MX_REPORT("mxstreamjournal");
}

MxStreamJournal::~MxStreamJournal() = default;

void MxStreamJournal::write(const MxString& text) {
  if (stream_)
    *stream_ << text.as_const_c_string();
  else if (file_)
    std::fputs(text.as_const_c_string(), file_);
}

void MxStreamJournal::flush() {
  if (stream_)
    stream_->flush();
  else if (file_)
    std::fflush(file_);
}
