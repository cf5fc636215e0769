// Runtime typing, identities, reference counting and the counted holder.
#include "mxdynobj.h"
#include "mxobjectdependency.h"
#include "mxrcptr.h"
#include "mxreport.h"
#include "mxstandardattribs.h"

#include "support/clients.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

// Read during this file's static initialisation, before any test runs.
const std::string dynobj_name_at_load = MxDynObj::type_id()->as_const_c_string();
const std::string object_name_at_load = Thing().classname();

struct Report : MxReport {
  MxDynObj* clone() const override { return new Report(*this); }
};

struct DynObj : ReportingTest {
  DynObj() { Shape::destroyed = 0; }
};

TEST_F(DynObj, ObjectsAreEveryClassOfTheirChainAndNothingElseAndCastSo) {
  const Square square;
  const Circle circle;
  const MxNameAttrib name("n");
  const MxExtIdAttrib extid(1);
  const MxDoubleAttrib value(static_cast<MxDoubleAttrib::Usage>(1), 0.5);
  const MxObjectModified modified(5);
  const MxObjectDelete deleted(5);
  const Thing object;
  const Report report;
  const ClientReactor reactor;
  const MxArtificialObjectDependency role;
  const struct {
    const MxDynObj& o;
    const char* name;
    const MxString *parent, *other;
  } cases[] = {{square, "Square", Quad::type_id(), Circle::type_id()},
               {circle, "Circle", Shape::type_id(), Polygon::type_id()},
               {name, "MxNameAttrib", MxAttrib::type_id(), MxExtIdAttrib::type_id()},
               {extid, "MxExtIdAttrib", MxAttrib::type_id(), MxDoubleAttrib::type_id()},
               {value, "MxDoubleAttrib", MxAttrib::type_id(), MxNameAttrib::type_id()},
               {modified, "MxObjectModified", MxEvent::type_id(), MxObjectDelete::type_id()},
               {deleted, "MxObjectDelete", MxEvent::type_id(), MxObjectModified::type_id()},
               {object, "MxObject", MxDynObj::type_id(), MxEvent::type_id()},
               {report, "MxReport", MxDynObj::type_id(), MxObject::type_id()},
               {reactor, "ClientReactor", MxReactor::type_id(), MxAttrib::type_id()},
               {role, "MxArtificialObjectDependency", MxObjectDependencyRole::type_id(),
                MxReport::type_id()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(c.o.classname(), c.name);
    EXPECT_EQ(&c.o.class_name(), c.o.type());
    EXPECT_TRUE(c.o.isA(c.o.type()) && c.o.isA(c.parent) && c.o.isA(MxDynObj::type_id()));
    const MxString same_text(c.name); // the text is not the type identifier
    EXPECT_FALSE(c.o.isA(c.other) || c.o.isA(nullptr) || c.o.isA(&same_text));
  }
  EXPECT_TRUE(square.isA(Polygon::type_id()) && square.isA(Shape::type_id()));
  EXPECT_EQ(dynobj_name_at_load, "MxDynObj"); // usable from static initialisers
  EXPECT_EQ(object_name_at_load, "MxObject");
  { // extra guards neither rebuild nor destroy the library's strings
    const mx_detail::MxStaticStringsInit first, second;
  }
  EXPECT_STREQ(MxReactor::type_id()->as_const_c_string(), "MxReactor");
  const MxDynObj *as_root = &square, *none = nullptr;
  EXPECT_EQ(Square::cast(as_root), &square);
  EXPECT_EQ(Square::cast(const_cast<MxDynObj*>(as_root)), &square);
  EXPECT_EQ(mx_cast<Polygon>(as_root), &square);
  EXPECT_EQ(Square::cast(static_cast<const MxDynObj*>(&circle)), nullptr);
  EXPECT_EQ(Circle::cast(none), nullptr);
  EXPECT_FALSE(mx_isa<Shape>(nullptr));
  EXPECT_TRUE(reports.empty()); // casts never report
  MxInterface interface;        // answers only its own identifier
  const MxString interface_text("MxInterface");
  EXPECT_EQ(interface.query_interface(MxInterface::interface_id()), &interface);
  for (const MxString* other :
       {&interface_text, MxDynObj::type_id(), static_cast<const MxString*>(nullptr)})
    EXPECT_EQ(interface.query_interface(other), nullptr);
}

/// Two objects made one after the other take consecutive identities; a
/// copy, then a clone, take the next ones.
template <class T, class... Args> void expect_fresh_identities(const Args&... args) {
  SCOPED_TRACE(typeid(T).name());
  const int next = Thing::next_identity_value();
  const T first(args...), second(args...);
  EXPECT_EQ(first.identity(), next);
  EXPECT_EQ(second.identity(), first.identity() + 1);
  const T copy(first);
  EXPECT_EQ(copy.identity(), second.identity() + 1);
  const std::unique_ptr<MxDynObj> clone(first.clone());
  EXPECT_EQ(clone->identity(), copy.identity() + 1);
  EXPECT_EQ(clone->type(), first.type());
}

TEST_F(DynObj, IdentitiesAreFreshForEveryObjectCopyAndCloneAndKeptByAssignment) {
  // (objects, attributes and reactors: the object model's sessions)
  expect_fresh_identities<Shape>();
  expect_fresh_identities<Report>();
  expect_fresh_identities<MxObjectModified>(5);
  expect_fresh_identities<MxObjectDelete>(5);
  Shape shape, other;
  Report report, other_report;
  const int kept[] = {shape.identity(), report.identity()};
  shape = other, report = other_report;
  EXPECT_TRUE(shape.identity() == kept[0] && report.identity() == kept[1]);
  const std::unique_ptr<MxDynObj> event(MxObjectDelete(9).clone());
  EXPECT_EQ(mx_cast<MxObjectDelete>(event.get())->object_id(), 9);
  EXPECT_TRUE(reports.empty());
}

TEST_F(DynObj, IdentityCounterStartsAgainAtOneInsteadOfOverflowing) {
  const int saved = Thing::next_identity_value();
  Thing::next_identity_is(INT_MAX);
  EXPECT_EQ(Shape::take_identity(), INT_MAX);
  EXPECT_EQ(Shape::take_identity(), 1);
  EXPECT_EQ(Thing::next_identity_value(), 2);
  EXPECT_EQ(reports.tags(), ReportTags{"mxdynobj"});
  Thing::next_identity_is(saved);
}

TEST_F(DynObj, CopiesStartAtZeroAndCountingBelowZeroReportsButNeverDeletes) {
  Shape shape;
  shape.add_ref();
  Shape copy(shape), assigned;
  assigned = shape;
  EXPECT_EQ(shape.n_refs(), 1);
  EXPECT_EQ(copy.n_refs() + assigned.n_refs(), 0);
  shape.remove_ref();
  EXPECT_TRUE(reports.empty());
  shape.remove_ref(); // below one: reported, then -1, which every operation reports
  EXPECT_EQ(shape.n_refs(), -1);
  shape.add_ref();
  EXPECT_EQ(shape.n_refs(), 0);
  ASSERT_EQ(reports.tags(), ReportTags(3, "shape"));
  EXPECT_NE(reports.all()[0].line, reports.all()[1].line);
  EXPECT_EQ(Shape::destroyed, 0);
}

// Random holder operations against a model that knows which shape each
// holder holds: a count is the number of holders of its shape, and a shape
// ends when its last holder lets go.
TEST_F(DynObj, HoldersAgreeWithAModelOfWhoHoldsWhat) {
  std::mt19937 random(7);
  std::vector<MxRCPtr<Shape>> holders(5);
  std::vector<const Shape*> model(5, nullptr);
  int made = 0;
  for (int step = 0; step < 3000; ++step) {
    const size_t i = random() % 5, j = random() % 5, op = random() % 8;
    const Shape* of_j = model[j];
    if (op == 0) holders[i] = MxRCPtr<Shape>(new Shape), ++made;
    if (op == 1) holders[i] = MxRCPtr<Square>(new Square), ++made; // converted upwards
    if (op < 2) model[i] = holders[i].get();                       // the new shape
    if (op == 2) holders[i] = holders[j], model[i] = of_j;         // also onto itself
    if (op == 3) holders[i] = MxRCPtr<Shape>(holders[j]), model[i] = of_j;
    if (op == 4) holders[i].reset(holders[j].get()), model[i] = of_j;
    if (op == 5) holders[i] = nullptr, model[i] = nullptr;
    if (op == 6) holders[i].reset(), model[i] = nullptr;
    if (op == 7) holders[i] = std::move(holders[j]), model[j] = nullptr, model[i] = of_j;
    std::set<const Shape*> live;
    for (size_t h = 0; h < 5; ++h) {
      ASSERT_EQ(holders[h].get(), model[h]);
      if (!model[h]) continue;
      live.insert(model[h]);
      ASSERT_EQ(holders[h]->n_refs(), std::count(model.begin(), model.end(), model[h]));
      ASSERT_EQ(holders[h] == holders[i], model[h] == model[i]);
    }
    ASSERT_EQ(Shape::destroyed, made - static_cast<int>(live.size()));
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(DynObj, HolderEdgeCases) {
  const Shape* counted_to_zero = new Shape; // held at zero: deleted at release
  counted_to_zero->add_ref();
  counted_to_zero->remove_ref();
  { MxRCPtr<const Shape> holder(counted_to_zero); }
  EXPECT_EQ(Shape::destroyed, 1);
  Square kept; // a client reference keeps an object
  kept.add_ref();
  { MxRCPtr<Shape> holder(&kept); }
  EXPECT_EQ(kept.n_refs(), 1);
  kept.remove_ref();
  MxRCPtr<Shape> empty, null_holder(nullptr), copy(empty);
  EXPECT_FALSE(empty);
  EXPECT_TRUE(empty == null_holder && copy == nullptr && !(copy != nullptr));
  const MxRCPtr<Square> square(new Square);
  const MxRCPtr<Shape> held(square); // converted upwards, counted
  EXPECT_TRUE(held == square && held != empty && held && &*held == held.operator->());
  EXPECT_EQ(square->n_refs(), 2);
  EXPECT_TRUE(reports.empty());
}

} // namespace
