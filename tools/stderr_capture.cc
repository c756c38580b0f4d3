#include "tools/stderr_capture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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

}  // namespace zorvel::tools
