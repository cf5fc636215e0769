// Recording a modelling history from C++. A cut splits the top face of a
// part in two; in the next operation one piece is absorbed together with a
// side face into a new face and the other piece is deleted. The lineage
// graph then tells where the new face came from and what became of the top
// face, and prints itself to standard output.
//
// The program checks its answers and exits with status 1 if one is wrong.
#include "mxiterator.h"
#include "mxobjdependency.h"
#include "mxobject.h"
#include "mxstandardattribs.h"
#include "mxstreamjournal.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

/// A face of the client's model. The graph only keeps its address; the name
/// attribute makes it readable in dumps.
class Face : public MxObject {
  MX_DYNOBJ_TYPE(Face, MxObject)
public:
  explicit Face(const char* name) { add_attrib(new MxNameAttrib(name)); } // the face owns it
  Face(const Face&) = default;
  MxDynObj* clone() const override { return new Face(*this); }

  std::string name() const {
    const MxNameAttrib* a = MxNameAttrib::cast(find_attrib_by_type(MxNameAttrib::type_id()));
    return a ? a->get_name().as_const_c_string() : "?";
  }
};
MX_DEFINE_CLASS_NAME(Face);

int g_reports = 0;

/// The library reports misuse here instead of throwing.
void on_report(const char* file, int line) {
  ++g_reports;
  std::printf("(the library reports a failed check in %s, line %d)\n", file, line);
}

/// The names of the objects an answer iterator yields, separated by blanks.
std::string names(MxIterator<const MxDynObj*>* answer) {
  std::string text;
  for (answer->reset(); !answer->done(); answer->next()) {
    const Face* face = mx_cast<Face>(*answer->current());
    text += (text.empty() ? "" : " ") + (face ? face->name() : std::string("?"));
  }
  return text;
}

bool expect(const std::string& what, const std::string& got, const std::string& wanted) {
  std::printf("%s: %s\n", what.c_str(), got.c_str());
  if (got == wanted) return true;
  std::printf("  wrong: expected %s\n", wanted.c_str());
  return false;
}

} // namespace

int main() {
  set_fnd_assertion_handler(on_report, true);
  Face top("top"), side("side"), front_piece("front piece"), back_piece("back piece"),
      merged("merged face");
  MxObjDependency graph;
  bool ok = true;

  // Operation 0: the cut. One source and two targets: the iterator form.
  MxDynObjArrayIterator cut_source;
  cut_source.objects().resize(1, false);
  cut_source.objects()[0] = &top;
  MxDynObjArrayIterator pieces;
  pieces.objects().resize(2, false);
  pieces.objects()[0] = &front_piece;
  pieces.objects()[1] = &back_piece;
  ok &= graph.record_dependency(&cut_source, &pieces, MxObjectDependency::SPLIT, nullptr, nullptr);

  // Operation 1, after a separator: absorb and delete.
  graph.new_separator();
  MxDynObjArrayIterator absorbed;
  absorbed.objects().resize(2, false);
  absorbed.objects()[0] = &front_piece;
  absorbed.objects()[1] = &side;
  MxDynObjArrayIterator result;
  result.objects().resize(1, false);
  result.objects()[0] = &merged;
  const int qualifier = 1; // the library stores it; its meaning is the client's
  ok &= graph.record_dependency(&absorbed, &result, MxObjectDependency::ABSORPTION, &qualifier,
                                nullptr);
  // One source, no target: the single form, with null for "nothing".
  ok &=
      graph.record_dependency(&back_piece, nullptr, MxObjectDependency::DELETION, nullptr, nullptr);

  // Recording the same dependency twice is refused, and reported.
  const bool again =
      graph.record_dependency(&back_piece, nullptr, MxObjectDependency::DELETION, nullptr, nullptr);
  ok &= !again && g_reports == 1;

  // Where did the merged face come from, and where did the top face go?
  MxAutoPtr<MxIterator<const MxDynObj*>> answer; // the caller owns the answer
  graph.get_source_objects(&merged, answer, nullptr, nullptr);
  ok &= expect("sources of the merged face", names(answer.get()), "top side");
  graph.get_target_objects(&top, answer, nullptr, nullptr); // the old answer is destroyed
  ok &= expect("targets of the top face", names(answer.get()), "merged face");
  ok &= graph.is_valid(nullptr);

  MxStreamJournal out(std::cout);
  graph.debug(out, MxDebugFull, true, 0);

  // Simplified, only initial and final objects remain: top and side lead
  // straight to the merged face. The link from top is the newer one now (it
  // replaces top -> front piece -> merged face), so it comes second.
  graph.simplify_it();
  graph.get_source_objects(&merged, answer, nullptr, nullptr);
  ok &= expect("sources of the merged face after simplifying", names(answer.get()), "side top");
  graph.set_dotty_output_format(true);
  graph.debug(out, MxDebugFull, false, 0);

  ok &= g_reports == 1;
  std::printf("%s\n", ok ? "all answers as expected" : "SOME ANSWERS ARE WRONG");
  return ok ? 0 : 1;
}
