#ifndef TOOLS_STDERR_CAPTURE_H_
#define TOOLS_STDERR_CAPTURE_H_

#include <functional>
#include <string>
#include <thread>

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

// Redirects standard error into a pipe from construction until Finish() and hands every complete
// line written meanwhile (without its newline) to `on_line` as it arrives, on a reader thread. Lets
// a long plug-in call report progress while it runs. `on_line` must not write to standard error
// through stdio (that would feed the pipe it drains); it writes with `tap.WriteToTerminal()`.
class StderrTap {
 public:
  using LineFn = std::function<void(const StderrTap& tap, const std::string& line)>;
  explicit StderrTap(LineFn on_line);
  ~StderrTap();
  StderrTap(const StderrTap&) = delete;
  StderrTap& operator=(const StderrTap&) = delete;

  // Restores standard error after delivering the last line (an unterminated tail included).
  void Finish();
  // Writes `text` to the standard error the process had before the tap.
  void WriteToTerminal(const std::string& text) const;

 private:
  LineFn on_line_;
  int saved_fd_ = -1;
  int read_fd_ = -1;
  std::thread reader_;
};

}  // namespace zorvel::tools

#endif  // TOOLS_STDERR_CAPTURE_H_
