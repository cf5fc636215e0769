// A client model object through its life: it gets a name and an observer,
// is modified, is stored in an object table (which keeps its own copy), and
// is destroyed. The observer's events and the table's dump go to standard
// output through a stream journal.
#include "mxevent.h"
#include "mxobject.h"
#include "mxobjtable.h"
#include "mxreactor.h"
#include "mxstandardattribs.h"
#include "mxstreamjournal.h"

#include <iostream>

namespace {

/// A client model object: a box with a width.
class Box : public MxObject {
  MX_DYNOBJ_TYPE(Box, MxObject)
public:
  explicit Box(double width) : width_(width) {}
  Box(const Box&) = default;
  MxDynObj* clone() const override { return new Box(*this); }

  void set_width(double width) {
    width_ = width;
    notify(); // tell the attributes and the reactors
  }
  void debug(MxJournal& journal, MxDebug level, bool, int indent) const override {
    if (level < MxDebugNormal) return;
    Mx_DebugIndentation(journal, indent);
    journal << "Box " << identity() << ", width " << width_ << mxEndExpr;
  }

private:
  double width_;
};
MX_DEFINE_CLASS_NAME(Box);

/// Writes every event of the objects it watches to a journal.
class EventPrinter : public MxReactor {
  MX_DYNOBJ_TYPE(EventPrinter, MxReactor)
public:
  explicit EventPrinter(MxJournal& journal) : journal_(journal) {}
  MxDynObj* clone() const override { return new EventPrinter(journal_); }
  bool propagate() const override { return false; } // copies are not watched

  void react(const MxEvent& event) override {
    if (const MxObjectModified* m = mx_cast<MxObjectModified>(&event))
      journal_ << "event: object " << m->object_id() << " modified" << mxEndExpr;
    else if (const MxObjectDelete* d = mx_cast<MxObjectDelete>(&event))
      journal_ << "event: object " << d->object_id() << " deleted" << mxEndExpr;
  }

private:
  MxJournal& journal_;
};
MX_DEFINE_CLASS_NAME(EventPrinter);

} // namespace

int main() {
  MxStreamJournal out(std::cout);

  auto* box = new Box(2.0);
  box->add_attrib(new MxNameAttrib("lid")); // the box's list owns it
  box->add_reactor(new EventPrinter(out));  // likewise
  const MxNameAttrib* name = MxNameAttrib::cast(box->find_attrib_by_type(MxNameAttrib::type_id()));
  out << "created box " << box->identity() << " named " << name->get_name() << mxEndExpr;

  box->set_width(3.5);

  MxObjTable table(MxString("boxes"));
  table.append_entry(*box); // the table stores its own clone, without name or printer
  table.resize(2);
  table.set_active_entry(0);
  table.debug(out, MxDebugFull, false, 0);

  delete box; // the printer hears of it, then box, name and printer are released
  out << "table still holds " << static_cast<unsigned int>(table.n_valid_entries()) << " entry"
      << mxEndSection;
  return 0;
}
