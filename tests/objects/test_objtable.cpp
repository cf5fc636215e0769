// MxObjTable: random operations against a model of slots, ownership by
// clones, the operations that are not provided, and the dump.
#include "mxevent.h"
#include "mxobject.h"
#include "mxobjtable.h"
#include "mxstringjournal.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

int live_parts = 0;

/// A table entry with a label, counting the live instances; its dump is one line.
class Part : public MxObject {
public:
  explicit Part(std::string label) : label_(std::move(label)) { ++live_parts; }
  Part(const Part& other) : MxObject(other), label_(other.label_) { ++live_parts; }
  ~Part() override { --live_parts; }
  MxDynObj* clone() const override { return new Part(*this); }
  void debug(MxJournal& journal, MxDebug level, bool flag, int indent) const override {
    Mx_DebugIndentation(journal, indent);
    journal << "Part " << label_.c_str() << " level " << static_cast<int>(level)
            << (flag ? " flagged" : "") << mxEndExpr;
  }
  std::string label_;
};

/// An object whose clone is not an MxObject at all: stored as an empty slot.
class Impostor : public MxObject {
public:
  MxDynObj* clone() const override { return new MxObjectModified(0); }
};

constexpr unsigned int none = MxObjectTable::no_entry;

struct ObjTable : ReportingTest {
  ObjTable() { live_parts = 0; }
  ~ObjTable() override { EXPECT_EQ(live_parts, 0) << "entries leaked or destroyed twice"; }
};

/// The label of entry `i`, read through a clone; "" for none.
std::string label_at(const MxObjectTable& table, unsigned int i) {
  static Impostor stale;
  MxObject* out = &stale; // get_entry overwrites what it is given
  if (!table.get_entry(i, out)) return out ? "non-null on failure" : "";
  const std::string label = static_cast<Part*>(out)->label_;
  delete out;
  return label;
}

/// What a table should hold: a label per slot ("" when empty), the active
/// index and the offset.
struct Slots {
  std::vector<std::string> labels;
  unsigned int active = none, offset = 0;
  size_t valid() const { return labels.size() - std::count(labels.begin(), labels.end(), ""); }
};

// Random operations, copies and assignments against the model. Indices run
// a little past the end and now and then to the 32-bit extremes.
TEST_F(ObjTable, RandomOperationsAgreeWithAModelOfSlots) {
  std::mt19937 random(5);
  MxObjTable table;
  const MxObjTable& alias = table;
  std::unique_ptr<MxObjTable> copy(new MxObjTable);
  Slots m, copied;
  for (int step = 0; step < 3000; ++step) {
    const unsigned int n = static_cast<unsigned int>(m.labels.size()), pick = random() % 16;
    const unsigned int i = pick == 15 ? 0xFFFFFFFFu : pick == 14 ? none : random() % (n + 2);
    const bool in = i < n;
    const Part part(std::to_string(step));
    const int op = static_cast<int>(random() % 13);
    bool answer = true, expected = true; // what the table says, what the model says
    if (op < 2) answer = table.append_entry(part), m.labels.push_back(part.label_);
    if (op == 2 && (answer = table.replace_entry(i, part), expected = in))
      m.labels[i] = part.label_;
    if (op == 3 && (answer = table.delete_entry(i), expected = in)) m.labels[i].clear();
    if (op == 4 && (answer = table.erase_entry(i), expected = in))
      m.labels.erase(m.labels.begin() + i);
    // resizing up to the marker would not fit in memory
    if (op == 5 && i < none && (answer = table.resize(i), expected = i > n)) m.labels.resize(i);
    if (op == 6 && (answer = table.set_active_entry(i), expected = in)) m.active = i;
    if (op == 7) answer = table.reset_active_entry(), m.active = none;
    if (op == 8 && (answer = table.set_variable_table_offset(i), expected = i <= n)) m.offset = i;
    if (op == 9) copy.reset(new MxObjTable(table)), copied = m;
    if (op == 10) *copy = table, copied = m;
    if (op == 11) table = step % 3 ? *copy : alias, m = step % 3 ? copied : m;
    if (op == 12) answer = table.append_entry(Impostor()), m.labels.emplace_back(); // no object
    EXPECT_EQ(answer, expected) << op;
    if (m.labels.size() > 40) table = MxObjTable(), m = Slots();
    ASSERT_EQ(table.size(), m.labels.size());
    EXPECT_EQ(table.get_active_entry_index(), m.active);
    EXPECT_EQ(table.get_variable_table_offset(), m.offset);
    MxArray<unsigned int> valid;
    valid.append(12345); // emptied first
    table.list_by_valid_indices(valid);
    std::vector<unsigned int> model_valid;
    for (unsigned int k = 0; k < m.labels.size() + 2; ++k) {
      const bool slot = k < m.labels.size(), full = slot && !m.labels[k].empty();
      EXPECT_EQ(label_at(table, k), full ? m.labels[k] : "");
      EXPECT_EQ(table.is_entry_valid(k), full);
      EXPECT_EQ(table.is_index_valid(k), slot);
      if (full) model_valid.push_back(k);
    }
    EXPECT_EQ(std::vector<unsigned int>(valid.begin(), valid.end()), model_valid);
    EXPECT_EQ(table.n_valid_entries(), model_valid.size());
    EXPECT_EQ(live_parts, static_cast<int>(1 + m.valid() + copied.valid()));
    EXPECT_FALSE(table.is_entry_valid(none) || table.is_entry_valid(0xFFFFFFFFu));
    EXPECT_EQ(label_at(table, none) + label_at(table, 0xFFFFFFFFu), "");
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjTable, NewTablesNamesTypesAndClones) {
  MxObjTable table;
  EXPECT_EQ(table.get_active_entry_index(), 0xFFFFFFFEu);
  EXPECT_TRUE(table.get_name().null());
  EXPECT_EQ(table.entry_type(), MxObject::type_id());
  const MxObjTable typed(MxString("typed"), Impostor::type_id());
  EXPECT_EQ(typed.entry_type(), Impostor::type_id());
  table = typed; // name and entry type come along
  EXPECT_EQ(table.get_name(), "typed");
  EXPECT_EQ(MxObjTable(table).entry_type(), Impostor::type_id());
  EXPECT_FALSE(table.resize(0xFFFFFFFFull)); // beyond 32-bit indices: never grows
  EXPECT_FALSE(table.resize(static_cast<size_t>(-1)));
  EXPECT_TRUE(table.set_name(static_cast<const char*>(nullptr)));
  EXPECT_TRUE(table.set_name(table.get_name()));
  EXPECT_EQ(table.get_name(), "typed");
  EXPECT_TRUE(table.set_name("new"));
  table.get_name() = "direct";
  EXPECT_EQ(static_cast<const MxObjTable&>(table).get_name(), "direct");
  EXPECT_FALSE(table.is_name_valid("direct") || table.is_name_valid(MxString("direct")));
  Part original("a"); // entries are clones, and so is what get_entry gives
  table.append_entry(original);
  MxObject* out = nullptr;
  ASSERT_TRUE(table.get_entry(0, out));
  EXPECT_NE(out->identity(), original.identity());
  static_cast<Part*>(out)->label_ = "scribbled";
  EXPECT_EQ(label_at(table, 0), "a");
  EXPECT_TRUE(table.replace_entry(0, *out)); // by its own clone: safe
  delete out;
  EXPECT_EQ(label_at(table, 0), "scribbled");
  EXPECT_TRUE(reports.empty());
}

/// A table that can find entries by name: the text lookup goes through the
/// virtual table.
class IndexedTable : public MxObjTable {
public:
  using MxObjTable::get_index_by_name;
  unsigned int get_index_by_name(const MxString& name) const override {
    return name == "second" ? 1u : no_entry;
  }
};

TEST_F(ObjTable, OperationsThatAreNotProvidedReportAndTouchNothing) {
  MxObjTable table;
  table.append_entry(Part("a"));
  MxArray<MxString> names;
  names.append(MxString("untouched"));
  MxString name("untouched");
  EXPECT_FALSE(table.list_by_name(names));
  EXPECT_EQ(table.get_index_by_name(MxString("a")), none);
  EXPECT_FALSE(table.get_name_by_index(0, name));
  EXPECT_FALSE(table.rename_entry(0, MxString("b")));
  EXPECT_EQ(table.get_index_by_name("a"), none);
  EXPECT_EQ(table.get_index_by_name(static_cast<const char*>(nullptr)), none);
  EXPECT_EQ(reports.take_tags(), ReportTags(6, "mxobjtable"));
  EXPECT_TRUE(names.size() == 1 && names[0] == "untouched" && name == "untouched");
  const IndexedTable indexed;
  const MxObjectTable& base = indexed;
  EXPECT_EQ(base.get_index_by_name("second"), 1u);
  EXPECT_EQ(base.get_index_by_name("first"), none);
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjTable, Dump) {
  MxStringJournal journal;
  MxObjTable().debug(journal, MxDebugFull, false, 0);
  MxObjTable table(MxString("parts"));
  table.resize(1);
  table.append_entry(Part("wheel"));
  table.set_variable_table_offset(2);
  table.debug(journal, MxDebugNone, false, 0);
  table.debug(journal, MxDebugSummary, false, 0);
  table.debug(journal, MxDebugNormal, false, 0);
  table.debug(journal, MxDebugFull, true, 2);
  EXPECT_EQ(journal.text(), "MxObjTable\n"
                            "   Table Name       : \n"
                            "   Variable offset  : 0\n"
                            "   Entries          : 0\n"
                            "MxObjTable\n"
                            "   Table Name       : parts\n"
                            "   Variable offset  : 2\n"
                            "   Entries          : 2\n"
                            "  MxObjTable\n"
                            "     Table Name       : parts\n"
                            "     Variable offset  : 2\n"
                            "     Entries          : 2\n"
                            "        0 : NULL\n"
                            "        1 : \n"
                            "        Part wheel level 3 flagged\n");
  EXPECT_EQ(journal.flushes(), 15u);
  // Indentation goes out one blank at a time; each value is its own piece.
  const std::vector<std::string>& w = journal.writes();
  EXPECT_EQ(
      std::vector<std::string>(w.begin(), w.begin() + 7),
      (std::vector<std::string>{"MxObjTable", "\n", " ", " ", " ", "Table Name       : ", ""}));
}

} // namespace
