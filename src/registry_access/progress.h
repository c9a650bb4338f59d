// What the export shows while it runs: before each key it lets pending events
// run, then shows the key's path. A program with windows hands in one of its
// text boxes (window/text_box.h); by default nothing is shown.
#pragma once

#include <string>

class ExportProgress {
 public:
  ExportProgress() = default;
  ExportProgress(const ExportProgress&) = default;
  ExportProgress& operator=(const ExportProgress&) = default;
  virtual ~ExportProgress() = default;

  // The key's path (UTF-8) that the export is at.
  virtual void set_text(const std::string& /*text*/) const {}
  // Events the program has queued are handled before the call returns.
  virtual void do_events() const {}
};
