// Composition of two consecutive dependencies n1 -> n2 and n2 -> n3 into the
// one dependency n1 -> n3 that replaces them when n2 is removed. Private to
// the library's sources.
#ifndef MXFOUNDATION_SRC_MXOBJDEPENDENCY_COMPOSITION_H
#define MXFOUNDATION_SRC_MXOBJDEPENDENCY_COMPOSITION_H

#include "mxobjdependency_store.h"

namespace mx_detail {

/// The values of a bridge n1 -> n3 (a bridge never carries a role).
struct Composed {
  MxObjectDependency::Type type;
  bool has_q;
  int q;
  int separator;
};

/// Whether two qualifiers agree in presence and value.
inline bool same_qualifier(bool has_a, int a, bool has_b, int b) {
  return has_a == has_b && (has_a ? a : -1) == (has_b ? b : -1);
}

/// Composes n1 -> n2 (`first_*`) and n2 -> n3 (`second_*`): the type from
/// the composition table, the qualifier of the link the table names, the
/// separator of the second. A type the table does not know is reported.
Composed compose_values(MxObjectDependency::Type first, bool first_has_q, int first_q,
                        MxObjectDependency::Type second, bool second_has_q, int second_q,
                        int second_separator);

/// `compose_values` of two links; a missing link is reported.
Composed compose(const Link* first, const Link* second);

} // namespace mx_detail

#endif
