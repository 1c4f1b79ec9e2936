#include <cstdio>

int main() {
  std::puts("brinkmoor: built; the program itself is not finished yet.");
  return 0;
}
