// The operation behaviour registry and its default instance.
#include "mxoperationbehaviour.h"

namespace {
// Built at library load, destroyed at unload.
MxOperationBehaviourImplementation default_instance;
} // namespace

MxOperationBehaviour* MxOperationBehaviour::the_instance_ = nullptr;

MxOperationBehaviour::~MxOperationBehaviour() = default;

MxOperationBehaviour* MxOperationBehaviour::get_instance() {
  if (!the_instance_) the_instance_ = &default_instance;
  return the_instance_;
}

void MxOperationBehaviour::set_instance(MxOperationBehaviour* instance) {
  if (instance) {
    the_instance_ = instance;
    return;
  }
  default_instance.clear();
  the_instance_ = &default_instance;
}

MxOperationBehaviourImplementation::~MxOperationBehaviourImplementation() = default;

void MxOperationBehaviourImplementation::set_behaviour(const MxString* operation, int key,
                                                       short behaviour) {
  if (registry_.find(operation, nullptr) > 0) {
    MxMap<int, short>& codes = registry_[operation];
    if (codes.find(key, nullptr) == 0) codes[key] = behaviour;
    return;
  }
  MxMap<int, short> codes;
  codes[key] = behaviour;
  registry_[operation] = codes;
}

short MxOperationBehaviourImplementation::get_behaviour(const MxString* operation, int key) {
  const MxMap<int, short>* codes = registry_.lookup(operation);
  if (!codes) return 0;
  const short* code = codes->lookup(key);
  return code ? *code : 0;
}
