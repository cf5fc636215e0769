// Runtime typing, identities, reference counting and the counted holder.
#include "mxclassnames.h"
#include "mxdynobj.h"
#include "mxrcptr.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Report {
  std::string tag;
  int line;
};
std::vector<Report> reports;
void record(const char* file, int line) {
  reports.push_back({file, line});
}

// Read during this file's static initialisation, before any test runs.
const std::string dynobj_name_at_load = MxDynObj::type_id()->as_const_c_string();
const std::string object_name_at_load = MX_LIBRARY_CLASS_NAME(MxObject).as_const_c_string();
const MxString* const object_id_at_load = &MX_LIBRARY_CLASS_NAME(MxObject);

// A counted, identified class and a four-deep chain below MxDynObj:
// Shape -> Polygon -> Quad -> Square.
class Shape : public MxDynObj, public MxRCObj {
  MX_DYNOBJ_TYPE(Shape, MxDynObj)
  MX_DYNOBJ_CAST(Shape)

public:
  Shape() = default;
  Shape(const Shape&) = default;
  Shape& operator=(const Shape&) = default;
  ~Shape() override { ++destroyed; }

  MxDynObj* clone() const override { return new Shape(*this); }
  int identity() const override { return identity_.value(); }
  void add_ref() const override { refs_.add("shape", __LINE__); }
  void remove_ref() const override { refs_.remove("shape", __LINE__); }
  int n_refs() const override { return refs_.get("shape", __LINE__); }

  static int destroyed;
  static int counter() { return IDENTITY_INDEX; }
  static void set_counter(int value) { IDENTITY_INDEX = value; }
  static int take_identity() { return next_identity(); }

private:
  MxIdentity identity_;
  mutable MxRefCounter refs_;
};
int Shape::destroyed = 0;
MX_DEFINE_CLASS_NAME(Shape);

class Polygon : public Shape {
  MX_DYNOBJ_TYPE(Polygon, Shape)

public:
  MxDynObj* clone() const override { return new Polygon(*this); }
};
MX_DEFINE_CLASS_NAME(Polygon);

class Quad : public Polygon {
  MX_DYNOBJ_TYPE(Quad, Polygon)

public:
  MxDynObj* clone() const override { return new Quad(*this); }
};
MX_DEFINE_CLASS_NAME(Quad);

class Square : public Quad {
  MX_DYNOBJ_TYPE(Square, Quad)
  MX_DYNOBJ_CAST(Square)

public:
  MxDynObj* clone() const override { return new Square(*this); }
};
MX_DEFINE_CLASS_NAME(Square);

// A sibling branch, to check that typing never crosses between branches.
class Circle : public Shape {
  MX_DYNOBJ_TYPE(Circle, Shape)

public:
  MxDynObj* clone() const override { return new Circle(*this); }
};
MX_DEFINE_CLASS_NAME(Circle);

struct WithHandler : ::testing::Test {
  void SetUp() override {
    reports.clear();
    Shape::destroyed = 0;
    set_fnd_assertion_handler(record, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }
};

using Typing = WithHandler;
using Identities = WithHandler;
using Counting = WithHandler;
using Holder = WithHandler;

TEST(ClassNames, LibraryStringsHaveTheirTextsAndDistinctAddresses) {
  const std::vector<std::pair<const MxString*, std::string>> names = {
      {&MX_LIBRARY_CLASS_NAME(MxDynObj), "MxDynObj"},
      {&MX_LIBRARY_CLASS_NAME(MxAttrib), "MxAttrib"},
      {&MX_LIBRARY_CLASS_NAME(MxNameAttrib), "MxNameAttrib"},
      {&MX_LIBRARY_CLASS_NAME(MxExtIdAttrib), "MxExtIdAttrib"},
      {&MX_LIBRARY_CLASS_NAME(MxDoubleAttrib), "MxDoubleAttrib"},
      {&MX_LIBRARY_CLASS_NAME(MxEvent), "MxEvent"},
      {&MX_LIBRARY_CLASS_NAME(MxObjectModified), "MxObjectModified"},
      {&MX_LIBRARY_CLASS_NAME(MxObjectDelete), "MxObjectDelete"},
      {&MX_LIBRARY_CLASS_NAME(MxReactor), "MxReactor"},
      {&MX_LIBRARY_CLASS_NAME(MxObject), "MxObject"},
      {&MX_LIBRARY_CLASS_NAME(MxReport), "MxReport"},
      {&MX_LIBRARY_CLASS_NAME(MxObjectDependencyRole), "MxObjectDependencyRole"},
      {&MX_LIBRARY_CLASS_NAME(MxArtificialObjectDependency), "MxArtificialObjectDependency"},
      {&MX_LIBRARY_CLASS_NAME(MxInterface), "MxInterface"},
  };
  std::set<const MxString*> addresses;
  for (const auto& name : names) {
    EXPECT_EQ(std::string(name.first->as_const_c_string()), name.second);
    addresses.insert(name.first);
  }
  EXPECT_EQ(addresses.size(), names.size());
  EXPECT_EQ(MxDynObj::type_id(), &MX_LIBRARY_CLASS_NAME(MxDynObj));
  EXPECT_EQ(MxInterface::interface_id(), &MX_LIBRARY_CLASS_NAME(MxInterface));
}

TEST(ClassNames, UsableFromStaticInitialisers) {
  EXPECT_EQ(dynobj_name_at_load, "MxDynObj");
  EXPECT_EQ(object_name_at_load, "MxObject");
  EXPECT_EQ(object_id_at_load, &MX_LIBRARY_CLASS_NAME(MxObject));
}

TEST(ClassNames, ExtraGuardsNeitherRebuildNorDestroyTheStrings) {
  const char* text_before = MX_LIBRARY_CLASS_NAME(MxReactor).as_const_c_string();
  {
    mx_detail::MxStaticStringsInit first;
    mx_detail::MxStaticStringsInit second;
  }
  EXPECT_EQ(MX_LIBRARY_CLASS_NAME(MxReactor).as_const_c_string(), text_before);
  EXPECT_STREQ(MX_LIBRARY_CLASS_NAME(MxReactor).as_const_c_string(), "MxReactor");
}

TEST_F(Typing, ObjectIsEveryClassOfItsChainAndNothingElse) {
  Square square;
  EXPECT_TRUE(square.isA(Square::type_id()));
  EXPECT_TRUE(square.isA(Quad::type_id()));
  EXPECT_TRUE(square.isA(Polygon::type_id()));
  EXPECT_TRUE(square.isA(Shape::type_id()));
  EXPECT_TRUE(square.isA(MxDynObj::type_id()));
  EXPECT_FALSE(square.isA(Circle::type_id()));
  EXPECT_FALSE(square.isA(&MX_LIBRARY_CLASS_NAME(MxObject)));
  EXPECT_FALSE(square.isA(nullptr));

  Polygon polygon;
  EXPECT_TRUE(polygon.isA(Shape::type_id()));
  EXPECT_FALSE(polygon.isA(Quad::type_id()));
  EXPECT_FALSE(polygon.isA(Square::type_id()));

  Circle circle;
  EXPECT_FALSE(circle.isA(Polygon::type_id()));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Typing, StringWithTheClassNameTextIsNotTheTypeIdentifier) {
  Square square;
  const MxString same_text("Square");
  const MxString dynobj_text("MxDynObj");
  ASSERT_TRUE(same_text == square.class_name());
  EXPECT_FALSE(square.isA(&same_text));
  EXPECT_FALSE(square.isA(&dynobj_text));
  EXPECT_FALSE(square.isA(&MX_LIBRARY_CLASS_NAME(MxObjectModified)));
}

TEST_F(Typing, TypeClassNameAndClassnameAgree) {
  Quad quad;
  const MxDynObj& as_root = quad;
  EXPECT_EQ(as_root.type(), Quad::type_id());
  EXPECT_EQ(&as_root.class_name(), Quad::type_id());
  EXPECT_STREQ(as_root.classname(), "Quad");
  EXPECT_STREQ(Shape().classname(), "Shape");
  EXPECT_NE(Quad::type_id(), Polygon::type_id());
}

TEST_F(Typing, CastsAcceptTheChainAndRejectOthersSilently) {
  Square square;
  Polygon polygon;
  MxDynObj* square_root = &square;
  MxDynObj* polygon_root = &polygon;
  const MxDynObj* const_square = &square;

  EXPECT_EQ(Square::cast(square_root), &square);
  EXPECT_EQ(Square::cast(polygon_root), nullptr);
  EXPECT_EQ(Square::cast(static_cast<MxDynObj*>(nullptr)), nullptr);
  EXPECT_EQ(Square::cast(const_square), &square);
  EXPECT_EQ(Shape::cast(polygon_root), &polygon);

  EXPECT_EQ(mx_cast<Quad>(square_root), &square);
  EXPECT_EQ(mx_cast<Quad>(polygon_root), nullptr);
  EXPECT_EQ(mx_cast<Polygon>(const_square), &square);
  EXPECT_EQ(mx_cast<Circle>(const_square), nullptr);
  EXPECT_TRUE(mx_isa<MxDynObj>(polygon_root));
  EXPECT_FALSE(mx_isa<Shape>(nullptr));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Typing, InterfaceQueryAnswersOnlyItsOwnIdentifier) {
  MxInterface interface;
  const MxString same_text("MxInterface");
  EXPECT_EQ(interface.query_interface(MxInterface::interface_id()), &interface);
  EXPECT_EQ(interface.query_interface(&same_text), nullptr);
  EXPECT_EQ(interface.query_interface(MxDynObj::type_id()), nullptr);
  EXPECT_EQ(interface.query_interface(nullptr), nullptr);
  EXPECT_STREQ(MxInterface::interface_id()->as_const_c_string(), "MxInterface");
}

TEST_F(Identities, ConsecutiveOnConstructionLargerOnCopy) {
  Shape first;
  Square second;
  EXPECT_EQ(second.identity(), first.identity() + 1);
  EXPECT_EQ(Shape::counter(), second.identity() + 1);

  Square copy(second);
  EXPECT_GT(copy.identity(), second.identity());
  EXPECT_EQ(copy.identity(), second.identity() + 1);

  const int kept = first.identity();
  first = copy;
  EXPECT_EQ(first.identity(), kept);
}

TEST_F(Identities, CloneHasNewIdentityAndNoReferences) {
  Square original;
  original.add_ref();
  MxDynObj* clone = original.clone();
  ASSERT_NE(clone, nullptr);
  EXPECT_GT(clone->identity(), original.identity());
  EXPECT_EQ(clone->type(), Square::type_id());
  EXPECT_EQ(Square::cast(clone)->n_refs(), 0);
  delete clone;
  original.remove_ref();
  EXPECT_TRUE(reports.empty());
}

TEST_F(Identities, CounterStartsAgainAtOneInsteadOfOverflowing) {
  const int saved = Shape::counter();
  Shape::set_counter(INT_MAX);
  EXPECT_EQ(Shape::take_identity(), INT_MAX);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].tag, "mxdynobj");
  EXPECT_EQ(Shape::take_identity(), 1);
  EXPECT_EQ(Shape::counter(), 2);
  EXPECT_EQ(reports.size(), 1u);
  Shape::set_counter(saved);
}

TEST_F(Counting, AddRemoveAndRead) {
  Shape shape;
  EXPECT_EQ(shape.n_refs(), 0);
  shape.add_ref();
  shape.add_ref();
  EXPECT_EQ(shape.n_refs(), 2);
  shape.remove_ref();
  EXPECT_EQ(shape.n_refs(), 1);
  shape.remove_ref();
  EXPECT_EQ(shape.n_refs(), 0);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(Shape::destroyed, 0);
}

TEST_F(Counting, RemoveAtZeroReportsAndNeverDeletes) {
  Shape shape;
  shape.remove_ref();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].tag, "shape");
  const int remove_line = reports[0].line;

  EXPECT_EQ(shape.n_refs(), -1);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].tag, "shape");
  EXPECT_NE(reports[1].line, remove_line);

  shape.add_ref();
  EXPECT_EQ(reports.size(), 3u);
  EXPECT_EQ(shape.n_refs(), 0);
  EXPECT_EQ(reports.size(), 3u);
  EXPECT_EQ(Shape::destroyed, 0);
}

TEST_F(Counting, CopyStartsAtZeroAndAssignmentKeepsTheCount) {
  Shape shape;
  shape.add_ref();
  Shape copy(shape);
  EXPECT_EQ(copy.n_refs(), 0);
  Shape other;
  other = shape;
  EXPECT_EQ(other.n_refs(), 0);
  shape.remove_ref();
}

TEST(CountingSilent, NoHandlerNoReport) {
  reports.clear();
  set_fnd_assertion_handler(record, false);
  Shape shape;
  shape.remove_ref();
  EXPECT_EQ(shape.n_refs(), -1);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Holder, LastReleaseDeletesExactlyOnce) {
  Shape* shape = new Shape;
  {
    MxRCPtr<Shape> first(shape);
    EXPECT_EQ(shape->n_refs(), 1);
    {
      MxRCPtr<Shape> second(first);
      MxRCPtr<Shape> third = second;
      EXPECT_EQ(shape->n_refs(), 3);
    }
    EXPECT_EQ(shape->n_refs(), 1);
    EXPECT_EQ(Shape::destroyed, 0);
  }
  EXPECT_EQ(Shape::destroyed, 1);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Holder, ClientReferenceKeepsTheObject) {
  Shape* shape = new Shape;
  shape->add_ref();
  { MxRCPtr<Shape> holder(shape); }
  EXPECT_EQ(Shape::destroyed, 0);
  EXPECT_EQ(shape->n_refs(), 1);
  shape->remove_ref();
  delete shape;
  EXPECT_EQ(Shape::destroyed, 1);
}

TEST_F(Holder, EmptyHoldersCountNothing) {
  MxRCPtr<Shape> empty;
  MxRCPtr<Shape> null_holder(nullptr);
  MxRCPtr<Shape> from_null_pointer(static_cast<Shape*>(nullptr));
  MxRCPtr<Shape> copy(empty);
  EXPECT_EQ(empty.get(), nullptr);
  EXPECT_FALSE(empty);
  EXPECT_TRUE(empty == null_holder);
  EXPECT_TRUE(empty == nullptr);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Holder, AssignmentTakesTheNewObjectBeforeLettingGoOfTheOld) {
  Shape* a = new Shape;
  Shape* b = new Shape;
  MxRCPtr<Shape> ha(a);
  MxRCPtr<Shape> hb(b);

  MxRCPtr<Shape>& alias = ha;
  ha = alias;
  EXPECT_EQ(a->n_refs(), 1);
  EXPECT_EQ(Shape::destroyed, 0);

  MxRCPtr<Shape> also_b(b);
  hb = also_b;
  EXPECT_EQ(b->n_refs(), 2);

  ha = hb;
  EXPECT_EQ(Shape::destroyed, 1);
  EXPECT_EQ(ha.get(), b);
  EXPECT_EQ(b->n_refs(), 3);

  ha = nullptr;
  hb.reset();
  EXPECT_EQ(b->n_refs(), 1);
  also_b.reset(new Shape);
  EXPECT_EQ(Shape::destroyed, 2);
  EXPECT_EQ(also_b->n_refs(), 1);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Holder, MoveTransfersWithoutCounting) {
  Shape* shape = new Shape;
  MxRCPtr<Shape> first(shape);
  MxRCPtr<Shape> second(std::move(first));
  EXPECT_EQ(first.get(), nullptr);
  EXPECT_EQ(shape->n_refs(), 1);

  MxRCPtr<Shape> third;
  third = std::move(second);
  EXPECT_EQ(second.get(), nullptr);
  EXPECT_EQ(shape->n_refs(), 1);

  Shape* other = new Shape;
  MxRCPtr<Shape> fourth(other);
  fourth = std::move(third);
  EXPECT_EQ(Shape::destroyed, 1);
  EXPECT_EQ(fourth.get(), shape);
  EXPECT_EQ(shape->n_refs(), 1);
}

TEST_F(Holder, ComparesByPointerIdentityAndConvertsUpwards) {
  Square* square = new Square;
  MxRCPtr<Square> held(square);
  MxRCPtr<Shape> as_shape(held);
  EXPECT_EQ(square->n_refs(), 2);
  EXPECT_TRUE(as_shape == held);
  EXPECT_FALSE(as_shape != held);
  EXPECT_EQ(&*as_shape, square);
  EXPECT_EQ(as_shape->identity(), square->identity());

  MxRCPtr<Shape> other(new Shape);
  EXPECT_TRUE(other != as_shape);

  MxRCPtr<Shape> moved(std::move(held));
  EXPECT_EQ(held.get(), nullptr);
  EXPECT_EQ(square->n_refs(), 2);
}

TEST_F(Holder, HolderOfConstObject) {
  const Shape* shape = new Shape;
  {
    MxRCPtr<const Shape> holder(shape);
    EXPECT_EQ(holder->n_refs(), 1);
  }
  EXPECT_EQ(Shape::destroyed, 1);
}

TEST_F(Holder, ObjectAtZeroWhenHeldIsDeletedAtRelease) {
  Shape* shape = new Shape;
  shape->add_ref();
  shape->remove_ref();
  EXPECT_EQ(shape->n_refs(), 0);
  { MxRCPtr<Shape> holder(shape); }
  EXPECT_EQ(Shape::destroyed, 1);
}

TEST_F(Holder, ElementsOfAContainerAreReleasedOnce) {
  Shape* shape = new Shape;
  {
    std::vector<MxRCPtr<Shape>> holders;
    for (int i = 0; i < 100; ++i) holders.emplace_back(shape);
    EXPECT_EQ(shape->n_refs(), 100);
  }
  EXPECT_EQ(Shape::destroyed, 1);
}

} // namespace
