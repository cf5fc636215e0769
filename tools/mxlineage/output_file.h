// Where mxlineage writes: standard output, or a file that appears only once
// it is complete.
#ifndef MXLINEAGE_OUTPUT_FILE_H
#define MXLINEAGE_OUTPUT_FILE_H

#include <streambuf>
#include <string>

namespace mxlineage {

/// A stream buffer over a file descriptor with a buffer of its own.
///
/// Journals flush at the end of every dump line. With `write_on_sync` false
/// a flush leaves the text in the buffer, which is written when it is full
/// and by `drain`: a dump of a million lines then costs a few hundred writes
/// instead of a million. With `write_on_sync` true every flush writes (for
/// diagnostics on standard error, which should appear as they happen).
class FdStreamBuf : public std::streambuf {
public:
  FdStreamBuf(int fd, bool write_on_sync);
  FdStreamBuf(const FdStreamBuf&) = delete;
  FdStreamBuf& operator=(const FdStreamBuf&) = delete;
  ~FdStreamBuf() override;

  /// Writes what is buffered; false when a write failed (now or before).
  bool drain();
  /// The error number of the first failed write, or 0.
  int error() const { return error_; }

protected:
  int_type overflow(int_type c) override;
  int sync() override;

private:
  static constexpr size_t kSize = 1 << 16;
  int fd_;
  bool write_on_sync_;
  int error_ = 0;
  char buffer_[kSize];
};

/// An output file written under a temporary name in the same directory and
/// renamed to its final name by `commit`; destroyed without a commit, the
/// temporary file is removed, so a failed run leaves nothing behind.
class OutputFile {
public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  /// Creates the temporary file for `path`; false with `error` set when it
  /// cannot be made.
  bool open(const std::string& path, std::string& error);
  /// The descriptor to write to.
  int fd() const { return fd_; }
  /// Closes the file and gives it its final name; false with `error` set
  /// when that fails (the temporary file is then removed).
  bool commit(std::string& error);
  /// Removes the temporary file.
  void discard();

private:
  std::string path_;
  std::string temp_path_;
  int fd_ = -1;
};

} // namespace mxlineage

#endif
