// A client that knows only the installed package.
#include "mxfoundation.h"

#include <cstdio>

int main() {
  MxArray<int> numbers;
  for (int i = 0; i < 5; ++i) numbers.append(i);
  if (numbers.capacity() != 8 || numbers.last() != 4) return 1;
  std::printf("consumer: %zu elements\n", numbers.size());
  return 0;
}
