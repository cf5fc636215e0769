// Lineage queries: ultimate sources and targets, their order and repeats,
// link filters and the `filtered` flag, roots and leaves, cycles, and a
// chain far longer than any call stack could recurse through.
#include "mxobjdependency.h"
#include "mxobject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using T = MxObjectDependency;
using Objects = std::vector<const MxDynObj*>;

class Thing : public MxObject {
public:
  MxDynObj* clone() const override { return new Thing(*this); }
};

/// An iterator over a fixed list of objects.
class List : public MxIterator<const MxDynObj*> {
public:
  List(std::initializer_list<const MxDynObj*> objects) : items_(objects) {}
  const MxDynObj** first() override { return items_.empty() ? nullptr : &items_[0]; }
  void next() override { ++at_; }
  bool done() override { return at_ >= items_.size(); }
  void reset() override { at_ = 0; }
  const MxDynObj** current() override { return at_ < items_.size() ? &items_[at_] : nullptr; }

private:
  std::vector<const MxDynObj*> items_;
  size_t at_ = 0;
};

Objects read(MxAutoPtr<MxIterator<const MxDynObj*>>& it) {
  Objects out;
  if (!it) return out;
  for (it->reset(); !it->done(); it->next()) out.push_back(*it->current());
  return out;
}

struct Answer {
  bool found;
  Objects objects;
  bool filtered;
};

Answer sources(const MxObjDependency& g, const MxDynObj* o, MxObjectDependencyFilter* f = nullptr) {
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  bool filtered = true;
  const bool found = g.get_source_objects(o, it, f, &filtered);
  return {found, read(it), filtered};
}

Answer targets(const MxObjDependency& g, const MxDynObj* o, MxObjectDependencyFilter* f = nullptr) {
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  bool filtered = true;
  const bool found = g.get_target_objects(o, it, f, &filtered);
  return {found, read(it), filtered};
}

/// Refuses every link; counts and remembers the questions.
class RefuseAll : public MxObjectDependencyFilter {
public:
  bool accept(const MxDynObj* s, const MxDynObj* t, T::Type, int, const int*,
              const MxObjectDependencyRole*) override {
    asked.emplace_back(s, t);
    return false;
  }
  std::vector<std::pair<const MxDynObj*, const MxDynObj*>> asked;
};

/// Accepts only dependencies of one type.
class OnlyType : public MxObjectDependencyFilter {
public:
  explicit OnlyType(T::Type t) : type(t) {}
  bool accept(const MxDynObj*, const MxDynObj*, T::Type t, int, const int*,
              const MxObjectDependencyRole*) override {
    return t == type;
  }
  T::Type type;
};

TEST(Queries, ObjectWithoutNodeHasNoAnswer) {
  Thing a, b, stranger;
  MxObjDependency g;
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  const Answer s = sources(g, &stranger);
  EXPECT_FALSE(s.found);
  EXPECT_TRUE(s.objects.empty());
  EXPECT_FALSE(s.filtered);
  EXPECT_FALSE(targets(g, &stranger).found);
}

TEST(Queries, RootsAndLeavesAnswerThemselves) {
  Thing a, b;
  MxObjDependency g;
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  const Answer s = sources(g, &a);
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.objects, Objects{&a});
  const Answer t = targets(g, &b);
  EXPECT_TRUE(t.found);
  EXPECT_EQ(t.objects, Objects{&b});
}

TEST(Queries, ChainAnswersItsEnds) {
  Thing a, b, c;
  MxObjDependency g;
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  g.record_dependency(&b, &c, T::MODIFICATION, nullptr, nullptr);
  EXPECT_EQ(sources(g, &c).objects, Objects{&a});
  EXPECT_EQ(targets(g, &a).objects, Objects{&c});
  EXPECT_EQ(sources(g, &b).objects, Objects{&a});
  EXPECT_EQ(targets(g, &b).objects, Objects{&c});
}

TEST(Queries, DiamondGivesTheSourceOncePerPath) {
  Thing a, b, c, d;
  MxObjDependency g;
  List one{&a};
  List two{&b, &c};
  ASSERT_TRUE(g.record_dependency(&one, &two, T::SPLIT, nullptr, nullptr));
  List merged{&d};
  ASSERT_TRUE(g.record_dependency(&two, &merged, T::ABSORPTION, nullptr, nullptr));
  EXPECT_EQ(sources(g, &d).objects, (Objects{&a, &a}));
  EXPECT_EQ(targets(g, &a).objects, (Objects{&d, &d}));
  EXPECT_TRUE(g.is_valid(nullptr));
}

TEST(Queries, AnswersFollowTheRecordingOrder) {
  Thing a, b, c, d, e;
  MxObjDependency g;
  // e is made from d, b and a, recorded one by one in that order.
  g.record_dependency(&d, &e, T::CREATION, nullptr, nullptr);
  g.record_dependency(&b, &e, T::CREATION, nullptr, nullptr);
  g.record_dependency(&a, &e, T::CREATION, nullptr, nullptr);
  EXPECT_EQ(sources(g, &e).objects, (Objects{&d, &b, &a}));
  g.record_dependency(&c, &d, T::MODIFICATION, nullptr, nullptr);
  EXPECT_EQ(sources(g, &e).objects, (Objects{&c, &b, &a}));
  // Roots in the order their nodes were made: d's node came first, then b, a;
  // d is no root any more, c came last.
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  ASSERT_TRUE(g.get_source_objects(nullptr, it, nullptr, nullptr));
  EXPECT_EQ(read(it), (Objects{&b, &a, &c}));
}

TEST(Queries, CreationAndDeletion) {
  Thing a, b;
  MxObjDependency g;
  g.record_dependency(nullptr, &a, T::CREATION, nullptr, nullptr);
  // Created from nothing: found, but no object to show.
  const Answer s = sources(g, &a);
  EXPECT_TRUE(s.found);
  EXPECT_TRUE(s.objects.empty());
  g.record_dependency(&a, nullptr, T::DELETION, nullptr, nullptr);
  // Deleted: nothing found forwards.
  const Answer t = targets(g, &a);
  EXPECT_FALSE(t.found);
  EXPECT_TRUE(t.objects.empty());
  // The null object lists roots and leaves, never the null-object node.
  g.record_dependency(&b, nullptr, T::DELETION, nullptr, nullptr);
  EXPECT_EQ(sources(g, nullptr).objects, Objects{&b});
  EXPECT_TRUE(targets(g, nullptr).objects.empty());
  EXPECT_FALSE(targets(g, nullptr).found);
}

TEST(Queries, FilterThatRefusesEverything) {
  Thing a, b, c;
  MxObjDependency g;
  int q = 3;
  g.record_dependency(&a, &b, T::MODIFICATION, &q, nullptr);
  g.record_dependency(&b, &c, T::MODIFICATION, nullptr, nullptr);
  RefuseAll refuse;
  const Answer s = sources(g, &c, &refuse);
  EXPECT_FALSE(s.found);
  EXPECT_TRUE(s.objects.empty());
  EXPECT_TRUE(s.filtered);
  // Source first, target second, whichever way the walk goes.
  ASSERT_EQ(refuse.asked.size(), 1u);
  EXPECT_EQ(refuse.asked[0].first, &b);
  EXPECT_EQ(refuse.asked[0].second, &c);
  const Answer root = sources(g, &a, &refuse);
  EXPECT_TRUE(root.found);
  EXPECT_EQ(root.objects, Objects{&a});
  EXPECT_FALSE(root.filtered);
  refuse.asked.clear();
  const Answer t = targets(g, &a, &refuse);
  EXPECT_TRUE(t.filtered);
  ASSERT_EQ(refuse.asked.size(), 1u);
  EXPECT_EQ(refuse.asked[0].first, &a);
  EXPECT_EQ(refuse.asked[0].second, &b);
}

TEST(Queries, FilterSeesEveryDetailAndIsAskedPerPath) {
  Thing a, b, c, d;
  MxArtificialObjectDependency role;
  MxObjDependency g;
  int q = 12;
  List one{&a};
  List two{&b, &c};
  g.record_dependency(&one, &two, T::SPLIT, &q, &role);
  g.new_separator();
  List merged{&d};
  g.record_dependency(&two, &merged, T::ABSORPTION, nullptr, nullptr);
  struct Log : MxObjectDependencyFilter {
    bool accept(const MxDynObj* s, const MxDynObj* t, T::Type type, int sep, const int* q,
                const MxObjectDependencyRole* r) override {
      std::string line = std::to_string(s->identity()) + ">" + std::to_string(t->identity()) + " " +
                         T::type_name(type) + " " + std::to_string(sep) + " " +
                         (q ? std::to_string(*q) : std::string("-")) + " " +
                         (r ? std::string(r->classname()) : std::string("none"));
      lines.push_back(line);
      return true;
    }
    std::vector<std::string> lines;
  } log;
  const Answer s = sources(g, &d, &log);
  EXPECT_EQ(s.objects, (Objects{&a, &a}));
  EXPECT_FALSE(s.filtered);
  const std::string ia = std::to_string(a.identity()), ib = std::to_string(b.identity()),
                    ic = std::to_string(c.identity()), id = std::to_string(d.identity());
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           ib + ">" + id + " ABSORPTION 1 - none",
                           ia + ">" + ib + " SPLIT 0 12 MxArtificialObjectDependency",
                           ic + ">" + id + " ABSORPTION 1 - none",
                           ia + ">" + ic + " SPLIT 0 12 MxArtificialObjectDependency",
                       }));
}

TEST(Queries, TypeFilterPrunesBranches) {
  Thing a, b, c, d;
  MxObjDependency g;
  g.record_dependency(&a, &c, T::CREATION, nullptr, nullptr);
  g.record_dependency(&b, &c, T::CREATION, nullptr, nullptr);
  g.record_dependency(&c, &d, T::MODIFICATION, nullptr, nullptr);
  OnlyType modifications(T::MODIFICATION);
  // c's own sources are hidden: the walk ends without an object.
  const Answer s = sources(g, &d, &modifications);
  EXPECT_FALSE(s.found);
  EXPECT_TRUE(s.filtered);
  OnlyType creations(T::CREATION);
  const Answer t = targets(g, &a, &creations);
  EXPECT_EQ(t.objects, Objects{}); // c's way on is a modification
  EXPECT_TRUE(t.filtered);
  EXPECT_EQ(sources(g, &c, &creations).objects, (Objects{&a, &b}));
}

TEST(Queries, ReplacesTheIteratorTheCallerHeld) {
  Thing a, b;
  MxObjDependency g;
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  static int destroyed = 0;
  struct Old : MxDynObjArrayIterator {
    ~Old() override { ++destroyed; }
  };
  MxAutoPtr<MxIterator<const MxDynObj*>> it(new Old());
  ASSERT_TRUE(g.get_source_objects(&b, it, nullptr, nullptr));
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(read(it), Objects{&a});
  // A null `filtered` is allowed.
  ASSERT_TRUE(g.get_target_objects(&a, it, nullptr, nullptr));
  EXPECT_EQ(read(it), Objects{&b});
}

TEST(Queries, CyclesEndWhereTheWalkMeetsItsOwnPath) {
  Thing a, b, c, d;
  MxObjDependency g;
  // a and b are each other's sources; c comes from a, d from nothing and b.
  g.record_dependency(&a, &b, T::CREATION, nullptr, nullptr);
  g.record_dependency(&b, &a, T::CREATION, nullptr, nullptr);
  g.record_dependency(&a, &c, T::CREATION, nullptr, nullptr);
  g.record_dependency(nullptr, &d, T::CREATION, nullptr, nullptr);
  g.record_dependency(&b, &d, T::CREATION, nullptr, nullptr);
  // A branch that comes back onto the path contributes nothing.
  Answer s = sources(g, &c);
  EXPECT_FALSE(s.found);
  EXPECT_TRUE(s.objects.empty());
  s = sources(g, &d);
  EXPECT_TRUE(s.found); // the creation from nothing was reached
  EXPECT_TRUE(s.objects.empty());
  const Answer t = targets(g, &a);
  EXPECT_EQ(t.objects, (Objects{&d, &c}));
  // A cycle reached twice along different paths is walked each time.
  Thing e;
  g.record_dependency(&e, &a, T::CREATION, nullptr, nullptr);
  g.record_dependency(&e, &b, T::CREATION, nullptr, nullptr);
  EXPECT_EQ(sources(g, &c).objects, (Objects{&e, &e}));
}

TEST(Queries, AMillionLinksLongChainDoesNotRecurse) {
  const size_t n = 1000000;
  std::vector<Thing> things(n + 1);
  MxObjDependency g;
  for (size_t i = 0; i < n; ++i)
    ASSERT_TRUE(g.record_dependency(&things[i], &things[i + 1], T::MODIFICATION, nullptr, nullptr));
  EXPECT_EQ(sources(g, &things[n]).objects, Objects{&things[0]});
  EXPECT_EQ(targets(g, &things[0]).objects, Objects{&things[n]});
  EXPECT_EQ(targets(g, &things[n / 2]).objects, Objects{&things[n]});
}

} // namespace
