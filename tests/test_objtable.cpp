// MxObjTable: index rules, ownership by clones, the active entry, the
// operations that are not provided, copying and the dump.
#include "mxevent.h"
#include "mxobject.h"
#include "mxobjtable.h"
#include "mxstringjournal.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

int live_parts = 0;

/// A table entry with a label, counting the live instances; its dump is one line.
class Part : public MxObject {
  MX_DYNOBJ_TYPE(Part, MxObject)
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
  const std::string& label() const { return label_; }
  void relabel(std::string label) { label_ = std::move(label); }

private:
  std::string label_;
};
MX_DEFINE_CLASS_NAME(Part);

/// An object whose clone is not an MxObject at all.
class Impostor : public MxObject {
  MX_DYNOBJ_TYPE(Impostor, MxObject)
public:
  MxDynObj* clone() const override { return new MxObjectModified(0); }
};
MX_DEFINE_CLASS_NAME(Impostor);

constexpr unsigned int none = 0xFFFFFFFEu;
using Indices = std::vector<unsigned int>;

class ObjTableTest : public ReportingTest {
protected:
  ObjTableTest() { live_parts = 0; }
  void TearDown() override { EXPECT_EQ(live_parts, 0) << "entries leaked or destroyed twice"; }

  /// The label of entry `i`, read through a clone; "-" for none.
  static std::string label_at(const MxObjectTable& table, unsigned int i) {
    MxObject* out = nullptr;
    if (!table.get_entry(i, out)) return out ? "non-null on failure" : "-";
    std::string label = static_cast<Part*>(out)->label();
    delete out;
    return label;
  }
  static Indices valid_indices(const MxObjectTable& table) {
    MxArray<unsigned int> indices;
    indices.append(12345); // emptied first
    table.list_by_valid_indices(indices);
    return Indices(indices.begin(), indices.end());
  }
};

TEST_F(ObjTableTest, NewTableIsEmptyAndResizeOnlyGrows) {
  MxObjTable table;
  EXPECT_EQ(table.size(), 0u);
  EXPECT_EQ(table.get_active_entry_index(), none);
  EXPECT_EQ(MxObjectTable::no_entry, none);
  EXPECT_TRUE(table.get_name().null());
  EXPECT_EQ(table.entry_type(), MxObject::type_id());
  EXPECT_EQ(MxObjTable(MxString("typed"), Part::type_id()).entry_type(), Part::type_id());
  EXPECT_TRUE(table.set_variable_table_offset(0));
  EXPECT_FALSE(table.set_variable_table_offset(1));
  EXPECT_FALSE(table.set_active_entry(0));
  EXPECT_FALSE(table.is_index_valid(0));
  EXPECT_TRUE(valid_indices(table).empty());

  table.append_entry(Part("a"));
  EXPECT_FALSE(table.resize(1));
  EXPECT_FALSE(table.resize(0));
  EXPECT_TRUE(table.resize(4));
  EXPECT_EQ(table.size(), 4u);
  EXPECT_EQ(table.n_valid_entries(), 1u);
  EXPECT_EQ(valid_indices(table), Indices{0});
  EXPECT_TRUE(table.is_index_valid(3));
  EXPECT_FALSE(table.is_entry_valid(3));
  EXPECT_FALSE(table.is_index_valid(4));
  // Past the reach of 32-bit indices (below the "no entry" marker) a table
  // does not grow: no slot count can overflow its buffer.
  EXPECT_FALSE(table.resize(0xFFFFFFFFull));
  EXPECT_FALSE(table.resize(static_cast<size_t>(-1)));
  EXPECT_EQ(table.size(), 4u);
  EXPECT_TRUE(table.set_variable_table_offset(4));
  EXPECT_FALSE(table.set_variable_table_offset(5));
  EXPECT_EQ(table.get_variable_table_offset(), 4u);
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjTableTest, OutOfRangeIndicesOnlyAnswerFalse) {
  MxObjTable table;
  table.append_entry(Part("a"));
  Part other("other");
  for (unsigned int i : {1u, 2u, none, 0xFFFFFFFFu}) {
    MxObject* out = &other;
    EXPECT_FALSE(table.get_entry(i, out));
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(table.replace_entry(i, other));
    EXPECT_FALSE(table.delete_entry(i));
    EXPECT_FALSE(table.erase_entry(i));
    EXPECT_FALSE(table.set_active_entry(i));
    EXPECT_FALSE(table.is_entry_valid(i));
  }
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(label_at(table, 0), "a");
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjTableTest, EntriesGoInAndOutAsClones) {
  MxObjTable table;
  Part original("a");
  EXPECT_TRUE(table.append_entry(original));
  EXPECT_EQ(live_parts, 2);
  original.relabel("changed");
  MxObject* out = nullptr;
  ASSERT_TRUE(table.get_entry(0, out));
  EXPECT_EQ(live_parts, 3);
  EXPECT_NE(out->identity(), original.identity());
  static_cast<Part*>(out)->relabel("scribbled");
  EXPECT_EQ(label_at(table, 0), "a");        // the stored object is unchanged
  EXPECT_TRUE(table.replace_entry(0, *out)); // by its own clone: safe
  delete out;
  EXPECT_EQ(label_at(table, 0), "scribbled");
  // a clone that is not an object leaves its slot empty
  EXPECT_TRUE(table.append_entry(Impostor()));
  EXPECT_EQ(table.size(), 2u);
  EXPECT_EQ(table.n_valid_entries(), 1u);
  EXPECT_FALSE(table.is_entry_valid(1));
}

TEST_F(ObjTableTest, ReplaceDeleteEraseAndTheActiveEntry) {
  MxObjTable table;
  for (const char* label : {"a", "b", "c", "d"}) table.append_entry(Part(label));
  EXPECT_EQ(live_parts, 4);
  EXPECT_TRUE(table.replace_entry(1, Part("B")));
  EXPECT_EQ(live_parts, 4);
  EXPECT_TRUE(table.set_active_entry(2));
  EXPECT_TRUE(table.delete_entry(1));
  EXPECT_EQ(table.size(), 4u);
  EXPECT_EQ(live_parts, 3);
  EXPECT_EQ(label_at(table, 1), "-");
  EXPECT_TRUE(table.delete_entry(1)); // an empty slot in range
  EXPECT_EQ(valid_indices(table), (Indices{0, 2, 3}));
  EXPECT_TRUE(table.set_active_entry(1)); // an empty slot may be active
  EXPECT_EQ(table.get_active_entry_index(), 1u);
  EXPECT_TRUE(table.replace_entry(1, Part("refilled")));
  EXPECT_TRUE(table.erase_entry(0));
  EXPECT_EQ(live_parts, 3);
  std::vector<std::string> labels;
  for (unsigned int i = 0; i < table.size(); ++i) labels.push_back(label_at(table, i));
  EXPECT_EQ(labels, (std::vector<std::string>{"refilled", "c", "d"}));
  EXPECT_EQ(table.get_active_entry_index(), 1u); // not adjusted
  EXPECT_TRUE(table.erase_entry(2));
  EXPECT_EQ(table.size(), 2u);
  EXPECT_FALSE(table.is_index_valid(2));
  EXPECT_EQ(live_parts, 2);
  EXPECT_FALSE(table.set_active_entry(2));
  EXPECT_EQ(table.get_active_entry_index(), 1u);
  EXPECT_TRUE(table.reset_active_entry());
  EXPECT_EQ(table.get_active_entry_index(), none);
}

TEST_F(ObjTableTest, NamesAndTheNameOperationsThatAreNotProvided) {
  MxObjTable table(MxString("old"));
  EXPECT_TRUE(table.set_name(static_cast<const char*>(nullptr)));
  EXPECT_EQ(table.get_name(), "old");
  EXPECT_TRUE(table.set_name("new"));
  EXPECT_TRUE(table.set_name(table.get_name()));
  EXPECT_EQ(table.get_name(), "new");
  table.get_name() = "direct";
  EXPECT_EQ(static_cast<const MxObjTable&>(table).get_name(), "direct");
  EXPECT_FALSE(table.is_name_valid("direct"));
  EXPECT_FALSE(table.is_name_valid(MxString("direct")));
  EXPECT_TRUE(reports.empty());

  table.append_entry(Part("a"));
  MxArray<MxString> names;
  names.append(MxString("untouched"));
  EXPECT_FALSE(table.list_by_name(names));
  EXPECT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], "untouched");
  EXPECT_EQ(table.get_index_by_name(MxString("a")), none);
  MxString name("untouched");
  EXPECT_FALSE(table.get_name_by_index(0, name));
  EXPECT_EQ(name, "untouched");
  EXPECT_FALSE(table.rename_entry(0, MxString("b")));
  EXPECT_EQ(table.get_index_by_name("a"), none);
  EXPECT_EQ(table.get_index_by_name(static_cast<const char*>(nullptr)), none);
  EXPECT_EQ(reports.tags(), ReportTags(6, "mxobjtable"));
}

/// A table that can find entries by name, to show that the text lookup goes
/// through the virtual table.
class IndexedTable : public MxObjTable {
public:
  using MxObjTable::get_index_by_name;
  unsigned int get_index_by_name(const MxString& name) const override {
    return name == "second" ? 1u : no_entry;
  }
};

TEST_F(ObjTableTest, TextLookupUsesTheStringOverload) {
  const IndexedTable table;
  const MxObjectTable& base = table;
  EXPECT_EQ(base.get_index_by_name("second"), 1u);
  EXPECT_EQ(base.get_index_by_name("first"), none);
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjTableTest, CopiesOwnTheirOwnClones) {
  MxObjTable source(MxString("source"), Part::type_id());
  source.append_entry(Part("a"));
  source.resize(2);
  source.append_entry(Part("c"));
  source.set_active_entry(2);
  source.set_variable_table_offset(3);
  MxObjTable* target = new MxObjTable(MxString("target"));
  target->append_entry(Part("old"));
  *target = source;
  EXPECT_EQ(live_parts, 4);
  EXPECT_EQ(target->get_name(), "source");
  EXPECT_EQ(target->size(), 3u);
  EXPECT_EQ(valid_indices(*target), (Indices{0, 2}));
  EXPECT_EQ(target->get_active_entry_index(), 2u);
  EXPECT_EQ(target->get_variable_table_offset(), 3u);
  EXPECT_EQ(target->entry_type(), Part::type_id());
  delete target;
  EXPECT_EQ(live_parts, 2);
  EXPECT_EQ(label_at(source, 2), "c");
  MxObjTable copy(source);
  EXPECT_EQ(live_parts, 4);
  MxObjTable& same = copy;
  copy = same;
  EXPECT_EQ(live_parts, 4);
  source = MxObjTable();
  EXPECT_EQ(source.size(), 0u);
  EXPECT_EQ(label_at(copy, 0), "a");
  EXPECT_EQ(label_at(copy, 2), "c");
  EXPECT_EQ(copy.get_active_entry_index(), 2u);
  EXPECT_EQ(copy.entry_type(), Part::type_id());
}

TEST_F(ObjTableTest, Dump) {
  MxStringJournal journal;
  const MxObjTable empty;
  empty.debug(journal, MxDebugFull, false, 0);
  EXPECT_EQ(journal.text(), "MxObjTable\n"
                            "   Table Name       : \n"
                            "   Variable offset  : 0\n"
                            "   Entries          : 0\n");
  MxObjTable table(MxString("parts"));
  table.resize(1);
  table.append_entry(Part("wheel"));
  table.set_variable_table_offset(2);
  journal.clear();
  table.debug(journal, MxDebugNone, false, 0);
  table.debug(journal, MxDebugSummary, false, 0);
  EXPECT_EQ(journal.text(), "");
  table.debug(journal, MxDebugNormal, false, 0);
  EXPECT_EQ(journal.text(), "MxObjTable\n"
                            "   Table Name       : parts\n"
                            "   Variable offset  : 2\n"
                            "   Entries          : 2\n");
  EXPECT_EQ(journal.flushes(), 4u);
  journal.clear();
  table.debug(journal, MxDebugFull, true, 2);
  EXPECT_EQ(journal.text(), "  MxObjTable\n"
                            "     Table Name       : parts\n"
                            "     Variable offset  : 2\n"
                            "     Entries          : 2\n"
                            "        0 : NULL\n"
                            "        1 : \n"
                            "        Part wheel level 3 flagged\n");
  // Indentation goes out one blank at a time; each value is its own piece.
  const std::vector<std::string>& w = journal.writes();
  ASSERT_GE(w.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(w.begin(), w.begin() + 6),
            (std::vector<std::string>{" ", " ", "MxObjTable", "\n", " ", " "}));
}

} // namespace
