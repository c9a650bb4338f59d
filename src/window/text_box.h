// A text box of the program's windows as the export's progress display.
#pragma once

#include <string>

#include "registry_access/progress.h"
#include "window/ui.h"

namespace window {

class TextBox final : public ExportProgress {
 public:
  TextBox(Ui* ui, ControlId control) : ui_(ui), control_(control) {}

  void set_text(const std::string& text) const override { ui_->set_text(control_, text); }
  void do_events() const override { ui_->do_events(); }

 private:
  Ui* ui_;
  ControlId control_;
};

}  // namespace window
