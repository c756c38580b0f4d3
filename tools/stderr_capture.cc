#include "tools/stderr_capture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace zorvel::tools {

StderrCapture::StderrCapture() {
  std::fflush(stderr);
  char path[] = "/tmp/zorvel-ov-log-XXXXXX";
  file_fd_ = mkstemp(path);
  if (file_fd_ < 0) return;
  unlink(path);
  saved_fd_ = dup(STDERR_FILENO);
  if (saved_fd_ < 0 || dup2(file_fd_, STDERR_FILENO) < 0) {
    close(file_fd_);
    file_fd_ = -1;
  }
}

StderrCapture::~StderrCapture() { Finish(); }

std::string StderrCapture::Finish() {
  std::string text;
  if (file_fd_ < 0) return text;
  std::fflush(stderr);
  dup2(saved_fd_, STDERR_FILENO);
  close(saved_fd_);
  if (lseek(file_fd_, 0, SEEK_SET) == 0) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(file_fd_, buffer, sizeof(buffer))) > 0) text.append(buffer, n);
  }
  close(file_fd_);
  file_fd_ = -1;
  saved_fd_ = -1;
  return text;
}

StderrTap::StderrTap(LineFn on_line) : on_line_(std::move(on_line)) {
  std::fflush(stderr);
  int fds[2];
  if (pipe(fds) != 0) return;
  saved_fd_ = dup(STDERR_FILENO);
  if (saved_fd_ < 0 || dup2(fds[1], STDERR_FILENO) < 0) {
    close(fds[0]);
    close(fds[1]);
    if (saved_fd_ >= 0) close(saved_fd_);
    saved_fd_ = -1;
    return;
  }
  close(fds[1]);  // standard error now holds the only write end
  read_fd_ = fds[0];
  reader_ = std::thread([this] {
    std::string pending;
    char buffer[4096];
    ssize_t n;
    while ((n = read(read_fd_, buffer, sizeof(buffer))) > 0) {
      pending.append(buffer, static_cast<size_t>(n));
      size_t start = 0;
      for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
        on_line_(*this, pending.substr(start, end - start));
      }
      pending.erase(0, start);
    }
    if (!pending.empty()) on_line_(*this, pending);
  });
}

StderrTap::~StderrTap() { Finish(); }

void StderrTap::Finish() {
  if (saved_fd_ < 0) return;
  std::fflush(stderr);
  // Putting the terminal back closes the pipe's last write end, which ends the reader.
  dup2(saved_fd_, STDERR_FILENO);
  if (reader_.joinable()) reader_.join();
  close(read_fd_);
  close(saved_fd_);
  read_fd_ = -1;
  saved_fd_ = -1;
}

void StderrTap::WriteToTerminal(const std::string& text) const {
  const int fd = saved_fd_ >= 0 ? saved_fd_ : STDERR_FILENO;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace zorvel::tools
