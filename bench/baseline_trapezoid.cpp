// The yardstick for the whole-run benchmark: the least a program can do
// with a profile file. It reads the name from standard input, reads the
// pairs, and prints the trapezoid sum over them.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

int main() {
  std::string name;
  std::getline(std::cin, name);
  std::ifstream in(name);
  double t0 = 0, c0 = 0, t, c, area = 0;
  bool first = true;
  while (in >> t >> c) {
    if (!first) area += (t - t0) * (c + c0) / 2;
    t0 = t;
    c0 = c;
    first = false;
  }
  std::printf("%.7g\n", area);
}
