#include "window/control_index.h"

#include <stdexcept>

namespace window {

ControlIndex::ControlIndex(std::span<const FormLayout* const> forms) : forms_(forms) {
  std::size_t count = 0;
  for (const FormLayout* form : forms_) count += form->controls.size();
  controls_.resize(count);
  std::size_t filled = 0;
  for (std::size_t i = 0; i < forms_.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (forms_[j]->id == forms_[i]->id) throw std::invalid_argument("a window is described twice");
    }
    for (const ControlLayout& control : forms_[i]->controls) {
      if (find(control.id).control != nullptr) throw std::invalid_argument("a control ID is used twice");
      controls_[filled++] = {forms_[i], &control};
    }
  }
}

const FormLayout* ControlIndex::form(FormId form) const {
  for (const FormLayout* known : forms_) {
    if (known->id == form) return known;
  }
  return nullptr;
}

ControlIndex::Place ControlIndex::find(ControlId control) const {
  for (const Place& place : controls_) {
    if (place.control != nullptr && place.control->id == control) return place;
  }
  return {nullptr, nullptr};
}

}  // namespace window
