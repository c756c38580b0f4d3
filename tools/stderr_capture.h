#ifndef TOOLS_STDERR_CAPTURE_H_
#define TOOLS_STDERR_CAPTURE_H_

#include <string>

namespace zorvel::tools {

// Redirects the process's standard error into a temporary file from construction until Finish(),
// which restores it and returns what was written. Used to pair the plug-in's log lines with the
// call that wrote them.
class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  std::string Finish();

 private:
  int saved_fd_ = -1;
  int file_fd_ = -1;
};

}  // namespace zorvel::tools

#endif  // TOOLS_STDERR_CAPTURE_H_
