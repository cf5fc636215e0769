// Links, link lists, value lists, queues and stacks (model checks against
// std::list), the list cursor, iterators, owning pointers and comparators.
#include "mxautoptr.h"
#include "mxcompare.h"
#include "mxiterator.h"

#include "support/container_models.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <strings.h>
#include <vector>

namespace {

using models::IntLink;
using models::LinkChain;
using models::values;

TEST(List, ListQueueAndStackMatchStdListUnderRandomOperations) {
  EXPECT_EQ(models::run_random<models::ListModel>(60, 600), "");
}

TEST(LinkList, MatchesStdListUnderRandomSplices) {
  EXPECT_EQ(models::run_random<models::LinkModel>(60, 600), "");
}

TEST_F(ReportingTest, LinksKeepBothDirectionsAndNeverLinkToThemselves) {
  IntLink a(1), b(2), c(3), d(4);
  a.insert_next(&c);
  a.insert_next(&b); // a b c
  c.insert_prev(&d); // a b d c
  const std::vector<IntLink*> order = {&a, &b, &d, &c};
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(order[i]->prev(), i ? order[i - 1] : nullptr) << i;
    EXPECT_EQ(order[i]->next(), i + 1 < order.size() ? order[i + 1] : nullptr) << i;
  }
  b.insert_next(nullptr); // null cuts the chain on that side
  EXPECT_EQ(d.prev(), nullptr);
  b.insert_prev(nullptr);
  EXPECT_EQ(a.next(), nullptr);
  a.insert_next(&b);
  a.insert_next(&b); // already there: no self-loop on b
  b.insert_prev(&a);
  EXPECT_TRUE(b.next() == nullptr && b.prev() == &a && a.prev() == nullptr);
  EXPECT_TRUE(reports.empty());
  a.insert_next(&a);
  b.insert_prev(&b);
  EXPECT_EQ(reports.tags(), ReportTags(2, "mxlinklist"));
  EXPECT_TRUE(a.next() == &b && b.prev() == &a);
}

struct Named : MxLink { // records its destruction
  static inline std::string destroyed;
  explicit Named(char c) : name(c) {}
  ~Named() override { destroyed += name; }
  char name;
};

TEST(LinkList, CopiesNeverCopyNeighboursAndListsDeleteEveryLinkInOrder) {
  {
    LinkChain chain;
    for (char c : std::string("abc")) chain.append_link(new Named(c));
    auto& b = static_cast<Named&>(*chain.array(1));
    Named copy(b), loose('x');
    loose = b;
    EXPECT_TRUE(!copy.next() && !copy.prev() && !loose.next() && !loose.prev());
    b = Named('y'); // keeps its place
    EXPECT_TRUE(chain.head()->next() == &b && b.next() == chain.tail());
    LinkChain list_copy(chain);
    EXPECT_TRUE(!list_copy.head() && !list_copy.tail());
    Named::destroyed.clear();
  }
  EXPECT_EQ(Named::destroyed, "bbayc"); // the loose copies, then the list in order
}

TEST(LinkList, ArrayWalksFromTheCursorOrFromTheHead) {
  LinkChain chain;
  for (int v = 0; v < 6; ++v) chain.append_link(new IntLink(v));
  chain.array(3);
  EXPECT_EQ(chain.array(9), nullptr);
  EXPECT_EQ(chain.cursor().index, 3); // a miss leaves the cursor alone
  MxLink* head = chain.head();
  chain.set_head(nullptr); // only a walk from the cursor can still succeed
  EXPECT_EQ(static_cast<IntLink*>(chain.array(4))->value, 4);
  EXPECT_EQ(chain.array(1), nullptr); // below the cursor: from the head
  chain.set_head(head);
  chain.prepend_link(new IntLink(-1)); // positions move: the cursor is reset
  EXPECT_EQ(static_cast<IntLink*>(chain.array(4))->value, 3);
}

// Calls values equal when they agree ignoring case; compare may change it.
struct NoCase : MxCompare<std::string> {
  std::vector<std::string> seen_first;
  bool is_ordering() const override { return false; }
  MxCompare* clone() const override { return new NoCase(*this); }
  int compare(const std::string& a, const std::string& b) override {
    seen_first.push_back(a);
    return strcasecmp(a.c_str(), b.c_str()) == 0 ? 0 : 1;
  }
};

TEST(List, RemoveTakesTheFirstMatchOfAStatefulComparator) {
  MxList<std::string> words;
  for (const char* s : {"one", "Two", "three", "two"}) words.insert_tail(s);
  NoCase cmp;
  EXPECT_TRUE(words.remove("TWO", cmp));
  EXPECT_EQ(cmp.seen_first, (std::vector<std::string>{"one", "Two"})); // the list's value first
  EXPECT_EQ(values(words), (std::list<std::string>{"one", "three", "two"}));
}

// Counts its live instances; looks at the list that holds it when destroyed.
struct Watcher {
  static inline int live = 0;
  static inline std::vector<size_t> counts_seen;
  const MxList<Watcher>* list = nullptr;
  Watcher() { ++live; }
  Watcher(const Watcher& other) : list(other.list) { ++live; }
  Watcher& operator=(const Watcher&) = default;
  ~Watcher() {
    --live;
    if (list) counts_seen.push_back(list->count());
  }
};

TEST(List, EveryItemIsDestroyedOnceAndClearEmptiesTheListFirst) {
  Watcher::live = 0;
  {
    MxList<Watcher> list;
    Watcher w;
    w.list = &list;
    list.insert_tail(w);
    list.insert_tail(w);
    w.list = nullptr;
    Watcher::counts_seen.clear();
    list.clear();
    EXPECT_EQ(Watcher::counts_seen, (std::vector<size_t>{0, 0}));
    list.insert_tail(w);
    list.insert_head(w);
    list.remove_first();
    MxList<Watcher> copy(list);
    EXPECT_EQ(Watcher::live, 3);
  }
  EXPECT_EQ(Watcher::live, 0);
}

TEST(Stack, ClearIsVirtual) {
  struct Counting : MxStack<int> {
    int clears = 0;
    void clear() override { ++clears, MxStack<int>::clear(); }
  } counting;
  MxStack<int>& stack = counting;
  stack.push(1);
  stack.clear();
  EXPECT_TRUE(counting.clears == 1 && stack.empty() && stack.items().empty());
}

template <class T> std::vector<T> consume(MxIterator<T>& it) {
  std::vector<T> seen;
  for (it.reset(); !it.done(); it.next()) seen.push_back(*it.current());
  return seen;
}

TEST_F(ReportingTest, ArrayIteratorWalksTheArrayAndStaysSafePastIt) {
  MxArray<int> numbers;
  for (int v : {5, 6, 7}) numbers.append(v);
  MxArrayIterator<int> it(&numbers);
  EXPECT_EQ(it.first(), &numbers[0]);
  EXPECT_EQ(consume<int>(it), (std::vector<int>{5, 6, 7}));
  EXPECT_EQ(consume<int>(it), (std::vector<int>{5, 6, 7}));
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(*it.current(), 0); // past the end: reported, still a safe element
  MxArrayIterator<double> none;
  EXPECT_TRUE(consume<double>(none).empty());
  EXPECT_EQ(*none.first(), 0.0);
  EXPECT_EQ(*none.current(), 0.0);
  MxArray<short> empty;
  MxArrayIterator<short> over_empty(&empty);
  EXPECT_TRUE(over_empty.done());
  EXPECT_EQ(*over_empty.first(), 0);
  EXPECT_EQ(reports.tags(), ReportTags(4, "protectedinterfaces/mxarray_i"));
}

TEST(DynObjArrayIterator, ProducerFillsConsumerOwns) {
  int a = 0, b = 0, c = 0;
  auto as_obj = [](int& x) { return reinterpret_cast<const MxDynObj*>(&x); };
  MxAutoPtr<MxIterator<const MxDynObj*>> result;
  auto* produced = new MxDynObjArrayIterator;
  produced->objects().append(as_obj(a));
  produced->objects().append(as_obj(b));
  result = produced;
  EXPECT_EQ(consume(*result), (std::vector<const MxDynObj*>{as_obj(a), as_obj(b)}));
  produced->objects().append(as_obj(c)); // growing the array keeps the iterator valid
  EXPECT_EQ(consume(*result).size(), 3u);
  EXPECT_EQ(*result->first(), as_obj(a));
}

struct Probe { // counts its live instances
  static inline int live = 0;
  explicit Probe(int v) : value(v) { ++live; }
  virtual ~Probe() { --live; }
  int value;
};
struct Derived : Probe {
  Derived() : Probe(9) {}
  std::string owned = "deleted through the virtual destructor";
};

TEST(AutoPtr, OwnsOneObjectAtATime) {
  Probe::live = 0;
  {
    MxAutoPtr<Probe> p(new Probe(1));
    auto* two = new Probe(2);
    p = two;
    p = two; // the same pointer again: kept, not deleted
    EXPECT_EQ(Probe::live, 1);
    MxAutoPtr<Probe> q(std::move(p));
    EXPECT_EQ(p.get(), nullptr);
    Probe* released = q.release();
    EXPECT_FALSE(q);
    p = released;
    q = new Probe(3);
    q = std::move(p);
    EXPECT_EQ(Probe::live, 1);
    EXPECT_EQ(q->value, 2);
    MxAutoPtr<Probe> base(new Derived);
    EXPECT_EQ(Probe::live, 2);
  }
  EXPECT_EQ(Probe::live, 0);
}

TEST(Compare, StdCompareTellsEqualityOnly) {
  MxStdCompare<std::string> cmp;
  MxAutoPtr<MxCompare<std::string>> clone(cmp.clone());
  EXPECT_NE(dynamic_cast<MxStdCompare<std::string>*>(clone.get()), nullptr);
  EXPECT_FALSE(cmp.is_ordering());
  for (MxCompare<std::string>* c : {static_cast<MxCompare<std::string>*>(&cmp), clone.get()}) {
    EXPECT_EQ(c->compare("a", "a"), 0);
    EXPECT_EQ(c->compare("a", "b"), -1);
    EXPECT_EQ(c->compare("b", "a"), -1);
  }
}

} // namespace
