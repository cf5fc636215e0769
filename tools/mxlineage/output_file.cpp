// Buffered descriptor output and output files replaced only when complete
// (POSIX).
#include "output_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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

namespace {

// The temporary file a signal handler removes: a copy of its name in static
// storage, valid while `g_temp_armed` is set.
char g_temp_name[PATH_MAX + 1];
volatile sig_atomic_t g_temp_armed = 0;
const int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void remove_temp_and_die(int signal_number) {
  if (g_temp_armed) ::unlink(g_temp_name);
  g_temp_armed = 0;
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

/// Installs the handler, except for signals the caller chose to ignore (as
/// nohup does with SIGHUP).
void install_cleanup_handlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int s : kCleanupSignals) {
    struct sigaction old {};
    if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = remove_temp_and_die;
    sigemptyset(&action.sa_mask);
    ::sigaction(s, &action, nullptr);
  }
}

/// Holds the cleanup signals back while a temporary file changes hands.
class SignalsHeld {
public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kCleanupSignals) sigaddset(&set, s);
    ::sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsHeld() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
  sigset_t old_;
};

void arm_temp(const std::string& name) {
  if (name.size() > PATH_MAX) return; // cannot be created anyway
  SignalsHeld held;
  std::memcpy(g_temp_name, name.c_str(), name.size() + 1);
  g_temp_armed = 1;
  install_cleanup_handlers();
}

std::string directory_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return path.substr(0, slash + 1);
}

std::string base_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// The name a chain of symbolic links starting at `path` ends in, whether
/// that file exists or not; `path` itself when it is no link. False after
/// too many links (errno ELOOP) or an unreadable one.
bool follow_links(std::string path, std::string& result) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      result = path;
      return true;
    }
    std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
    const ssize_t n = ::readlink(path.c_str(), &target[0], target.size());
    if (n < 0) return false;
    target.resize(static_cast<size_t>(n));
    path = !target.empty() && target[0] == '/' ? target : directory_of(path) + target;
  }
  errno = ELOOP;
  return false;
}

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

OutputFile::~OutputFile() {
  discard();
}

std::string OutputFile::failure(int err) const {
  return "cannot write '" + path_ + "': " + std::strerror(err);
}

bool OutputFile::prepare(const std::string& path, int input, std::string& error,
                         std::string& note) {
  discard();
  path_ = path;
  target_ = path;
  if (base_of(path).empty()) {
    error = "cannot write '" + path + "': not a file name";
    return false;
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      error = failure(errno);
      return false;
    }
    return prepare_new(error);
  }
  struct stat in;
  if (input >= 0 && ::fstat(input, &in) == 0 && same_file(st, in)) {
    error = "cannot write '" + path + "': it is the history being read";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    mode_ = DIRECT; // opened when the text is ready: a FIFO waits for a reader
    return true;
  }
  return prepare_regular(st, error, note);
}

bool OutputFile::prepare_regular(const struct stat& st, std::string& error, std::string& note) {
  char resolved[PATH_MAX];
  if (!::realpath(path_.c_str(), resolved)) {
    error = failure(errno);
    return false;
  }
  target_ = resolved;
  if (::access(target_.c_str(), W_OK) != 0) {
    error = failure(errno);
    return false;
  }
  if (st.st_nlink > 1) {
    mode_ = IN_PLACE;
    note = "'" + path_ + "' has " + std::to_string(st.st_nlink) +
           " hard links, so it is written in place (not atomically)";
    return true;
  }
  if (make_temp(&st)) return true;
  mode_ = IN_PLACE;
  note = "no temporary file can be made beside '" + path_ + "' (" + std::strerror(errno) +
         "), so it is written in place (not atomically)";
  return true;
}

bool OutputFile::prepare_new(std::string& error) {
  // A dangling symbolic link: create the file it names, keeping the link.
  if (!follow_links(path_, target_)) {
    error = failure(errno);
    return false;
  }
  if (make_temp(nullptr)) return true;
  error = failure(errno);
  return false;
}

bool OutputFile::make_temp(const struct stat* existing) {
  const std::string dir = directory_of(target_);
  std::string temp = dir + "." + base_of(target_) + ".XXXXXX";
  fd_ = ::mkstemp(&temp[0]);
  if (fd_ < 0) return false;
  temp_path_ = temp;
  arm_temp(temp_path_);
  mode_ = REPLACE;
  if (existing) {
    // The replacement looks like the file it replaces: mode, then as much
    // of the ownership as this user may give away.
    ::fchmod(fd_, existing->st_mode & 07777);
    if (::fchown(fd_, existing->st_uid, existing->st_gid) != 0 &&
        ::fchown(fd_, static_cast<uid_t>(-1), existing->st_gid) != 0) {
      // the file stays the writer's own
    }
    ::fchmod(fd_, existing->st_mode & 07777); // chown may clear set-id bits
  } else {
    // mkstemp makes the file private; give it the permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
  }
  return true;
}

bool OutputFile::open(std::string& error) {
  if (mode_ == REPLACE) return fd_ >= 0;
  const int flags = mode_ == IN_PLACE ? O_WRONLY | O_TRUNC : O_WRONLY;
  do {
    fd_ = ::open(target_.c_str(), flags | O_CLOEXEC);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) error = failure(errno);
  return fd_ >= 0;
}

bool OutputFile::commit(std::string& error) {
  if (fd_ < 0) {
    error = "cannot write '" + path_ + "': the file is not open";
    return false;
  }
  const int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0) {
    error = failure(errno);
    discard();
    return false;
  }
  if (mode_ != REPLACE) return true;
  SignalsHeld held;
  if (::rename(temp_path_.c_str(), target_.c_str()) != 0) {
    error = failure(errno);
    discard();
    return false;
  }
  g_temp_armed = 0;
  temp_path_.clear();
  return true;
}

void OutputFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (temp_path_.empty()) return;
  SignalsHeld held;
  ::unlink(temp_path_.c_str());
  g_temp_armed = 0;
  temp_path_.clear();
}

} // namespace mxlineage
