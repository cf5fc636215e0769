// The operation behaviour registry: the default instance against a map where
// the first code set for a pair stays, copies, client instances, resetting.
#include "mxoperationbehaviour.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>

namespace {

// Puts the default instance back, empty, after each test.
struct Behaviour : ::testing::Test {
  void TearDown() override { MxOperationBehaviour::set_instance(nullptr); }
};

// Operations are told apart by address: two of them have the same text.
const MxString operations[3] = {MxString("extrude"), MxString("extrude"), MxString("blend")};

TEST_F(Behaviour, DefaultInstanceAgreesWithAFirstSetWinsMap) {
  MxOperationBehaviour* registry = MxOperationBehaviour::get_instance();
  ASSERT_NE(dynamic_cast<MxOperationBehaviourImplementation*>(registry), nullptr);
  EXPECT_EQ(MxOperationBehaviour::get_instance(), registry);
  std::map<std::pair<const MxString*, int>, short> model;
  std::mt19937 random(11);
  for (int step = 0; step < 5000; ++step) {
    const MxString* op = random() % 8 ? &operations[random() % 3] : nullptr;
    const int key = static_cast<int>(random() % 40) - 20;
    const short code = static_cast<short>(random() % 5); // a stored 0 counts as set
    if (random() % 2) {
      registry->set_behaviour(op, key, code);
      model.emplace(std::make_pair(op, key), code);
    }
    const auto it = model.find({op, key});
    ASSERT_EQ(registry->get_behaviour(op, key), it == model.end() ? 0 : it->second) << step;
  }
  auto& implementation = dynamic_cast<MxOperationBehaviourImplementation&>(*registry);
  MxOperationBehaviourImplementation copy(implementation); // independent of its original
  copy.set_behaviour(nullptr, 99, 4);
  EXPECT_EQ(registry->get_behaviour(nullptr, 99), 0);
  implementation.clear();
  for (const auto& entry : model) {
    EXPECT_EQ(copy.get_behaviour(entry.first.first, entry.first.second), entry.second);
    EXPECT_EQ(registry->get_behaviour(entry.first.first, entry.first.second), 0);
  }
}

// A client registry: every code it is asked for is -1.
struct ClientRegistry : MxOperationBehaviour {
  void set_behaviour(const MxString*, int, short code) override { last = code; }
  short get_behaviour(const MxString*, int) override { return -1; }
  short last = 0;
};

TEST_F(Behaviour, ClientInstanceIsCurrentUntilResetWhichEmptiesTheDefault) {
  MxOperationBehaviour* default_instance = MxOperationBehaviour::get_instance();
  default_instance->set_behaviour(&operations[0], 1, 5);
  ClientRegistry client;
  MxOperationBehaviour::set_instance(&client);
  MxOperationBehaviour::get_instance()->set_behaviour(&operations[0], 1, 9);
  EXPECT_EQ(client.last, 9);
  EXPECT_EQ(MxOperationBehaviour::get_instance()->get_behaviour(&operations[0], 1), -1);
  EXPECT_EQ(default_instance->get_behaviour(&operations[0], 1), 5); // untouched meanwhile
  MxOperationBehaviour::set_instance(nullptr);
  EXPECT_EQ(MxOperationBehaviour::get_instance(), default_instance);
  EXPECT_EQ(default_instance->get_behaviour(&operations[0], 1), 0);
  default_instance->set_behaviour(&operations[0], 1, 6);
  EXPECT_EQ(default_instance->get_behaviour(&operations[0], 1), 6);
}

} // namespace
