// Which window holds each control, built once from the windows' layouts, so
// that the user-interface services find a control by its ID alone.
#pragma once

#include <span>
#include <vector>

#include "window/ui_layout.h"

namespace window {

class ControlIndex {
 public:
  // Control IDs must be unique over all the windows, and so must the windows'
  // IDs: a second use of either raises std::invalid_argument. The layouts
  // outlive the index.
  explicit ControlIndex(std::span<const FormLayout* const> forms);

  // The layout of a window; nullptr for a window that no layout describes.
  const FormLayout* form(FormId form) const;

  struct Place {
    const FormLayout* form = nullptr;
    const ControlLayout* control = nullptr;
  };
  // The window and the row of a control; {nullptr, nullptr} for an unknown ID.
  Place find(ControlId control) const;

 private:
  // A few dozen entries: looked up one after the other, which costs the
  // program less than any tree or table.
  std::span<const FormLayout* const> forms_;
  std::vector<Place> controls_;
};

}  // namespace window
