// Where mxlineage writes: standard output, or a file that is replaced only
// once the new text is complete.
#ifndef MXLINEAGE_OUTPUT_FILE_H
#define MXLINEAGE_OUTPUT_FILE_H

#include <streambuf>
#include <string>
#include <sys/stat.h>

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

/// An output file, written the safest way its kind allows:
///
/// - a regular file, or a name not taken yet, is written under a temporary
///   name beside it and renamed over it by `commit`, keeping the mode (and,
///   where allowed, the owner) of the file it replaces; through a symbolic
///   link, the file the link points to is the one replaced;
/// - a regular file with other hard links, or one beside which no temporary
///   file can be made, is written in place (`note` says so: that is not
///   atomic);
/// - anything else (a device, a FIFO, a terminal) is opened and written as
///   it is, only when the text is ready (`open`).
///
/// Until the commit a temporary file is removed when the object goes, and
/// also when the process is stopped by SIGINT, SIGTERM or SIGHUP.
class OutputFile {
public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  /// Decides how `path` is written and makes the temporary file when there
  /// is one. `input` is the descriptor of the history being read (or -1):
  /// writing onto it is refused. False with `error` set; a remark for the
  /// user goes to `note`.
  bool prepare(const std::string& path, int input, std::string& error, std::string& note);
  /// Opens a file that is written directly; nothing to do for a temporary
  /// file. False with `error` set.
  bool open(std::string& error);
  /// The descriptor to write to (after `open`).
  int fd() const { return fd_; }
  /// Closes the file and, for a temporary file, gives it its final name;
  /// false with `error` set when that fails (the temporary file is then
  /// removed).
  bool commit(std::string& error);
  /// Removes the temporary file, if any.
  void discard();

private:
  enum Mode { REPLACE, IN_PLACE, DIRECT };

  bool prepare_regular(const struct stat& st, std::string& error, std::string& note);
  bool prepare_new(std::string& error);
  bool make_temp(const struct stat* existing);
  std::string failure(int err) const;

  std::string path_;   ///< as the user gave it
  std::string target_; ///< the file finally written (links followed)
  std::string temp_path_;
  Mode mode_ = REPLACE;
  int fd_ = -1;
};

} // namespace mxlineage

#endif
