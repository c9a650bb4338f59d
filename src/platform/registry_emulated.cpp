#include "platform/registry_emulated.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

constexpr std::uint32_t maximum_allowed = 0x02000000;
constexpr std::uint32_t generic_read = 0x80000000;
constexpr std::uint32_t generic_write = 0x40000000;
constexpr std::uint32_t generic_execute = 0x20000000;
constexpr std::uint32_t generic_all = 0x10000000;
constexpr std::uint32_t wow64_views = 0x0300;  // KEY_WOW64_64KEY | KEY_WOW64_32KEY: a view, not a right
constexpr long no_access = 998;                // ERROR_NOACCESS: a null buffer with a non-zero size
constexpr std::size_t max_sub_key_path = 260;  // MAX_PATH, without the terminator

// The A functions take C strings: a name ends at its first NUL.
std::string c_string(const std::string& name) { return name.substr(0, name.find('\0')); }

// Windows compares registry names after upper-casing each character with
// its one locale-free table: "i" becomes "I", while the Turkish dotless "ı"
// and dotted "İ" have no partner there and match only themselves.
char16_t to_upper(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  switch (c) {
    case 0x00FF: return 0x0178;
    case 0x011F: return 0x011E;
    case 0x015F: return 0x015E;
    case 0x0161: return 0x0160;
    case 0x0153: return 0x0152;
    default: return c;
  }
}

// The form under which names are compared and sub-keys sorted.
std::u16string fold(const std::string& name) {
  std::u16string out(name.size(), u'\0');
  for (std::size_t i = 0; i < name.size(); ++i)
    out[i] = to_upper(static_cast<char16_t>(cp1254_to_unicode(static_cast<unsigned char>(name[i]))));
  return out;
}

bool is_string_type(std::uint32_t type) { return type == reg::sz || type == reg::expand_sz || type == reg::multi_sz; }

std::uint32_t normalize_access(std::uint32_t sam) {
  std::uint32_t mask =
      sam & ~(wow64_views | maximum_allowed | generic_read | generic_write | generic_execute | generic_all);
  if (sam & (generic_read | generic_execute)) mask |= access::read;
  if (sam & generic_write) mask |= access::write;
  if (sam & generic_all) mask |= access::all;
  return mask;
}

// Splits a sub-key path into its names. A leading backslash is refused
// (ERROR_BAD_PATHNAME); empty names inside or at the end ("a\\\\b", "a\\")
// are skipped. The ANSI functions convert the path into a buffer of
// MAX_PATH characters, so a longer one gives ERROR_MORE_DATA.
long split_path(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  if (path.empty()) return win::success;
  if (path.front() == '\\') return win::bad_pathname;
  if (path.size() > max_sub_key_path) return win::more_data;
  std::size_t start = 0;
  while (start < path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) names->push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return win::success;
}

}  // namespace

struct EmulatedRegistry::Key : std::enable_shared_from_this<EmulatedRegistry::Key> {
  std::string name;
  std::size_t root = 0;
  Key* parent = nullptr;
  bool deleted = false;
  // Sorted by folded name: the order in which Windows enumerates sub-keys.
  std::vector<std::pair<std::u16string, std::shared_ptr<Key>>> children;
  // Creation order: the order in which Windows enumerates values. A deleted
  // value leaves a gap until gaps are half the slots, so that deleting many
  // values one by one stays cheap.
  std::vector<Value> values;
  // A key of a few values is searched through; from this many slots on, an
  // index by folded name finds a value at once.
  static constexpr std::size_t index_from = 32;
  bool indexed = false;
  std::unordered_map<std::u16string, std::size_t> value_index;  // folded name -> slot
  std::size_t gaps = 0;
  // The values' bytes, one after another. Bytes a value no longer uses stay
  // until they are half the store, so that most writes need no memory of
  // their own.
  std::string store;
  std::size_t unused = 0;
  // The last position enumerated and its slot: enumerating in order costs
  // one step per value even with gaps.
  bool cursor_valid = false;
  std::size_t cursor_index = 0;
  std::size_t cursor_slot = 0;

  std::size_t value_count() const { return values.size() - gaps; }

  Value* value_at(std::size_t index) {
    if (index >= value_count()) return nullptr;
    if (gaps == 0) return &values[index];
    std::size_t i = 0;
    std::size_t slot = 0;
    if (cursor_valid && cursor_index <= index) {
      i = cursor_index;
      slot = cursor_slot;
    } else {
      while (!values[slot].live) ++slot;
    }
    for (; i < index; ++i) {
      do ++slot;
      while (!values[slot].live);
    }
    cursor_valid = true;
    cursor_index = index;
    cursor_slot = slot;
    return &values[slot];
  }

  Value* find_value(const std::u16string& folded) {
    if (indexed) {
      const auto it = value_index.find(folded);
      return it == value_index.end() ? nullptr : &values[it->second];
    }
    const std::size_t hash = std::hash<std::u16string>{}(folded);
    for (Value& v : values) {
      if (v.live && v.hash == hash && v.folded == folded) return &v;
    }
    return nullptr;
  }

  Value& add_value(std::string name, std::u16string folded) {
    if (values.empty()) values.reserve(16);
    const std::size_t hash = std::hash<std::u16string>{}(folded);
    values.push_back(Value{std::move(name), std::move(folded), hash, 0, 0, 0, true});
    if (indexed) {
      value_index.emplace(values.back().folded, values.size() - 1);
    } else if (values.size() >= index_from) {
      build_index();
    }
    return values.back();
  }

  std::string_view bytes(const Value& v) const { return std::string_view(store).substr(v.offset, v.size); }

  // Gives the value these bytes, with a terminating zero when asked.
  void set_bytes(Value& v, const std::uint8_t* data, std::size_t size, bool terminate) {
    const std::size_t total = size + (terminate ? 1 : 0);
    if (total > v.size) {
      unused += v.size;
      v.offset = store.size();
      store.resize(store.size() + total);
    } else {
      unused += v.size - total;
    }
    if (size > 0) std::memcpy(store.data() + v.offset, data, size);
    if (terminate) store[v.offset + size] = '\0';
    v.size = total;
    if (unused * 2 > store.size() && store.size() > 4096) compact();
  }

  void compact() {
    std::string kept;
    kept.reserve(store.size() - unused);
    for (Value& v : values) {
      const std::string_view b = v.live ? bytes(v) : std::string_view();
      v.offset = kept.size();
      v.size = b.size();
      kept += b;
    }
    store = std::move(kept);
    unused = 0;
  }

  void erase_value(Value& v) {
    v.live = false;
    unused += v.size;
    v.size = 0;
    if (indexed) value_index.erase(v.folded);
    ++gaps;
    cursor_valid = false;
    if (gaps * 2 <= values.size()) return;
    std::erase_if(values, [](const Value& value) { return !value.live; });
    gaps = 0;
    if (indexed) build_index();
  }

  void build_index() {
    indexed = true;
    value_index.clear();
    for (std::size_t slot = 0; slot < values.size(); ++slot) {
      if (values[slot].live) value_index.emplace(values[slot].folded, slot);
    }
  }

  std::vector<std::pair<std::u16string, std::shared_ptr<Key>>>::iterator find_child(const std::u16string& folded) {
    return std::lower_bound(children.begin(), children.end(), folded,
                            [](const auto& child, const std::u16string& f) { return child.first < f; });
  }
  std::shared_ptr<Key> child(const std::u16string& folded) {
    const auto it = find_child(folded);
    return it != children.end() && it->first == folded ? it->second : nullptr;
  }
};

EmulatedRegistry::EmulatedRegistry() {
  for (std::size_t i = 0; i < roots_.size(); ++i) {
    roots_[i] = std::make_shared<Key>();
    roots_[i]->root = i;
  }
}

EmulatedRegistry::~EmulatedRegistry() = default;

bool EmulatedRegistry::injected_fault(Call which, long* code) {
  ++calls_[static_cast<std::size_t>(which)];
  const auto it = faults_.find(which);
  if (it == faults_.end()) return false;
  Fault& fault = it->second;
  *code = fault.code;
  if (fault.countdown == 0) return true;
  if (--fault.countdown > 0) return false;
  faults_.erase(it);
  return true;
}

void EmulatedRegistry::fail_call(Call which, long code, unsigned nth) {
  faults_[which] = Fault{nth == 0 ? 1 : nth, code};
}

void EmulatedRegistry::fail_every_call(Call which, long code) { faults_[which] = Fault{0, code}; }

void EmulatedRegistry::clear_faults() { faults_.clear(); }

void EmulatedRegistry::set_read_only(Hkey root, bool read_only) {
  if (is_predefined_root(root)) read_only_[root - hkey::classes_root] = read_only;
}

long EmulatedRegistry::resolve(Hkey key, std::uint32_t needed, Key** out) const {
  // No share of the key is taken: the handle keeps it while the call runs.
  std::uint32_t granted = 0;
  if (is_predefined_root(key)) {
    const std::size_t i = key - hkey::classes_root;
    *out = roots_[i].get();
    granted = read_only_[i] ? access::read : access::all;
  } else {
    const auto it = handles_.find(key);
    if (it == handles_.end()) return win::invalid_handle;
    *out = it->second.key.get();
    granted = it->second.access;
  }
  if ((granted & needed) != needed) return win::access_denied;
  if ((*out)->deleted) return win::key_deleted;
  return win::success;
}

Hkey EmulatedRegistry::new_handle(std::shared_ptr<Key> key, std::uint32_t access) {
  // Handles are never reused, so a stale one stays invalid.
  const Hkey h = next_handle_;
  next_handle_ += 4;
  handles_.emplace(h, Handle{std::move(key), access});
  return h;
}

long EmulatedRegistry::open_path(Hkey root, const std::string& sub_key_arg, std::uint32_t sam, bool create,
                                 Hkey* result, std::uint32_t* disposition) {
  const std::string sub_key = c_string(sub_key_arg);
  if (result == nullptr) return win::invalid_parameter;
  *result = 0;
  Key* base = nullptr;
  if (const long rc = resolve(root, 0, &base); rc != win::success) return rc;
  std::vector<std::string> names;
  if (const long rc = split_path(sub_key, &names); rc != win::success) return rc;
  for (const std::string& name : names) {
    // No key of a longer name can exist; creating one is refused outright.
    if (name.size() > max_key_name) return create ? win::invalid_parameter : win::file_not_found;
  }

  // Rights asked for by name must all be granted; MAXIMUM_ALLOWED adds
  // whatever the root's policy allows.
  const bool read_only = read_only_[base->root];
  std::uint32_t granted = normalize_access(sam);
  if (read_only && (granted & access::changing) != 0) return win::access_denied;
  if (sam & maximum_allowed) granted |= read_only ? access::read : access::all;

  std::shared_ptr<Key> key = base->shared_from_this();
  bool created = false;
  for (const std::string& name : names) {
    const std::u16string folded = fold(name);
    std::shared_ptr<Key> next = key->child(folded);
    if (!next) {
      if (!create) return win::file_not_found;
      if (read_only) return win::access_denied;
      next = std::make_shared<Key>();
      next->name = name;
      next->root = key->root;
      next->parent = key.get();
      key->children.emplace(key->find_child(folded), folded, next);
      created = true;
    }
    key = std::move(next);
  }
  if (disposition != nullptr) *disposition = created ? 1 : 2;
  *result = new_handle(std::move(key), granted);
  return win::success;
}

long EmulatedRegistry::open_key_ex(Hkey root, const std::string& sub_key, std::uint32_t /*options*/, std::uint32_t sam,
                                   Hkey* result) {
  long code = 0;
  if (injected_fault(Call::open_key_ex, &code)) {
    if (result != nullptr) *result = 0;
    return code;
  }
  return open_path(root, sub_key, sam, false, result, nullptr);
}

long EmulatedRegistry::open_key(Hkey root, const std::string& sub_key, Hkey* result) {
  long code = 0;
  if (injected_fault(Call::open_key, &code)) {
    if (result != nullptr) *result = 0;
    return code;
  }
  if (sub_key.empty()) {
    // The same handle comes back: the caller must not close it twice.
    if (result == nullptr) return win::invalid_parameter;
    *result = 0;
    Key* k = nullptr;
    if (const long rc = resolve(root, 0, &k); rc != win::success) return rc;
    *result = root;
    return win::success;
  }
  return open_path(root, sub_key, maximum_allowed, false, result, nullptr);
}

long EmulatedRegistry::create_key(Hkey root, const std::string& sub_key, Hkey* result) {
  long code = 0;
  if (injected_fault(Call::create_key, &code)) {
    if (result != nullptr) *result = 0;
    return code;
  }
  return open_path(root, sub_key, maximum_allowed, true, result, nullptr);
}

long EmulatedRegistry::create_key_ex(Hkey root, const std::string& sub_key, std::uint32_t /*options*/,
                                     std::uint32_t sam, Hkey* result, std::uint32_t* disposition) {
  long code = 0;
  if (injected_fault(Call::create_key_ex, &code)) {
    if (result != nullptr) *result = 0;
    return code;
  }
  return open_path(root, sub_key, sam, true, result, disposition);
}

long EmulatedRegistry::query_value_ex(Hkey key, const std::string& value_name_arg, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* size) {
  const std::string value_name = c_string(value_name_arg);
  long code = 0;
  if (injected_fault(Call::query_value_ex, &code)) return code;
  if (data != nullptr && size == nullptr) return win::invalid_parameter;
  Key* h = nullptr;
  if (const long rc = resolve(key, access::query_value, &h); rc != win::success) return rc;
  const Value* found = h->find_value(fold(value_name));
  if (found == nullptr) return win::file_not_found;
  const Value& v = *found;
  const std::string_view stored = h->bytes(v);
  const auto len = static_cast<std::uint32_t>(stored.size());
  if (type != nullptr) *type = v.type;
  if (data == nullptr) {
    if (size != nullptr) *size = len;
    return win::success;
  }
  if (len > *size) {
    *size = len;
    return win::more_data;
  }
  std::copy(stored.begin(), stored.end(), data);
  // A string stored without its terminator gets one when the buffer has
  // room; the size reported stays that of the stored data. An empty string
  // gets none.
  if (is_string_type(v.type) && len > 0 && len < *size && stored.back() != 0) data[len] = 0;
  *size = len;
  return win::success;
}

long EmulatedRegistry::put_value(Hkey key, const std::string& value_name_arg, std::uint32_t type,
                                 const std::uint8_t* data, std::uint32_t size, bool terminate) {
  const std::string value_name = c_string(value_name_arg);
  Key* h = nullptr;
  if (const long rc = resolve(key, access::set_value, &h); rc != win::success) return rc;
  if (value_name.size() > max_value_name) return win::invalid_parameter;
  Key& k = *h;
  std::u16string folded = fold(value_name);
  // Replaced in place: the value keeps its name and its position.
  Value* v = k.find_value(folded);
  if (v == nullptr) v = &k.add_value(value_name, std::move(folded));
  v->type = type;
  k.set_bytes(*v, data, size, terminate);
  return win::success;
}

long EmulatedRegistry::set_value_ex(Hkey key, const std::string& value_name, std::uint32_t type,
                                    const std::uint8_t* data, std::uint32_t size) {
  long code = 0;
  if (injected_fault(Call::set_value_ex, &code)) return code;
  if (data == nullptr && size != 0) return no_access;
  // A string whose size leaves out its terminator is stored with one. We
  // never look past the given size to decide, unlike advapi32.
  return put_value(key, value_name, type, data, size, is_string_type(type) && size > 0 && data[size - 1] != 0);
}

long EmulatedRegistry::store_raw_value(Hkey key, const std::string& value_name, std::uint32_t type,
                                       const std::vector<std::uint8_t>& data) {
  return put_value(key, value_name, type, data.data(), static_cast<std::uint32_t>(data.size()), false);
}

long EmulatedRegistry::enum_key_ex(Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len) {
  long code = 0;
  if (injected_fault(Call::enum_key_ex, &code)) return code;
  if (name == nullptr || name_len == nullptr) return win::invalid_parameter;
  Key* h = nullptr;
  if (const long rc = resolve(key, access::enumerate_sub_keys, &h); rc != win::success) return rc;
  if (index >= h->children.size()) return win::no_more_items;
  const std::string& child = h->children[index].second->name;
  if (child.size() >= *name_len) return win::more_data;
  std::memcpy(name, child.data(), child.size());
  name[child.size()] = '\0';
  *name_len = static_cast<std::uint32_t>(child.size());
  return win::success;
}

long EmulatedRegistry::enum_value(Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len,
                                  std::uint32_t* type, std::uint8_t* data, std::uint32_t* data_len) {
  long code = 0;
  if (injected_fault(Call::enum_value, &code)) return code;
  if (name == nullptr || name_len == nullptr || (data != nullptr && data_len == nullptr)) {
    return win::invalid_parameter;
  }
  Key* h = nullptr;
  if (const long rc = resolve(key, access::query_value, &h); rc != win::success) return rc;
  const Value* found = h->value_at(index);
  if (found == nullptr) return win::no_more_items;
  const Value& v = *found;
  const std::string_view stored = h->bytes(v);
  const auto len = static_cast<std::uint32_t>(stored.size());
  // Type and needed size are told even when something did not fit.
  if (type != nullptr) *type = v.type;
  if (data != nullptr && len > *data_len) {
    // Data that does not fit: neither name nor data is written.
    *data_len = len;
    return win::more_data;
  }
  if (data != nullptr) {
    std::copy(stored.begin(), stored.end(), data);
    if (is_string_type(v.type) && len > 0 && len < *data_len && stored.back() != 0) data[len] = 0;
  }
  if (data_len != nullptr) *data_len = len;
  if (v.name.size() >= *name_len) {
    // A name that does not fit (its terminator included): the data is
    // written, and the name as far as the buffer holds it with a terminator;
    // the length stays as it was given.
    if (*name_len > 0) {
      std::memcpy(name, v.name.data(), *name_len - 1);
      name[*name_len - 1] = '\0';
    }
    return win::more_data;
  }
  std::memcpy(name, v.name.data(), v.name.size());
  name[v.name.size()] = '\0';
  *name_len = static_cast<std::uint32_t>(v.name.size());
  return win::success;
}

long EmulatedRegistry::delete_key(Hkey key, const std::string& sub_key_arg) {
  const std::string sub_key = c_string(sub_key_arg);
  long code = 0;
  if (injected_fault(Call::delete_key, &code)) return code;
  Key* h = nullptr;
  if (const long rc = resolve(key, 0, &h); rc != win::success) return rc;
  std::vector<std::string> names;
  if (const long rc = split_path(sub_key, &names); rc != win::success) return rc;
  std::shared_ptr<Key> target = h->shared_from_this();
  for (const std::string& name : names) {
    target = target->child(fold(name));
    if (!target) return win::file_not_found;
  }
  // A root cannot go, nor anything below a root that may not be changed,
  // nor a key that still has sub-keys.
  if (target->parent == nullptr || read_only_[target->root] || !target->children.empty()) {
    return win::access_denied;
  }
  Key& parent = *target->parent;
  parent.children.erase(parent.find_child(fold(target->name)));
  target->deleted = true;  // open handles now give ERROR_KEY_DELETED
  target->parent = nullptr;
  return win::success;
}

long EmulatedRegistry::delete_value(Hkey key, const std::string& value_name_arg) {
  const std::string value_name = c_string(value_name_arg);
  long code = 0;
  if (injected_fault(Call::delete_value, &code)) return code;
  Key* h = nullptr;
  if (const long rc = resolve(key, access::set_value, &h); rc != win::success) return rc;
  Key& k = *h;
  Value* v = k.find_value(fold(value_name));
  if (v == nullptr) return win::file_not_found;
  k.erase_value(*v);
  return win::success;
}

long EmulatedRegistry::close_key(Hkey key) {
  long code = 0;
  if (injected_fault(Call::close_key, &code)) return code;
  if (is_predefined_root(key)) return win::success;
  return handles_.erase(key) == 1 ? win::success : win::invalid_handle;
}

long EmulatedRegistry::connect_registry(const std::string& machine_name, Hkey root, Hkey* result) {
  long code = 0;
  if (injected_fault(Call::connect_registry, &code)) {
    if (result != nullptr) *result = 0;
    return code;
  }
  if (result == nullptr) return win::invalid_parameter;
  *result = 0;
  // Only the local computer exists here; any other is unreachable, at once.
  if (!machine_name.empty()) return win::bad_netpath;
  if (!is_predefined_root(root)) return win::invalid_handle;
  *result = root;
  return win::success;
}

}  // namespace platform
