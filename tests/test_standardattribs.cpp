// The standard attributes: names, external identifiers and tagged doubles,
// and their helpers that work directly on an object.
#include "mxevent.h"
#include "mxobject.h"
#include "mxrcptr.h"
#include "mxstandardattribs.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

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

using StandardAttribTest = ReportingTest;

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

TEST_F(StandardAttribTest, TypingCastsAndClones) {
  const MxNameAttrib name("n");
  const MxExtIdAttrib extid(99);
  const MxDoubleAttrib value(usage(4), -0.5);
  const MxDynObj* const objects[] = {&name, &extid, &value};
  const char* const names[] = {"MxNameAttrib", "MxExtIdAttrib", "MxDoubleAttrib"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_STREQ(objects[i]->classname(), names[i]);
    EXPECT_TRUE(objects[i]->isA(MxAttrib::type_id()));
    EXPECT_EQ(MxNameAttrib::cast(objects[i]) != nullptr, i == 0) << names[i];
    EXPECT_EQ(MxExtIdAttrib::cast(objects[i]) != nullptr, i == 1) << names[i];
    EXPECT_EQ(MxDoubleAttrib::cast(objects[i]) != nullptr, i == 2) << names[i];
  }
  EXPECT_EQ(MxNameAttrib::cast(static_cast<const MxDynObj*>(nullptr)), nullptr);
  EXPECT_EQ(MxDoubleAttrib::cast(static_cast<MxDynObj*>(nullptr)), nullptr);
  MxNameAttrib other("m");
  EXPECT_EQ(MxNameAttrib::cast(static_cast<MxDynObj*>(&other)), &other);
  EXPECT_EQ(MxExtIdAttrib::cast(static_cast<MxDynObj*>(&other)), nullptr);

  MxRCPtr<MxNameAttrib> name_clone(MxNameAttrib::cast(objects[0]->clone()));
  MxRCPtr<MxExtIdAttrib> extid_clone(MxExtIdAttrib::cast(objects[1]->clone()));
  MxRCPtr<MxDoubleAttrib> value_clone(MxDoubleAttrib::cast(objects[2]->clone()));
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
  EXPECT_TRUE(reports.empty());        // attribute casts never report
}

TEST_F(StandardAttribTest, NameCanBeReplacedByItself) {
  MxNameAttrib name("first");
  name.set_name("second");
  name.set_name(name.get_name());
  EXPECT_EQ(name.get_name(), "second");
}

// ---- external identifiers

TEST_F(StandardAttribTest, IllegalExtIdIsTheLargest64BitValueAndRefused) {
  EXPECT_EQ(MxExtIdAttrib::illegal_extid(), 0xFFFFFFFFFFFFFFFFull);
  MxExtIdAttrib kept(MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(kept.get_extid(), MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(reports.tags(), (ReportTags{"mxstandardattribs"}));
  MxExtIdAttrib extid(5);
  extid.set_extid(MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(extid.get_extid(), 5u);
  extid.set_extid(0xFFFFFFFFFFFFFFFEull);
  EXPECT_EQ(extid.get_extid(), 0xFFFFFFFFFFFFFFFEull);
  EXPECT_EQ(reports.tags(), (ReportTags{"mxstandardattribs", "mxstandardattribs"}));
  reports.clear();

  Thing o;
  MxExtIdAttrib::set_extid_to_object(o, MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(reports.tags(), (ReportTags{"mxstandardattribs"}));
  EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), nullptr);
  MxExtIdAttrib::set_extid_to_object(o, 1);
  MxExtIdAttrib::set_extid_to_object(o, MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(o), 1u);
}

TEST_F(StandardAttribTest, ExtIdOnAnObjectIsOverwrittenInPlace) {
  Thing o;
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(o), 0xFFFFFFFFFFFFFFFFull);
  MxExtIdAttrib::set_extid_to_object(o, 10);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(o), 10u);
  MxAttrib* first = o.find_attrib_by_type(MxExtIdAttrib::type_id());
  EXPECT_EQ(first->n_refs(), 1); // the object's list holds the only reference
  MxExtIdAttrib::set_extid_to_object(o, 20);
  EXPECT_EQ(reports.tags(), (ReportTags{"mxstandardattribs"}));
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(o), 20u);
  MxArray<MxAttrib*, MxAllocator<MxAttrib*>> all;
  EXPECT_EQ(o.find_all_attribs_by_type(MxExtIdAttrib::type_id(), all), 1u);
  EXPECT_EQ(all[0], first);
}

TEST_F(StandardAttribTest, NewestExtIdAttributeWinsAndOthersDoNotDisturb) {
  Thing o;
  o.add_attrib(new MxExtIdAttrib(1));
  o.add_attrib(new MxNameAttrib("between"));
  o.add_attrib(nullptr);
  o.add_attrib(new MxExtIdAttrib(2));
  MxDoubleAttrib::set_value_to_object(o, usage(1), 1.0);
  EXPECT_EQ(MxExtIdAttrib::get_extid_from_object(o), 2u);
  double value = 0.0;
  EXPECT_TRUE(MxDoubleAttrib::get_value_from_object(o, usage(1), value));
  EXPECT_EQ(value, 1.0);
  EXPECT_EQ(MxNameAttrib::cast(o.find_attrib_by_type(MxNameAttrib::type_id()))->get_name(),
            "between");
}

// ---- tagged doubles

TEST_F(StandardAttribTest, DoubleValuesByUsageNewestWins) {
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

} // namespace
