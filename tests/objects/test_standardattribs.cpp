// The standard attributes: names, external identifiers and tagged doubles,
// and their helpers that work directly on an object.
#include "mxevent.h"
#include "mxobject.h"
#include "mxrcptr.h"
#include "mxstandardattribs.h"

#include "support/clients.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace {

MxDoubleAttrib::Usage usage(int32_t v) {
  return static_cast<MxDoubleAttrib::Usage>(v);
}

size_t extid_of(const MxObject& o) {
  return MxExtIdAttrib::get_extid_from_object(o);
}

double value_of(const MxObject& o, int32_t u, bool found = true) {
  double value = 99.0;
  EXPECT_EQ(MxDoubleAttrib::get_value_from_object(o, usage(u), value), found) << u;
  return value;
}

using StandardAttribs = ReportingTest;

TEST_F(StandardAttribs, PrivateToTheirObjectCastSilentlyAndCloneTheirValues) {
  Thing o;
  auto* name = new MxNameAttrib("wheel");
  o.add_attrib(name);
  MxExtIdAttrib::set_extid_to_object(o, 99);
  MxDoubleAttrib::set_value_to_object(o, usage(4), -0.5);
  MxAttrib* const attribs[] = {o.find_attrib_by_type(MxDoubleAttrib::type_id()),
                               o.find_attrib_by_type(MxExtIdAttrib::type_id()), name};
  for (const MxAttrib* a : attribs) { // their typing: test_dynobj
    EXPECT_FALSE(a->sharable() || a->propagate());
    EXPECT_TRUE(a->invariant(MxObjectModified(1)) && a->invariant(MxObjectDelete(1)));
  }
  o.notify(); // never detached by events
  EXPECT_EQ(o.find_attrib_by_type(MxNameAttrib::type_id()), name);
  EXPECT_EQ(name->n_refs(), 1);
  Thing copy(o); // never copied
  EXPECT_EQ(copy.find_attrib_by_type(MxAttrib::type_id()), nullptr);
  const MxRCPtr<MxNameAttrib> name_clone(MxNameAttrib::cast(attribs[2]->clone()));
  const MxRCPtr<MxExtIdAttrib> extid_clone(MxExtIdAttrib::cast(attribs[1]->clone()));
  const MxRCPtr<MxDoubleAttrib> value_clone(MxDoubleAttrib::cast(attribs[0]->clone()));
  EXPECT_EQ(name_clone->get_name(), "wheel");
  EXPECT_GT(name_clone->identity(), name->identity());
  EXPECT_EQ(extid_clone->get_extid(), 99u);
  MxDoubleAttrib::Usage u = usage(0);
  double v = 0.0;
  value_clone->get(u, v);
  EXPECT_TRUE(u == usage(4) && v == -0.5);
  EXPECT_EQ(value_clone->n_refs(), 1); // the holder's: a clone starts at 0
  name->set_name("tyre");
  name->set_name(name->get_name());
  EXPECT_EQ(name->get_name(), "tyre");
  EXPECT_TRUE(reports.empty());
}

TEST_F(StandardAttribs, ExternalIdentifierIsOneAttributeOverwrittenInPlace) {
  Thing o;
  EXPECT_EQ(extid_of(o), 0xFFFFFFFFFFFFFFFFull);
  EXPECT_EQ(MxExtIdAttrib::illegal_extid(), 0xFFFFFFFFFFFFFFFFull);
  MxExtIdAttrib::set_extid_to_object(o, MxExtIdAttrib::illegal_extid()); // refused
  EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), nullptr);
  MxExtIdAttrib::set_extid_to_object(o, 10);
  MxAttrib* first = o.find_attrib_by_type(MxExtIdAttrib::type_id());
  EXPECT_EQ(first->n_refs(), 1); // the object's list holds the only reference
  EXPECT_EQ(reports.take_tags(), ReportTags{"mxstandardattribs"});
  MxExtIdAttrib::set_extid_to_object(o, 20); // reported, then overwritten
  MxExtIdAttrib::set_extid_to_object(o, MxExtIdAttrib::illegal_extid());
  EXPECT_EQ(reports.take_tags(), ReportTags(2, "mxstandardattribs"));
  EXPECT_EQ(extid_of(o), 20u);
  MxArray<MxAttrib*, MxAllocator<MxAttrib*>> all;
  EXPECT_EQ(o.find_all_attribs_by_type(MxExtIdAttrib::type_id(), all), 1u);
  EXPECT_EQ(all[0], first);
  o.add_attrib(new MxNameAttrib("between")); // the newest of several wins; others do not disturb
  o.add_attrib(nullptr);
  o.add_attrib(new MxExtIdAttrib(2));
  EXPECT_EQ(extid_of(o), 2u);
  MxExtIdAttrib kept(MxExtIdAttrib::illegal_extid()); // reported but kept
  EXPECT_EQ(kept.get_extid(), MxExtIdAttrib::illegal_extid());
  MxExtIdAttrib extid(5);
  extid.set_extid(MxExtIdAttrib::illegal_extid()); // reported and refused
  EXPECT_EQ(extid.get_extid(), 5u);
  extid.set_extid(0xFFFFFFFFFFFFFFFEull);
  EXPECT_EQ(extid.get_extid(), 0xFFFFFFFFFFFFFFFEull);
  EXPECT_EQ(reports.take_tags(), ReportTags(2, "mxstandardattribs"));
}

TEST_F(StandardAttribs, DoubleValuesByUsageNewestWinsForAnyThirtyTwoBitUsage) {
  static_assert(sizeof(MxDoubleAttrib::Usage) == 4, "usage is a 32-bit value");
  Thing o;
  EXPECT_EQ(value_of(o, 1, false), 0.0);
  const int32_t usages[] = {INT32_MIN, -1, 0, 1, INT32_MAX, 1};
  for (int32_t u : usages) MxDoubleAttrib::set_value_to_object(o, usage(u), u * 0.5 + 0.25);
  MxDoubleAttrib::set_value_to_object(o, usage(1), 3.5);
  o.add_attrib(new MxNameAttrib("not a value")); // neither counted nor read
  MxArray<MxAttrib*, MxAllocator<MxAttrib*>> all;
  EXPECT_EQ(o.find_all_attribs_by_type(MxDoubleAttrib::type_id(), all), 7u);
  for (int32_t u : usages) EXPECT_EQ(value_of(o, u), u == 1 ? 3.5 : u * 0.5 + 0.25);
  EXPECT_EQ(value_of(o, 3, false), 0.0);
  EXPECT_TRUE(reports.empty());
}

} // namespace
