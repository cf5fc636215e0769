// MxObjectTable and MxObjTable: the object table and its dump.
#include "mxobjtable.h"

#include "mxobject.h"

#include <utility>

namespace {

// Source tag of the reports of the operations that are not provided.
const char* const tag = "mxobjtable";

// The most slots a table can have: every index in range is then below the
// "no entry" marker, and no slot count overflows the size of the buffer.
constexpr size_t max_slots = MxObjectTable::no_entry;

/// A clone of `object` as an `MxObject`, owned by the caller; null when the
/// clone is missing or of another kind (such a clone is destroyed).
MxObject* clone_object(const MxObject& object) {
  MxDynObj* copy = object.clone();
  MxObject* typed = dynamic_cast<MxObject*>(copy);
  if (!typed) delete copy;
  return typed;
}

} // namespace

MxObjectTable::~MxObjectTable() = default;

MxObjTable::MxObjTable() : entry_type_(MxObject::type_id()) {}

MxObjTable::MxObjTable(const MxString& name) : name_(name), entry_type_(MxObject::type_id()) {}

MxObjTable::MxObjTable(const MxString& name, const MxString* const& entry_type)
    : name_(name), entry_type_(entry_type) {}

MxObjTable::MxObjTable(const MxObjTable& other)
    : MxObjectTable(other), entry_type_(MxObject::type_id()) {
  *this = other;
}

MxObjTable& MxObjTable::operator=(const MxObjTable& other) {
  if (this == &other) return *this;
  name_ = other.name_;
  active_entry_ = other.active_entry_;
  variable_table_offset_ = other.variable_table_offset_;
  entry_type_ = other.entry_type_;
  MxArray<MxObject*> copies;
  copies.resize(other.entries_.size(), false);
  for (size_t i = 0; i < copies.size(); ++i)
    if (const MxObject* entry = other.entries_[i]) copies[i] = clone_object(*entry);
  destroy_entries();
  entries_ = std::move(copies);
  return *this;
}

MxObjTable::~MxObjTable() {
  destroy_entries();
}

void MxObjTable::destroy_entries() {
  for (MxObject*& entry : entries_) {
    delete entry;
    entry = nullptr;
  }
  entries_.resize(0, false);
}

size_t MxObjTable::size() const {
  return entries_.size();
}

size_t MxObjTable::n_valid_entries() const {
  size_t n = 0;
  for (const MxObject* entry : entries_)
    if (entry) ++n;
  return n;
}

bool MxObjTable::resize(size_t n) {
  if (n <= entries_.size() || n > max_slots) return false;
  entries_.resize(n, true); // the new slots are empty
  return true;
}

MxString& MxObjTable::get_name() {
  return name_;
}

const MxString& MxObjTable::get_name() const {
  return name_;
}

bool MxObjTable::set_name(const MxString& name) {
  name_ = name;
  return true;
}

bool MxObjTable::set_name(const char* name) {
  if (name) name_ = name;
  return true;
}

bool MxObjTable::list_by_name(MxArray<MxString>&) const {
  Mx_assert(tag, __LINE__);
  return false;
}

void MxObjTable::list_by_valid_indices(MxArray<unsigned int>& indices) const {
  indices.resize(0, true);
  indices.resize(n_valid_entries(), true);
  size_t k = 0;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i]) indices[k++] = static_cast<unsigned int>(i);
}

unsigned int MxObjTable::get_variable_table_offset() const {
  return variable_table_offset_;
}

bool MxObjTable::set_variable_table_offset(unsigned int offset) {
  if (offset > entries_.size()) return false;
  variable_table_offset_ = offset;
  return true;
}

unsigned int MxObjTable::get_index_by_name(const char* name) const {
  const MxString text(name);
  return get_index_by_name(text);
}

unsigned int MxObjTable::get_index_by_name(const MxString&) const {
  Mx_assert(tag, __LINE__);
  return no_entry;
}

bool MxObjTable::get_name_by_index(unsigned int, MxString&) const {
  Mx_assert(tag, __LINE__);
  return false;
}

bool MxObjTable::get_entry(unsigned int i, MxObject*& out) const {
  out = is_entry_valid(i) ? clone_object(*entries_[i]) : nullptr;
  return out != nullptr;
}

unsigned int MxObjTable::get_active_entry_index() const {
  return active_entry_;
}

bool MxObjTable::set_active_entry(unsigned int i) {
  if (!is_index_valid(i)) return false;
  active_entry_ = i;
  return true;
}

bool MxObjTable::reset_active_entry() {
  active_entry_ = no_entry;
  return true;
}

bool MxObjTable::rename_entry(unsigned int, const MxString&) {
  Mx_assert(tag, __LINE__);
  return false;
}

bool MxObjTable::replace_entry(unsigned int i, const MxObject& object) {
  if (!is_index_valid(i)) return false;
  // The clone is taken first: `object` may be the very entry replaced.
  MxObject* copy = clone_object(object);
  delete entries_[i];
  entries_[i] = copy;
  return true;
}

bool MxObjTable::append_entry(const MxObject& object) {
  const size_t slot = entries_.size();
  if (slot >= max_slots) return false;
  MxObject* copy = clone_object(object);
  entries_.resize(slot + 1, true); // the append growth policy, one slot at a time
  entries_[slot] = copy;
  return true;
}

bool MxObjTable::delete_entry(unsigned int i) {
  if (!is_index_valid(i)) return false;
  delete entries_[i];
  entries_[i] = nullptr;
  return true;
}

bool MxObjTable::erase_entry(unsigned int i) {
  if (!is_index_valid(i)) return false;
  delete entries_[i];
  for (size_t k = i; k + 1 < entries_.size(); ++k) entries_[k] = entries_[k + 1];
  entries_.remove_last();
  return true;
}

bool MxObjTable::is_entry_valid(unsigned int i) const {
  return is_index_valid(i) && entries_[i] != nullptr;
}

bool MxObjTable::is_index_valid(unsigned int i) const {
  return i < entries_.size();
}

bool MxObjTable::is_name_valid(const MxString&) const {
  return false;
}

bool MxObjTable::is_name_valid(const char*) const {
  return false;
}

bool MxObjTable::is_resizable() const {
  return true;
}

void MxObjTable::debug(MxJournal& journal, MxDebug level, bool flag, int indent) const {
  if (level < MxDebugNormal) return;
  const int step = Mx_DebugIndentStep();
  Mx_DebugIndentation(journal, indent);
  journal << "MxObjTable" << mxEndExpr;
  Mx_DebugIndentation(journal, indent + step);
  journal << "Table Name       : " << name_ << mxEndExpr;
  Mx_DebugIndentation(journal, indent + step);
  journal << "Variable offset  : " << variable_table_offset_ << mxEndExpr;
  Mx_DebugIndentation(journal, indent + step);
  journal << "Entries          : " << size() << mxEndExpr;
  if (level < MxDebugFull) return;
  for (size_t i = 0; i < size(); ++i) {
    Mx_DebugIndentation(journal, indent + 2 * step);
    journal << i << " : ";
    if (const MxObject* entry = i < entries_.size() ? entries_[i] : nullptr) {
      journal << mxEndExpr;
      entry->debug(journal, MxDebugFull, flag, indent + 2 * step);
    } else {
      journal << "NULL" << mxEndExpr;
    }
  }
}
