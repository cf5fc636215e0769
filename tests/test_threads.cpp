// Separate instances on separate threads: four threads each build, query,
// simplify and dump a lineage graph of their own, draw chunks from lists of
// their own, and share the process-wide identities and binomial cache. Each
// must get what one thread alone gets. Run it under ThreadSanitizer too.
#include "mx_utils.h"
#include "mxchunk.h"
#include "support/lineage_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>
#include <set>
#include <thread>

namespace {

using Dep = MxObjectDependency;

struct Outcome {
  std::string lineage; // answers and dumps, identities left out
  std::vector<double> numbers;
  std::vector<int> identities;
};

// Identities differ from thread to thread; the rest of a dump must not.
std::string without_digits(std::string text) {
  text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return std::isdigit(c); }),
             text.end());
  return text;
}

void build_lineage(Outcome& out, int rounds) {
  std::vector<std::unique_ptr<Thing>> things;
  auto make = [&] {
    things.push_back(std::make_unique<Thing>());
    out.identities.push_back(things.back()->identity());
    return things.back().get();
  };
  MxObjDependency graph;
  const Thing* last = make();
  record(graph, {}, {last}, Dep::CREATION);
  for (int round = 0; round < rounds; ++round) {
    const Thing *a = make(), *b = make(), *c = make();
    record(graph, {last}, {a}, Dep::MODIFICATION);
    record(graph, {a}, {b, c}, Dep::SPLIT);
    record(graph, {b}, {}, Dep::DELETION);
    last = c;
    if (round % 5 == 4) graph.new_separator();
  }
  out.lineage += std::to_string(targets(graph, things.front().get()).objects.size());
  out.lineage += std::to_string(sources(graph, last).objects.size());
  graph.simplify_it();
  out.lineage += without_digits(dump(graph, MxDebugFull, false, true));
  out.lineage += without_digits(dump(graph, MxDebugFull, true));
}

void compute_numbers(Outcome& out) {
  MxChunk *chain = nullptr, *spare = nullptr;
  for (size_t n = 16; n < 4000; n += 16) MxChunk::MxChunkMalloc(chain, spare, 4096, n);
  out.numbers.push_back(static_cast<double>(chain->n_allocated()));
  MxChunk::MxChunkReinit(chain, spare, false);
  for (int n = 33; n >= 0; n -= 3) // the highest rows first: all threads build at once
    for (int k = 0; k <= n; ++k) out.numbers.push_back(mx_binomial_coeff(n, k));
  for (double x : {-12.5, 10.0, 3.3e7}) {
    double r = 0.0;
    int k = 0;
    mx_congruence_info(x, 0.1, 0.0, r, k, EVAL_LIMIT_UPPER);
    out.numbers.push_back(r);
    out.numbers.push_back(k);
  }
}

TEST(Threads, SeparateInstancesOnSeparateThreadsAgreeWithOneThread) {
  std::vector<Outcome> outcomes(4);
  std::vector<std::thread> threads;
  auto work = [](Outcome& out) {
    compute_numbers(out);
    build_lineage(out, 30);
  };
  for (Outcome& out : outcomes) threads.emplace_back(work, std::ref(out));
  for (std::thread& t : threads) t.join();
  Outcome alone;
  work(alone);
  std::set<int> identities(alone.identities.begin(), alone.identities.end());
  for (const Outcome& out : outcomes) {
    EXPECT_EQ(out.lineage, alone.lineage);
    EXPECT_EQ(out.numbers, alone.numbers);
    identities.insert(out.identities.begin(), out.identities.end());
  }
  EXPECT_EQ(identities.size(), 5 * alone.identities.size()); // none handed out twice
  EXPECT_EQ(mx_binomial_coeff(33, 16), 1166803110.0);
  EXPECT_EQ(mx_binomial_cache_size(), 630u); // rows up to 33, each built once
}

} // namespace
