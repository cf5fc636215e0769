// The standard attributes: names, external identifiers and tagged doubles,
// and their helpers that work directly on an object.
#include "mxevent.h"
#include "mxobject.h"
#include "mxrcptr.h"
#include "mxstandardattribs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<std::string, int>> reports;
void record_report(const char* file, int line) {
  reports.emplace_back(file, line);
}

using Reports = std::vector<std::pair<std::string, int>>;

class Thing : public MxObject {
  MX_DYNOBJ_TYPE(Thing, MxObject)
public:
  Thing() = default;
  Thing(const Thing&) = default;
  MxDynObj* clone() const override { return new Thing(*this); }
};
MX_DEFINE_CLASS_NAME(Thing);

MxDoubleAttrib::Usage usage(int32_t v) {
  return static_cast<MxDoubleAttrib::Usage>(v);
}

class StandardAttribTest : public ::testing::Test {
protected:
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record_report, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record_report, false); }
};

TEST_F(StandardAttribTest, AttributesArePrivateToTheirObject) {
  Thing o;
  auto* name = new MxNameAttrib("wheel");
  o.add_attrib(name);
  MxExtIdAttrib::set_extid_to_object(o, 12);
  MxDoubleAttrib::set_value_to_object(o, usage(1), 2.5);
  for (MxAttrib* a : {static_cast<MxAttrib*>(name), o.find_attrib_by_type(MxAttrib::type_id())}) {
    EXPECT_FALSE(a->sharable());
    EXPECT_FALSE(a->propagate());
    EXPECT_TRUE(a->invariant(MxObjectModified(o.identity())));
    EXPECT_TRUE(a->invariant(MxObjectDelete(o.identity())));
  }
  o.notify(); // never detached by events
  EXPECT_EQ(o.find_attrib_by_type(MxNameAttrib::type_id()), name);
  Thing copy(o); // never copied
  EXPECT_EQ(copy.find_attrib_by_type(MxAttrib::type_id()), nullptr);
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(copy), MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(name->n_refs(), 1);
  EXPECT_TRUE(reports.empty());
}

TEST_F(StandardAttribTest, TypingAndCasts) {
  MxRCPtr<MxNameAttrib> name(new MxNameAttrib("n"));
  MxRCPtr<MxExtIdAttrib> extid(new MxExtIdAttrib(3));
  MxRCPtr<MxDoubleAttrib> value(new MxDoubleAttrib(usage(0), 1.0));
  EXPECT_STREQ(name->classname(), "MxNameAttrib");
  EXPECT_STREQ(extid->classname(), "MxExtIdAttrib");
  EXPECT_STREQ(value->classname(), "MxDoubleAttrib");
  EXPECT_TRUE(name->isA(MxAttrib::type_id()));
  EXPECT_FALSE(name->isA(MxExtIdAttrib::type_id()));
  MxDynObj* as_dyn = name.get();
  const MxDynObj* as_const = extid.get();
  EXPECT_EQ(MxNameAttrib::cast(as_dyn), name.get());
  EXPECT_EQ(MxExtIdAttrib::cast(as_const), extid.get());
  EXPECT_EQ(MxExtIdAttrib::cast(as_dyn), nullptr);
  EXPECT_EQ(MxDoubleAttrib::cast(static_cast<MxDynObj*>(nullptr)), nullptr);
  EXPECT_EQ(MxNameAttrib::cast(static_cast<const MxDynObj*>(nullptr)), nullptr);
  EXPECT_TRUE(reports.empty()); // attribute casts never report
}

TEST_F(StandardAttribTest, ClonesCopyTheValueWithANewIdentity) {
  const MxNameAttrib name("n");
  const MxExtIdAttrib extid(99);
  const MxDoubleAttrib value(usage(4), -0.5);
  const MxDynObj& name_base = name;
  const MxDynObj& extid_base = extid;
  const MxDynObj& value_base = value;
  MxRCPtr<MxNameAttrib> name_clone(MxNameAttrib::cast(name_base.clone()));
  MxRCPtr<MxExtIdAttrib> extid_clone(MxExtIdAttrib::cast(extid_base.clone()));
  MxRCPtr<MxDoubleAttrib> value_clone(MxDoubleAttrib::cast(value_base.clone()));
  ASSERT_TRUE(name_clone && extid_clone && value_clone);
  EXPECT_EQ(name_clone->get_name(), "n");
  EXPECT_GT(name_clone->identity(), value.identity());
  EXPECT_EQ(extid_clone->get_extid(), 99u);
  MxDoubleAttrib::Usage u = usage(0);
  double v = 0.0;
  value_clone->get(u, v);
  EXPECT_EQ(u, usage(4));
  EXPECT_EQ(v, -0.5);
  EXPECT_EQ(value_clone->n_refs(), 1); // the holder's: a clone starts at 0
}

TEST_F(StandardAttribTest, NameCanBeReplaced) {
  MxNameAttrib name("first");
  EXPECT_EQ(name.get_name(), "first");
  name.set_name("second");
  EXPECT_EQ(name.get_name(), "second");
  name.set_name(name.get_name());
  EXPECT_EQ(name.get_name(), "second");
}

// ---- external identifiers

TEST_F(StandardAttribTest, IllegalExtIdIsTheLargest64BitValue) {
  EXPECT_EQ(MxExtIdAttrib::illegal_extid(), 0xFFFFFFFFFFFFFFFFull);
  MxExtIdAttrib kept(MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(kept.get_extid(), MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(reports, (Reports{{"mxstandardattribs", 158}}));
  MxExtIdAttrib extid(5);
  extid.set_extid(MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(extid.get_extid(), 5u);
  extid.set_extid(0xFFFFFFFFFFFFFFFEull);
  EXPECT_EQ(extid.get_extid(), 0xFFFFFFFFFFFFFFFEull);
  EXPECT_EQ(reports, (Reports{{"mxstandardattribs", 158}, {"mxstandardattribs", 171}}));
}

TEST_F(StandardAttribTest, ExtIdOnAnObject) {
  Thing o;
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(o), 0xFFFFFFFFFFFFFFFFull);
  MxExtIdAttrib::set_extid_to_object(o, 10);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(o), 10u);
  MxAttrib* first = o.find_attrib_by_type(MxExtIdAttrib::type_id());
  EXPECT_EQ(first->n_refs(), 1); // the object's list holds the only reference
  MxExtIdAttrib::set_extid_to_object(o, 20);
  EXPECT_EQ(reports, (Reports{{"mxstandardattribs", 303}}));
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(o), 20u);
  MxArray<MxAttrib*, MxAllocator<MxAttrib*>> all;
  EXPECT_EQ(o.find_all_attribs_by_type(MxExtIdAttrib::type_id(), all), 1u);
  EXPECT_EQ(all[0], first); // overwritten in place
}

TEST_F(StandardAttribTest, IllegalExtIdIsNotSetOnAnObject) {
  Thing o;
  MxExtIdAttrib::set_extid_to_object(o, MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(reports, (Reports{{"mxstandardattribs", 309}}));
  EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), nullptr);
  MxExtIdAttrib::set_extid_to_object(o, 1);
  MxExtIdAttrib::set_extid_to_object(o, MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(o), 1u);
}

TEST_F(StandardAttribTest, NewestExtIdAttributeWins) {
  Thing o;
  o.add_attrib(new MxExtIdAttrib(1));
  o.add_attrib(new MxNameAttrib("between"));
  o.add_attrib(new MxExtIdAttrib(2));
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(o), 2u);
}

// ---- tagged doubles

TEST_F(StandardAttribTest, DoubleValuesByUsage) {
  Thing o;
  double value = 99.0;
  EXPECT_FALSE(MxDoubleAttrib::get_value_from_object(o, usage(1), value));
  EXPECT_EQ(value, 0.0);
  MxDoubleAttrib::set_value_to_object(o, usage(1), 1.5);
  MxDoubleAttrib::set_value_to_object(o, usage(2), 2.5);
  MxDoubleAttrib::set_value_to_object(o, usage(1), 3.5);
  MxArray<MxAttrib*, MxAllocator<MxAttrib*>> all;
  EXPECT_EQ(o.find_all_attribs_by_type(MxDoubleAttrib::type_id(), all), 3u);
  EXPECT_TRUE(MxDoubleAttrib::get_value_from_object(o, usage(1), value));
  EXPECT_EQ(value, 3.5);
  EXPECT_TRUE(MxDoubleAttrib::get_value_from_object(o, usage(2), value));
  EXPECT_EQ(value, 2.5);
  value = 7.0;
  EXPECT_FALSE(MxDoubleAttrib::get_value_from_object(o, usage(3), value));
  EXPECT_EQ(value, 0.0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(StandardAttribTest, AnyThirtyTwoBitUsageIsValid) {
  static_assert(sizeof(MxDoubleAttrib::Usage) == 4, "usage is a 32-bit value");
  Thing o;
  const int32_t extremes[] = {INT32_MIN, -1, 0, INT32_MAX};
  for (int32_t u : extremes) MxDoubleAttrib::set_value_to_object(o, usage(u), u * 0.5);
  for (int32_t u : extremes) {
    double value = 0.0;
    EXPECT_TRUE(MxDoubleAttrib::get_value_from_object(o, usage(u), value));
    EXPECT_EQ(value, u * 0.5);
  }
  MxDoubleAttrib::Usage u = usage(0);
  double v = 0.0;
  MxDoubleAttrib(usage(INT32_MIN), 1.0).get(u, v);
  EXPECT_EQ(static_cast<int32_t>(u), INT32_MIN);
}

TEST_F(StandardAttribTest, OtherAttributesDoNotDisturbTheLookups) {
  Thing o;
  MxDoubleAttrib::set_value_to_object(o, usage(1), 1.0);
  o.add_attrib(new MxNameAttrib("n"));
  o.add_attrib(nullptr);
  MxExtIdAttrib::set_extid_to_object(o, 4);
  double value = 0.0;
  EXPECT_TRUE(MxDoubleAttrib::get_value_from_object(o, usage(1), value));
  EXPECT_EQ(value, 1.0);
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(o), 4u);
  EXPECT_EQ(MxNameAttrib::cast(o.find_attrib_by_type(MxNameAttrib::type_id()))->get_name(), "n");
}

} // namespace
