#include "window/control_index.h"

#include <stdexcept>
#include <string>

namespace platform {

ControlIndex::ControlIndex(std::span<const FormLayout* const> forms) {
  for (const FormLayout* form : forms) {
    if (!forms_.emplace(form->id, form).second) {
      throw std::invalid_argument("window " + std::to_string(form->id) + " is described twice");
    }
    for (const ControlLayout& control : form->controls) {
      if (!controls_.emplace(control.id, Place{form, &control}).second) {
        throw std::invalid_argument("control " + std::to_string(control.id) + " is in two places");
      }
    }
  }
}

const FormLayout* ControlIndex::form(FormId form) const {
  const auto found = forms_.find(form);
  return found == forms_.end() ? nullptr : found->second;
}

ControlIndex::Place ControlIndex::find(ControlId control) const {
  const auto found = controls_.find(control);
  return found == controls_.end() ? Place{nullptr, nullptr} : found->second;
}

}  // namespace platform
