// Links, link lists and their cursor, value lists, queues, stacks,
// iterators, owning pointers and comparators.
#include "mxautoptr.h"
#include "mxcompare.h"
#include "mxiterator.h"
#include "mxlinklist.h"
#include "mxlist.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <utility>
#include <vector>

namespace {

using Checked = ReportingTest;

const char* const kLinkTag = "mxlinklist";
const char* const kListTag = "protectedinterfaces/mxlist_t";
const char* const kArrayTag = "protectedinterfaces/mxarray_i";

// A link that records its name and its destruction.
struct Node : MxLink {
  static std::vector<std::string> destroyed;
  explicit Node(std::string n) : name(std::move(n)) {}
  ~Node() override { destroyed.push_back(name); }
  std::string name;
};
std::vector<std::string> Node::destroyed;

// Exposes the protected list operations to the tests.
struct Chain : MxLinkList {
  using MxLinkList::append_link;
  using MxLinkList::array;
  using MxLinkList::cursor;
  using MxLinkList::head;
  using MxLinkList::prepend_link;
  using MxLinkList::set_head;
  using MxLinkList::size;
  using MxLinkList::splice_out;
  using MxLinkList::splice_sequence;
  using MxLinkList::tail;

  Chain() = default;
  explicit Chain(const std::string& names) {
    for (char c : names) append_link(new Node(std::string(1, c)));
  }
  Node* at(int i) { return static_cast<Node*>(array(i)); }
  std::string name_at(int i) {
    Node* n = at(i);
    return n ? n->name : "(none)";
  }
  // Names along `next` from the head, checking every back pointer and the tail.
  std::string names() const {
    std::string s;
    const MxLink* prev = nullptr;
    for (MxLink* l = head(); l; l = l->next()) {
      EXPECT_EQ(l->prev(), prev);
      s += static_cast<Node*>(l)->name;
      prev = l;
    }
    EXPECT_EQ(tail(), prev);
    return s;
  }
};

// A value that counts its live instances.
struct Probe {
  static int live;
  std::string text;
  Probe() { ++live; }
  Probe(const char* t) : text(t) { ++live; }
  Probe(const Probe& other) : text(other.text) { ++live; }
  Probe& operator=(const Probe&) = default;
  ~Probe() { --live; }
  bool operator==(const Probe& other) const { return text == other.text; }
};
int Probe::live = 0;

template <class T> std::vector<T> values(const MxList<T>& list) {
  std::vector<T> v;
  for (const T& x : list) v.push_back(x);
  return v;
}
using Ints = std::vector<int>;

// --- MxLink -------------------------------------------------------------

TEST_F(Checked, LinksKeepBothDirectionsAndNeverLinkToThemselves) {
  Node a("a"), b("b"), c("c"), d("d");
  EXPECT_TRUE(a.next() == nullptr && a.prev() == nullptr);
  a.insert_next(&c);
  a.insert_next(&b); // a b c
  c.insert_prev(&d); // a b d c
  const std::vector<Node*> order = {&a, &b, &d, &c};
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(order[i]->prev(), i ? order[i - 1] : nullptr) << order[i]->name;
    EXPECT_EQ(order[i]->next(), i + 1 < order.size() ? order[i + 1] : nullptr) << order[i]->name;
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
  EXPECT_EQ(reports.tags(), ReportTags(2, kLinkTag));
  EXPECT_EQ(a.next(), &b);
  EXPECT_EQ(b.prev(), &a);
}

TEST(Link, CopiesNeverCopyNeighboursAndListsDeleteEveryLinkInOrder) {
  Node::destroyed.clear();
  {
    Chain chain("abc");
    Node& b = *chain.at(1);
    Node copy(b), loose("x");
    loose = b;
    EXPECT_TRUE(copy.next() == nullptr && copy.prev() == nullptr && loose.next() == nullptr);
    b = Node("y"); // assigning into a linked link keeps its place
    EXPECT_EQ(chain.names(), "ayc");
    Chain list_copy(chain); // a copied list starts empty
    EXPECT_TRUE(list_copy.head() == nullptr && list_copy.tail() == nullptr);
    Node::destroyed.clear();
  }
  // the loose copies (named "b"), then every link of the list, in order
  EXPECT_EQ(Node::destroyed, (std::vector<std::string>{"b", "b", "a", "y", "c"}));
}

// --- MxLinkList ---------------------------------------------------------

TEST(LinkListCursor, ArrayFindsPositionsFromTheCursorOrTheHead) {
  Chain chain("abcdef");
  EXPECT_EQ(chain.name_at(0), "a");
  EXPECT_EQ(chain.name_at(5), "f");
  EXPECT_EQ(chain.cursor().index, 5);
  EXPECT_EQ(chain.cursor().link, chain.tail());
  EXPECT_EQ(chain.at(6), nullptr);
  EXPECT_EQ(chain.at(-1), nullptr);
  EXPECT_EQ(chain.cursor().index, 5); // a miss leaves the cursor alone
  EXPECT_EQ(chain.name_at(3), "d");
  EXPECT_EQ(chain.cursor().index, 3);
  MxLink* head = chain.head();
  chain.set_head(nullptr); // only a walk from the cursor can still succeed
  EXPECT_EQ(chain.name_at(4), "e");
  EXPECT_EQ(chain.at(1), nullptr); // below the cursor: walks from the head
  chain.set_head(head);
  EXPECT_EQ(chain.name_at(1), "b");
  EXPECT_EQ(Chain().array(0), nullptr);
  chain.prepend_link(new Node("z")); // positions move: the cursor is reset
  EXPECT_EQ(chain.name_at(2), "b");
}

TEST_F(Checked, SpliceOutKeepsEndsAndPositionsAndRefusesStrangers) {
  Chain chain("abcdef");
  std::vector<Node*> n;
  for (int i = 0; i < 6; ++i) n.push_back(chain.at(i));
  chain.at(3);
  EXPECT_TRUE(chain.splice_out(n[3])); // the cursor's own link
  EXPECT_EQ(chain.cursor().link, nullptr);
  EXPECT_EQ(n[3]->next(), nullptr);
  EXPECT_EQ(n[3]->prev(), nullptr);
  EXPECT_EQ(chain.name_at(3), "e");
  chain.at(2);
  chain.splice_out(n[0]); // before the cursor: its index would be off by one
  EXPECT_EQ(chain.name_at(2), "e");
  chain.splice_out(n[5]);
  EXPECT_EQ(chain.names(), "bce");
  EXPECT_TRUE(reports.empty());
  EXPECT_FALSE(chain.splice_out(nullptr));
  EXPECT_FALSE(chain.splice_out(n[3])); // a second time must not empty the list
  Node stranger("x");
  EXPECT_FALSE(chain.splice_out(&stranger));
  EXPECT_EQ(reports.tags(), ReportTags(3, kLinkTag));
  for (int i : {1, 2, 4}) chain.splice_out(n[i]);
  EXPECT_TRUE(chain.head() == nullptr && chain.tail() == nullptr);
  for (Node* node : n) delete node;
}

TEST_F(Checked, SpliceSequenceMovesReplacesDeletesAndInserts) {
  Node::destroyed.clear();
  Chain chain("abcd"), other("x");
  chain.splice_sequence(1, 2, nullptr, &other); // moves a run to another list
  EXPECT_EQ(chain.names(), "ad");
  EXPECT_EQ(other.names(), "xbc");
  EXPECT_EQ(chain.cursor().link, nullptr);
  Chain src("xyz");
  EXPECT_EQ(src.name_at(1), "y");
  chain.splice_sequence(2, 0, &src, nullptr); // after the end: no link there
  EXPECT_EQ(chain.names(), "adxyz");
  EXPECT_TRUE(src.head() == nullptr && src.tail() == nullptr);
  EXPECT_EQ(src.at(1), nullptr); // the emptied source forgets its cursor
  chain.append_link(new Node("w"));
  Chain front("uv");
  chain.splice_sequence(0, 2, &front, nullptr); // replaces at the head
  EXPECT_EQ(chain.names(), "uvxyzw");
  chain.splice_sequence(3, 99, nullptr, nullptr); // runs off the end
  chain.splice_sequence(0, -3, nullptr, nullptr);
  chain.splice_sequence(1, 0, nullptr, nullptr);
  EXPECT_EQ(chain.names(), "uvx");
  EXPECT_EQ(Node::destroyed, (std::vector<std::string>{"a", "d", "y", "z", "w"}));
  Chain into_empty, all("pq");
  into_empty.splice_sequence(0, 0, &all, nullptr);
  EXPECT_EQ(into_empty.names(), "pq");
  EXPECT_TRUE(reports.empty());
  chain.splice_sequence(0, 1, &chain, nullptr); // with itself: refused
  chain.splice_sequence(0, 1, nullptr, &chain);
  EXPECT_EQ(reports.tags(), ReportTags(2, kLinkTag));
  EXPECT_EQ(chain.names(), "uvx");
}

// --- MxList -------------------------------------------------------------

TEST_F(Checked, ListOrderCountAndEmptyReads) {
  MxList<std::string> list;
  EXPECT_TRUE(list.empty());
  list.insert_tail("b");
  list.insert_head("a");
  list.insert_tail("c");
  EXPECT_EQ(list.count(), 3u);
  EXPECT_EQ(list.first(), "a");
  EXPECT_EQ(values(list), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(list.tail_item()->value(), "c");
  EXPECT_EQ(list.tail_item()->prev_item()->value(), "b");
  for (const char* v : {"a", "b", "c"}) EXPECT_EQ(list.remove_first(), v);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(list.first(), "");
  EXPECT_EQ(list.remove_first(), "");
  EXPECT_EQ(reports.tags(), ReportTags(2, kListTag));
  EXPECT_EQ(list.count(), 0u);
  EXPECT_EQ(list.head_item(), nullptr);
}

// Calls values equal when they agree ignoring case; the list's value comes first.
struct NoCase : MxCompare<std::string> {
  std::vector<std::string> seen_first;
  bool is_ordering() const override { return false; }
  MxCompare* clone() const override { return new NoCase(*this); }
  int compare(const std::string& a, const std::string& b) override {
    seen_first.push_back(a);
    if (a.size() != b.size()) return 1;
    for (size_t i = 0; i < a.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(a[i])) !=
          std::tolower(static_cast<unsigned char>(b[i])))
        return 1;
    return 0;
  }
};

TEST(List, RemoveTakesTheFirstMatchOfTheComparator) {
  MxList<int> list;
  for (int v : {4, 7, 4, 9}) list.insert_tail(v);
  MxStdCompare<int> equal;
  EXPECT_TRUE(list.remove(4, equal));
  EXPECT_FALSE(list.remove(5, equal));
  EXPECT_TRUE(list.remove(9, equal));
  EXPECT_EQ(values(list), (Ints{7, 4}));
  EXPECT_EQ(list.count(), 2u);
  EXPECT_EQ(list.tail_item()->value(), 4);
  MxList<std::string> words;
  for (const char* s : {"one", "Two", "three"}) words.insert_tail(s);
  NoCase cmp;
  EXPECT_TRUE(words.remove("TWO", cmp));
  EXPECT_EQ(cmp.seen_first, (std::vector<std::string>{"one", "Two"})); // the list's value first
  EXPECT_EQ(values(words), (std::vector<std::string>{"one", "three"}));
}

// A value whose destructor looks at the list that held it.
struct Watcher {
  static std::vector<size_t> counts_seen;
  const MxList<Watcher>* list = nullptr;
  ~Watcher() {
    if (list) counts_seen.push_back(list->count());
  }
};
std::vector<size_t> Watcher::counts_seen;

TEST(List, EveryItemIsDestroyedOnceAndClearEmptiesTheListFirst) {
  Probe::live = 0;
  {
    MxList<Probe> list;
    for (const char* s : {"a", "b", "c", "d", "e"}) list.insert_tail(s);
    EXPECT_EQ(Probe::live, 5);
    Probe taken = list.remove_first();
    EXPECT_EQ(taken.text, "a");
    EXPECT_EQ(Probe::live, 5);
    EXPECT_TRUE(list.remove(Probe("c"), MxStdCompare<Probe>()));
    EXPECT_EQ(Probe::live, 4);
    list.clear();
    EXPECT_EQ(Probe::live, 1);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(list.head_item(), nullptr);
    list.insert_head("again");
    EXPECT_EQ(values(list), std::vector<Probe>{Probe("again")});
  }
  EXPECT_EQ(Probe::live, 0);
  MxList<Watcher> watched;
  Watcher w;
  w.list = &watched;
  watched.insert_tail(w);
  watched.insert_tail(w);
  w.list = nullptr;
  Watcher::counts_seen.clear();
  watched.clear();
  EXPECT_EQ(Watcher::counts_seen, (std::vector<size_t>{0, 0}));
}

TEST(ListCopy, CopiesAreDeepAndMovesHandTheItemsOver) {
  Probe::live = 0;
  {
    MxList<Probe> list;
    list.insert_tail("x");
    list.insert_tail("y");
    MxList<Probe> copy(list);
    EXPECT_EQ(Probe::live, 4);
    copy.head_item()->value().text = "changed";
    copy.insert_tail("z");
    EXPECT_EQ(list.first().text, "x");
    EXPECT_EQ(list.count(), 2u);
    MxList<Probe> target;
    target.insert_tail("old");
    target = list;
    EXPECT_EQ(values(target), values(list));
    MxList<Probe>& self = target;
    target = self;
    EXPECT_EQ(target.count(), 2u);
    EXPECT_EQ(Probe::live, 2 + 3 + 2);
  }
  EXPECT_EQ(Probe::live, 0);

  MxList<int> list;
  for (int v : {1, 2, 3}) list.insert_tail(v);
  MxItem<int>* head = list.head_item();
  MxList<int> moved(std::move(list));
  EXPECT_EQ(moved.head_item(), head);
  EXPECT_EQ(moved.count(), 3u);
  EXPECT_EQ(list.count(), 0u);
  EXPECT_EQ(list.head_item(), nullptr);
  MxList<int> other;
  other.insert_tail(9);
  other = std::move(moved);
  EXPECT_EQ(values(other), (Ints{1, 2, 3}));
  EXPECT_TRUE(moved.empty());
  list.insert_tail(4); // moved-from lists are usable
  EXPECT_EQ(values(list), (Ints{4}));
}

TEST_F(Checked, ItemsAndIteratorsWalkInOrderEraseAndKeepPositionsRight) {
  MxList<int> list;
  for (int v = 1; v <= 6; ++v) list.insert_tail(v);
  for (MxItem<int>* item = list.head_item(); item;)
    item = item->value() % 2 == 0 ? list.erase(item) : item->next_item();
  EXPECT_EQ(values(list), (Ints{1, 3, 5}));
  EXPECT_EQ(list.count(), 3u);
  for (auto it = list.begin(); it != list.end();) it = *it == 3 ? list.erase(it) : ++it;
  for (int& v : list) v *= 10;
  EXPECT_EQ(values(list), (Ints{10, 50}));
  EXPECT_EQ(list.count(), 2u);
  const MxList<int>& view = list;
  MxList<int>::const_iterator c = list.begin();
  EXPECT_EQ(*c, 10);
  EXPECT_TRUE(view.begin() == c);

  EXPECT_EQ(list.erase(static_cast<MxItem<int>*>(nullptr)), nullptr);
  auto* loose = new MxItem<int>(5);
  EXPECT_EQ(list.erase(loose), nullptr);
  delete loose;
  EXPECT_EQ(reports.tags(), (ReportTags{kListTag, kLinkTag}));
  EXPECT_EQ(values(list), (Ints{10, 50}));

  MxList<int> numbers;
  for (int v = 0; v < 5; ++v) numbers.insert_tail(v);
  auto value_at = [&numbers](int i) {
    MxItem<int>* item = numbers.item_at(i);
    return item ? item->value() : -99;
  };
  EXPECT_EQ(value_at(3), 3);
  numbers.insert_head(-1);
  EXPECT_EQ(value_at(3), 2);
  numbers.remove_first();
  numbers.remove_first();
  EXPECT_EQ(value_at(3), 4);
  EXPECT_EQ(numbers.item_at(4), nullptr);
}

// --- MxQueue and MxStack ------------------------------------------------

// A stack that counts its clears, to show `clear` is dispatched virtually.
struct CountingStack : MxStack<Probe> {
  int clears = 0;
  void clear() override {
    ++clears;
    MxStack<Probe>::clear();
  }
};

TEST_F(Checked, QueueIsFirstInFirstOutStackLastInFirstOut) {
  MxQueue<std::string> queue;
  for (const char* v : {"a", "b", "c"}) queue.enqueue(v);
  MxQueue<std::string> copy(queue);
  copy.enqueue("d");
  for (const char* v : {"a", "b", "c"}) EXPECT_EQ(queue.dequeue(), v);
  MxStack<int> stack;
  for (int v : {1, 2, 3}) stack.push(v);
  EXPECT_EQ(stack.depth(), 3u);
  EXPECT_EQ(values(stack.items()), (Ints{3, 2, 1}));
  MxStack<int> stack_copy(stack);
  stack_copy.push(4);
  for (int v : {3, 2, 1}) EXPECT_EQ(stack.pop(), v);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(queue.dequeue(), "");
  EXPECT_EQ(stack.pop(), 0);
  EXPECT_EQ(stack.top(), 0);
  EXPECT_EQ(reports.tags(), ReportTags(3, kListTag));
  EXPECT_TRUE(queue.empty() && stack.empty());
  queue = copy; // copies are independent
  EXPECT_EQ(values(queue.items()), (std::vector<std::string>{"a", "b", "c", "d"}));
  MxQueue<std::string> moved(std::move(copy));
  EXPECT_EQ(moved.count(), 4u);
  EXPECT_TRUE(copy.empty());
  stack = std::move(stack_copy);
  EXPECT_EQ(stack.depth(), 4u);
  EXPECT_EQ(stack_copy.depth(), 0u);
  EXPECT_EQ(stack.top(), 4);

  Probe::live = 0;
  CountingStack counting;
  MxStack<Probe>& probes = counting;
  for (const char* t : {"a", "b", "c"}) probes.push(t);
  probes.clear();
  EXPECT_EQ(counting.clears, 1);
  EXPECT_EQ(Probe::live, 0);
  probes.push("d");
  EXPECT_EQ(probes.depth(), 1u);
}

// --- iterators ----------------------------------------------------------

template <class T> std::vector<T> consume(MxIterator<T>& it) {
  std::vector<T> seen;
  for (it.reset(); !it.done(); it.next()) seen.push_back(*it.current());
  return seen;
}

TEST_F(Checked, ArrayIteratorWalksTheArrayAndStaysSafePastIt) {
  MxArray<int> numbers;
  for (int v : {5, 6, 7}) numbers.append(v);
  MxArrayIterator<int> it(&numbers);
  EXPECT_EQ(it.first(), &numbers[0]);
  EXPECT_EQ(consume<int>(it), (Ints{5, 6, 7}));
  EXPECT_EQ(consume<int>(it), (Ints{5, 6, 7}));
  EXPECT_TRUE(reports.empty());
  EXPECT_TRUE(it.done());
  EXPECT_EQ(*it.current(), 0); // past the end: reported, still a safe element
  EXPECT_EQ(reports.take_tags(), ReportTags{kArrayTag});

  MxArrayIterator<double> none;
  EXPECT_EQ(consume<double>(none), std::vector<double>{});
  ASSERT_NE(none.first(), nullptr);
  EXPECT_EQ(*none.current(), 0.0);
  MxArray<short> empty;
  MxArrayIterator<short> over_empty(&empty);
  EXPECT_TRUE(over_empty.done());
  EXPECT_EQ(*over_empty.first(), 0);
  EXPECT_EQ(reports.tags(), ReportTags(3, kArrayTag));
}

TEST(DynObjArrayIterator, ProducerFillsConsumerOwns) {
  int a = 0, b = 0, c = 0;
  auto as_obj = [](int& x) { return reinterpret_cast<const MxDynObj*>(&x); };
  MxAutoPtr<MxIterator<const MxDynObj*>> result;
  {
    auto* produced = new MxDynObjArrayIterator;
    MxArray<const MxDynObj*>& objects = produced->objects();
    objects.resize(2, false);
    objects[0] = as_obj(a);
    objects[1] = as_obj(b);
    result = produced;
  }
  EXPECT_EQ(consume(*result), (std::vector<const MxDynObj*>{as_obj(a), as_obj(b)}));
  auto* same = static_cast<MxDynObjArrayIterator*>(result.get());
  same->objects().resize(3, true); // growing the array keeps the iterator valid
  same->objects()[2] = as_obj(c);
  EXPECT_EQ(consume(*result).size(), 3u);
  EXPECT_EQ(*result->first(), as_obj(a));
}

// --- MxAutoPtr and MxCompare ---------------------------------------------

struct Base {
  virtual ~Base() = default;
};
struct Derived : Base {
  Probe probe{"derived"};
};

TEST(AutoPtr, OwnsOneObjectAtATimeAndDeletesThroughTheVirtualDestructor) {
  Probe::live = 0;
  {
    MxAutoPtr<Probe> p(new Probe("one"));
    Probe* two = new Probe("two");
    p = two;
    p = two; // the same pointer again: kept, not deleted
    EXPECT_EQ(Probe::live, 1);
    MxAutoPtr<Probe> q(std::move(p));
    EXPECT_EQ(p.get(), nullptr);
    Probe* released = q.release();
    EXPECT_FALSE(q);
    p = released;
    q = new Probe("three");
    q = std::move(p);
    EXPECT_EQ(Probe::live, 1);
    EXPECT_EQ(q->text, "two");
    MxAutoPtr<Base> base(new Derived);
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
