// Client classes and helpers shared by the tests, the benchmarks and the
// fuzz targets: a counter of assertion reports; model objects and plain
// identified objects; a chain of counted, runtime-typed shapes; attributes
// and reactors that log what they are asked; journals that keep or count
// what they get; an iterator over a list of objects; and a reference model
// of objects with their attribute and reactor lists, driven by a byte
// stream (the object fuzz target and its fixed-seed test). Header only and
// free of the test framework; every definition is inline, so any number of
// sources of one program may include it.
#ifndef MXFOUNDATION_TESTS_SUPPORT_CLIENTS_H
#define MXFOUNDATION_TESTS_SUPPORT_CLIENTS_H

#include "mxassert.h"
#include "mxattrib.h"
#include "mxevent.h"
#include "mxiterator.h"
#include "mxjournal.h"
#include "mxobject.h"
#include "mxrcptr.h"
#include "mxreactor.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

/// MX_DEFINE_CLASS_NAME for a class defined in a header: the class-name
/// string is an inline variable.
#define MX_CLIENT_CLASS_NAME(Class)                                                                \
  inline const MxString mx_client_class_name_##Class(#Class);                                      \
  inline const MxString& Class::class_name_ = mx_client_class_name_##Class

// ---------------------------------------------------------------- reports

/// While it lives, the assertion handler counts the reports and keeps the
/// last one's tag and line; the previous handler comes back at its end.
class ReportCounter {
public:
  ReportCounter() : previous_(fnd_assertion_handler) {
    count = 0;
    set_fnd_assertion_handler(record, true);
  }
  ~ReportCounter() { fnd_assertion_handler = previous_; }
  ReportCounter(const ReportCounter&) = delete;
  ReportCounter& operator=(const ReportCounter&) = delete;

  inline static long count = 0;
  inline static const char* last_tag = "";
  inline static int last_line = 0;

private:
  static void record(const char* tag, int line) {
    ++count;
    last_tag = tag ? tag : "";
    last_line = line;
  }
  MxAssertionHandler previous_;
};

// ---------------------------------------------------------------- objects

/// A client model object that keeps MxObject's class name; a test may read
/// or choose the identity the next identified object takes.
class Thing : public MxObject {
public:
  MxDynObj* clone() const override { return new Thing(*this); }
  static void next_identity_is(int id) { IDENTITY_INDEX = id; }
  static int next_identity_value() { return IDENTITY_INDEX; }
};

/// A client object that is no MxObject, with the identity it is given.
class Plain : public MxDynObj {
public:
  explicit Plain(int id = 0) : id_(id) {}
  MxDynObj* clone() const override { return new Plain(*this); }
  int identity() const override { return id_; }

private:
  int id_;
};

/// An iterator over a list of objects, starting at `start`; counts its restarts.
class ObjectList : public MxIterator<const MxDynObj*> {
public:
  ObjectList(std::initializer_list<const MxDynObj*> objects) : items_(objects) {}
  explicit ObjectList(std::vector<const MxDynObj*> objects, size_t start = 0)
      : items_(std::move(objects)), at_(start) {}
  const MxDynObj** first() override { return items_.empty() ? nullptr : &items_[0]; }
  void next() override { ++at_; }
  bool done() override { return at_ >= items_.size(); }
  void reset() override {
    at_ = 0;
    ++resets;
  }
  const MxDynObj** current() override { return at_ < items_.size() ? &items_[at_] : nullptr; }
  int resets = 0;

private:
  std::vector<const MxDynObj*> items_;
  size_t at_ = 0;
};

/// A counted, identified class below MxDynObj that counts its destructions:
/// the root of the chain Shape -> Polygon -> Quad -> Square and of the
/// sibling branch Circle. It reports under the tag "shape".
class Shape : public MxDynObj, public MxRCObj {
  MX_DYNOBJ_TYPE(Shape, MxDynObj)
  MX_DYNOBJ_CAST(Shape)
public:
  ~Shape() override { ++destroyed; }
  MxDynObj* clone() const override { return new Shape(*this); }
  int identity() const override { return identity_.value(); }
  void add_ref() const override { refs_.add("shape", __LINE__); }
  void remove_ref() const override { refs_.remove("shape", __LINE__); }
  int n_refs() const override { return refs_.get("shape", __LINE__); }

  inline static int destroyed = 0;
  static int take_identity() { return next_identity(); }

private:
  MxIdentity identity_;
  mutable MxRefCounter refs_;
};
MX_CLIENT_CLASS_NAME(Shape);

#define MX_CLIENT_SHAPE(Class, Parent)                                                             \
  class Class : public Parent {                                                                    \
    MX_DYNOBJ_TYPE(Class, Parent)                                                                  \
    MX_DYNOBJ_CAST(Class)                                                                          \
  public:                                                                                          \
    MxDynObj* clone() const override { return new Class(*this); }                                  \
  };                                                                                               \
  MX_CLIENT_CLASS_NAME(Class)
MX_CLIENT_SHAPE(Polygon, Shape);
MX_CLIENT_SHAPE(Quad, Polygon);
MX_CLIENT_SHAPE(Square, Quad);
MX_CLIENT_SHAPE(Circle, Shape);
#undef MX_CLIENT_SHAPE

// ------------------------------------------------- attributes and reactors

/// What client attributes and reactors are asked, and their ends, in order:
/// "invariant a: <event>", "react r: <event>", "~a". Benchmarks turn it off.
struct ClientLog {
  inline static std::vector<std::string> calls;
  inline static bool on = true;
  inline static int live_attribs = 0;
  inline static int live_reactors = 0;
  static void note(const std::string& call) {
    if (on) calls.push_back(call);
  }
  static void reset() {
    calls.clear();
    live_attribs = live_reactors = 0;
  }
};

/// An event as the log shows it: "MxObjectModified 12 #40" is the
/// modification of object 12, told by the event of identity 40.
inline std::string describe(const MxEvent& e) {
  int object_id = -1;
  if (const MxObjectModified* m = mx_cast<MxObjectModified>(&e)) object_id = m->object_id();
  if (const MxObjectDelete* d = mx_cast<MxObjectDelete>(&e)) object_id = d->object_id();
  return std::string(e.classname()) + " " + std::to_string(object_id) + " #" +
         std::to_string(e.identity());
}

/// How a client attribute or reactor answers. A copy is named with a "'";
/// one that `misclones` clones into an event instead of itself.
struct Traits {
  std::string name;
  bool propagates = true, shares = true, holds = true, misclones = false;
  Traits copied() const { return {name + "'", propagates, shares, holds, misclones}; }
};

/// What client attributes and reactors share: they log what they are told
/// and their end, and run a test's actions then. One that `misclones`
/// clones into an `Event`.
template <class Client, class Base, class Event> class ClientMember : public Base {
public:
  explicit ClientMember(Traits t = {}) : t_(std::move(t)) { ++live(); }
  ClientMember(const ClientMember& o) : Base(o), t_(o.t_.copied()) { ++live(); }
  ~ClientMember() override {
    --live();
    ClientLog::note("~" + t_.name);
    if (on_destroy) on_destroy();
  }
  MxDynObj* clone() const override {
    if (t_.misclones) return new Event(0);
    return new Client(static_cast<const Client&>(*this));
  }
  bool sharable() const override { return t_.shares; }
  bool propagate() const override { return t_.propagates; }
  const std::string& name() const { return t_.name; }
  std::function<void(const MxEvent&)> on_event;
  std::function<void()> on_destroy;

protected:
  /// Logs "<verb><name>: <event>", runs `on_event`; answers whether it holds.
  bool told(const char* verb, const MxEvent& e) const {
    if (ClientLog::on) ClientLog::note(verb + t_.name + ": " + describe(e));
    if (on_event) on_event(e);
    return t_.holds;
  }

private:
  static int& live() {
    return std::is_same<Base, MxAttrib>::value ? ClientLog::live_attribs : ClientLog::live_reactors;
  }
  Traits t_;
};

class ClientAttrib : public ClientMember<ClientAttrib, MxAttrib, MxObjectModified> {
  MX_DYNOBJ_TYPE(ClientAttrib, MxAttrib)
public:
  using ClientMember::ClientMember;
  bool invariant(const MxEvent& e) const override { return told("invariant ", e); }

  static void add_to(MxObject& o, ClientAttrib* a) { o.add_attrib(a); }
  static void detach_from(MxObject& o, ClientAttrib* a) { o.detach_attrib(a); }
  static void detach_all_from(MxObject& o) { o.detach_all_attribs(); }
  static MxAttrib* find_in(const MxObject& o, int id) { return o.find_attrib_by_id(id); }
  static MxAttrib* first_in(const MxObject& o) { return o.find_attrib_by_type(type_id()); }
};
MX_CLIENT_CLASS_NAME(ClientAttrib);

class ClientReactor : public ClientMember<ClientReactor, MxReactor, MxObjectDelete> {
  MX_DYNOBJ_TYPE(ClientReactor, MxReactor)
public:
  using ClientMember::ClientMember;
  void react(const MxEvent& e) override { told("react ", e); }

  static void add_to(MxObject& o, ClientReactor* r) { o.add_reactor(r); }
  static void detach_from(MxObject& o, ClientReactor* r) { o.detach_reactor(r); }
  static void detach_all_from(MxObject& o) { o.detach_all_reactors(); }
  static MxReactor* find_in(const MxObject& o, int id) { return o.find_reactor_by_id(id); }
  static MxReactor* first_in(const MxObject& o) { return o.find_reactor_by_type(type_id()); }
};
MX_CLIENT_CLASS_NAME(ClientReactor);

// ---------------------------------------------------------------- journals

/// Counts what is written and flushed; keeps the text only when asked to.
class SinkJournal : public MxJournal {
public:
  void write(const MxString& text) override {
    written += text.length();
    if (capture) this->text.append(text.as_const_c_string());
  }
  void flush() override { ++flushes; }

  bool capture = false;
  std::string text;
  size_t written = 0, flushes = 0;
};

// ------------------------------------------------ a model of object lists

/// The bytes of an input, each read as a choice among n; 0 once used up.
struct ByteSource {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool more() const { return at < size; }
  int next(size_t n) { return n == 0 || at >= size ? 0 : static_cast<int>(data[at++] % n); }
};

/// Runs the operations a byte stream spells on up to four objects (one may
/// announce another identity than its own) with client attributes and
/// reactors (shared, cloned, not copied, failing their invariant, cloning
/// into something else, null) and client holders, next to a model of the
/// lists and counts. After every operation the log (who was asked, with
/// which event, who ended, in order), the counts, the live members, the
/// find operations, the next identity and the absence of reports must agree
/// with the model. `run` answers the first disagreement, "" for none; every
/// object and holder is gone when it returns.
class ObjectSession {
public:
  std::string run(ByteSource in) {
    const ReportCounter reports;
    ClientLog::reset();
    next_id_ = Thing::next_identity_value();
    while (in.more() && failure_.empty()) step(in), check();
    while (!objects_.empty() && failure_.empty()) destroy(objects_.size() - 1);
    both([&](auto& s) {
      while (!s.holders.empty()) let_go(s, 0);
    });
    check();
    expect(ClientLog::live_attribs + ClientLog::live_reactors == 0, "members left alive");
    return failure_;
  }

private:
  template <class M> struct Side {
    struct Member {
      M* p;
      Traits traits;
      int identity, refs;
    };
    int kind; // the index of its list in Obj::items
    std::vector<Member> members;
    std::vector<std::pair<MxRCPtr<M>, int>> holders; // client holders, with whom they hold
    Member& operator[](int m) { return members[static_cast<size_t>(m)]; }
    /// A live member chosen by `pick`; -1 when none lives.
    int live(int pick) const {
      int alive = 0;
      for (const Member& m : members) alive += m.refs > 0;
      for (int m = 0, skip = alive ? pick % alive : -1; skip >= 0; ++m)
        if (members[static_cast<size_t>(m)].refs > 0 && skip-- == 0) return m;
      return -1;
    }
  };
  struct Obj {
    std::unique_ptr<Thing> thing;
    int stored = 0, announced = 0;
    std::vector<int> items[2]; // the members of each list from its head; -1 is a null item
  };
  class Renumbered : public Thing {
  public:
    int identity() const override { return 777; }
  };

  template <class F> void both(F f) { f(attribs_), f(reactors_); }
  void expect(bool ok, const char* what) {
    if (ok || !failure_.empty()) return;
    failure_ = std::string(what) + "; last operations: " +
               trace_.substr(trace_.size() - std::min<size_t>(trace_.size(), 400));
  }
  static std::string event(const char* cls, int object, int identity) {
    return std::string(cls) + " " + std::to_string(object) + " #" + std::to_string(identity);
  }

  void step(ByteSource& in) {
    int op = in.next(16);
    const int k = in.next(objects_.size()), r = in.next(2), pick = in.next(64);
    trace_ += std::to_string(op) + "ar"[r] + std::to_string(k) + "." + std::to_string(pick) + " ";
    if (objects_.empty() || (op < 2 && objects_.size() < 4)) return create(pick % 4 == 3);
    size_t size = static_cast<size_t>(ClientLog::live_attribs + ClientLog::live_reactors);
    for (const Obj& o : objects_) size += o.items[0].size() + o.items[1].size();
    if ((size > 96 && op >= 3 && op <= 7) || (op == 3 && objects_.size() == 4)) op = 15;
    Obj& o = objects_[static_cast<size_t>(k)];
    auto side = [&](auto f) { r ? f(reactors_) : f(attribs_); };
    if (op == 2) return destroy(static_cast<size_t>(k));
    if (op == 3) return copy_new(o);
    if (op == 4) return copy(objects_[static_cast<size_t>(pick) % objects_.size()], o);
    if (op == 5 || op == 6) return side([&](auto& s) { add_new(s, op == 5 ? &o : nullptr, pick); });
    if (op == 7) return side([&](auto& s) { add(s, o, pick < 8 ? -1 : s.live(pick)); });
    if (op == 8) return side([&](auto& s) { detach(s, o, pick < 8 ? -1 : s.live(pick)); });
    if (op == 9) return side([&](auto& s) { detach_all(s, o); });
    if (op == 10) return side([&](auto& s) { hold(s, s.live(pick)); });
    if (op == 11) return side([&](auto& s) { let_go(s, static_cast<size_t>(pick)); });
    if (op == 12) return o.thing->destroy_all_attribs();
    notify(o);
  }

  void create(bool renumbered) {
    Obj o;
    o.thing.reset(renumbered ? new Renumbered : new Thing);
    o.stored = o.thing->MxObject::identity();
    o.announced = renumbered ? 777 : o.stored;
    expect(o.stored == next_id_++, "a new object took another identity");
    objects_.push_back(std::move(o));
  }
  void destroy(size_t k) {
    Obj& o = objects_[k];
    const std::string e = event("MxObjectDelete", o.stored, next_id_++);
    tell(o, e, e);
    for (int m : o.items[1]) release(reactors_, m);
    for (int m : o.items[0]) release(attribs_, m);
    objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(k));
  }
  void notify(Obj& o) {
    next_id_ += 2;
    tell(o, event("MxObjectModified", o.announced, next_id_ - 2),
         event("MxObjectModified", o.announced, next_id_ - 1));
    o.thing->notify();
  }
  /// The model of telling the attributes event `a`, then the reactors event `r`.
  void tell(Obj& o, const std::string& a, const std::string& r) {
    std::vector<int> failing;
    for (int m : o.items[0]) {
      if (m < 0) continue;
      expected_.push_back("invariant " + attribs_[m].traits.name + ": " + a);
      if (!attribs_[m].traits.holds) failing.push_back(m);
    }
    for (int m : failing) remove_first(attribs_, o, m);
    for (int m : o.items[1])
      if (m >= 0) expected_.push_back("react " + reactors_[m].traits.name + ": " + r);
  }
  void copy_new(const Obj& from) {
    Obj o;
    o.stored = o.announced = next_id_++;
    copy(o, from);
    expect(o.thing->identity() == o.stored, "a copy took another identity");
    objects_.push_back(std::move(o));
  }
  /// Copies the items of `from` onto `to`, or into a new object when `to` has none.
  void copy(Obj& to, const Obj& from) {
    std::vector<int> clones[2];
    if (&to != &from)
      both([&](auto& s) {
        for (int m : from.items[s.kind]) copy_item(s, m, to, clones[s.kind]);
      });
    if (to.thing)
      *to.thing = *from.thing;
    else
      to.thing.reset(new Thing(*from.thing));
    both([&](auto& s) { find_clones(s, to, clones[s.kind]); });
  }
  template <class M> void copy_item(Side<M>& s, int m, Obj& to, std::vector<int>& clones) {
    if (m < 0 || !s[m].traits.propagates) return;
    if (!s[m].traits.shares && s[m].traits.misclones) return (void)++next_id_; // deleted at once
    if (s[m].traits.shares) ++s[m].refs;
    if (!s[m].traits.shares) s.members.push_back({nullptr, s[m].traits.copied(), next_id_++, 1});
    if (!s[m].traits.shares) clones.push_back(m = static_cast<int>(s.members.size()) - 1);
    to.items[s.kind].insert(to.items[s.kind].begin(), m);
  }
  template <class M> void find_clones(Side<M>& s, const Obj& o, const std::vector<int>& clones) {
    for (int m : clones) {
      s[m].p = mx_cast<M>(M::find_in(*o.thing, s[m].identity));
      expect(s[m].p != nullptr, "a clone is missing");
      if (!s[m].p) s[m].refs = 0;
    }
  }
  template <class M> void add_new(Side<M>& s, Obj* o, int pick) {
    const Traits t{"ar"[s.kind] + std::to_string(s.members.size()), pick % 4 != 0, pick % 3 != 0,
                   pick % 5 != 0, pick % 7 == 0};
    s.members.push_back({new M(t), t, next_id_++, 0});
    const int m = static_cast<int>(s.members.size()) - 1;
    expect(s[m].p->identity() == s[m].identity, "a new member took another identity");
    if (o) return add(s, *o, m);
    hold(s, m);
  }
  template <class M> void add(Side<M>& s, Obj& o, int m) {
    if (m >= 0) ++s[m].refs;
    o.items[s.kind].insert(o.items[s.kind].begin(), m);
    M::add_to(*o.thing, m < 0 ? nullptr : s[m].p);
  }
  template <class M> void detach(Side<M>& s, Obj& o, int m) {
    remove_first(s, o, m);
    M::detach_from(*o.thing, m < 0 ? nullptr : s[m].p);
  }
  template <class M> void remove_first(Side<M>& s, Obj& o, int m) {
    std::vector<int>& items = o.items[s.kind];
    const auto at = std::find(items.begin(), items.end(), m);
    if (at == items.end()) return;
    items.erase(at);
    release(s, m);
  }
  template <class M> void detach_all(Side<M>& s, Obj& o) {
    for (int m : o.items[s.kind]) release(s, m);
    o.items[s.kind].clear();
    M::detach_all_from(*o.thing);
  }
  template <class M> void hold(Side<M>& s, int m) {
    if (m < 0) return;
    ++s[m].refs;
    s.holders.emplace_back(MxRCPtr<M>(s[m].p), m);
  }
  template <class M> void let_go(Side<M>& s, size_t pick) {
    if (s.holders.empty()) return;
    const auto h = s.holders.begin() + static_cast<std::ptrdiff_t>(pick % s.holders.size());
    release(s, h->second);
    s.holders.erase(h);
  }
  template <class M> void release(Side<M>& s, int m) {
    if (m >= 0 && --s[m].refs == 0) expected_.push_back("~" + s[m].traits.name);
  }

  void check() {
    expect(ClientLog::calls == expected_, "the calls differ from the model's");
    ClientLog::calls.clear();
    expected_.clear();
    expect(ReportCounter::count == 0, "a report was made");
    expect(Thing::next_identity_value() == next_id_, "the next identity differs");
    int live[2] = {0, 0};
    both([&](auto& s) {
      for (const auto& m : s.members)
        if (m.refs > 0) ++live[s.kind], expect(m.p->n_refs() == m.refs, "a count differs");
    });
    expect(live[0] == ClientLog::live_attribs && live[1] == ClientLog::live_reactors,
           "the number of live members differs");
    for (const Obj& o : objects_) {
      MxArray<MxAttrib*, MxAllocator<MxAttrib*>> found;
      found.append(nullptr); // emptied first
      std::vector<MxAttrib*> model;
      for (int m : o.items[0])
        if (m >= 0) model.push_back(attribs_[m].p);
      expect(o.thing->find_all_attribs_by_type(ClientAttrib::type_id(), found) == model.size() &&
                 std::equal(model.begin(), model.end(), found.begin()),
             "find_all_attribs_by_type differs");
      expect(!o.thing->find_attrib_by_type(nullptr) &&
                 !o.thing->find_reactor_by_type(MxAttrib::type_id()),
             "found a type no member has");
      both([&](auto& s) { check_finds(s, o); });
    }
  }
  template <class M> void check_finds(Side<M>& s, const Obj& o) {
    const std::vector<int>& items = o.items[s.kind];
    const auto head = std::find_if(items.begin(), items.end(), [](int m) { return m >= 0; });
    expect(M::first_in(*o.thing) == (head == items.end() ? nullptr : s[*head].p),
           "the first member found by type differs");
    for (int m : items)
      if (m >= 0) expect(M::find_in(*o.thing, s[m].identity) == s[m].p, "finding by identity");
    const int other = s.live(0); // found only when held
    if (other >= 0 && std::find(items.begin(), items.end(), other) == items.end())
      expect(!M::find_in(*o.thing, s[other].identity), "found a member that is not held");
  }

  Side<ClientAttrib> attribs_{0, {}, {}};
  Side<ClientReactor> reactors_{1, {}, {}};
  std::vector<Obj> objects_;
  std::vector<std::string> expected_;
  std::string trace_, failure_;
  int next_id_ = 0;
};

#endif
