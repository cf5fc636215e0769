// The operation behaviour registry: the default instance, first-set-wins,
// operations told apart by address, resetting and client instances.
#include "mxoperationbehaviour.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace {

// Puts the default instance back, empty, after each test.
struct BehaviourTest : ::testing::Test {
  void TearDown() override { MxOperationBehaviour::set_instance(nullptr); }
};

// A client registry that remembers every call.
class RecordingBehaviour : public MxOperationBehaviour {
public:
  void set_behaviour(const MxString* op, int key, short code) override { codes[{op, key}] = code; }
  short get_behaviour(const MxString* op, int key) override {
    auto it = codes.find({op, key});
    return it == codes.end() ? -1 : it->second;
  }
  std::map<std::pair<const MxString*, int>, short> codes;
};

const MxString extrude("extrude");
const MxString blend("blend");

TEST_F(BehaviourTest, DefaultInstanceAnswersZeroUntilSet) {
  MxOperationBehaviour* registry = MxOperationBehaviour::get_instance();
  ASSERT_NE(dynamic_cast<MxOperationBehaviourImplementation*>(registry), nullptr);
  EXPECT_EQ(MxOperationBehaviour::get_instance(), registry);
  EXPECT_EQ(registry->get_behaviour(&extrude, 0), 0);
  EXPECT_EQ(registry->get_behaviour(nullptr, -5), 0);
}

TEST_F(BehaviourTest, FirstCodeSetForAPairStaysEvenZero) {
  MxOperationBehaviour* registry = MxOperationBehaviour::get_instance();
  registry->set_behaviour(&extrude, 5, 2);
  registry->set_behaviour(&extrude, 5, 7);
  registry->set_behaviour(&extrude, 6, 7);
  EXPECT_EQ(registry->get_behaviour(&extrude, 5), 2);
  EXPECT_EQ(registry->get_behaviour(&extrude, 6), 7);
  EXPECT_EQ(registry->get_behaviour(&extrude, 4), 0);
  EXPECT_EQ(registry->get_behaviour(&blend, 5), 0);
  registry->set_behaviour(&blend, 9, 0);
  registry->set_behaviour(&blend, 9, 8); // the stored 0 still counts as set
  EXPECT_EQ(registry->get_behaviour(&blend, 9), 0);
}

TEST_F(BehaviourTest, OperationsAreToldApartByAddressNotText) {
  const MxString other_extrude("extrude");
  MxString ops[20];
  MxOperationBehaviour* registry = MxOperationBehaviour::get_instance();
  registry->set_behaviour(&extrude, 1, 3);
  registry->set_behaviour(&other_extrude, 1, 4);
  for (int op = 0; op < 20; ++op)
    for (int key = -50; key < 50; ++key)
      registry->set_behaviour(&ops[op], key, static_cast<short>(op * 100 + key));
  EXPECT_EQ(registry->get_behaviour(&extrude, 1), 3);
  EXPECT_EQ(registry->get_behaviour(&other_extrude, 1), 4);
  for (int op = 0; op < 20; ++op)
    for (int key = -50; key < 50; ++key)
      ASSERT_EQ(registry->get_behaviour(&ops[op], key), op * 100 + key);
}

TEST_F(BehaviourTest, ClientInstanceIsCurrentUntilResetWhichEmptiesTheDefault) {
  MxOperationBehaviour* default_instance = MxOperationBehaviour::get_instance();
  default_instance->set_behaviour(&extrude, 1, 5);
  RecordingBehaviour client;
  MxOperationBehaviour::set_instance(&client);
  EXPECT_EQ(MxOperationBehaviour::get_instance(), &client);
  MxOperationBehaviour::get_instance()->set_behaviour(&extrude, 1, 9);
  EXPECT_EQ(client.codes.size(), 1u);
  EXPECT_EQ(MxOperationBehaviour::get_instance()->get_behaviour(&blend, 1), -1);
  EXPECT_EQ(default_instance->get_behaviour(&extrude, 1), 5); // untouched meanwhile
  MxOperationBehaviour::set_instance(nullptr);
  EXPECT_EQ(MxOperationBehaviour::get_instance(), default_instance);
  EXPECT_EQ(default_instance->get_behaviour(&extrude, 1), 0);
  default_instance->set_behaviour(&extrude, 1, 6);
  EXPECT_EQ(default_instance->get_behaviour(&extrude, 1), 6);
}

TEST_F(BehaviourTest, ImplementationCopiesAreIndependent) {
  MxOperationBehaviourImplementation first;
  first.set_behaviour(&extrude, 1, 1);
  MxOperationBehaviourImplementation second(first);
  second.set_behaviour(&extrude, 2, 2);
  EXPECT_EQ(second.get_behaviour(&extrude, 1), 1);
  EXPECT_EQ(first.get_behaviour(&extrude, 2), 0);
  first.clear();
  EXPECT_EQ(first.get_behaviour(&extrude, 1), 0);
  EXPECT_EQ(second.get_behaviour(&extrude, 1), 1);
}

} // namespace
