// A client of the library, however it came in (installed package, pkg-config,
// subproject): it checks the version, derives a model object,
// names it, dumps it through a stream journal and checks a few results.
#include "mxfoundation.h"

#include <cstring>
#include <iostream>

namespace {

class Part : public MxObject {
  MX_DYNOBJ_TYPE(Part, MxObject)
public:
  MxDynObj* clone() const override { return new Part(*this); }
};
MX_DEFINE_CLASS_NAME(Part);

} // namespace

int main() {
  if (mx_version() != MX_VERSION) return 4; // headers and library of different versions

  MxArray<int> numbers;
  for (int i = 0; i < 5; ++i) numbers.append(i);
  if (numbers.capacity() != 8 || numbers.last() != 4) return 1;

  MxString text("lineage");
  text.append(42);
  if (std::strcmp(text.as_const_c_string(), "lineage42") != 0) return 2;

  MxRCPtr<MxObject> part(new Part);
  part->add_attrib(new MxNameAttrib("flange"));
  if (!part->isA(MxObject::type_id()) || Part::cast(part.get()) == nullptr) return 3;

  MxStreamJournal out(std::cout);
  out << "consumer of " << mx_version_string() << ": " << text << " "
      << static_cast<int>(numbers.size()) << mxEndExpr;
  return 0;
}
