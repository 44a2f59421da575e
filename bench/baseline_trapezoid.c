/* The yardstick for the whole-run benchmark: the least a program can do with
 * a profile file, written the way small system tools are (C, stdio, linked
 * dynamically). It reads the file name from standard input, reads the pairs,
 * and prints the trapezoid sum over them. */
#include <stdio.h>
#include <string.h>

int main(void) {
  char name[4096];
  if (fgets(name, sizeof name, stdin) == NULL) return 1;
  name[strcspn(name, "\r\n")] = '\0';
  FILE *in = fopen(name, "r");
  if (in == NULL) return 1;
  double t0 = 0, c0 = 0, t, c, area = 0;
  int first = 1;
  while (fscanf(in, "%lf %lf", &t, &c) == 2) {
    if (!first) area += (t - t0) * (c + c0) / 2;
    t0 = t;
    c0 = c;
    first = 0;
  }
  fclose(in);
  printf("%.7g\n", area);
  return 0;
}
