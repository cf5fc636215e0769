// Buffered descriptor output and all-or-nothing output files (POSIX).
#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mxlineage {

FdStreamBuf::FdStreamBuf(int fd, bool write_on_sync) : fd_(fd), write_on_sync_(write_on_sync) {
  setp(buffer_, buffer_ + kSize);
}

FdStreamBuf::~FdStreamBuf() {
  drain();
}

bool FdStreamBuf::drain() {
  const char* p = pbase();
  size_t left = static_cast<size_t>(pptr() - pbase());
  while (left > 0 && error_ == 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  setp(buffer_, buffer_ + kSize); // after a failure the text is dropped
  return error_ == 0;
}

FdStreamBuf::int_type FdStreamBuf::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int FdStreamBuf::sync() {
  if (write_on_sync_) return drain() ? 0 : -1;
  return error_ == 0 ? 0 : -1;
}

OutputFile::~OutputFile() {
  discard();
}

bool OutputFile::open(const std::string& path, std::string& error) {
  discard();
  path_ = path;
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.empty()) {
    error = "cannot write '" + path + "': not a file name";
    return false;
  }
  std::string temp = dir + (slash == std::string::npos ? "/." : ".") + base + ".XXXXXX";
  fd_ = ::mkstemp(&temp[0]);
  if (fd_ < 0) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  temp_path_ = temp;
  // mkstemp makes the file private; give it the permissions of a new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
  return true;
}

bool OutputFile::commit(std::string& error) {
  if (fd_ < 0) {
    error = "cannot write '" + path_ + "': the file is not open";
    return false;
  }
  const int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0) {
    error = "cannot write '" + path_ + "': " + std::strerror(errno);
    discard();
    return false;
  }
  if (::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    error = "cannot write '" + path_ + "': " + std::strerror(errno);
    discard();
    return false;
  }
  temp_path_.clear();
  return true;
}

void OutputFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  temp_path_.clear();
}

} // namespace mxlineage
