// The composition table of the lineage graph (see the header).
#include "mxobjdependency_composition.h"

namespace mx_detail {

namespace {

const char* const kTag = "mxobjdependency";
using Dep = MxObjectDependency;

/// One cell: the composed type, and whether the qualifier comes from the
/// first link (else from the second).
struct Cell {
  Dep::Type type;
  bool from_first;
};

constexpr Dep::Type C = Dep::CREATION, D = Dep::DELETION, M = Dep::MODIFICATION, S = Dep::SPLIT,
                    A = Dep::ABSORPTION, V = Dep::CONVERSION, T = Dep::CONTAINMENT;

/// Rows: the type of n1 -> n2, CREATION to CONTAINMENT; columns: the type of
/// n2 -> n3, CREATION to CONTAINMENT, then any other value (reported).
/// The CONVERSION row is not read: after a conversion the second link's
/// type and qualifier stand (see `cell`).
constexpr Cell kTable[7][8] = {
    /* CREATION     */ {{C, 0}, {D, 0}, {C, 1}, {C, 1}, {C, 0}, {C, 1}, {C, 1}, {C, 1}},
    /* DELETION     */ {{D, 1}, {D, 1}, {D, 1}, {D, 1}, {D, 1}, {D, 1}, {D, 1}, {D, 1}},
    /* MODIFICATION */ {{C, 0}, {D, 0}, {M, 0}, {S, 0}, {A, 0}, {M, 1}, {C, 1}, {M, 1}},
    /* SPLIT        */ {{C, 0}, {D, 0}, {S, 1}, {S, 1}, {C, 0}, {S, 1}, {S, 1}, {S, 1}},
    /* ABSORPTION   */ {{C, 0}, {D, 0}, {A, 1}, {C, 1}, {A, 0}, {A, 1}, {C, 1}, {A, 1}},
    /* CONVERSION   */ {{C, 0}, {D, 0}, {M, 0}, {S, 0}, {A, 0}, {V, 0}, {T, 0}, {C, 0}},
    /* CONTAINMENT  */ {{C, 0}, {D, 0}, {T, 1}, {S, 0}, {A, 0}, {T, 1}, {T, 1}, {T, 1}},
};

bool known(Dep::Type t) {
  return t >= Dep::CREATION && t <= Dep::CONTAINMENT;
}

/// The cell for (first, second), and whether the pair is reported: a
/// DELETION first always, an unknown second except after a CONVERSION, an
/// unknown first always. After a CONVERSION, and after an unknown first, the
/// result is the second link's type with its qualifier.
Cell cell(Dep::Type first, Dep::Type second, bool& reported) {
  if (first == Dep::CONVERSION || !known(first)) {
    reported = !known(first);
    return Cell{second, false};
  }
  const int column = known(second) ? second - Dep::CREATION : 7;
  reported = first == Dep::DELETION || !known(second);
  return kTable[first - Dep::CREATION][column];
}

} // namespace

Composed compose_values(Dep::Type first, bool first_has_q, int first_q, Dep::Type second,
                        bool second_has_q, int second_q, int second_separator) {
  bool reported = false;
  const Cell c = cell(first, second, reported);
  if (reported) MX_REPORT(kTag); // a link type that composition does not know
  if (c.from_first)
    return Composed{c.type, first_has_q, first_has_q ? first_q : -1, second_separator};
  return Composed{c.type, second_has_q, second_has_q ? second_q : -1, second_separator};
}

Composed compose(const Link* first, const Link* second) {
  if (!first || !second) {
    MX_REPORT(kTag); // a link of the path is missing
    return Composed{Dep::UNSPECIFIED, false, -1, second ? second->separator : 0};
  }
  return compose_values(first->dependency_type, first->has_target_qualifier,
                        first->target_qualifier, second->dependency_type,
                        second->has_target_qualifier, second->target_qualifier, second->separator);
}

} // namespace mx_detail

MxObjDependency::LinkValues MxObjDependency::compose_link_types(const LinkValues& first,
                                                                const LinkValues& second) {
  const mx_detail::Composed c = mx_detail::compose_values(
      first.type, first.has_target_qualifier, first.target_qualifier, second.type,
      second.has_target_qualifier, second.target_qualifier, second.separator);
  return LinkValues{c.type, c.has_q, c.q, c.separator};
}
