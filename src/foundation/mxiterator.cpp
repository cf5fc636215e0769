// The self-contained iterator over object pointers.
#include "mxiterator.h"

MxDynObjArrayIterator::MxDynObjArrayIterator() : iterator_(&objects_) {}

MxDynObjArrayIterator::~MxDynObjArrayIterator() = default;

const MxDynObj** MxDynObjArrayIterator::first() {
  return iterator_.first();
}

void MxDynObjArrayIterator::next() {
  iterator_.next();
}

bool MxDynObjArrayIterator::done() {
  return iterator_.done();
}

void MxDynObjArrayIterator::reset() {
  iterator_.reset();
}

const MxDynObj** MxDynObjArrayIterator::current() {
  return iterator_.current();
}
