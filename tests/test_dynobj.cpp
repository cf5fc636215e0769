// Runtime typing, identities, reference counting and the counted holder.
#include "mxclassnames.h"
#include "mxdynobj.h"
#include "mxrcptr.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// Read during this file's static initialisation, before any test runs.
const std::string dynobj_name_at_load = MxDynObj::type_id()->as_const_c_string();
const std::string object_name_at_load = MX_LIBRARY_CLASS_NAME(MxObject).as_const_c_string();
const MxString* const object_id_at_load = &MX_LIBRARY_CLASS_NAME(MxObject);

// A counted, identified class and a chain below MxDynObj:
// Shape -> Polygon -> Square.
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

class Square : public Polygon {
  MX_DYNOBJ_TYPE(Square, Polygon)
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

struct WithHandler : ReportingTest {
  WithHandler() { Shape::destroyed = 0; }
};

using Typing = WithHandler;
using Counting = WithHandler;
using Holder = WithHandler;

TEST(ClassNames, LibraryStringsHaveTheirTextsAndDistinctAddressesFromLoadOn) {
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
      {&MX_LIBRARY_CLASS_NAME(MxInterface), "MxInterface"}};
  std::set<const MxString*> addresses;
  for (const auto& name : names) {
    EXPECT_EQ(std::string(name.first->as_const_c_string()), name.second);
    addresses.insert(name.first);
  }
  EXPECT_EQ(addresses.size(), names.size());
  EXPECT_EQ(MxDynObj::type_id(), &MX_LIBRARY_CLASS_NAME(MxDynObj));
  EXPECT_EQ(MxInterface::interface_id(), &MX_LIBRARY_CLASS_NAME(MxInterface));
  // usable from static initialisers
  EXPECT_EQ(dynobj_name_at_load, "MxDynObj");
  EXPECT_EQ(object_name_at_load, "MxObject");
  EXPECT_EQ(object_id_at_load, &MX_LIBRARY_CLASS_NAME(MxObject));
  // extra guards neither rebuild nor destroy the strings
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
  Polygon polygon;
  Circle circle;
  const MxString same_text("Square"), dynobj_text("MxDynObj");
  ASSERT_TRUE(same_text == square.class_name());
  const struct {
    const MxDynObj& object;
    const MxString* type;
    bool is;
  } cases[] = {{square, Square::type_id(), true},
               {square, Polygon::type_id(), true},
               {square, Shape::type_id(), true},
               {square, MxDynObj::type_id(), true},
               {square, Circle::type_id(), false},
               {square, &MX_LIBRARY_CLASS_NAME(MxObject), false},
               {square, nullptr, false},
               // a string with the class name's text is not the type identifier
               {square, &same_text, false},
               {square, &dynobj_text, false},
               {polygon, Shape::type_id(), true},
               {polygon, Square::type_id(), false},
               {polygon, Square::type_id(), false},
               {circle, Polygon::type_id(), false}};
  for (const auto& c : cases)
    EXPECT_EQ(c.object.isA(c.type), c.is)
        << c.object.classname() << " isA " << (c.type ? c.type->as_const_c_string() : "null");

  const MxDynObj& as_root = square;
  EXPECT_EQ(as_root.type(), Square::type_id());
  EXPECT_EQ(&as_root.class_name(), Square::type_id());
  EXPECT_STREQ(as_root.classname(), "Square");
  EXPECT_STREQ(Shape().classname(), "Shape");
  EXPECT_TRUE(reports.empty());
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

  EXPECT_EQ(mx_cast<Polygon>(square_root), &square);
  EXPECT_EQ(mx_cast<Square>(polygon_root), nullptr);
  EXPECT_EQ(mx_cast<Polygon>(const_square), &square);
  EXPECT_EQ(mx_cast<Circle>(const_square), nullptr);
  EXPECT_TRUE(mx_isa<MxDynObj>(polygon_root));
  EXPECT_FALSE(mx_isa<Shape>(nullptr));
  EXPECT_TRUE(reports.empty());

  MxInterface interface; // answers only its own identifier
  const MxString interface_text("MxInterface");
  EXPECT_EQ(interface.query_interface(MxInterface::interface_id()), &interface);
  EXPECT_EQ(interface.query_interface(&interface_text), nullptr);
  EXPECT_EQ(interface.query_interface(MxDynObj::type_id()), nullptr);
  EXPECT_EQ(interface.query_interface(nullptr), nullptr);
}

TEST_F(Counting, IdentitiesConsecutiveOnConstructionNewOnCopyAndClone) {
  Shape first;
  Square second;
  EXPECT_EQ(second.identity(), first.identity() + 1);
  EXPECT_EQ(Shape::counter(), second.identity() + 1);
  Square copy(second);
  EXPECT_EQ(copy.identity(), second.identity() + 1);
  const int kept = first.identity();
  first = copy;
  EXPECT_EQ(first.identity(), kept);
  second.add_ref();
  MxDynObj* clone = second.clone();
  EXPECT_GT(clone->identity(), copy.identity());
  EXPECT_EQ(clone->type(), Square::type_id());
  EXPECT_EQ(Square::cast(clone)->n_refs(), 0);
  delete clone;
  second.remove_ref();
  EXPECT_TRUE(reports.empty());
}

TEST_F(Counting, IdentityCounterStartsAgainAtOneInsteadOfOverflowing) {
  const int saved = Shape::counter();
  Shape::set_counter(INT_MAX);
  EXPECT_EQ(Shape::take_identity(), INT_MAX);
  EXPECT_EQ(reports.tags(), ReportTags{"mxdynobj"});
  EXPECT_EQ(Shape::take_identity(), 1);
  EXPECT_EQ(Shape::counter(), 2);
  EXPECT_EQ(reports.count(), 1u);
  Shape::set_counter(saved);
}

TEST_F(Counting, CopiesStartAtZeroAndRemovingAtZeroReportsButNeverDeletes) {
  Shape shape;
  shape.add_ref();
  shape.add_ref();
  Shape copy(shape), other;
  other = shape;
  EXPECT_EQ(shape.n_refs(), 2);
  EXPECT_EQ(copy.n_refs() + other.n_refs(), 0);
  shape.remove_ref();
  shape.remove_ref();
  EXPECT_EQ(shape.n_refs(), 0);
  EXPECT_TRUE(reports.empty());
  shape.remove_ref();
  EXPECT_EQ(shape.n_refs(), -1);
  ASSERT_EQ(reports.tags(), ReportTags(2, "shape"));
  EXPECT_NE(reports.all()[0].line, reports.all()[1].line);
  shape.add_ref();
  EXPECT_EQ(shape.n_refs(), 0);
  EXPECT_EQ(reports.count(), 3u); // adding from below zero is reported too
  EXPECT_EQ(Shape::destroyed, 0);
}

TEST(CountingSilent, NoHandlerNoReport) {
  Shape shape;
  shape.remove_ref();
  EXPECT_EQ(shape.n_refs(), -1);
}

TEST_F(Holder, LastReleaseDeletesExactlyOnce) {
  Shape* shape = new Shape;
  {
    MxRCPtr<Shape> first(shape);
    EXPECT_EQ(shape->n_refs(), 1);
    {
      MxRCPtr<Shape> second(first);
      MxRCPtr<Shape> third = second;
      std::vector<MxRCPtr<Shape>> holders(100, first);
      EXPECT_EQ(shape->n_refs(), 103);
    }
    EXPECT_EQ(shape->n_refs(), 1);
    EXPECT_EQ(Shape::destroyed, 0);
  }
  EXPECT_EQ(Shape::destroyed, 1);

  const Shape* counted_to_zero = new Shape; // held at zero: deleted at release
  counted_to_zero->add_ref();
  counted_to_zero->remove_ref();
  { MxRCPtr<const Shape> holder(counted_to_zero); }
  EXPECT_EQ(Shape::destroyed, 2);

  Shape* kept = new Shape; // a client reference keeps the object
  kept->add_ref();
  { MxRCPtr<Shape> holder(kept); }
  EXPECT_EQ(Shape::destroyed, 2);
  EXPECT_EQ(kept->n_refs(), 1);
  kept->remove_ref();
  delete kept;
  MxRCPtr<Shape> empty, null_holder(nullptr), copy(empty); // empty holders count nothing
  EXPECT_EQ(empty.get(), nullptr);
  EXPECT_FALSE(empty);
  EXPECT_TRUE(empty == null_holder && copy == nullptr);
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

TEST_F(Holder, MoveTransfersWithoutCountingAndHoldersConvertUpwards) {
  Square* square = new Square;
  MxRCPtr<Square> first(square);
  MxRCPtr<Square> second(std::move(first));
  EXPECT_EQ(first.get(), nullptr);
  MxRCPtr<Square> third;
  third = std::move(second);
  EXPECT_EQ(second.get(), nullptr);
  EXPECT_EQ(square->n_refs(), 1);
  MxRCPtr<Shape> as_shape(third);
  EXPECT_EQ(square->n_refs(), 2);
  EXPECT_TRUE(as_shape == third);
  EXPECT_FALSE(as_shape != third);
  EXPECT_EQ(&*as_shape, square);
  EXPECT_EQ(as_shape->identity(), square->identity());

  MxRCPtr<Shape> other(new Shape);
  EXPECT_TRUE(other != as_shape);
  other = std::move(as_shape);
  EXPECT_EQ(Shape::destroyed, 1);
  EXPECT_EQ(other.get(), square);
  EXPECT_EQ(square->n_refs(), 2);
}

} // namespace
