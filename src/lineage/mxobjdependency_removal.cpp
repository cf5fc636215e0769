// The removal context of the lineage graph (see the header).
#include "mxobjdependency_removal.h"

#include <algorithm>

namespace mx_detail {

namespace {
const char* const kTag = "mxobjdependency";
using Dep = MxObjectDependency;

/// Orders nodes by creation.
struct BySeq {
  bool operator()(const Node* a, const Node* b) const { return a->seq < b->seq; }
};
} // namespace

std::vector<Node*> Removal::nodes_to_remove_later() const {
  std::vector<Node*> out;
  for (Node* n : later_order_)
    if (later_.contains(n)) out.push_back(n);
  std::sort(out.begin(), out.end(), BySeq());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

void Removal::remove_source_link(Node* node, Link* link) {
  if (!link || !st_.erase_source_link(node, link)) {
    MX_REPORT(kTag); // the link is not among the node's source links
    return;
  }
  st_.destroy_link(link);
}

void Removal::remove_target_link(Node* node, Link* link) {
  if (!link || !st_.erase_target_link(node, link)) {
    MX_REPORT(kTag); // the link is not among the node's target links
    return;
  }
  st_.destroy_link(link);
}

bool Removal::reconcile_existing(Node* n1, Node* n3, Link* lk, bool pending, Composed& c) {
  trace_.line(pending ? "         link between n1 and n3 already chosen to create"
                      : "         link between n1 and n3 already existing",
              " => skip n3");
  // A deletion also reached through an intermediate is the same deletion.
  const bool both_deletions = c.type == Dep::DELETION && lk->dependency_type == Dep::DELETION;
  if (c.type != Dep::CREATION && c.type != Dep::ABSORPTION && !both_deletions)
    MX_REPORT(kTag); // an existing bridge that the composed type cannot join
  if (c.type != Dep::ABSORPTION && lk->dependency_type == Dep::ABSORPTION) {
    if (pending)
      lk->dependency_type = Dep::CREATION;
    else
      st_.retype_target_link(n1, lk, Dep::CREATION);
    if (Link* back = n3->source_links.find(n1)) st_.retype_source_link(n3, back, Dep::CREATION);
    retyped_targets_.push_back(n3);
  }
  if (!same_qualifier(c.has_q, c.q, lk->has_target_qualifier, lk->target_qualifier))
    MX_REPORT(kTag); // the existing bridge carries another qualifier
  return true;
}

void Removal::remember_triple(Node* n1, Node* n2a, Node* n3, Link* lk, Link* lm, bool lm_pending,
                              Composed& c) {
  if (c.type != Dep::ABSORPTION && c.type != Dep::CREATION && c.type != Dep::DELETION)
    MX_REPORT(kTag); // n3 has several sources, so its links must allow it
  const Composed c2 = compose(lk, lm);
  if (c2.type == Dep::CREATION) {
    if (c.type == Dep::DELETION) MX_REPORT(kTag); // one path deletes, the other creates
    c.type = Dep::CREATION;
  } else if ((c2.type == Dep::DELETION) != (c.type == Dep::DELETION)) {
    // Creation against absorption is settled when the absorptions are made
    // consistent; only a deletion meeting anything else is inconsistent.
    MX_REPORT(kTag);
  }
  if (!same_qualifier(c.has_q, c.q, c2.has_q, c2.q))
    MX_REPORT(kTag); // two paths to n3 with different qualifiers
  if (lm_pending)
    trace_.line_id("            remember triple to skip via not yet created",
                   " link with n2a = ", node_key(n2a));
  else
    trace_.line_id("            remember triple to skip with n2a = ", node_key(n2a));
  triples_.insert(PointerTriple{n1, n2a, n3});
}

bool Removal::skip_bridge_link(Node* n1, Node* n2, Node* n3, Composed& c) {
  if (!n1 || !n2 || !n3) {
    MX_REPORT(kTag); // a node of the path is missing
    return true;
  }
  if (triples_.contains(PointerTriple{n1, n2, n3})) {
    trace_.line("         already handled n1 and n3 earlier", " => skip n3");
    return true;
  }
  // The candidates are n1's target links, then the bridges waiting for n1,
  // in that order. Those that matter lead to n3 itself, or to another
  // intermediate n2a that also leads to n3. They are found from whichever
  // side is shorter: n1's candidates, or the links entering n3 (their back
  // links, bridges included, and the links waiting to be dropped, whose
  // back links are gone but which still count). The null-object node is no
  // intermediate: what was deleted does not go on into what was created
  // from nothing.
  std::vector<Candidate>& relevant = scratch_candidates_;
  relevant.clear();
  const uint64_t existing = n1->target_links.slots();
  auto relevant_from_n1 = [&](Link* lk) {
    return lk->node == n3 || (lk->node != n2 && links_into(lk->node, n3));
  };
  const uint64_t n1_side = n1->target_links.count() + by_n1_.count(n1);
  const uint64_t n3_side = n3->source_links.count() + dropped_into_.count(n3);
  if (n1_side <= n3_side) {
    for (uint32_t k = 0; k < n1->target_links.slots(); ++k) {
      Link* lk = n1->target_links.at(k);
      if (lk && lk->node && relevant_from_n1(lk)) relevant.push_back(Candidate{k, lk, false});
    }
    by_n1_.for_each(n1, [&](uint32_t i) {
      if (relevant_from_n1(new_links_[i]))
        relevant.push_back(Candidate{existing + i, new_links_[i], true});
    });
  } else {
    // From n3's side: every node with a link into n3, and of those the ones
    // that n1 links to.
    const bool n1_has_bridges = by_n1_.count(n1) > 0;
    // A link in n1's list (those waiting to be dropped are still there), or
    // a bridge waiting to be made.
    auto add_if_linked_from_n1 = [&](const Node* n2a) {
      const int64_t pos = n1->target_links.find_pos(n2a);
      if (pos >= 0) {
        relevant.push_back(Candidate{static_cast<uint64_t>(pos),
                                     n1->target_links.at(static_cast<uint32_t>(pos)), false});
      } else if (n1_has_bridges) {
        if (const uint32_t* at = pending_.find(n1, n2a))
          relevant.push_back(Candidate{existing + *at, new_links_[*at], true});
      }
    };
    add_if_linked_from_n1(n3);
    // The sources first, in one pass that only reads the links (their loads
    // overlap), then the lookups in n1's list.
    std::vector<const Node*>& sources = scratch_nodes_;
    sources.clear();
    for (uint32_t i = 0; i < n3->source_links.slots(); ++i) {
      const Link* back = n3->source_links.at(i);
      sources.push_back(back ? back->node : nullptr);
    }
    for (const Node* n2a : sources)
      if (n2a && n2a != n2 && n2a != n3) add_if_linked_from_n1(n2a);
    dropped_into_.for_each(n3, [&](uint32_t i) {
      const Node* n2a = dropped_n1_[i];
      if (n2a != n2 && n2a != n3) add_if_linked_from_n1(n2a);
    });
    std::sort(relevant.begin(), relevant.end(),
              [](const Candidate& a, const Candidate& b) { return a.order < b.order; });
    relevant.erase(
        std::unique(relevant.begin(), relevant.end(),
                    [](const Candidate& a, const Candidate& b) { return a.link == b.link; }),
        relevant.end());
  }
  for (const Candidate& cand : relevant) {
    Node* n2a = cand.link->node;
    if (n2a == n3) return reconcile_existing(n1, n3, cand.link, cand.pending, c);
    if (!n2a->object) continue;
    if (Link* lm = n2a->target_links.find(n3))
      remember_triple(n1, n2a, n3, cand.link, lm, false, c);
    if (Link* lm = pending_link(n2a, n3)) remember_triple(n1, n2a, n3, cand.link, lm, true, c);
  }
  return false;
}

bool Removal::prepare_removal_of_n2(Node* n2, Node* rn1, bool use_unchecked) {
  trace_.line("   \"prepare_removal_of_n2\"");
  if (!n2) {
    MX_REPORT(kTag); // no node to remove
    return false;
  }
  if (n2->target_links.empty() || !n2->object) {
    trace_.line("   no targets => return");
    return false;
  }
  // A node that is its own source cannot be bridged away: the bridges would
  // run through the node being removed.
  if (n2->source_links.find(n2)) {
    trace_.line("   link to itself => return");
    return false;
  }
  bool removable = true;
  std::vector<Link*>& detached = scratch_detached_;
  detached.clear();
  const uint32_t n_sources = n2->source_links.slots();
  for (uint32_t si = 0; si < n_sources; ++si) {
    Link* s = n2->source_links.at(si);
    if (!s || !s->node) continue;
    Node* n1 = s->node;
    trace_.line_id("      n1 = ", node_key(n1));
    if (use_unchecked && (n1->flags & kUncheckedRoot)) {
      removable = false;
      trace_.line("      is unchecked root => skip n1, remove n2 later");
      continue;
    }
    Link* l1 = n1->target_links.find(n2);
    if (!l1) {
      l1 = pending_link(n1, n2);
      if (l1) {
        trace_.line("      link between n1 and n2 is a new one");
      } else {
        MX_REPORT(kTag); // the forward link of this source is missing
        trace_.line("      _ASSERTION_:", " link from n1 to n2 missing!!!");
        continue;
      }
    }
    // n1 is itself a target of rn1 (a link waiting to be dropped counts,
    // a bridge waiting to be made does not).
    if (rn1 && n1 != rn1 && rn1->target_links.find(n1)) {
      removable = false;
      if (later_.insert(n2)) later_order_.push_back(n2);
      trace_.line("      (n1 and n2) may become (n2 and n3)",
                  " => skip n1, store n2 to remove it later");
      continue;
    }
    const uint32_t n_targets = n2->target_links.slots();
    for (uint32_t ti = 0; ti < n_targets; ++ti) {
      Link* l2 = n2->target_links.at(ti);
      if (!l2 || !l2->node) continue;
      Node* n3 = l2->node;
      trace_.line_id("         n3 = ", node_key(n3));
      if (!n1->object && !n3->object) {
        trace_.line("         n1 == n3 == NULL-object", " => skip n3");
        continue;
      }
      Composed c = compose(l1, l2);
      if (skip_bridge_link(n1, n2, n3, c)) continue;
      if (!n1->object) {
        if (c.type == Dep::ABSORPTION) c.type = Dep::CREATION;
        if (c.type != Dep::CREATION) {
          MX_REPORT(kTag); // the null-object node may only create
          trace_.line("         _ASSERTION_:",
                      " NULL-object n1 has link with wrong dependency type!!!");
          continue;
        }
      }
      if (!n3->object && c.type != Dep::DELETION) {
        trace_.line("         n3 == NULL-object would delete something", " => skip n3");
        continue;
      }
      if ((n3->flags & kRemoving) || (n1->flags & kRemoving)) {
        MX_REPORT(kTag); // a bridge to or from a node this batch destroys
        continue;
      }
      Link* forward = st_.create_link(n3, c.type, c.has_q, c.q, c.separator, nullptr);
      Link* back = st_.create_link(n1, c.type, c.has_q, c.q, c.separator, nullptr);
      const uint32_t index = static_cast<uint32_t>(new_links_.size());
      new_n1_.push_back(n1);
      new_links_.push_back(forward);
      pending_.insert(n1, n3, index);
      by_n1_.append(n1, index);
      st_.add_source_link(n3, back);
    }
    if (l1->dropped) {
      MX_REPORT(kTag); // the same forward link would be dropped twice
    } else {
      const uint32_t index = static_cast<uint32_t>(dropped_links_.size());
      dropped_n1_.push_back(n1);
      dropped_links_.push_back(l1);
      dropped_pairs_.insert(n1, n2, index);
      dropped_into_.append(n2, index);
      n2->flags |= kDroppedInto;
      l1->dropped = true;
    }
    detached.push_back(s);
  }
  for (Link* s : detached) remove_source_link(n2, s);
  if (!removable) return true;

  std::vector<Link*>& kept = scratch_kept_;
  kept.clear();
  for (uint32_t ti = 0; ti < n2->target_links.slots(); ++ti) {
    Link* l2 = n2->target_links.at(ti);
    if (!l2 || !l2->node) continue;
    Node* n3 = l2->node;
    kept.push_back(l2);
    Link* back = n3->source_links.find(n2);
    if (!back) {
      MX_REPORT(kTag); // the target has no back link to n2
      trace_.line_id_tail("  _ASSERTION_:", " removing links between n2 and (n3 = ", node_key(n3),
                          "): no link from n3 to n2!!!");
    } else if (!st_.erase_source_link(n3, back)) {
      MX_REPORT(kTag);
      trace_.line_id_tail("  _ASSERTION_:", " removing link from (n3 = ", node_key(n3),
                          ") to n2 failed!!!");
    } else {
      st_.destroy_link(back);
    }
  }
  for (Link* l2 : kept) remove_target_link(n2, l2);
  nodes_to_remove_.push_back(n2);
  n2->flags |= kRemoving;
  later_.erase(n2);
  return true;
}

void Removal::retarget_pair(Node* source, Link* forward, Dep::Type type) {
  st_.retype_target_link(source, forward, type);
  Node* target = forward->node;
  Link* back = target ? target->source_links.find(source) : nullptr;
  if (!back) {
    MX_REPORT(kTag); // the back link of the pair is missing
    return;
  }
  st_.retype_source_link(target, back, type);
}

void Removal::make_absorption_consistent(const std::vector<Node*>& n3s) {
  // (a) The absorbing sources of the targets that changed.
  std::vector<Node*> absorbing;
  PtrSet absorbing_seen;
  std::vector<Node*> absorbed;
  PtrSet absorbed_seen;
  auto note_absorbed = [&](Node* t) {
    if (absorbed_seen.insert(t)) absorbed.push_back(t);
  };
  for (Node* n3 : n3s) {
    if (!n3) {
      MX_REPORT(kTag);
      continue;
    }
    if (n3->absorption_sources == 0) continue;
    for (uint32_t i = 0; i < n3->source_links.slots(); ++i) {
      const Link* l = n3->source_links.at(i);
      if (!l || l->dependency_type != Dep::ABSORPTION) continue;
      if (absorbing_seen.insert(l->node)) absorbing.push_back(l->node);
      note_absorbed(n3);
    }
  }
  // (b) A source that absorbs into one target and also has targets of other
  // kinds did not vanish into its target: its absorptions become creations.
  for (Node* s : absorbing) {
    const uint32_t n_absorptions = s->absorption_targets;
    const uint32_t n_others = s->target_links.count() - n_absorptions;
    if (n_absorptions == 0) MX_REPORT(kTag);
    if (n_absorptions == 0) continue;
    for (uint32_t i = 0; i < s->target_links.slots(); ++i) {
      Link* l = s->target_links.at(i);
      if (!l || l->dependency_type != Dep::ABSORPTION) continue;
      note_absorbed(l->node);
      if (n_others > 0) retarget_pair(s, l, Dep::CREATION);
    }
  }
  // (c) A target whose sources mix absorptions with other kinds takes them
  // all as creations.
  for (Node* t : absorbed) {
    const uint32_t n_absorptions = t->absorption_sources;
    if (n_absorptions == 0 || n_absorptions == t->source_links.count()) continue;
    for (uint32_t i = 0; i < t->source_links.slots(); ++i) {
      Link* back = t->source_links.at(i);
      if (!back || back->dependency_type != Dep::ABSORPTION) continue;
      st_.retype_source_link(t, back, Dep::CREATION);
      Link* forward = back->node ? back->node->target_links.find(t) : nullptr;
      if (!forward) {
        MX_REPORT(kTag); // the forward link of the pair is missing
        continue;
      }
      st_.retype_target_link(back->node, forward, Dep::CREATION);
    }
  }
}

void Removal::apply_removal() {
  // 1. The forward links of the bridges join their sources.
  std::vector<Node*> n3s;
  // Targets are noted once each, marked while the batch is applied.
  auto note_n3 = [&](Node* n3) {
    if (n3->flags & kNoted) return;
    n3->flags |= kNoted;
    n3s.push_back(n3);
  };
  for (size_t i = 0; i < new_links_.size(); ++i) {
    Node* n1 = new_n1_[i];
    Link* forward = new_links_[i];
    note_n3(forward->node);
    st_.add_target_link(n1, forward);
  }
  new_n1_.clear();
  new_links_.clear();
  pending_.clear();
  by_n1_.clear();

  // 2. The dropped forward links leave their sources. A dropped SPLIT or
  // CONTAINMENT link may leave its group with one member: noted first.
  std::vector<SplitGroup> groups;
  for (size_t i = 0; i < dropped_links_.size(); ++i) {
    Node* n1 = dropped_n1_[i];
    Link* l1 = dropped_links_[i];
    if (!l1->dropped) {
      MX_REPORT(kTag); // the same link dropped twice
      continue;
    }
    l1->dropped = false;
    if (l1->node) l1->node->flags &= static_cast<uint16_t>(~kDroppedInto);
    if (l1->dependency_type == Dep::SPLIT || l1->dependency_type == Dep::CONTAINMENT)
      groups.push_back(SplitGroup{n1, l1->dependency_type, l1->has_target_qualifier,
                                  l1->has_target_qualifier ? l1->target_qualifier : -1});
    remove_target_link(n1, l1);
  }
  dropped_n1_.clear();
  dropped_links_.clear();
  dropped_pairs_.clear();
  dropped_into_.clear();

  // 3. Absorptions, then splits, are made consistent.
  for (Node* n : retyped_targets_) note_n3(n);
  retyped_targets_.clear();
  make_absorption_consistent(n3s);
  for (Node* n : n3s) n->flags &= static_cast<uint16_t>(~kNoted);
  for (const SplitGroup& g : groups) {
    Link* lone = nullptr;
    int members = 0;
    for (uint32_t i = 0; i < g.n1->target_links.slots() && members < 2; ++i) {
      Link* l = g.n1->target_links.at(i);
      if (l && l->dependency_type == g.type && l->has_target_qualifier == g.has_q &&
          (l->has_target_qualifier ? l->target_qualifier : -1) == g.q) {
        lone = l;
        ++members;
      }
    }
    if (members == 1)
      retarget_pair(g.n1, lone, split_modificational_ ? Dep::MODIFICATION : Dep::CREATION);
  }

  // 4. The detached nodes are destroyed.
  for (Node* n : nodes_to_remove_) {
    if (!st_.objects.erase(n->object)) MX_REPORT(kTag); // not in the object map
    st_.destroy_node(n);
  }
  nodes_to_remove_.clear();
}

} // namespace mx_detail
