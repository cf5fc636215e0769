// Object tables: named, index-addressed collections of owned MxObjects.
/// \file
#ifndef MXFOUNDATION_MXOBJTABLE_H
#define MXFOUNDATION_MXOBJTABLE_H

#include "mxarray.h"
#include "mxexport.h"
#include "mxjournal.h"
#include "mxstring.h"

#include <cstddef>

class MxObject;

/// Interface of a named table of objects addressed by index, with one
/// optional active entry. Indices are unsigned 32-bit; `no_entry` (the value
/// -2 stored unsigned) stands for "no entry", as the active index of a table
/// without one and as the failed answer of a lookup by name.
class MX_EXPORT MxObjectTable {
public:
  /// The "no entry" index: the active index of a table without one, and the failed answer of a
  /// lookup by name.
  static constexpr unsigned int no_entry = 0xFFFFFFFEu;

  virtual ~MxObjectTable();

  /// Number of slots, empty ones included.
  virtual size_t size() const = 0;
  /// Number of non-empty slots.
  virtual size_t n_valid_entries() const = 0;
  /// Grows the table to `n` slots; false when `n` is not above the size.
  virtual bool resize(size_t n) = 0;
  /// The table's name, writable.
  virtual MxString& get_name() = 0;
  /// The table's name.
  virtual const MxString& get_name() const = 0;
  /// Renames the table; true when done.
  virtual bool set_name(const MxString& name) = 0;
  /// Renames the table from C text; true when done.
  virtual bool set_name(const char* name) = 0;
  /// Puts the names of the entries into `names`; true when done.
  virtual bool list_by_name(MxArray<MxString>& names) const = 0;
  /// Empties `indices`, then lists the non-empty slots in ascending order.
  virtual void list_by_valid_indices(MxArray<unsigned int>& indices) const = 0;
  /// The variable table offset, stored for the client.
  virtual unsigned int get_variable_table_offset() const = 0;
  /// Stores the variable table offset; true when accepted.
  virtual bool set_variable_table_offset(unsigned int offset) = 0;
  /// The index of the entry named `name`, or `no_entry`.
  virtual unsigned int get_index_by_name(const char* name) const = 0;
  /// The index of the entry named `name`, or `no_entry`.
  virtual unsigned int get_index_by_name(const MxString& name) const = 0;
  /// Puts the name of entry `i` into `name`; true when found.
  virtual bool get_name_by_index(unsigned int i, MxString& name) const = 0;
  /// A fresh clone of entry `i`, owned by the caller, or null.
  virtual bool get_entry(unsigned int i, MxObject*& out) const = 0;
  /// The index of the active entry, or `no_entry`.
  virtual unsigned int get_active_entry_index() const = 0;
  /// Makes slot `i` the active entry; true when accepted.
  virtual bool set_active_entry(unsigned int i) = 0;
  /// Leaves the table without an active entry; true when done.
  virtual bool reset_active_entry() = 0;
  /// Renames entry `i`; true when done.
  virtual bool rename_entry(unsigned int i, const MxString& name) = 0;
  /// Stores a clone of `object` in slot `i`, destroying the old entry.
  virtual bool replace_entry(unsigned int i, const MxObject& object) = 0;
  /// Appends a slot holding a clone of `object`.
  virtual bool append_entry(const MxObject& object) = 0;
  /// Destroys entry `i`, leaving its slot empty.
  virtual bool delete_entry(unsigned int i) = 0;
  /// Destroys entry `i` and closes the gap.
  virtual bool erase_entry(unsigned int i) = 0;
  /// True when slot `i` is in range and holds an object.
  virtual bool is_entry_valid(unsigned int i) const = 0;
  /// True when `i` is below the size.
  virtual bool is_index_valid(unsigned int i) const = 0;
  /// True when an entry is named `name`.
  virtual bool is_name_valid(const MxString& name) const = 0;
  /// True when an entry is named `name`.
  virtual bool is_name_valid(const char* name) const = 0;
  /// Writes the table to `journal` at `level`, indented by `indent` steps.
  virtual void debug(MxJournal& journal, MxDebug level, bool flag, int indent) const = 0;

protected:
  MxObjectTable() = default;
  /// Copy constructor.
  MxObjectTable(const MxObjectTable&) = default;
  /// Copy assignment.
  MxObjectTable& operator=(const MxObjectTable&) = default;

  /// True when `resize` can grow the table.
  virtual bool is_resizable() const = 0;
};

/// The library's object table. It owns every object in its slots: objects
/// enter only as clones of what the caller passes (`clone()` of the object),
/// leave only by being destroyed, and `get_entry` hands out new clones that
/// the caller owns. A slot is empty (null) or holds one object; a clone that
/// is not an `MxObject` is destroyed and leaves the slot empty.
///
/// An index is in range when it is below `size()`; out-of-range indices only
/// make the operations answer false. The active entry index, the variable
/// table offset and the entry type are stored as given and never adjusted
/// (not even when entries are erased). Entries are not checked against the
/// entry type. Lookup and renaming by entry name are not provided: those
/// operations report to the assertion handler (tag "mxobjtable") and fail.
/// Copies (copy constructor, assignment) hold their own clones of the
/// source's entries.
class MX_EXPORT MxObjTable : public MxObjectTable {
public:
  /// An empty table with an empty name, for `MxObject`s.
  MxObjTable();
  /// An empty table named `name`, for `MxObject`s.
  explicit MxObjTable(const MxString& name);
  /// An empty table named `name`, for objects of the class `entry_type`.
  MxObjTable(const MxString& name, const MxString* const& entry_type);
  /// Copy constructor.
  MxObjTable(const MxObjTable& other);
  /// Copies the name, active index, offset and entry type, and replaces this
  /// table's entries by clones of `other`'s, slot for slot. Assigning a
  /// table to itself changes nothing.
  MxObjTable& operator=(const MxObjTable& other);
  /// Destroys every entry.
  ~MxObjTable() override;

  size_t size() const override;
  size_t n_valid_entries() const override;
  bool resize(size_t n) override;
  MxString& get_name() override;
  const MxString& get_name() const override;
  /// Always true.
  bool set_name(const MxString& name) override;
  /// Always true; a null `name` leaves the name as it is.
  bool set_name(const char* name) override;
  /// Not provided: reports and returns false, `names` untouched.
  bool list_by_name(MxArray<MxString>& names) const override;
  void list_by_valid_indices(MxArray<unsigned int>& indices) const override;
  unsigned int get_variable_table_offset() const override;
  /// Stores `offset` when it is not above the size.
  bool set_variable_table_offset(unsigned int offset) override;
  /// Asks `get_index_by_name(const MxString&)` (through the virtual table).
  unsigned int get_index_by_name(const char* name) const override;
  /// Not provided: reports and returns `no_entry`.
  unsigned int get_index_by_name(const MxString& name) const override;
  /// Not provided: reports and returns false, `name` untouched.
  bool get_name_by_index(unsigned int i, MxString& name) const override;
  /// True with a fresh clone (owned by the caller) of a non-empty entry in
  /// range; otherwise false with `out` null.
  bool get_entry(unsigned int i, MxObject*& out) const override;
  unsigned int get_active_entry_index() const override;
  /// Marks slot `i` active (an empty slot may be); false when out of range.
  bool set_active_entry(unsigned int i) override;
  /// No active entry; always true.
  bool reset_active_entry() override;
  /// Not provided: reports and returns false.
  bool rename_entry(unsigned int i, const MxString& name) override;
  bool replace_entry(unsigned int i, const MxObject& object) override;
  /// Always true.
  bool append_entry(const MxObject& object) override;
  bool delete_entry(unsigned int i) override;
  bool erase_entry(unsigned int i) override;
  bool is_entry_valid(unsigned int i) const override;
  bool is_index_valid(unsigned int i) const override;
  /// Always false.
  bool is_name_valid(const MxString& name) const override;
  bool is_name_valid(const char* name) const override;
  /// Nothing below level 2. At level 2 and up the header: "MxObjTable", then,
  /// indented by one step, the name, the variable offset and the size; at
  /// level 3 also one line per slot, indented by two steps ("<i> : NULL" for
  /// an empty slot, "<i> : " followed by the entry's own level-3 dump).
  void debug(MxJournal& journal, MxDebug level, bool flag, int indent) const override;

  /// The class of object the table is meant for.
  const MxString* entry_type() const { return entry_type_; }

protected:
  /// Always true.
  bool is_resizable() const override;

private:
  /// Destroys every entry and empties the slot array.
  void destroy_entries();

  MxString name_;
  MxArray<MxObject*> entries_;
  unsigned int active_entry_ = no_entry;
  unsigned int variable_table_offset_ = 0;
  const MxString* entry_type_;
};

#endif
