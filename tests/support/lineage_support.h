// Test support for the lineage graph: a client object class, objects named
// by letters with a shorthand for histories, filters, and readers of the
// graph's answers and dumps (counts, lines, edges) that the tests compare.
#ifndef MXFOUNDATION_TESTS_SUPPORT_LINEAGE_SUPPORT_H
#define MXFOUNDATION_TESTS_SUPPORT_LINEAGE_SUPPORT_H

#include "clients.h"
#include "mxobjdependency.h"
#include "mxobject.h"
#include "mxstringjournal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using Objects = std::vector<const MxDynObj*>;

/// Records `sources` -> `targets` in the iterator form; an empty side is
/// passed as no iterator at all.
inline bool record(MxObjDependency& g, const Objects& sources, const Objects& targets,
                   MxObjectDependency::Type type, const int* qualifier = nullptr) {
  ObjectList s(sources), t(targets);
  return g.record_dependency(sources.empty() ? nullptr : &s, targets.empty() ? nullptr : &t, type,
                             qualifier, nullptr);
}

/// What a lineage query returned: its result and the objects.
struct Answer {
  bool found;
  Objects objects;
  bool operator==(const Answer& other) const {
    return found == other.found && objects == other.objects;
  }
};

inline Answer query(const MxObjDependency& g, const MxDynObj* object, bool backwards,
                    MxObjectDependencyFilter* filter = nullptr) {
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  const bool found = backwards ? g.get_source_objects(object, it, filter, nullptr)
                               : g.get_target_objects(object, it, filter, nullptr);
  Answer out{found, {}};
  for (it->reset(); !it->done(); it->next()) out.objects.push_back(*it->current());
  return out;
}
inline Answer sources(const MxObjDependency& g, const MxDynObj* object,
                      MxObjectDependencyFilter* filter = nullptr) {
  return query(g, object, true, filter);
}
inline Answer targets(const MxObjDependency& g, const MxDynObj* object,
                      MxObjectDependencyFilter* filter = nullptr) {
  return query(g, object, false, filter);
}

/// A link filter that keeps the role of every link it is asked about; it
/// accepts all links or none.
class LinkLog : public MxObjectDependencyFilter {
public:
  explicit LinkLog(bool accept_all = false) : accept_all_(accept_all) {}
  bool accept(const MxDynObj*, const MxDynObj*, MxObjectDependency::Type, int, const int*,
              const MxObjectDependencyRole* role) override {
    asked.push_back(role);
    return accept_all_;
  }
  std::vector<const MxObjectDependencyRole*> asked;

private:
  bool accept_all_;
};

/// A link filter that accepts only links of one type (`only`), or all but them.
class TypeFilter : public MxObjectDependencyFilter {
public:
  TypeFilter(MxObjectDependency::Type type, bool only) : type_(type), only_(only) {}
  bool accept(const MxDynObj*, const MxDynObj*, MxObjectDependency::Type type, int, const int*,
              const MxObjectDependencyRole*) override {
    return (type == type_) == only_;
  }

private:
  MxObjectDependency::Type type_;
  bool only_;
};

/// A node filter that accepts the listed objects only (`only`), or all but them.
class NodeList : public MxObjectDependencyNodeFilter {
public:
  NodeList(Objects objects, bool only = true) : objects_(std::move(objects)), only_(only) {}
  bool accept(const MxDynObj* object) const override {
    return (std::find(objects_.begin(), objects_.end(), object) != objects_.end()) == only_;
  }

private:
  Objects objects_;
  bool only_;
};

/// The dump at `level` in the text or dot form; the graph keeps its format.
inline std::string dump(MxObjDependency& g, MxDebug level, bool dotty, bool check = false,
                        int indent = 0) {
  const bool was = g.dotty_output_format();
  g.set_dotty_output_format(dotty);
  MxStringJournal j;
  g.debug(j, level, check, indent);
  g.set_dotty_output_format(was);
  return j.text();
}

/// The lines, each ended by a line break.
inline std::string lines(std::initializer_list<const char*> ls) {
  std::string out;
  for (const char* l : ls) out += std::string(l) + "\n";
  return out;
}

/// The summary counts of the text dump: nodes, roots, leaves.
inline std::tuple<int, int, int> counts(MxObjDependency& g) {
  const std::string text = dump(g, MxDebugSummary, false);
  auto value = [&](const std::string& label) {
    const size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::stoi(text.substr(at + label.size()));
  };
  return {value("number of nodes               : "), value("number of roots               : "),
          value("number of leafs               : ")};
}

/// The edges of the dot dump, one string each: "source -> target TYPE
/// qualifier separator"; with the identity of 'a', objects go by letters.
inline std::vector<std::string> edges(MxObjDependency& g, int identity_of_a = 0) {
  auto name = [&](const std::string& label) {
    if (!identity_of_a || label == "NULL") return label;
    return std::string(1, static_cast<char>('a' + std::stoi(label) - identity_of_a));
  };
  std::istringstream text(dump(g, MxDebugFull, true));
  std::vector<std::string> out;
  for (std::string line; std::getline(text, line);) {
    const size_t arrow = line.find("  -> {");
    if (arrow == std::string::npos) continue;
    const size_t close = line.find('}', arrow);
    const size_t label = line.find("label=\"", close) + 7;
    const size_t separator = line.find("\\nseparator ", label);
    const size_t quote = line.find('"', separator);
    out.push_back(name(line.substr(0, arrow)) + " -> " +
                  name(line.substr(arrow + 6, close - arrow - 6)) + " " +
                  line.substr(label, separator - label) + " " +
                  line.substr(separator + 12, quote - separator - 12));
  }
  return out;
}

/// Eight objects named by letters, 'a' first, with consecutive identities,
/// and a shorthand for histories among them.
class Named {
public:
  explicit Named(int first_identity = 1)
      : first_(first_identity), things_((Thing::next_identity_is(first_identity), 8)) {}
  const Thing* operator[](char name) const { return &things_.at(static_cast<size_t>(name - 'a')); }
  /// The objects named by `letters`; "-" names none.
  Objects objects(const std::string& letters) const {
    Objects out;
    for (char c : letters)
      if (c != '-') out.push_back((*this)[c]);
    return out;
  }
  /// Records `history`, steps such as "a M b, b S2 cd | c D -": sources,
  /// type, targets. Objects are letters, "-" none; the type is one letter
  /// (C creation, D deletion, M modification, S split, A absorption,
  /// V conversion, T containment, X transfer), then the qualifier if any;
  /// "|" starts a new separator. Every step must be recorded.
  void record(MxObjDependency& g, const std::string& history) const {
    std::istringstream in(history);
    std::string sources, type, targets;
    while (in >> sources) {
      if (sources == "|") {
        g.new_separator();
        continue;
      }
      in >> type >> targets;
      if (!targets.empty() && targets.back() == ',') targets.pop_back();
      const std::string types = "XCDMSAVT";
      const auto kind = static_cast<MxObjectDependency::Type>(types.find(type[0]) + 1);
      const int q = type.size() > 1 ? std::stoi(type.substr(1)) : 0;
      EXPECT_TRUE(
          ::record(g, objects(sources), objects(targets), kind, type.size() > 1 ? &q : nullptr))
          << sources << " " << type << " " << targets;
    }
  }
  /// `edges(g)` with the objects named by their letters.
  std::vector<std::string> edges(MxObjDependency& g) const { return ::edges(g, first_); }

private:
  int first_;
  std::vector<Thing> things_;
};

#endif
