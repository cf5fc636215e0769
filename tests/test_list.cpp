// Links, link lists and their cursor, value lists, queues, stacks,
// iterators, owning pointers and comparators.
#include "mxautoptr.h"
#include "mxcompare.h"
#include "mxiterator.h"
#include "mxlinklist.h"
#include "mxlist.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> reports;
void record(const char* file, int) {
  reports.emplace_back(file);
}

struct Checked : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }
  static std::vector<std::string> once(const char* tag) { return {tag}; }
};

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

TEST(Link, InsertNextAndPrevKeepBothDirections) {
  Node a("a"), b("b"), c("c"), d("d");
  EXPECT_EQ(a.next(), nullptr);
  EXPECT_EQ(a.prev(), nullptr);
  a.insert_next(&c);
  a.insert_next(&b); // a b c
  c.insert_prev(&d); // a b d c
  EXPECT_EQ(a.next(), &b);
  EXPECT_EQ(b.prev(), &a);
  EXPECT_EQ(b.next(), &d);
  EXPECT_EQ(d.prev(), &b);
  EXPECT_EQ(d.next(), &c);
  EXPECT_EQ(c.prev(), &d);
  EXPECT_EQ(c.next(), nullptr);
}

TEST(Link, NullCutsTheChainOnThatSide) {
  Node a("a"), b("b"), c("c");
  a.insert_next(&b);
  b.insert_next(&c);
  b.insert_next(nullptr);
  EXPECT_EQ(b.next(), nullptr);
  EXPECT_EQ(c.prev(), nullptr);
  EXPECT_EQ(a.next(), &b);
  b.insert_prev(nullptr);
  EXPECT_EQ(b.prev(), nullptr);
  EXPECT_EQ(a.next(), nullptr);
}

TEST_F(Checked, LinkNeverLinksToItself) {
  Node a("a"), b("b");
  a.insert_next(&b);
  a.insert_next(&b); // already there: no self-loop on b
  EXPECT_EQ(b.next(), nullptr);
  EXPECT_EQ(b.prev(), &a);
  b.insert_prev(&a);
  EXPECT_EQ(a.prev(), nullptr);
  EXPECT_TRUE(reports.empty());
  a.insert_next(&a);
  b.insert_prev(&b);
  EXPECT_EQ(reports, (std::vector<std::string>{kLinkTag, kLinkTag}));
  EXPECT_EQ(a.next(), &b);
  EXPECT_EQ(b.prev(), &a);
}

TEST(Link, CopiesNeverCopyNeighbours) {
  Chain chain("abc");
  Node& b = *chain.at(1);
  Node copy(b);
  EXPECT_EQ(copy.next(), nullptr);
  EXPECT_EQ(copy.prev(), nullptr);
  Node loose("x");
  loose = b;
  EXPECT_EQ(loose.next(), nullptr);
  b = Node("y"); // assigning into a linked link keeps its place
  EXPECT_EQ(chain.names(), "ayc");
}

// --- MxLinkList ---------------------------------------------------------

TEST(LinkList, DestructorDeletesEveryLinkInOrder) {
  Node::destroyed.clear();
  {
    Chain chain("abcd");
    EXPECT_EQ(chain.size(), 4u);
    EXPECT_EQ(chain.names(), "abcd");
  }
  EXPECT_EQ(Node::destroyed, (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(LinkList, CopyConstructionGivesAnEmptyList) {
  Chain chain("ab");
  Chain copy(chain);
  EXPECT_EQ(copy.head(), nullptr);
  EXPECT_EQ(copy.tail(), nullptr);
  EXPECT_EQ(chain.names(), "ab");
}

TEST(LinkListCursor, ArrayFindsPositionsAndMovesTheCursor) {
  Chain chain("abcdef");
  EXPECT_EQ(chain.name_at(0), "a");
  EXPECT_EQ(chain.name_at(5), "f");
  EXPECT_EQ(chain.cursor().index, 5);
  EXPECT_EQ(chain.cursor().link, chain.tail());
  EXPECT_EQ(chain.at(6), nullptr);
  EXPECT_EQ(chain.at(-1), nullptr);
  EXPECT_EQ(chain.cursor().index, 5); // a miss leaves the cursor alone
  EXPECT_EQ(chain.name_at(2), "c");
  EXPECT_EQ(chain.cursor().index, 2);
  Chain empty;
  EXPECT_EQ(empty.array(0), nullptr);
}

TEST(LinkListCursor, WalksOnFromTheCursorAndBackFromTheHead) {
  Chain chain("abcdef");
  chain.at(3);
  MxLink* head = chain.head();
  chain.set_head(nullptr); // only a walk from the cursor can still succeed
  EXPECT_EQ(chain.name_at(4), "e");
  EXPECT_EQ(chain.at(1), nullptr); // below the cursor: walks from the head
  chain.set_head(head);
  EXPECT_EQ(chain.name_at(1), "b");
}

TEST(LinkListSplice, SpliceOutMiddleEndsAndOnlyLink) {
  Chain chain("abcd");
  std::vector<Node*> n{chain.at(0), chain.at(1), chain.at(2), chain.at(3)};
  EXPECT_TRUE(chain.splice_out(n[1]));
  EXPECT_EQ(chain.names(), "acd");
  EXPECT_EQ(n[1]->next(), nullptr);
  EXPECT_EQ(n[1]->prev(), nullptr);
  chain.splice_out(n[0]);
  EXPECT_EQ(chain.names(), "cd");
  chain.splice_out(n[3]);
  EXPECT_EQ(chain.names(), "c");
  chain.splice_out(n[2]);
  EXPECT_EQ(chain.head(), nullptr);
  EXPECT_EQ(chain.tail(), nullptr);
  for (int i = 0; i < 4; ++i) delete n[i];
}

TEST_F(Checked, SpliceOutRefusesNullAndUnlinkedLinks) {
  Chain chain("abc");
  EXPECT_FALSE(chain.splice_out(nullptr));
  Node* b = chain.at(1);
  chain.splice_out(b);
  EXPECT_TRUE(reports.size() == 1u && reports[0] == kLinkTag);
  EXPECT_FALSE(chain.splice_out(b)); // a second time must not empty the list
  Node stranger("x");
  EXPECT_FALSE(chain.splice_out(&stranger));
  EXPECT_EQ(reports.size(), 3u);
  EXPECT_EQ(chain.names(), "ac");
  delete b;
}

TEST(LinkListSplice, SpliceOutKeepsPositionalAccessRight) {
  Chain chain("abcdef");
  Node* d = chain.at(3);
  chain.splice_out(d); // the cursor's own link
  EXPECT_EQ(chain.cursor().link, nullptr);
  EXPECT_EQ(chain.name_at(3), "e");
  EXPECT_EQ(chain.name_at(4), "f");
  Node* a = chain.at(0);
  chain.at(2);
  chain.splice_out(a); // before the cursor: its index would be off by one
  EXPECT_EQ(chain.name_at(2), "e");
  delete d;
  delete a;
}

TEST(LinkListSplice, MovesARunToAnotherList) {
  Chain chain("abcd");
  Chain other("x");
  chain.splice_sequence(1, 2, nullptr, &other);
  EXPECT_EQ(chain.names(), "ad");
  EXPECT_EQ(other.names(), "xbc");
  EXPECT_EQ(chain.cursor().link, nullptr);
}

TEST(LinkListSplice, InsertsAfterTheEndWhenNoLinkAtStart) {
  Chain chain("abcd");
  Chain src("xy");
  chain.splice_sequence(4, 0, &src, nullptr);
  EXPECT_EQ(chain.names(), "abcdxy");
  EXPECT_EQ(src.head(), nullptr);
  EXPECT_EQ(src.tail(), nullptr);
  chain.append_link(new Node("z"));
  EXPECT_EQ(chain.names(), "abcdxyz");
}

TEST(LinkListSplice, ReplacesDeletesAndInsertsAtTheHead) {
  Node::destroyed.clear();
  Chain chain("abcd");
  Chain src("xy");
  chain.splice_sequence(1, 1, &src, nullptr);
  EXPECT_EQ(chain.names(), "axycd");
  EXPECT_EQ(Node::destroyed, std::vector<std::string>{"b"});
  Chain front("uv");
  chain.splice_sequence(0, 2, &front, nullptr);
  EXPECT_EQ(chain.names(), "uvycd");
  chain.splice_sequence(3, 99, nullptr, nullptr); // runs off the end
  EXPECT_EQ(chain.names(), "uvy");
  chain.splice_sequence(0, -3, nullptr, nullptr);
  chain.splice_sequence(1, 0, nullptr, nullptr);
  EXPECT_EQ(chain.names(), "uvy");
  EXPECT_EQ(Node::destroyed, (std::vector<std::string>{"b", "a", "x", "c", "d"}));
  Chain into_empty;
  Chain all("pq");
  into_empty.splice_sequence(0, 0, &all, nullptr);
  EXPECT_EQ(into_empty.names(), "pq");
}

TEST(LinkListSplice, EmptiedSourceForgetsItsCursor) {
  Chain chain("ab");
  Chain src("xyz");
  EXPECT_EQ(src.name_at(1), "y");
  chain.splice_sequence(1, 0, &src, nullptr);
  EXPECT_EQ(src.at(1), nullptr);
  EXPECT_EQ(src.at(0), nullptr);
  EXPECT_EQ(chain.names(), "axyzb");
}

TEST_F(Checked, SplicingWithItselfIsRefused) {
  Chain chain("abc");
  chain.splice_sequence(0, 1, &chain, nullptr);
  chain.splice_sequence(0, 1, nullptr, &chain);
  EXPECT_EQ(reports, (std::vector<std::string>{kLinkTag, kLinkTag}));
  EXPECT_EQ(chain.names(), "abc");
}

// --- MxList -------------------------------------------------------------

TEST(List, HeadAndTailInsertionOrderAndCount) {
  MxList<int> list;
  EXPECT_TRUE(list.empty());
  list.insert_tail(2);
  list.insert_head(1);
  list.insert_tail(3);
  EXPECT_EQ(list.count(), 3u);
  EXPECT_EQ(list.first(), 1);
  EXPECT_EQ(values(list), (Ints{1, 2, 3}));
  EXPECT_EQ(list.remove_first(), 1);
  EXPECT_EQ(list.remove_first(), 2);
  EXPECT_EQ(list.count(), 1u);
  EXPECT_EQ(list.tail_item()->value(), 3);
}

TEST_F(Checked, EmptyListReadsReportAndYieldDefaults) {
  MxList<std::string> list;
  EXPECT_EQ(list.first(), "");
  EXPECT_EQ(list.remove_first(), "");
  EXPECT_EQ(reports, (std::vector<std::string>{kListTag, kListTag}));
  EXPECT_EQ(list.count(), 0u);
  list.insert_tail("a");
  EXPECT_EQ(list.remove_first(), "a");
  EXPECT_EQ(list.first(), "");
  EXPECT_EQ(list.count(), 0u);
  EXPECT_EQ(list.head_item(), nullptr);
}

TEST(List, RemoveTakesTheFirstMatchOnly) {
  MxList<int> list;
  for (int v : {4, 7, 4, 9}) list.insert_tail(v);
  MxStdCompare<int> equal;
  EXPECT_TRUE(list.remove(4, equal));
  EXPECT_EQ(values(list), (Ints{7, 4, 9}));
  EXPECT_FALSE(list.remove(5, equal));
  EXPECT_TRUE(list.remove(9, equal));
  EXPECT_TRUE(list.remove(7, equal));
  EXPECT_EQ(values(list), (Ints{4}));
  EXPECT_EQ(list.count(), 1u);
  EXPECT_EQ(list.tail_item(), list.head_item());
}

// Calls values equal when they agree ignoring case; the list's value comes first.
struct NoCase : MxCompare<std::string> {
  mutable std::vector<std::string> seen_first;
  bool is_ordering() const override { return false; }
  MxCompare* clone() const override { return new NoCase(*this); }
  int compare(const std::string& a, const std::string& b) const override {
    seen_first.push_back(a);
    if (a.size() != b.size()) return 1;
    for (size_t i = 0; i < a.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(a[i])) !=
          std::tolower(static_cast<unsigned char>(b[i])))
        return 1;
    return 0;
  }
};

TEST(List, RemoveUsesTheComparator) {
  MxList<std::string> list;
  for (const char* s : {"one", "Two", "three"}) list.insert_tail(s);
  NoCase cmp;
  EXPECT_TRUE(list.remove("TWO", cmp));
  EXPECT_EQ(cmp.seen_first, (std::vector<std::string>{"one", "Two"}));
  EXPECT_EQ(values(list), (std::vector<std::string>{"one", "three"}));
}

TEST(List, EveryItemIsDestroyedExactlyOnce) {
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

TEST(List, ClearEmptiesTheListBeforeItemsDie) {
  MxList<Watcher> list;
  Watcher w;
  w.list = &list;
  list.insert_tail(w);
  list.insert_tail(w);
  w.list = nullptr;
  Watcher::counts_seen.clear();
  list.clear();
  EXPECT_EQ(Watcher::counts_seen, (std::vector<size_t>{0, 0}));
}

TEST(ListCopy, CopiesAreDeepAndIndependent) {
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
    EXPECT_EQ(copy.count(), 3u);

    MxList<Probe> target;
    target.insert_tail("old");
    target = list;
    EXPECT_EQ(values(target), values(list));
    EXPECT_EQ(target.count(), 2u);
    MxList<Probe>& self = target;
    target = self;
    EXPECT_EQ(target.count(), 2u);
    EXPECT_EQ(Probe::live, 2 + 3 + 2);
  }
  EXPECT_EQ(Probe::live, 0);
}

TEST(ListCopy, MovesHandTheItemsOver) {
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

TEST(ListWalk, ItemsAndIteratorsWalkInOrderAndEraseOnTheWay) {
  MxList<int> list;
  for (int v = 1; v <= 6; ++v) list.insert_tail(v);
  Ints seen;
  for (const MxItem<int>* item = list.head_item(); item; item = item->next_item())
    seen.push_back(item->value());
  EXPECT_EQ(seen, (Ints{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(list.tail_item()->prev_item()->value(), 5);

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
}

TEST_F(Checked, EraseRefusesItemsNotInTheList) {
  MxList<int> list;
  list.insert_tail(1);
  list.insert_tail(2);
  EXPECT_EQ(list.erase(static_cast<MxItem<int>*>(nullptr)), nullptr);
  EXPECT_EQ(reports, once(kListTag));
  auto* loose = new MxItem<int>(5);
  EXPECT_EQ(list.erase(loose), nullptr);
  delete loose;
  EXPECT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1], kLinkTag);
  EXPECT_EQ(list.count(), 2u);
  EXPECT_EQ(values(list), (Ints{1, 2}));
}

TEST(ListWalk, PositionalAccessStaysRightAcrossChanges) {
  MxList<int> list;
  for (int v = 0; v < 5; ++v) list.insert_tail(v);
  auto value_at = [&list](int i) {
    MxItem<int>* item = list.item_at(i);
    return item ? item->value() : -99;
  };
  EXPECT_EQ(value_at(3), 3);
  list.insert_head(-1);
  EXPECT_EQ(value_at(3), 2);
  list.remove_first();
  list.remove_first();
  EXPECT_EQ(value_at(3), 4);
  EXPECT_EQ(list.item_at(4), nullptr);
}

// --- MxQueue and MxStack ------------------------------------------------

TEST_F(Checked, QueueIsFirstInFirstOut) {
  MxQueue<std::string> queue;
  EXPECT_TRUE(queue.empty());
  queue.enqueue("a");
  queue.enqueue("b");
  queue.enqueue("c");
  EXPECT_EQ(queue.count(), 3u);
  EXPECT_EQ(queue.items().first(), "a");
  EXPECT_EQ(queue.dequeue(), "a");
  EXPECT_EQ(queue.dequeue(), "b");
  EXPECT_EQ(queue.dequeue(), "c");
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(queue.dequeue(), "");
  EXPECT_EQ(reports, once(kListTag));
  EXPECT_TRUE(queue.empty());
  EXPECT_EQ(queue.count(), 0u);
}

TEST(Queue, CopiesAreIndependent) {
  MxQueue<int> queue;
  queue.enqueue(1);
  queue.enqueue(2);
  MxQueue<int> copy(queue);
  copy.dequeue();
  copy.enqueue(3);
  EXPECT_EQ(values(queue.items()), (Ints{1, 2}));
  EXPECT_EQ(values(copy.items()), (Ints{2, 3}));
  queue = copy;
  EXPECT_EQ(queue.dequeue(), 2);
  EXPECT_EQ(copy.count(), 2u);
  MxQueue<int> moved(std::move(copy));
  EXPECT_EQ(moved.count(), 2u);
  EXPECT_TRUE(copy.empty());
}

TEST_F(Checked, StackIsLastInFirstOut) {
  MxStack<int> stack;
  stack.push(1);
  stack.push(2);
  stack.push(3);
  EXPECT_EQ(stack.depth(), 3u);
  EXPECT_EQ(stack.top(), 3);
  EXPECT_EQ(stack.pop(), 3);
  EXPECT_EQ(stack.pop(), 2);
  EXPECT_EQ(stack.depth(), 1u);
  EXPECT_EQ(values(stack.items()), (Ints{1}));
  EXPECT_EQ(stack.pop(), 1);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(stack.pop(), 0);
  EXPECT_EQ(stack.top(), 0);
  EXPECT_EQ(reports, (std::vector<std::string>{kListTag, kListTag}));
  EXPECT_EQ(stack.depth(), 0u);
  EXPECT_TRUE(stack.empty());
}

// A stack that counts its clears, to show `clear` is dispatched virtually.
struct CountingStack : MxStack<Probe> {
  int clears = 0;
  void clear() override {
    ++clears;
    MxStack<Probe>::clear();
  }
};

TEST(Stack, ClearDestroysEveryValueAndIsVirtual) {
  Probe::live = 0;
  {
    CountingStack counting;
    MxStack<Probe>& stack = counting;
    for (const char* s : {"a", "b", "c"}) stack.push(s);
    EXPECT_EQ(Probe::live, 3);
    stack.clear();
    EXPECT_EQ(counting.clears, 1);
    EXPECT_EQ(Probe::live, 0);
    EXPECT_EQ(stack.depth(), 0u);
    stack.push("d");
    EXPECT_EQ(stack.top().text, "d");
    EXPECT_EQ(stack.depth(), 1u);
  }
  EXPECT_EQ(Probe::live, 0);
}

TEST(Stack, CopiesAreIndependentAndMovesCarryTheDepth) {
  MxStack<int> stack;
  stack.push(1);
  stack.push(2);
  MxStack<int> copy(stack);
  copy.push(3);
  EXPECT_EQ(stack.depth(), 2u);
  EXPECT_EQ(stack.top(), 2);
  EXPECT_EQ(copy.depth(), 3u);
  stack = copy;
  EXPECT_EQ(stack.pop(), 3);
  EXPECT_EQ(copy.top(), 3);
  MxStack<int> moved(std::move(copy));
  EXPECT_EQ(moved.depth(), 3u);
  EXPECT_EQ(copy.depth(), 0u);
  EXPECT_TRUE(copy.empty());
  stack = std::move(moved);
  EXPECT_EQ(stack.depth(), 3u);
  EXPECT_EQ(moved.depth(), 0u);
  EXPECT_EQ(values(stack.items()), (Ints{3, 2, 1}));
}

// --- iterators ----------------------------------------------------------

template <class T> std::vector<T> consume(MxIterator<T>& it) {
  std::vector<T> seen;
  for (it.reset(); !it.done(); it.next()) seen.push_back(*it.current());
  return seen;
}

TEST_F(Checked, ArrayIteratorWalksTheArray) {
  MxArray<int> numbers;
  for (int v : {5, 6, 7}) numbers.append(v);
  MxArrayIterator<int> it(&numbers);
  EXPECT_EQ(it.first(), &numbers[0]);
  EXPECT_EQ(consume<int>(it), (Ints{5, 6, 7}));
  EXPECT_EQ(consume<int>(it), (Ints{5, 6, 7}));
  EXPECT_TRUE(reports.empty());
  EXPECT_TRUE(it.done());
  EXPECT_EQ(*it.current(), 0); // past the end: reported, still a safe element
  EXPECT_EQ(reports, once(kArrayTag));
}

TEST_F(Checked, ArrayIteratorOverNothing) {
  MxArrayIterator<double> none;
  EXPECT_TRUE(none.done());
  EXPECT_EQ(consume<double>(none), std::vector<double>{});
  ASSERT_NE(none.first(), nullptr);
  EXPECT_EQ(*none.current(), 0.0);
  EXPECT_EQ(reports, (std::vector<std::string>{kArrayTag, kArrayTag}));

  MxArray<short> empty;
  MxArrayIterator<short> it(&empty);
  EXPECT_TRUE(it.done());
  EXPECT_EQ(*it.first(), 0);
  EXPECT_EQ(reports.size(), 3u);
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
  std::vector<const MxDynObj*> seen = consume(*result);
  EXPECT_EQ(seen, (std::vector<const MxDynObj*>{as_obj(a), as_obj(b)}));
  auto* same = static_cast<MxDynObjArrayIterator*>(result.get());
  same->objects().resize(3, true); // growing the array keeps the iterator valid
  same->objects()[2] = as_obj(c);
  EXPECT_EQ(consume(*result).size(), 3u);
  EXPECT_EQ(*result->first(), as_obj(a));
  EXPECT_EQ(same->objects().size(), 3u);
}

// --- MxAutoPtr ----------------------------------------------------------

struct Base {
  virtual ~Base() = default;
};
struct Derived : Base {
  Probe probe{"derived"};
};

TEST(AutoPtr, OwnsOneObjectAtATime) {
  Probe::live = 0;
  {
    MxAutoPtr<Probe> p(new Probe("one"));
    EXPECT_EQ(p->text, "one");
    EXPECT_EQ((*p).text, "one");
    Probe* two = new Probe("two");
    p = two;
    EXPECT_EQ(Probe::live, 1);
    p = two; // the same pointer again: kept, not deleted
    EXPECT_EQ(Probe::live, 1);
    EXPECT_EQ(p.get(), two);
    MxAutoPtr<Probe> q(std::move(p));
    EXPECT_EQ(p.get(), nullptr);
    EXPECT_EQ(q.get(), two);
    Probe* released = q.release();
    EXPECT_FALSE(q);
    EXPECT_EQ(Probe::live, 1);
    p = released;
    q = new Probe("three");
    q = std::move(p);
    EXPECT_EQ(Probe::live, 1);
    EXPECT_EQ(q->text, "two");
    p = nullptr;
  }
  EXPECT_EQ(Probe::live, 0);
}

TEST(AutoPtr, DeletesThroughTheVirtualDestructor) {
  Probe::live = 0;
  {
    MxAutoPtr<Base> p(new Derived);
    EXPECT_EQ(Probe::live, 1);
  }
  EXPECT_EQ(Probe::live, 0);
  MxAutoPtr<Base> empty;
  EXPECT_EQ(empty.get(), nullptr);
}

// --- MxCompare ----------------------------------------------------------

TEST(Compare, StdCompareTellsEqualityOnly) {
  MxStdCompare<std::string> cmp;
  EXPECT_EQ(cmp.compare("a", "a"), 0);
  EXPECT_EQ(cmp.compare("a", "b"), -1);
  EXPECT_EQ(cmp.compare("b", "a"), -1);
  EXPECT_FALSE(cmp.is_ordering());
  MxAutoPtr<MxCompare<std::string>> clone(cmp.clone());
  EXPECT_NE(clone.get(), &cmp);
  EXPECT_NE(dynamic_cast<MxStdCompare<std::string>*>(clone.get()), nullptr);
  EXPECT_EQ(clone->compare("x", "x"), 0);
  EXPECT_EQ(clone->compare("x", "y"), -1);
}

} // namespace
