// Querying the lineage with a link filter. In a boolean fuse a face of box 1
// is split by box 2: one piece stays, the other is deleted, and a new seam
// edge is created from the face. Asked where the face ended up, the graph
// names the piece and the seam; a filter that refuses creations follows only
// the face's own material and names the piece alone, and tells that it hid
// something. The same filter thins out a dump.
//
// The program checks its answers and exits with status 1 if one is wrong.
#include "mxobjdependency.h"
#include "mxobject.h"
#include "mxstandardattribs.h"
#include "mxstreamjournal.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

class Shape : public MxObject {
  MX_DYNOBJ_TYPE(Shape, MxObject)
public:
  explicit Shape(const char* name) { add_attrib(new MxNameAttrib(name)); }
  Shape(const Shape&) = default;
  MxDynObj* clone() const override { return new Shape(*this); }
};
MX_DEFINE_CLASS_NAME(Shape);

/// Follows every dependency except creations: what an object turned into,
/// not what was made from it.
class NoCreations : public MxObjectDependencyFilter {
public:
  bool accept(const MxDynObj* /*source*/, const MxDynObj* /*target*/, MxObjectDependency::Type type,
              int /*separator*/, const int* /*qualifier*/,
              const MxObjectDependencyRole* /*role*/) override {
    ++asked;
    return type != MxObjectDependency::CREATION;
  }
  int asked = 0;
};

std::string names(MxIterator<const MxDynObj*>* answer) {
  std::string text;
  for (answer->reset(); !answer->done(); answer->next()) {
    const MxObject* o = MxObject::cast(*answer->current());
    const MxNameAttrib* a =
        o ? MxNameAttrib::cast(o->find_attrib_by_type(MxNameAttrib::type_id())) : nullptr;
    text += (text.empty() ? "" : " ") + std::string(a ? a->get_name().as_const_c_string() : "?");
  }
  return text;
}

int g_reports = 0;
void on_report(const char*, int) {
  ++g_reports;
}

} // namespace

int main() {
  set_fnd_assertion_handler(on_report, true);
  Shape face("right face"), upper("upper piece"), lower("lower piece"), seam("seam edge");
  MxObjDependency graph;
  MxDynObjArrayIterator face_it, pieces;
  face_it.objects().resize(1, false);
  face_it.objects()[0] = &face;
  pieces.objects().resize(2, false);
  pieces.objects()[0] = &upper;
  pieces.objects()[1] = &lower;
  graph.record_dependency(&face_it, &pieces, MxObjectDependency::SPLIT, nullptr, nullptr);
  graph.record_dependency(&lower, nullptr, MxObjectDependency::DELETION, nullptr, nullptr);
  graph.record_dependency(&face, &seam, MxObjectDependency::CREATION, nullptr, nullptr);

  bool ok = true;
  MxAutoPtr<MxIterator<const MxDynObj*>> answer;
  bool filtered = true;
  graph.get_target_objects(&face, answer, nullptr, &filtered);
  std::string got = names(answer.get());
  std::printf("the right face ended up in: %s%s\n", got.c_str(), filtered ? " (filtered)" : "");
  ok &= got == "upper piece seam edge" && !filtered;

  NoCreations no_creations;
  graph.get_target_objects(&face, answer, &no_creations, &filtered);
  got = names(answer.get());
  std::printf("its own material ended up in: %s%s\n", got.c_str(),
              filtered ? " (the filter hid something)" : "");
  ok &= got == "upper piece" && filtered && no_creations.asked == 4;

  // A root is its own source whatever the filter says; the filter is not
  // even asked.
  no_creations.asked = 0;
  graph.get_source_objects(&face, answer, &no_creations, &filtered);
  ok &= names(answer.get()) == "right face" && !filtered && no_creations.asked == 0;

  // The seam's only source link is a creation: with the filter nothing is
  // reached, and the answer is empty.
  const bool found = graph.get_source_objects(&seam, answer, &no_creations, &filtered);
  ok &= !found && names(answer.get()).empty() && filtered;

  // Dumps take a link filter too: the creation disappears from the picture.
  MxStreamJournal out(std::cout);
  graph.set_dotty_output_format(true);
  graph.set_debug_link_filter(&no_creations);
  graph.debug(out, MxDebugFull, false, 0);
  graph.reset_debug_link_filter();

  ok &= g_reports == 0;
  std::printf("%s\n", ok ? "all answers as expected" : "SOME ANSWERS ARE WRONG");
  return ok ? 0 : 1;
}
